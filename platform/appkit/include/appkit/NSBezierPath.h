#pragma once

#include "appkit/AppKitDefines.h"
#include "coregraphics/CGPath.h"
#include "foundation/NSObject.h"

#include <memory>

// A path to fill, stroke or clip to in the current graphics context.
class NSBezierPath : public NSObject {
    KS_OBJECT(NSBezierPath, NSObject)

public:
    NSBezierPath() = default;

    static std::shared_ptr<NSBezierPath> bezierPath();
    static std::shared_ptr<NSBezierPath> bezierPathWithRect(NSRect rect);
    static std::shared_ptr<NSBezierPath> bezierPathWithRoundedRect(NSRect rect, CGFloat xRadius, CGFloat yRadius);
    static std::shared_ptr<NSBezierPath> bezierPathWithOvalInRect(NSRect rect);

    void moveToPoint(NSPoint point) { path_.moveTo(point); }
    void lineToPoint(NSPoint point) { path_.lineTo(point); }
    void curveToPoint(NSPoint end, NSPoint control1, NSPoint control2) { path_.curveTo(control1, control2, end); }
    void closePath() { path_.close(); }
    void appendBezierPathWithRect(NSRect rect) { path_.addRoundedRect(rect, 0, 0); }
    void appendBezierPathWithRoundedRect(NSRect rect, CGFloat xRadius, CGFloat yRadius)
    {
        path_.addRoundedRect(rect, xRadius, yRadius);
    }
    void appendBezierPathWithOvalInRect(NSRect rect) { path_.addEllipse(rect); }
    void appendBezierPath(const NSBezierPath& other) { path_.addPath(other.path_); }

    bool isEmpty() const { return path_.isEmpty(); }
    // Holds every point, controls included; the zero rectangle when empty.
    NSRect bounds() const;
    CGFloat lineWidth() const { return lineWidth_; }
    void setLineWidth(CGFloat width) { lineWidth_ = width; }
    CGPathRef CGPath() const { return std::make_shared<const ::CGPath>(path_); }

    // With the current context's fill or stroke colour.
    void fill() const;
    void stroke() const;
    // Narrows the current context's clip to the path.
    void addClip() const;

    static void fillRect(NSRect rect);
    static void strokeRect(NSRect rect);

private:
    ::CGPath path_;
    CGFloat lineWidth_ = 1;
};
