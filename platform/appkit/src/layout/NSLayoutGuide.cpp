#include "appkit/NSLayoutGuide.h"

#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSValue.h"

namespace {

template <class Anchor> std::shared_ptr<Anchor> anchor(NSLayoutGuide& guide, NSLayoutAttribute attribute)
{
    return std::make_shared<Anchor>(guide.shared_from_this(), attribute);
}

}  // namespace

void NSLayoutGuide::describe(ClassDescriptor& d)
{
    d.property<NSLayoutGuide>("frame", [](NSLayoutGuide& g) { return Id(NSValue::valueWithRect(g.frame())); });
    d.property<NSLayoutGuide>(
        "identifier", [](NSLayoutGuide& g) { return Id(g.identifier()); },
        [](NSLayoutGuide& g, const Id& value) { g.setIdentifier(value.string() ? *value.string() : String()); });
}

void NSLayoutGuide::setFrame(NSRect frame)
{
    if (frame_ == frame)
        return;
    automaticChange("frame", [&] { frame_ = frame; });
}

std::shared_ptr<NSLayoutXAxisAnchor> NSLayoutGuide::leadingAnchor()
{
    return anchor<NSLayoutXAxisAnchor>(*this, NSLayoutAttributeLeading);
}

std::shared_ptr<NSLayoutXAxisAnchor> NSLayoutGuide::trailingAnchor()
{
    return anchor<NSLayoutXAxisAnchor>(*this, NSLayoutAttributeTrailing);
}

std::shared_ptr<NSLayoutXAxisAnchor> NSLayoutGuide::leftAnchor()
{
    return anchor<NSLayoutXAxisAnchor>(*this, NSLayoutAttributeLeft);
}

std::shared_ptr<NSLayoutXAxisAnchor> NSLayoutGuide::rightAnchor()
{
    return anchor<NSLayoutXAxisAnchor>(*this, NSLayoutAttributeRight);
}

std::shared_ptr<NSLayoutYAxisAnchor> NSLayoutGuide::topAnchor()
{
    return anchor<NSLayoutYAxisAnchor>(*this, NSLayoutAttributeTop);
}

std::shared_ptr<NSLayoutYAxisAnchor> NSLayoutGuide::bottomAnchor()
{
    return anchor<NSLayoutYAxisAnchor>(*this, NSLayoutAttributeBottom);
}

std::shared_ptr<NSLayoutDimension> NSLayoutGuide::widthAnchor()
{
    return anchor<NSLayoutDimension>(*this, NSLayoutAttributeWidth);
}

std::shared_ptr<NSLayoutDimension> NSLayoutGuide::heightAnchor()
{
    return anchor<NSLayoutDimension>(*this, NSLayoutAttributeHeight);
}

std::shared_ptr<NSLayoutXAxisAnchor> NSLayoutGuide::centerXAnchor()
{
    return anchor<NSLayoutXAxisAnchor>(*this, NSLayoutAttributeCenterX);
}

std::shared_ptr<NSLayoutYAxisAnchor> NSLayoutGuide::centerYAnchor()
{
    return anchor<NSLayoutYAxisAnchor>(*this, NSLayoutAttributeCenterY);
}
