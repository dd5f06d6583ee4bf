#include "coregraphics/CGGeometry.h"

#include <algorithm>
#include <cmath>
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

bool CGRectContainsRect(CGRect outer, CGRect inner)
{
    if (CGRectIsNull(outer) || CGRectIsNull(inner))
        return false;
    return CGRectGetMinX(inner) >= CGRectGetMinX(outer) && CGRectGetMaxX(inner) <= CGRectGetMaxX(outer) &&
           CGRectGetMinY(inner) >= CGRectGetMinY(outer) && CGRectGetMaxY(inner) <= CGRectGetMaxY(outer);
}

bool CGRectIsNull(CGRect rect)
{
    return std::isinf(rect.origin.x) || std::isinf(rect.origin.y);
}

CGRect CGRectIntersection(CGRect a, CGRect b)
{
    if (CGRectIsNull(a) || CGRectIsNull(b))
        return CGRectNull;
    CGFloat minX = std::max(CGRectGetMinX(a), CGRectGetMinX(b));
    CGFloat minY = std::max(CGRectGetMinY(a), CGRectGetMinY(b));
    CGFloat maxX = std::min(CGRectGetMaxX(a), CGRectGetMaxX(b));
    CGFloat maxY = std::min(CGRectGetMaxY(a), CGRectGetMaxY(b));
    if (maxX < minX || maxY < minY)
        return CGRectNull;
    return {{minX, minY}, {maxX - minX, maxY - minY}};
}

CGRect CGRectUnion(CGRect a, CGRect b)
{
    if (CGRectIsNull(a) || CGRectIsEmpty(a))
        return CGRectIsNull(b) ? CGRectNull : CGRectStandardize(b);
    if (CGRectIsNull(b) || CGRectIsEmpty(b))
        return CGRectStandardize(a);
    CGFloat minX = std::min(CGRectGetMinX(a), CGRectGetMinX(b));
    CGFloat minY = std::min(CGRectGetMinY(a), CGRectGetMinY(b));
    CGFloat maxX = std::max(CGRectGetMaxX(a), CGRectGetMaxX(b));
    CGFloat maxY = std::max(CGRectGetMaxY(a), CGRectGetMaxY(b));
    return {{minX, minY}, {maxX - minX, maxY - minY}};
}

CGRect CGRectInset(CGRect rect, CGFloat dx, CGFloat dy)
{
    if (CGRectIsNull(rect))
        return CGRectNull;
    rect = CGRectStandardize(rect);
    if (rect.size.width < 2 * dx || rect.size.height < 2 * dy)
        return CGRectNull;
    return {{rect.origin.x + dx, rect.origin.y + dy}, {rect.size.width - 2 * dx, rect.size.height - 2 * dy}};
}

CGRect CGRectOffset(CGRect rect, CGFloat dx, CGFloat dy)
{
    if (CGRectIsNull(rect))
        return CGRectNull;
    rect = CGRectStandardize(rect);
    return {{rect.origin.x + dx, rect.origin.y + dy}, rect.size};
}

CGRect CGRectIntegral(CGRect rect)
{
    if (CGRectIsNull(rect))
        return CGRectNull;
    CGFloat minX = std::floor(CGRectGetMinX(rect));
    CGFloat minY = std::floor(CGRectGetMinY(rect));
    CGFloat maxX = std::ceil(CGRectGetMaxX(rect));
    CGFloat maxY = std::ceil(CGRectGetMaxY(rect));
    return {{minX, minY}, {maxX - minX, maxY - minY}};
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
