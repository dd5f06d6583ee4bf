#include "shortcut-library/SRRecorderControlStyling.h"

#include "appkit/NSLayoutGuide.h"
#include "shortcut-library/SRRecorderControlStyleComponents.h"

void SRRecorderControlStyling::describe(ClassDescriptor& d)
{
    using Self = SRRecorderControlStyling;
    // What a control observes of its style, by key path.
    d.property<Self>("identifier", [](Self& s) { return Id(s.identifier()); });
    d.property<Self>("preferredComponents", [](Self& s) { return Id(s.preferredComponents()); });
    struct Guide {
        const char* key;
        std::shared_ptr<NSLayoutGuide> (Self::*guide)() const;
    };
    static const Guide guides[] = {
        {"alignmentGuide", &Self::alignmentGuide},
        {"labelDrawingGuide", &Self::labelDrawingGuide},
        {"backgroundDrawingGuide", &Self::backgroundDrawingGuide},
        {"cancelButtonDrawingGuide", &Self::cancelButtonDrawingGuide},
        {"clearButtonDrawingGuide", &Self::clearButtonDrawingGuide},
        {"cancelButtonLayoutGuide", &Self::cancelButtonLayoutGuide},
        {"clearButtonLayoutGuide", &Self::clearButtonLayoutGuide},
    };
    for (const Guide& guide : guides) {
        auto getter = guide.guide;
        d.property<Self>(guide.key, [getter](Self& s) { return Id((s.*getter)()); });
    }
    // The message a control prepares once and sends after each burst of
    // changes of its environment. A style that doesn't want it ignores it.
    d.method<Self>("recorderControlAppearanceDidChange:", ReturnKind::Void, [](Self& s, std::span<const Id> arguments) {
        if (s.respondsToRecorderControlAppearanceDidChange())
            s.recorderControlAppearanceDidChange(arguments.empty() ? Id() : arguments[0]);
        return Id();
    });
}
