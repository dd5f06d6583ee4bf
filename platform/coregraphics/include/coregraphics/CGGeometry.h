#pragma once

#include "coregraphics/CGBase.h"

#include <iosfwd>

// Points, sizes and rectangles. On the simulated desktop every rectangle that
// the world, the Accessibility calls and the pointer calls exchange is in the
// global screen space: origin at the top left of the main screen, y growing
// downwards. The application framework's own bottom-left space is converted
// where that framework needs it, never here.
struct CGPoint {
    CGFloat x = 0;
    CGFloat y = 0;
    friend bool operator==(const CGPoint&, const CGPoint&) = default;
};

struct CGSize {
    CGFloat width = 0;
    CGFloat height = 0;
    friend bool operator==(const CGSize&, const CGSize&) = default;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
    friend bool operator==(const CGRect&, const CGRect&) = default;
};

inline constexpr CGPoint CGPointZero{};
inline constexpr CGSize CGSizeZero{};
inline constexpr CGRect CGRectZero{};
// The rectangle of no place: what the intersection of disjoint rectangles
// answers. It is empty, and the union with it is the other rectangle.
inline constexpr CGRect CGRectNull{{__builtin_inf(), __builtin_inf()}, {0, 0}};

constexpr CGPoint CGPointMake(CGFloat x, CGFloat y)
{
    return {x, y};
}
constexpr CGSize CGSizeMake(CGFloat width, CGFloat height)
{
    return {width, height};
}
constexpr CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height)
{
    return {{x, y}, {width, height}};
}

// Rectangles with a negative width or height are read as their standardised
// form, as the platform's geometry functions do.
CGRect CGRectStandardize(CGRect rect);
CGFloat CGRectGetMinX(CGRect rect);
CGFloat CGRectGetMinY(CGRect rect);
CGFloat CGRectGetMidX(CGRect rect);
CGFloat CGRectGetMidY(CGRect rect);
CGFloat CGRectGetMaxX(CGRect rect);
CGFloat CGRectGetMaxY(CGRect rect);
CGFloat CGRectGetWidth(CGRect rect);
CGFloat CGRectGetHeight(CGRect rect);
bool CGRectIsEmpty(CGRect rect);
// Half-open: a point on the right or bottom edge lies outside.
bool CGRectContainsPoint(CGRect rect, CGPoint point);
bool CGRectIntersectsRect(CGRect a, CGRect b);
bool CGRectContainsRect(CGRect outer, CGRect inner);
bool CGRectIsNull(CGRect rect);
// CGRectNull when they don't overlap.
CGRect CGRectIntersection(CGRect a, CGRect b);
// Null and empty rectangles add nothing.
CGRect CGRectUnion(CGRect a, CGRect b);
CGRect CGRectInset(CGRect rect, CGFloat dx, CGFloat dy);
CGRect CGRectOffset(CGRect rect, CGFloat dx, CGFloat dy);
// The smallest rectangle with whole-number edges that holds this one.
CGRect CGRectIntegral(CGRect rect);
bool CGPointEqualToPoint(CGPoint a, CGPoint b);
bool CGSizeEqualToSize(CGSize a, CGSize b);
bool CGRectEqualToRect(CGRect a, CGRect b);

std::ostream& operator<<(std::ostream& stream, const CGPoint& point);
std::ostream& operator<<(std::ostream& stream, const CGSize& size);
std::ostream& operator<<(std::ostream& stream, const CGRect& rect);
