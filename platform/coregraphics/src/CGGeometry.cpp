#include "coregraphics/CGGeometry.h"

#include <algorithm>
#include <ostream>

CGRect CGRectStandardize(CGRect rect)
{
    if (rect.size.width < 0) {
        rect.origin.x += rect.size.width;
        rect.size.width = -rect.size.width;
    }
    if (rect.size.height < 0) {
        rect.origin.y += rect.size.height;
        rect.size.height = -rect.size.height;
    }
    return rect;
}

CGFloat CGRectGetMinX(CGRect rect)
{
    return CGRectStandardize(rect).origin.x;
}
CGFloat CGRectGetMinY(CGRect rect)
{
    return CGRectStandardize(rect).origin.y;
}
CGFloat CGRectGetWidth(CGRect rect)
{
    return CGRectStandardize(rect).size.width;
}
CGFloat CGRectGetHeight(CGRect rect)
{
    return CGRectStandardize(rect).size.height;
}
CGFloat CGRectGetMidX(CGRect rect)
{
    return CGRectGetMinX(rect) + CGRectGetWidth(rect) / 2;
}
CGFloat CGRectGetMidY(CGRect rect)
{
    return CGRectGetMinY(rect) + CGRectGetHeight(rect) / 2;
}
CGFloat CGRectGetMaxX(CGRect rect)
{
    return CGRectGetMinX(rect) + CGRectGetWidth(rect);
}
CGFloat CGRectGetMaxY(CGRect rect)
{
    return CGRectGetMinY(rect) + CGRectGetHeight(rect);
}

bool CGRectIsEmpty(CGRect rect)
{
    return rect.size.width == 0 || rect.size.height == 0;
}

bool CGRectContainsPoint(CGRect rect, CGPoint point)
{
    return point.x >= CGRectGetMinX(rect) && point.x < CGRectGetMaxX(rect) && point.y >= CGRectGetMinY(rect) &&
           point.y < CGRectGetMaxY(rect);
}

bool CGRectIntersectsRect(CGRect a, CGRect b)
{
    if (CGRectIsEmpty(a) || CGRectIsEmpty(b))
        return false;
    return std::max(CGRectGetMinX(a), CGRectGetMinX(b)) < std::min(CGRectGetMaxX(a), CGRectGetMaxX(b)) &&
           std::max(CGRectGetMinY(a), CGRectGetMinY(b)) < std::min(CGRectGetMaxY(a), CGRectGetMaxY(b));
}

bool CGPointEqualToPoint(CGPoint a, CGPoint b)
{
    return a == b;
}
bool CGSizeEqualToSize(CGSize a, CGSize b)
{
    return a == b;
}
bool CGRectEqualToRect(CGRect a, CGRect b)
{
    return CGRectStandardize(a) == CGRectStandardize(b);
}

std::ostream& operator<<(std::ostream& stream, const CGPoint& point)
{
    return stream << "(" << point.x << ", " << point.y << ")";
}

std::ostream& operator<<(std::ostream& stream, const CGSize& size)
{
    return stream << "(" << size.width << " x " << size.height << ")";
}

std::ostream& operator<<(std::ostream& stream, const CGRect& rect)
{
    return stream << "(" << rect.origin.x << ", " << rect.origin.y << ", " << rect.size.width << " x "
                  << rect.size.height << ")";
}
