#include "Kestrova/PermissionViewController.h"

#include "accessibility/AXConstants.h"
#include "accessibility/AXUIElement.h"

void PermissionViewController::describe(ClassDescriptor& d)
{
    d.method<PermissionViewController>("buttonDidActionWithSender:", ReturnKind::Void,
                                       [](PermissionViewController& self, std::span<const Id> arguments) {
                                           self.buttonDidAction(arguments[0]);
                                           return Id();
                                       });
}

void PermissionViewController::buttonDidAction(const Id&)
{
    // The answer is the trust at the time of asking; the dialog doesn't wait
    // for the user, so there is nothing to do with it here.
    (void)AXIsProcessTrustedWithOptions(Dictionary{{Id(String(kAXTrustedCheckOptionPrompt)), Id::boolean(true)}});
}
