#include "Kestrova/AboutViewController.h"

#include "Kestrova/FatalError.h"
#include "appkit/NSTextField.h"
#include "foundation/NSBundle.h"

void AboutViewController::describe(ClassDescriptor& d)
{
    d.property<AboutViewController>(
        "versionLabel", [](AboutViewController& self) { return Id(self.versionLabel()); },
        [](AboutViewController& self, const Id& value) { self.setVersionLabel(value.object<NSTextField>()); });
}

void AboutViewController::viewDidLoad()
{
    NSViewController::viewDidLoad();
    String version = "Unknown";
    if (auto bundle = NSBundle::mainBundle()) {
        Id shortVersion = bundle->objectForInfoDictionaryKey("CFBundleShortVersionString");
        if (const String* text = shortVersion.string())
            version = *text;
    }
    if (!versionLabel_)
        fatalError("Expect the `versionLabel` outlet of `AboutViewController` to be connected");
    versionLabel_->setStringValue(String("Version ").appending(version));
}
