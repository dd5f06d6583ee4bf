#include "coregraphics/CGPath.h"

#include <algorithm>

namespace {

// How far the control points of a cubic quarter circle lie along its
// tangents, as a share of the radius.
constexpr CGFloat kQuarterArc = 0.5522847498307936;

}  // namespace

CGRect CGPath::boundingBox() const
{
    CGRect box = CGRectNull;
    bool any = false;
    CGFloat minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (const auto& element : elements_) {
        int count = element.type == ElementType::AddCurveToPoint ? 3 : element.type == ElementType::CloseSubpath ? 0 : 1;
        for (int i = 0; i < count; ++i) {
            const CGPoint& p = element.points[static_cast<std::size_t>(i)];
            if (!any) {
                minX = maxX = p.x;
                minY = maxY = p.y;
                any = true;
            }
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
    }
    if (any)
        box = {{minX, minY}, {maxX - minX, maxY - minY}};
    return box;
}

CGPoint CGPath::currentPoint() const
{
    for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
        switch (it->type) {
        case ElementType::MoveToPoint:
        case ElementType::AddLineToPoint:
            return it->points[0];
        case ElementType::AddCurveToPoint:
            return it->points[2];
        case ElementType::CloseSubpath:
            return subpathStart_;
        }
    }
    return CGPointZero;
}

void CGPath::moveTo(CGPoint point)
{
    elements_.push_back({ElementType::MoveToPoint, {point}});
    subpathStart_ = point;
}

void CGPath::lineTo(CGPoint point)
{
    if (elements_.empty())
        moveTo(point);
    else
        elements_.push_back({ElementType::AddLineToPoint, {point}});
}

void CGPath::curveTo(CGPoint control1, CGPoint control2, CGPoint end)
{
    if (elements_.empty())
        moveTo(control1);
    elements_.push_back({ElementType::AddCurveToPoint, {control1, control2, end}});
}

void CGPath::close()
{
    if (!elements_.empty() && elements_.back().type != ElementType::CloseSubpath)
        elements_.push_back({ElementType::CloseSubpath, {}});
}

void CGPath::addRoundedRect(CGRect rect, CGFloat cornerWidth, CGFloat cornerHeight)
{
    rect = CGRectStandardize(rect);
    CGFloat rx = std::clamp(cornerWidth, CGFloat(0), rect.size.width / 2);
    CGFloat ry = std::clamp(cornerHeight, CGFloat(0), rect.size.height / 2);
    CGFloat minX = rect.origin.x, minY = rect.origin.y;
    CGFloat maxX = minX + rect.size.width, maxY = minY + rect.size.height;
    if (rx == 0 || ry == 0) {
        moveTo({minX, minY});
        lineTo({maxX, minY});
        lineTo({maxX, maxY});
        lineTo({minX, maxY});
        close();
        return;
    }
    CGFloat kx = rx * kQuarterArc, ky = ry * kQuarterArc;
    moveTo({minX + rx, minY});
    lineTo({maxX - rx, minY});
    curveTo({maxX - rx + kx, minY}, {maxX, minY + ry - ky}, {maxX, minY + ry});
    lineTo({maxX, maxY - ry});
    curveTo({maxX, maxY - ry + ky}, {maxX - rx + kx, maxY}, {maxX - rx, maxY});
    lineTo({minX + rx, maxY});
    curveTo({minX + rx - kx, maxY}, {minX, maxY - ry + ky}, {minX, maxY - ry});
    lineTo({minX, minY + ry});
    curveTo({minX, minY + ry - ky}, {minX + rx - kx, minY}, {minX + rx, minY});
    close();
}

void CGPath::addEllipse(CGRect rect)
{
    rect = CGRectStandardize(rect);
    addRoundedRect(rect, rect.size.width / 2, rect.size.height / 2);
}

void CGPath::addPath(const CGPath& other)
{
    elements_.insert(elements_.end(), other.elements_.begin(), other.elements_.end());
    subpathStart_ = other.subpathStart_;
}

void CGPath::transform(const CGAffineTransform& t)
{
    for (auto& element : elements_)
        for (auto& point : element.points)
            point = CGPointApplyAffineTransform(point, t);
    subpathStart_ = CGPointApplyAffineTransform(subpathStart_, t);
}

namespace {

CGPoint applied(const CGAffineTransform* transform, CGFloat x, CGFloat y)
{
    return transform ? CGPointApplyAffineTransform({x, y}, *transform) : CGPoint{x, y};
}

template <class Build> CGMutablePathRef built(const CGAffineTransform* transform, Build&& build)
{
    auto path = std::make_shared<CGPath>();
    build(*path);
    if (transform)
        path->transform(*transform);
    return path;
}

}  // namespace

CGMutablePathRef CGPathCreateMutable()
{
    return std::make_shared<CGPath>();
}

CGMutablePathRef CGPathCreateMutableCopy(const CGPathRef& path)
{
    return path ? std::make_shared<CGPath>(*path) : nullptr;
}

CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform)
{
    return built(transform, [&](CGPath& p) { p.addRoundedRect(rect, 0, 0); });
}

CGPathRef CGPathCreateWithRoundedRect(CGRect rect, CGFloat cornerWidth, CGFloat cornerHeight,
                                      const CGAffineTransform* transform)
{
    return built(transform, [&](CGPath& p) { p.addRoundedRect(rect, cornerWidth, cornerHeight); });
}

CGPathRef CGPathCreateWithEllipseInRect(CGRect rect, const CGAffineTransform* transform)
{
    return built(transform, [&](CGPath& p) { p.addEllipse(rect); });
}

void CGPathMoveToPoint(const CGMutablePathRef& path, const CGAffineTransform* transform, CGFloat x, CGFloat y)
{
    if (path)
        path->moveTo(applied(transform, x, y));
}

void CGPathAddLineToPoint(const CGMutablePathRef& path, const CGAffineTransform* transform, CGFloat x, CGFloat y)
{
    if (path)
        path->lineTo(applied(transform, x, y));
}

void CGPathAddCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* transform, CGFloat cp1x,
                           CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y)
{
    if (path)
        path->curveTo(applied(transform, cp1x, cp1y), applied(transform, cp2x, cp2y), applied(transform, x, y));
}

void CGPathCloseSubpath(const CGMutablePathRef& path)
{
    if (path)
        path->close();
}

void CGPathAddRect(const CGMutablePathRef& path, const CGAffineTransform* transform, CGRect rect)
{
    CGPathAddRoundedRect(path, transform, rect, 0, 0);
}

void CGPathAddRoundedRect(const CGMutablePathRef& path, const CGAffineTransform* transform, CGRect rect,
                          CGFloat cornerWidth, CGFloat cornerHeight)
{
    if (path)
        path->addPath(*CGPathCreateWithRoundedRect(rect, cornerWidth, cornerHeight, transform));
}

void CGPathAddEllipseInRect(const CGMutablePathRef& path, const CGAffineTransform* transform, CGRect rect)
{
    if (path)
        path->addPath(*CGPathCreateWithEllipseInRect(rect, transform));
}

void CGPathAddPath(const CGMutablePathRef& path, const CGAffineTransform* transform, const CGPathRef& other)
{
    if (!path || !other)
        return;
    CGPath copy = *other;
    if (transform)
        copy.transform(*transform);
    path->addPath(copy);
}

CGRect CGPathGetBoundingBox(const CGPathRef& path)
{
    return path ? path->boundingBox() : CGRectNull;
}

bool CGPathIsEmpty(const CGPathRef& path)
{
    return !path || path->isEmpty();
}
