#include "appkit/NSTextField.h"

NSTextField::NSTextField(NSRect frame)
    : NSControl(frame)
{
}

std::shared_ptr<NSTextField> NSTextField::labelWithString(const String& text)
{
    auto field = std::make_shared<NSTextField>();
    field->setEditable(false);
    field->setSelectable(false);
    field->setStringValue(text);
    return field;
}

std::shared_ptr<NSTextField> NSTextField::textFieldWithString(const String& text)
{
    auto field = std::make_shared<NSTextField>();
    field->setStringValue(text);
    return field;
}
