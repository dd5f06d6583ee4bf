#pragma once

#include "appkit/AppKitDefines.h"
#include "coregraphics/CGContext.h"

#include <memory>
#include <vector>

class NSAppearance;
class NSGraphicsContext;
class NSResponder;
class NSView;
class NSWindow;

namespace detail {

// Drawing a window's views: the part of NSView and NSWindow that walks the
// tree, kept apart from their other members.
struct ViewDrawing {
    // Draws `view` and its subviews. The context's space is the
    // superview's, which is flipped or not; `inherited` is the superview's
    // effective look.
    // `intoBacking`: the drawing goes to the window's backing image, so
    // the views drawn no longer need display.
    static void drawView(NSView& view, const CGContextRef& context, NSGraphicsContext& graphics,
                         const std::shared_ptr<NSAppearance>& inherited, bool superviewFlipped, bool intoBacking);
    // Renders the parts of the window (window coordinates; all of it when
    // empty) into a bitmap context of its size at `scale`.
    static void renderWindow(NSWindow& window, const CGContextRef& context, CGFloat scale,
                             const std::vector<NSRect>& parts, bool intoBacking);
    // Tells the views whose effective look changed since they last heard,
    // and marks them for display.
    static void propagateAppearance(NSView& view, const std::shared_ptr<NSAppearance>& inherited);
    // The parts of the subtree that need display, in window coordinates.
    static void collectDirtyRects(const NSView& view, std::vector<NSRect>& rects);
    // The focus ring of `view` around the mask of these bounds, in its own
    // space, over what is drawn.
    static void drawFocusRing(NSView& view, const CGContextRef& context, NSRect maskBounds);
    // Where the ring around the mask of these bounds lies, in the view's
    // own space.
    static NSRect focusRingAround(NSRect maskBounds);
    // Where the view's ring lies now, in window coordinates; null without
    // a mask.
    static NSRect focusRingArea(const NSView& view);
    // The ring of a responder that is a view shows or goes.
    static void noteFocusRingOf(const std::shared_ptr<NSResponder>& responder);
};

// Whether the current clip (in user space) holds all of `rect`.
bool clipContains(const CGContextRef& context, NSRect rect);

// Strokes `path`, which keeps within `reach` (user space) of the edges of
// `bounds`, one band along each edge at a time: cairo lays a stroke down
// over the whole box its path spans, which for a layer's border is the
// whole layer. The pixels are those of one stroke (EdgeStroke.cpp).
void strokeNearEdges(const CGContextRef& context, const CGPathRef& path, NSRect bounds, CGFloat reach);

}  // namespace detail
