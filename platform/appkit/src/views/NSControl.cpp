#include "appkit/NSControl.h"

#include "appkit/NSApplication.h"

NSControl::NSControl(NSRect frame, Id initialValue)
    : NSView(frame)
    , objectValue_(std::move(initialValue))
{
}

void NSControl::describe(ClassDescriptor& d)
{
    // "value" is the name bindings use for the control's value.
    for (const char* key : {"objectValue", "value"})
        d.property<NSControl>(
            key, [](NSControl& c) { return c.objectValue(); },
            [](NSControl& c, const Id& value) { c.setObjectValue(value); });
    d.property<NSControl>(
        "stringValue", [](NSControl& c) { return Id(c.stringValue()); },
        [](NSControl& c, const Id& value) { c.setObjectValue(value); });
    d.property<NSControl>(
        "integerValue", [](NSControl& c) { return Id::number(c.integerValue()); },
        [](NSControl& c, const Id& value) { c.setIntegerValue(value.integerValue()); });
    d.property<NSControl>(
        "enabled", [](NSControl& c) { return Id::boolean(c.isEnabled()); },
        [](NSControl& c, const Id& value) { c.setEnabled(value.boolValue()); });
    d.property<NSControl>(
        "tag", [](NSControl& c) { return Id::number(c.tag()); },
        [](NSControl& c, const Id& value) { c.setTag(value.integerValue()); });
}

bool NSControl::sendAction(Selector action, const Id& target)
{
    if (!action)
        return false;
    return NSApplication::sharedApplication()->sendAction(action, target, Id(shared_from_this()));
}

void NSControl::setEnabled(bool enabled)
{
    if (enabled_ == enabled)
        return;
    automaticChange("enabled", [&] { enabled_ = enabled; });
    setNeedsDisplay(true);
}

void NSControl::setObjectValue(const Id& value)
{
    automaticChange("objectValue", [&] { objectValue_ = value; });
    setNeedsDisplay(true);
}

String NSControl::stringValue() const
{
    if (const String* text = objectValue_.string())
        return *text;
    if (objectValue_.isNumber())
        return objectValue_.description();
    return String();
}
