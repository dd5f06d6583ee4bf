#pragma once

#include "coregraphics/CGGeometry.h"

// The platform's word-sized integers. Enumerations and options of the
// framework are of these widths, so that values printed with "%lu" or
// stored as unsigned numbers read as the platform's do.
using NSInteger = long;
using NSUInteger = unsigned long;

// The framework's geometry is the graphics geometry under other names.
using NSPoint = CGPoint;
using NSSize = CGSize;
using NSRect = CGRect;

inline constexpr NSPoint NSZeroPoint{};
inline constexpr NSSize NSZeroSize{};
inline constexpr NSRect NSZeroRect{};

constexpr NSPoint NSMakePoint(CGFloat x, CGFloat y)
{
    return {x, y};
}
constexpr NSSize NSMakeSize(CGFloat width, CGFloat height)
{
    return {width, height};
}
constexpr NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat width, CGFloat height)
{
    return {{x, y}, {width, height}};
}

// Rectangle edges, as popovers and the geometry functions name them.
enum NSRectEdge : NSUInteger {
    NSRectEdgeMinX = 0,
    NSRectEdgeMinY = 1,
    NSRectEdgeMaxX = 2,
    NSRectEdgeMaxY = 3,
    NSMinXEdge = NSRectEdgeMinX,
    NSMinYEdge = NSRectEdgeMinY,
    NSMaxXEdge = NSRectEdgeMaxX,
    NSMaxYEdge = NSRectEdgeMaxY,
};
