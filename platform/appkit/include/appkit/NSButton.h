#pragma once

#include "appkit/NSControl.h"
#include "foundation/String.h"

#include <memory>

class NSImage;

enum NSControlStateValue : NSInteger {
    NSControlStateValueMixed = -1,
    NSControlStateValueOff = 0,
    NSControlStateValueOn = 1,
};

// With the platform's raw values.
enum NSButtonType : NSUInteger {
    NSButtonTypeMomentaryLight = 0,
    NSButtonTypePushOnPushOff = 1,
    NSButtonTypeToggle = 2,
    NSButtonTypeSwitch = 3,
    NSButtonTypeRadio = 4,
    NSButtonTypeMomentaryChange = 5,
    NSButtonTypeOnOff = 6,
    NSButtonTypeMomentaryPushIn = 7,
};

enum NSBezelStyle : NSUInteger {
    NSBezelStyleRounded = 1,
    NSBezelStyleRegularSquare = 2,
    NSBezelStyleSmallSquare = 10,
    NSBezelStyleInline = 15,
};

// A push button, check box or the like: a title, an image and a state.
// Push buttons draw a rounded bezel with the title (or image) in the
// middle; the default button (key equivalent Return) is filled with the
// accent colour. Check boxes and radio buttons draw their box and the
// title beside it, and a click turns their state over.
class NSButton : public NSControl {
    KS_OBJECT(NSButton, NSControl)

public:
    explicit NSButton(NSRect frame = NSZeroRect);

    const String& title() const { return title_; }
    void setTitle(const String& title);
    std::shared_ptr<NSImage> image() const { return image_; }
    void setImage(const std::shared_ptr<NSImage>& image);
    NSInteger state() const { return integerValue(); }
    void setState(NSInteger state) { setIntegerValue(state); }

    NSButtonType buttonType() const { return buttonType_; }
    void setButtonType(NSButtonType type);
    NSBezelStyle bezelStyle() const { return bezelStyle_; }
    void setBezelStyle(NSBezelStyle style);
    bool isBordered() const { return bordered_; }
    void setBordered(bool bordered);
    // "\r" makes the default button.
    const String& keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(const String& key);
    // Pressed, while the mouse is down on it.
    bool isHighlighted() const { return highlighted_; }
    void highlight(bool highlighted);

    // What a click does: when enabled, turns a check box's state over,
    // writes it through the value binding as a Boolean, and sends the
    // action. The binding's value shows as the state: true or a non-zero
    // number is on, anything else off.
    virtual void performClick(const Id& sender);
    void mouseDown(NSEvent& event) override;
    void mouseUp(NSEvent& event) override;
    NSSize intrinsicContentSize() const override;
    void drawRect(NSRect dirtyRect) override;

    // A button, check box or radio button named by its title; pressing it
    // is a click (accessibility/NSControlAccessibility.cpp).
    bool isAccessibilityElement() override { return true; }
    bool isAccessibilityEnabled() override { return isEnabled(); }
    String accessibilityRole() override;
    String accessibilityLabel() override { return title_; }
    String accessibilityValue() override;
    std::vector<String> accessibilityActionNames() override;
    bool accessibilityPerformPress() override;

protected:
    static void describe(ClassDescriptor& d);
    // The title in the middle of `rect`, in `color`.
    void drawTitle(NSRect rect, const std::shared_ptr<class NSColor>& color, NSTextAlignment alignment) const;
    // The image in the middle of `rect` at its size, templates in `color`.
    void drawImage(NSRect rect, const class NSColor& color) const;

private:
    bool isCheckable() const;

    String title_;
    std::shared_ptr<NSImage> image_;
    NSButtonType buttonType_ = NSButtonTypeMomentaryPushIn;
    NSBezelStyle bezelStyle_ = NSBezelStyleRounded;
    bool bordered_ = true;
    bool highlighted_ = false;
    String keyEquivalent_;
};
