#pragma once

#include "appkit/NSControl.h"

#include <memory>

class NSImage;

// A control that shows one image; the image is its value.
class NSImageView : public NSControl {
    KS_OBJECT(NSImageView, NSControl)

public:
    explicit NSImageView(NSRect frame = NSZeroRect);
    static std::shared_ptr<NSImageView> imageViewWithImage(const std::shared_ptr<NSImage>& image);

    std::shared_ptr<NSImage> image() const;
    void setImage(const std::shared_ptr<NSImage>& image);

    NSSize intrinsicContentSize() const override;

protected:
    static void describe(ClassDescriptor& d);
};
