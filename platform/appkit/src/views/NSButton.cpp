#include "appkit/NSButton.h"

#include "appkit/NSImage.h"

NSButton::NSButton(NSRect frame)
    : NSControl(frame, Id::number(NSInteger(NSControlStateValueOff)))
{
}

void NSButton::describe(ClassDescriptor& d)
{
    d.property<NSButton>(
        "title", [](NSButton& b) { return Id(b.title()); },
        [](NSButton& b, const Id& value) { b.setTitle(value.string() ? *value.string() : String()); });
    d.property<NSButton>(
        "image", [](NSButton& b) { return Id(b.image()); },
        [](NSButton& b, const Id& value) { b.setImage(value.object<NSImage>()); });
    d.property<NSButton>(
        "state", [](NSButton& b) { return Id::number(b.state()); },
        [](NSButton& b, const Id& value) { b.setState(value.integerValue()); });
    d.method<NSButton>("performClick:", ReturnKind::Void, [](NSButton& b, std::span<const Id> arguments) {
        b.performClick(arguments[0]);
        return Id();
    });
}

void NSButton::setImage(const std::shared_ptr<NSImage>& image)
{
    automaticChange("image", [&] { image_ = image; });
    invalidateIntrinsicContentSize();
}

void NSButton::performClick(const Id&)
{
    if (isEnabled())
        sendAction(action(), target());
}

void NSButton::mouseUp(NSEvent& event)
{
    if (isEnabled())
        performClick(Id(shared_from_this()));
    else
        NSControl::mouseUp(event);
}

NSSize NSButton::intrinsicContentSize() const
{
    if (image_ && title_.empty())
        return image_->size();
    return NSControl::intrinsicContentSize();
}
