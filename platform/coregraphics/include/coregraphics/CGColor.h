#pragma once

#include "coregraphics/CGBase.h"

#include <array>
#include <cstddef>
#include <memory>

// A colour with red, green, blue and alpha components from 0 to 1, not
// premultiplied. Every colour here is in one RGB space (the one the
// snapshots are written in), so gray colours are stored as equal
// components. Immutable, shared by reference.
class CGColor {
public:
    // Components outside 0...1 are clamped.
    CGColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);

    CGFloat red() const { return components_[0]; }
    CGFloat green() const { return components_[1]; }
    CGFloat blue() const { return components_[2]; }
    CGFloat alpha() const { return components_[3]; }
    const std::array<CGFloat, 4>& components() const { return components_; }

private:
    std::array<CGFloat, 4> components_;
};

using CGColorRef = std::shared_ptr<const CGColor>;

CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
CGColorRef CGColorCreateSRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
CGColorRef CGColorCreateGenericGray(CGFloat gray, CGFloat alpha);
// nullptr for no colour.
CGColorRef CGColorCreateCopyWithAlpha(const CGColorRef& color, CGFloat alpha);
// 0 for no colour.
CGFloat CGColorGetAlpha(const CGColorRef& color);
// Red, green, blue and alpha; nullptr for no colour.
const CGFloat* CGColorGetComponents(const CGColorRef& color);
std::size_t CGColorGetNumberOfComponents(const CGColorRef& color);
// Equal components; two missing colours are equal too.
bool CGColorEqualToColor(const CGColorRef& a, const CGColorRef& b);
