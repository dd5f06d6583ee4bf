#include "appkit/NSImageView.h"

#include "appkit/NSColor.h"
#include "appkit/NSImage.h"

#include <algorithm>

NSImageView::NSImageView(NSRect frame)
    : NSControl(frame)
{
}

std::shared_ptr<NSImageView> NSImageView::imageViewWithImage(const std::shared_ptr<NSImage>& image)
{
    auto view = std::make_shared<NSImageView>(image ? NSRect{NSZeroPoint, image->size()} : NSZeroRect);
    view->setImage(image);
    return view;
}

void NSImageView::describe(ClassDescriptor& d)
{
    d.property<NSImageView>(
        "image", [](NSImageView& v) { return Id(v.image()); },
        [](NSImageView& v, const Id& value) {
            // A storyboard names its images.
            v.setImage(value.string() ? NSImage::imageNamed(*value.string()) : value.object<NSImage>());
        });
    d.property<NSImageView>(
        "imageScaling", [](NSImageView& v) { return Id::number(NSUInteger(v.imageScaling())); },
        [](NSImageView& v, const Id& value) {
            if (value.integerValue() >= 0 && value.integerValue() <= NSInteger(NSImageScaleProportionallyUpOrDown))
                v.setImageScaling(NSImageScaling(value.integerValue()));
        });
}

std::shared_ptr<NSImage> NSImageView::image() const
{
    return objectValue().object<NSImage>();
}

void NSImageView::setImage(const std::shared_ptr<NSImage>& image)
{
    automaticChange("image", [&] { setObjectValue(Id(image)); });
}

void NSImageView::setImageScaling(NSImageScaling scaling)
{
    imageScaling_ = scaling;
    setNeedsDisplay(true);
}

void NSImageView::setContentTintColor(const std::shared_ptr<NSColor>& color)
{
    contentTintColor_ = color;
    setNeedsDisplay(true);
}

NSSize NSImageView::intrinsicContentSize() const
{
    if (auto image = this->image())
        return image->size();
    return NSControl::intrinsicContentSize();
}

NSRect NSImageView::imageRect() const
{
    auto image = this->image();
    NSRect bounds = this->bounds();
    if (!image || !(image->size().width > 0) || !(image->size().height > 0))
        return NSZeroRect;
    NSSize size = image->size();
    NSSize drawn = size;
    CGFloat fit = std::min(bounds.size.width / size.width, bounds.size.height / size.height);
    switch (imageScaling_) {
    case NSImageScaleAxesIndependently:
        return bounds;
    case NSImageScaleNone:
        break;
    case NSImageScaleProportionallyDown:
        if (fit < 1)
            drawn = {size.width * fit, size.height * fit};
        break;
    case NSImageScaleProportionallyUpOrDown:
        drawn = {size.width * fit, size.height * fit};
        break;
    }
    return {{bounds.origin.x + (bounds.size.width - drawn.width) / 2,
             bounds.origin.y + (bounds.size.height - drawn.height) / 2},
            drawn};
}

void NSImageView::drawRect(NSRect)
{
    auto image = this->image();
    NSRect rect = imageRect();
    if (!image || CGRectIsEmpty(rect))
        return;
    CGFloat fraction = isEnabled() ? 1 : 0.5;
    if (image->isTemplate())
        image->drawTemplateInRect(rect, contentTintColor_ ? *contentTintColor_ : *NSColor::labelColor(), fraction);
    else
        image->drawInRect(rect, NSZeroRect, NSCompositingOperationSourceOver, fraction, true, Dictionary());
}
