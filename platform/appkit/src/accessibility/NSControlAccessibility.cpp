// The standard controls as assistive software reads them.

#include "appkit/NSAccessibilityConstants.h"
#include "appkit/NSButton.h"
#include "appkit/NSTextField.h"

String NSButton::accessibilityRole()
{
    if (buttonType_ == NSButtonTypeSwitch)
        return NSAccessibilityCheckBoxRole;
    if (buttonType_ == NSButtonTypeRadio)
        return NSAccessibilityRadioButtonRole;
    return NSAccessibilityButtonRole;
}

String NSButton::accessibilityValue()
{
    // A check box or radio button reads as its state; a push button has
    // no value.
    if (buttonType_ != NSButtonTypeSwitch && buttonType_ != NSButtonTypeRadio)
        return String();
    return String::format("%ld", static_cast<long>(state()));
}

std::vector<String> NSButton::accessibilityActionNames()
{
    return {NSAccessibilityPressAction};
}

bool NSButton::accessibilityPerformPress()
{
    if (!isEnabled())
        return false;
    performClick(Id(shared_from_this()));
    return true;
}

String NSTextField::accessibilityRole()
{
    return isEditable() ? NSAccessibilityTextFieldRole : NSAccessibilityStaticTextRole;
}
