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

// A push button, check box or the like: a title, an image and a state.
class NSButton : public NSControl {
    KS_OBJECT(NSButton, NSControl)

public:
    explicit NSButton(NSRect frame = NSZeroRect);

    const String& title() const { return title_; }
    void setTitle(const String& title) { title_ = title; }
    std::shared_ptr<NSImage> image() const { return image_; }
    void setImage(const std::shared_ptr<NSImage>& image);
    NSInteger state() const { return integerValue(); }
    void setState(NSInteger state) { setIntegerValue(state); }

    // What a click does: sends the action, when enabled.
    virtual void performClick(const Id& sender);
    void mouseUp(NSEvent& event) override;
    NSSize intrinsicContentSize() const override;

protected:
    static void describe(ClassDescriptor& d);

private:
    String title_;
    std::shared_ptr<NSImage> image_;
};
