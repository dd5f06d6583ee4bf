#pragma once

#include "appkit/NSControl.h"
#include "foundation/String.h"

#include <memory>

class NSAttributedString;
class NSColor;

// A text control: an editable field, or a label that shows its text.
// Labels draw their text from the top left of their bounds (inset by two
// points at the sides), in their font, colour, alignment and line-break
// mode; fields draw a bezel and background around it too.
class NSTextField : public NSControl {
    KS_OBJECT(NSTextField, NSControl)

public:
    // An editable field with a bezel and a background.
    explicit NSTextField(NSRect frame = NSZeroRect);
    // A label: not editable, not selectable, no bezel or background, one
    // line that is clipped.
    static std::shared_ptr<NSTextField> labelWithString(const String& text);
    // A label whose lines wrap at words.
    static std::shared_ptr<NSTextField> wrappingLabelWithString(const String& text);
    static std::shared_ptr<NSTextField> textFieldWithString(const String& text);

    bool isEditable() const { return editable_; }
    void setEditable(bool editable) { editable_ = editable; }
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool selectable) { selectable_ = selectable; }

    // An editable or selectable field takes the keyboard.
    bool acceptsFirstResponder() override { return isEnabled() && (editable_ || selectable_); }

    bool isBezeled() const { return bezeled_; }
    void setBezeled(bool bezeled);
    bool isBordered() const { return bordered_; }
    void setBordered(bool bordered);
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool draws);
    // The text background colour unless set.
    std::shared_ptr<NSColor> backgroundColor() const;
    void setBackgroundColor(const std::shared_ptr<NSColor>& color);
    // The label colour for labels, the text colour for fields, unless set.
    std::shared_ptr<NSColor> textColor() const;
    void setTextColor(const std::shared_ptr<NSColor>& color);
    // Shown in the placeholder colour while there is no text.
    const String& placeholderString() const { return placeholderString_; }
    void setPlaceholderString(const String& placeholder);
    // The width at which a wrapping label breaks its lines for its
    // intrinsic size; 0: the text on one line.
    CGFloat preferredMaxLayoutWidth() const { return preferredMaxLayoutWidth_; }
    void setPreferredMaxLayoutWidth(CGFloat width) { preferredMaxLayoutWidth_ = width; }

    // Static text, or a text field when editable, whose value is its text
    // (accessibility/NSControlAccessibility.cpp).
    bool isAccessibilityElement() override { return true; }
    bool isAccessibilityEnabled() override { return isEnabled(); }
    String accessibilityRole() override;
    String accessibilityValue() override { return stringValue(); }

    // The text with the field's font, colour and paragraph style.
    std::shared_ptr<NSAttributedString> attributedStringValue() const;
    // Where the text goes within the bounds.
    NSRect titleRect() const;

    // From the text: its width plus the side insets (fields have no
    // intrinsic width), and the height of its lines.
    NSSize intrinsicContentSize() const override;
    void drawRect(NSRect dirtyRect) override;

protected:
    static void describe(ClassDescriptor& d);

private:
    Dictionary textAttributes(const std::shared_ptr<NSColor>& color) const;
    NSSize bezelInsets() const;

    bool editable_ = true;
    bool selectable_ = true;
    bool bezeled_ = true;
    bool bordered_ = false;
    bool drawsBackground_ = true;
    std::shared_ptr<NSColor> backgroundColor_;
    std::shared_ptr<NSColor> textColor_;
    String placeholderString_;
    CGFloat preferredMaxLayoutWidth_ = 0;
};
