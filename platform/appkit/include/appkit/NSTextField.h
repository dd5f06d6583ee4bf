#pragma once

#include "appkit/NSControl.h"
#include "foundation/String.h"

#include <memory>

// A text control; here, the text it shows or holds.
class NSTextField : public NSControl {
    KS_OBJECT(NSTextField, NSControl)

public:
    explicit NSTextField(NSRect frame = NSZeroRect);
    // A label: not editable, not selectable.
    static std::shared_ptr<NSTextField> labelWithString(const String& text);
    static std::shared_ptr<NSTextField> textFieldWithString(const String& text);

    bool isEditable() const { return editable_; }
    void setEditable(bool editable) { editable_ = editable; }
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool selectable) { selectable_ = selectable; }

    // An editable or selectable field takes the keyboard.
    bool acceptsFirstResponder() override { return isEnabled() && (editable_ || selectable_); }

private:
    bool editable_ = true;
    bool selectable_ = true;
};
