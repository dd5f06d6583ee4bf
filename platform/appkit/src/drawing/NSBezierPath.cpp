#include "appkit/NSBezierPath.h"

#include "appkit/NSGraphicsContext.h"
#include "coregraphics/CGContext.h"

#include <cairo.h>

namespace {

// Runs `draw` on the current context with the path as its current path,
// keeping any path the caller had.
template <class F> void withPath(const CGPath& path, F&& draw)
{
    auto context = NSGraphicsContext::currentContext();
    if (!context)
        return;
    CGContextRef cg = context->CGContext();
    cairo_path_t* saved = cairo_copy_path(cg->cairo());
    cairo_new_path(cg->cairo());
    CGContextAddPath(cg, std::make_shared<const CGPath>(path));
    draw(cg);
    cairo_new_path(cg->cairo());
    cairo_append_path(cg->cairo(), saved);
    cairo_path_destroy(saved);
}

}  // namespace

std::shared_ptr<NSBezierPath> NSBezierPath::bezierPath()
{
    return std::make_shared<NSBezierPath>();
}

std::shared_ptr<NSBezierPath> NSBezierPath::bezierPathWithRect(NSRect rect)
{
    auto path = bezierPath();
    path->appendBezierPathWithRect(rect);
    return path;
}

std::shared_ptr<NSBezierPath> NSBezierPath::bezierPathWithRoundedRect(NSRect rect, CGFloat xRadius, CGFloat yRadius)
{
    auto path = bezierPath();
    path->appendBezierPathWithRoundedRect(rect, xRadius, yRadius);
    return path;
}

std::shared_ptr<NSBezierPath> NSBezierPath::bezierPathWithOvalInRect(NSRect rect)
{
    auto path = bezierPath();
    path->appendBezierPathWithOvalInRect(rect);
    return path;
}

NSRect NSBezierPath::bounds() const
{
    return path_.isEmpty() ? NSZeroRect : path_.boundingBox();
}

void NSBezierPath::fill() const
{
    withPath(path_, [](const CGContextRef& cg) { CGContextFillPath(cg); });
}

void NSBezierPath::stroke() const
{
    withPath(path_, [this](const CGContextRef& cg) {
        CGContextSaveGState(cg);
        CGContextSetLineWidth(cg, lineWidth_);
        CGContextStrokePath(cg);
        CGContextRestoreGState(cg);
    });
}

void NSBezierPath::addClip() const
{
    withPath(path_, [](const CGContextRef& cg) { CGContextClip(cg); });
}

void NSBezierPath::fillRect(NSRect rect)
{
    bezierPathWithRect(rect)->fill();
}

void NSBezierPath::strokeRect(NSRect rect)
{
    bezierPathWithRect(rect)->stroke();
}
