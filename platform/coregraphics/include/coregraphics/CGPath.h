#pragma once

#include "coregraphics/CGAffineTransform.h"
#include "coregraphics/CGGeometry.h"

#include <array>
#include <memory>
#include <vector>

// A path of straight and cubic segments. Rectangles, rounded rectangles and
// ellipses become such segments when added.
class CGPath {
public:
    enum class ElementType { MoveToPoint, AddLineToPoint, AddCurveToPoint, CloseSubpath };
    struct Element {
        ElementType type = ElementType::MoveToPoint;
        // One point for moves and lines, three for curves (two controls, then
        // the end), none for a close.
        std::array<CGPoint, 3> points = {};
    };

    const std::vector<Element>& elements() const { return elements_; }
    bool isEmpty() const { return elements_.empty(); }
    // Holds every point, controls included; CGRectNull for an empty path.
    CGRect boundingBox() const;
    // The last point added; the origin of an empty path.
    CGPoint currentPoint() const;

    void moveTo(CGPoint point);
    void lineTo(CGPoint point);
    void curveTo(CGPoint control1, CGPoint control2, CGPoint end);
    void close();
    // Corner radii are clamped to half the side.
    void addRoundedRect(CGRect rect, CGFloat cornerWidth, CGFloat cornerHeight);
    void addEllipse(CGRect rect);
    void addPath(const CGPath& other);
    void transform(const CGAffineTransform& t);

private:
    std::vector<Element> elements_;
    CGPoint subpathStart_;
};

using CGPathRef = std::shared_ptr<const CGPath>;
using CGMutablePathRef = std::shared_ptr<CGPath>;

CGMutablePathRef CGPathCreateMutable();
CGMutablePathRef CGPathCreateMutableCopy(const CGPathRef& path);
CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform);
CGPathRef CGPathCreateWithRoundedRect(CGRect rect, CGFloat cornerWidth, CGFloat cornerHeight,
                                      const CGAffineTransform* transform);
CGPathRef CGPathCreateWithEllipseInRect(CGRect rect, const CGAffineTransform* transform);
void CGPathMoveToPoint(const CGMutablePathRef& path, const CGAffineTransform* transform, CGFloat x, CGFloat y);
void CGPathAddLineToPoint(const CGMutablePathRef& path, const CGAffineTransform* transform, CGFloat x, CGFloat y);
void CGPathAddCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* transform, CGFloat cp1x,
                           CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y);
void CGPathCloseSubpath(const CGMutablePathRef& path);
void CGPathAddRect(const CGMutablePathRef& path, const CGAffineTransform* transform, CGRect rect);
void CGPathAddRoundedRect(const CGMutablePathRef& path, const CGAffineTransform* transform, CGRect rect,
                          CGFloat cornerWidth, CGFloat cornerHeight);
void CGPathAddEllipseInRect(const CGMutablePathRef& path, const CGAffineTransform* transform, CGRect rect);
void CGPathAddPath(const CGMutablePathRef& path, const CGAffineTransform* transform, const CGPathRef& other);
CGRect CGPathGetBoundingBox(const CGPathRef& path);
bool CGPathIsEmpty(const CGPathRef& path);
