#pragma once

#include "appkit/NSControl.h"

#include <memory>

class NSColor;
class NSImage;

enum NSImageScaling : NSUInteger {
    NSImageScaleProportionallyDown = 0,
    NSImageScaleAxesIndependently = 1,
    NSImageScaleNone = 2,
    NSImageScaleProportionallyUpOrDown = 3,
};

// A control that shows one image, centred in its bounds and scaled as
// `imageScaling` says; the image is its value. Template images are filled
// with the content tint colour (the label colour unless set).
class NSImageView : public NSControl {
    KS_OBJECT(NSImageView, NSControl)

public:
    explicit NSImageView(NSRect frame = NSZeroRect);
    static std::shared_ptr<NSImageView> imageViewWithImage(const std::shared_ptr<NSImage>& image);

    std::shared_ptr<NSImage> image() const;
    void setImage(const std::shared_ptr<NSImage>& image);
    NSImageScaling imageScaling() const { return imageScaling_; }
    void setImageScaling(NSImageScaling scaling);
    std::shared_ptr<NSColor> contentTintColor() const { return contentTintColor_; }
    void setContentTintColor(const std::shared_ptr<NSColor>& color);

    // Where the image is drawn within the bounds.
    NSRect imageRect() const;
    NSSize intrinsicContentSize() const override;
    void drawRect(NSRect dirtyRect) override;

protected:
    static void describe(ClassDescriptor& d);

private:
    NSImageScaling imageScaling_ = NSImageScaleProportionallyDown;
    std::shared_ptr<NSColor> contentTintColor_;
};
