#include "appkit/NSImageView.h"

#include "appkit/NSImage.h"

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
        [](NSImageView& v, const Id& value) { v.setImage(value.object<NSImage>()); });
}

std::shared_ptr<NSImage> NSImageView::image() const
{
    return objectValue().object<NSImage>();
}

void NSImageView::setImage(const std::shared_ptr<NSImage>& image)
{
    automaticChange("image", [&] { setObjectValue(Id(image)); });
}

NSSize NSImageView::intrinsicContentSize() const
{
    if (auto image = this->image())
        return image->size();
    return NSControl::intrinsicContentSize();
}
