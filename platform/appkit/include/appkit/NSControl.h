#pragma once

#include "appkit/NSParagraphStyle.h"
#include "appkit/NSView.h"
#include "foundation/Id.h"
#include "foundation/Selector.h"

#include <memory>

// A view with a value that sends an action to a target when the user acts
// on it. The value is one object; the typed accessors read and write it.
class NSFont;

class NSControl : public NSView {
    KS_OBJECT(NSControl, NSView)

public:
    explicit NSControl(NSRect frame = NSZeroRect, Id initialValue = Id());

    // Held weakly; nil sends the action along the responder chain.
    Id target() const { return Id(target_.lock()); }
    void setTarget(const Id& target) { target_ = target.objectReference(); }
    Selector action() const { return action_; }
    void setAction(Selector action) { action_ = action; }
    // Sends the action through the application; false when nobody took it.
    virtual bool sendAction(Selector action, const Id& target);

    bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool enabled);
    NSInteger tag() const { return tag_; }
    void setTag(NSInteger tag) { tag_ = tag; }
    bool refusesFirstResponder() const { return refusesFirstResponder_; }
    void setRefusesFirstResponder(bool refuses) { refusesFirstResponder_ = refuses; }

    const Id& objectValue() const { return objectValue_; }
    virtual void setObjectValue(const Id& value);
    // A string value as it is, a number's description, else empty.
    String stringValue() const;
    void setStringValue(const String& value) { setObjectValue(Id(value)); }
    NSInteger integerValue() const { return static_cast<NSInteger>(objectValue_.integerValue()); }
    void setIntegerValue(NSInteger value) { setObjectValue(Id::number(value)); }
    double doubleValue() const { return objectValue_.doubleValue(); }
    void setDoubleValue(double value) { setObjectValue(Id::number(value)); }

    // --- Drawing (drawing/NSControlDrawing.cpp) ---

    // The system font at the standard size unless set.
    std::shared_ptr<NSFont> font() const;
    void setFont(const std::shared_ptr<NSFont>& font);
    NSTextAlignment alignment() const { return alignment_; }
    void setAlignment(NSTextAlignment alignment);
    NSLineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(NSLineBreakMode mode);

protected:
    static void describe(ClassDescriptor& d);

private:
    std::shared_ptr<NSFont> font_;
    NSTextAlignment alignment_ = NSTextAlignmentNatural;
    NSLineBreakMode lineBreakMode_ = NSLineBreakByClipping;

    std::weak_ptr<NSObject> target_;
    Selector action_;
    Id objectValue_;
    NSInteger tag_ = 0;
    bool enabled_ = true;
    bool refusesFirstResponder_ = false;
};
