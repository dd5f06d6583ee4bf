#include "coregraphics/CGColor.h"

#include <algorithm>

namespace {

CGFloat clamped(CGFloat value)
{
    return std::clamp(value, CGFloat(0), CGFloat(1));
}

}  // namespace

CGColor::CGColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
    : components_{clamped(red), clamped(green), clamped(blue), clamped(alpha)}
{
}

CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return std::make_shared<const CGColor>(red, green, blue, alpha);
}

CGColorRef CGColorCreateSRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return CGColorCreateGenericRGB(red, green, blue, alpha);
}

CGColorRef CGColorCreateGenericGray(CGFloat gray, CGFloat alpha)
{
    return CGColorCreateGenericRGB(gray, gray, gray, alpha);
}

CGColorRef CGColorCreateCopyWithAlpha(const CGColorRef& color, CGFloat alpha)
{
    if (!color)
        return nullptr;
    return CGColorCreateGenericRGB(color->red(), color->green(), color->blue(), alpha);
}

CGFloat CGColorGetAlpha(const CGColorRef& color)
{
    return color ? color->alpha() : 0;
}

const CGFloat* CGColorGetComponents(const CGColorRef& color)
{
    return color ? color->components().data() : nullptr;
}

std::size_t CGColorGetNumberOfComponents(const CGColorRef& color)
{
    return color ? 4 : 0;
}

bool CGColorEqualToColor(const CGColorRef& a, const CGColorRef& b)
{
    if (!a || !b)
        return !a && !b;
    return a->components() == b->components();
}
