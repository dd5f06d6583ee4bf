#include "appkit/CALayer.h"

#include "appkit/NSView.h"

#include <algorithm>

void CALayer::setNeedsDisplay()
{
    if (auto view = delegate_.lock())
        view->setNeedsDisplay(true);
}

void CALayer::setBackgroundColor(const CGColorRef& color)
{
    if (CGColorEqualToColor(backgroundColor_, color))
        return;
    backgroundColor_ = color;
    setNeedsDisplay();
}

void CALayer::setCornerRadius(CGFloat radius)
{
    radius = std::max(CGFloat(0), radius);
    if (cornerRadius_ == radius)
        return;
    cornerRadius_ = radius;
    setNeedsDisplay();
}

void CALayer::setBorderWidth(CGFloat width)
{
    width = std::max(CGFloat(0), width);
    if (borderWidth_ == width)
        return;
    borderWidth_ = width;
    setNeedsDisplay();
}

void CALayer::setBorderColor(const CGColorRef& color)
{
    if (CGColorEqualToColor(borderColor_, color))
        return;
    borderColor_ = color;
    setNeedsDisplay();
}

void CALayer::setMasksToBounds(bool masks)
{
    if (masksToBounds_ == masks)
        return;
    masksToBounds_ = masks;
    setNeedsDisplay();
}

void CALayer::setOpacity(float opacity)
{
    opacity = std::clamp(opacity, 0.0f, 1.0f);
    if (opacity_ == opacity)
        return;
    opacity_ = opacity;
    setNeedsDisplay();
}
