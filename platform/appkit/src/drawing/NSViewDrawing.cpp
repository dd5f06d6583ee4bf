#include "appkit/NSView.h"

#include "appkit/CALayer.h"
#include "appkit/NSAppearance.h"
#include "appkit/NSGraphicsContext.h"
#include "appkit/NSWindow.h"
#include "drawing/ScratchSurfaces.h"
#include "drawing/ViewDrawing.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace detail {

bool clipContains(const CGContextRef& context, NSRect rect)
{
    cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(context->cairo());
    bool contains = false;
    if (list->status == CAIRO_STATUS_SUCCESS) {
        for (int i = 0; i < list->num_rectangles && !contains; ++i) {
            const cairo_rectangle_t& r = list->rectangles[i];
            contains = CGRectContainsRect({{r.x, r.y}, {r.width, r.height}}, rect);
        }
    } else {
        contains = CGRectContainsRect(CGContextGetClipBoundingBox(context), rect);
    }
    cairo_rectangle_list_destroy(list);
    return contains;
}

void ViewDrawing::drawView(NSView& view, const CGContextRef& context, NSGraphicsContext& graphics,
                           const std::shared_ptr<NSAppearance>& inherited, bool superviewFlipped, bool intoBacking)
{
    if (view.hidden_)
        return;
    NSRect frame = view.frame_;
    bool flipped = view.isFlipped();
    NSRect bounds = view.bounds();
    CGContextSaveGState(context);
    // Into the view's own space: a view whose flippedness differs from its
    // superview's turns over within its frame.
    if (flipped == superviewFlipped) {
        CGContextTranslateCTM(context, frame.origin.x, frame.origin.y);
    } else {
        CGContextTranslateCTM(context, frame.origin.x, frame.origin.y + frame.size.height);
        CGContextScaleCTM(context, 1, -1);
    }
    auto appearance = view.appearance_ ? view.appearance_ : inherited;
    // The focus ring lies over the view and around it, in the superview's
    // clip; it is drawn once the view and its subviews are.
    bool ring = view.showsFocusRing();
    NSRect maskBounds = ring ? view.focusRingMaskBounds() : CGRectNull;
    if (intoBacking)
        view.focusRingDrawnRect_ = ring ? view.convertRect(focusRingAround(maskBounds), nullptr) : CGRectNull;
    auto drawRing = [&] {
        if (!ring)
            return;
        appearance->performAsCurrentDrawingAppearance([&] {
            graphics.setFlipped(flipped);
            drawFocusRing(view, context, maskBounds);
            graphics.setFlipped(superviewFlipped);
        });
    };
    CGContextSaveGState(context);
    CGContextClipToRect(context, bounds);
    NSRect dirty = CGRectIntersection(CGContextGetClipBoundingBox(context), bounds);
    if (CGRectIsNull(dirty) || CGRectIsEmpty(dirty)) {
        CGContextRestoreGState(context);
        drawRing();
        CGContextRestoreGState(context);
        return;
    }
    appearance->performAsCurrentDrawingAppearance([&] {
        auto layer = view.layer();
        CGPathRef shape;
        CGFloat radius = 0;
        // A layer that masks to rounded corners, or fades, draws its tree
        // aside and lays it down once through its shape: cheaper than
        // clipping every drawing inside to the curve.
        std::optional<LayerGroup> aside;
        if (layer) {
            radius = std::min({layer->cornerRadius(), bounds.size.width / 2, bounds.size.height / 2});
            shape = CGPathCreateWithRoundedRect(bounds, radius, radius, nullptr);
            if (layer->opacity() < 1 || (layer->masksToBounds() && radius > 0))
                aside.emplace(context);
            if (CGColorGetAlpha(layer->backgroundColor()) > 0) {
                CGContextSaveGState(context);
                CGContextSetFillColorWithColor(context, layer->backgroundColor());
                CGContextBeginPath(context);
                CGContextAddPath(context, shape);
                CGContextFillPath(context);
                CGContextRestoreGState(context);
            }
        }

        graphics.setFlipped(flipped);
        CGContextSaveGState(context);
        view.drawRect(dirty);
        CGContextRestoreGState(context);
        for (const auto& subview : view.subviews_)
            drawView(*subview, context, graphics, appearance, flipped, intoBacking);
        graphics.setFlipped(flipped);

        if (!layer)
            return;
        CGFloat width = layer->borderWidth();
        if (width > 0 && CGColorGetAlpha(layer->borderColor()) > 0) {
            // The border lies inside the bounds, along the corners.
            NSRect inset = CGRectInset(bounds, width / 2, width / 2);
            if (!CGRectIsNull(inset)) {
                CGFloat innerRadius = std::max(CGFloat(0), radius - width / 2);
                CGContextSaveGState(context);
                CGContextSetStrokeColorWithColor(context, layer->borderColor());
                CGContextSetLineWidth(context, width);
                strokeNearEdges(context, CGPathCreateWithRoundedRect(inset, innerRadius, innerRadius, nullptr), bounds,
                                std::max(radius, width));
                CGContextRestoreGState(context);
            }
        }
        if (aside)
            aside->layDown(layer->masksToBounds() && radius > 0 ? shape : nullptr, layer->opacity());
    });
    if (intoBacking && !CGRectIsNull(view.dirtyRect_) && clipContains(context, view.dirtyRect_))
        view.dirtyRect_ = CGRectNull;
    CGContextRestoreGState(context);
    drawRing();
    CGContextRestoreGState(context);
}

void ViewDrawing::propagateAppearance(NSView& view, const std::shared_ptr<NSAppearance>& inherited)
{
    auto appearance = view.appearance_ ? view.appearance_ : inherited;
    if (view.notifiedAppearance_ != appearance) {
        bool changed = view.notifiedAppearance_ != nullptr;
        view.notifiedAppearance_ = appearance;
        if (changed) {
            view.setNeedsDisplay(true);
            view.viewDidChangeEffectiveAppearance();
        }
    }
    // A copy, as a view that hears of the change may change its subviews.
    auto subviews = view.subviews_;
    for (const auto& subview : subviews)
        propagateAppearance(*subview, appearance);
}

void ViewDrawing::collectDirtyRects(const NSView& view, std::vector<NSRect>& rects)
{
    if (!CGRectIsNull(view.dirtyRect_))
        rects.push_back(view.convertRect(view.dirtyRect_, nullptr));
    for (const auto& subview : view.subviews_)
        collectDirtyRects(*subview, rects);
}

}  // namespace detail

namespace {

// `value` rounded as the option bits for one edge say; `maxEdge` rounds
// inward downwards.
CGFloat aligned(CGFloat value, NSAlignmentOptions options, NSAlignmentOptions inward, NSAlignmentOptions outward,
                NSAlignmentOptions nearest, bool maxEdge)
{
    if (options & inward)
        return maxEdge ? std::floor(value) : std::ceil(value);
    if (options & outward)
        return maxEdge ? std::ceil(value) : std::floor(value);
    if (options & nearest)
        return std::round(value);
    return value;
}

}  // namespace

void NSView::drawRect(NSRect) { }

bool NSView::needsDisplay() const
{
    return !CGRectIsNull(dirtyRect_);
}

void NSView::setNeedsDisplay(bool needsDisplay)
{
    if (needsDisplay)
        setNeedsDisplayInRect(bounds());
    else
        dirtyRect_ = CGRectNull;
}

void NSView::setNeedsDisplayInRect(NSRect rect)
{
    rect = CGRectIntersection(CGRectStandardize(rect), bounds());
    if (CGRectIsNull(rect) || CGRectIsEmpty(rect))
        return;
    dirtyRect_ = CGRectUnion(dirtyRect_, rect);
    if (auto window = window_.lock())
        window->invalidateRect(convertRect(rect, nullptr));
}

void NSView::invalidateInSuperview(NSRect rect)
{
    if (auto superview = superview_.lock()) {
        superview->setNeedsDisplayInRect(rect);
        return;
    }
    // A content view's frame is in its window's coordinates.
    if (auto window = window_.lock(); window && window->contentView().get() == this)
        window->invalidateRect(rect);
}

void NSView::frameNeedsDisplay(NSRect oldFrame)
{
    if (oldFrame == frame_)
        return;
    invalidateInSuperview(CGRectUnion(oldFrame, frame_));
    if (oldFrame.size != frame_.size)
        setNeedsDisplay(true);
}

void NSView::display()
{
    displayRect(visibleRect());
}

void NSView::displayRect(NSRect rect)
{
    auto window = window_.lock();
    rect = CGRectIntersection(CGRectStandardize(rect), bounds());
    if (!window || CGRectIsNull(rect) || CGRectIsEmpty(rect))
        return;
    window->displayRectsNow({convertRect(rect, nullptr)});
}

void NSView::displayIfNeeded()
{
    auto window = window_.lock();
    if (!window)
        return;
    std::vector<NSRect> rects;
    detail::ViewDrawing::collectDirtyRects(*this, rects);
    if (!rects.empty())
        window->displayRectsNow(rects);
}

bool NSView::needsToDrawRect(NSRect rect) const
{
    auto context = NSGraphicsContext::currentContext();
    if (!context)
        return CGRectIntersectsRect(rect, dirtyRect_);
    cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(context->CGContext()->cairo());
    bool meets = false;
    if (list->status == CAIRO_STATUS_SUCCESS) {
        for (int i = 0; i < list->num_rectangles && !meets; ++i) {
            const cairo_rectangle_t& r = list->rectangles[i];
            meets = CGRectIntersectsRect({{r.x, r.y}, {r.width, r.height}}, rect);
        }
    } else {
        meets = CGRectIntersectsRect(CGContextGetClipBoundingBox(context->CGContext()), rect);
    }
    cairo_rectangle_list_destroy(list);
    return meets;
}

NSRect NSView::visibleRect() const
{
    NSRect visible = convertRect(bounds(), nullptr);
    for (auto ancestor = superview(); ancestor; ancestor = ancestor->superview())
        visible = CGRectIntersection(visible, ancestor->convertRect(ancestor->bounds(), nullptr));
    if (CGRectIsNull(visible) || CGRectIsEmpty(visible))
        return NSZeroRect;
    NSPoint a = convertPointFromView(visible.origin, nullptr);
    NSPoint b = convertPointFromView({CGRectGetMaxX(visible), CGRectGetMaxY(visible)}, nullptr);
    return CGRectStandardize({a, {b.x - a.x, b.y - a.y}});
}

void NSView::setWantsLayer(bool wantsLayer)
{
    if (wantsLayer_ == wantsLayer)
        return;
    wantsLayer_ = wantsLayer;
    if (wantsLayer && !layer_)
        layer_ = std::make_shared<CALayer>();
    setNeedsDisplay(true);
}

void NSView::setAppearance(const std::shared_ptr<NSAppearance>& appearance)
{
    if (appearance_ == appearance)
        return;
    appearance_ = appearance;
    auto superview = this->superview();
    auto window = this->window();
    auto inherited = superview ? superview->effectiveAppearance()
                     : window  ? window->effectiveAppearance()
                               : NSAppearance::systemAppearance();
    detail::ViewDrawing::propagateAppearance(*this, inherited);
    setNeedsDisplay(true);
}

std::shared_ptr<CALayer> NSView::layer() const
{
    if (!wantsLayer_)
        return nullptr;
    // Views that ask for a layer while they are being made have no owner
    // yet to name as the layer's delegate; they get it on the next ask.
    if (!layer_->delegate())
        if (auto self = weak_from_this().lock())
            layer_->setDelegate(std::static_pointer_cast<NSView>(std::const_pointer_cast<NSObject>(self)));
    return layer_;
}

std::shared_ptr<NSAppearance> NSView::effectiveAppearance() const
{
    for (const NSView* view = this; view;) {
        if (view->appearance_)
            return view->appearance_;
        auto superview = view->superview_.lock();
        if (!superview) {
            if (auto window = view->window_.lock())
                return window->effectiveAppearance();
            break;
        }
        view = superview.get();
    }
    return NSAppearance::systemAppearance();
}

CGFloat NSView::backingScaleFactor() const
{
    auto window = window_.lock();
    return window ? window->backingScaleFactor() : 1;
}

NSRect NSView::convertRectToBacking(NSRect rect) const
{
    CGFloat scale = backingScaleFactor();
    rect = CGRectStandardize(rect);
    return {{rect.origin.x * scale, rect.origin.y * scale}, {rect.size.width * scale, rect.size.height * scale}};
}

NSRect NSView::convertRectFromBacking(NSRect rect) const
{
    CGFloat scale = backingScaleFactor();
    rect = CGRectStandardize(rect);
    return {{rect.origin.x / scale, rect.origin.y / scale}, {rect.size.width / scale, rect.size.height / scale}};
}

NSRect NSView::centerScanRect(NSRect rect) const
{
    return backingAlignedRect(rect, NSAlignAllEdgesNearest);
}

// Aligned in the view's own space scaled to backing pixels: views sit at
// whole points, which are whole pixels at every backing scale.
NSRect NSView::backingAlignedRect(NSRect rect, NSAlignmentOptions options) const
{
    NSRect r = convertRectToBacking(rect);
    CGFloat minX = aligned(r.origin.x, options, NSAlignMinXInward, NSAlignMinXOutward, NSAlignMinXNearest, false);
    CGFloat minY = aligned(r.origin.y, options, NSAlignMinYInward, NSAlignMinYOutward, NSAlignMinYNearest, false);
    CGFloat maxX = aligned(CGRectGetMaxX(r), options, NSAlignMaxXInward, NSAlignMaxXOutward, NSAlignMaxXNearest, true);
    CGFloat maxY = aligned(CGRectGetMaxY(r), options, NSAlignMaxYInward, NSAlignMaxYOutward, NSAlignMaxYNearest, true);
    if (options & (NSAlignWidthInward | NSAlignWidthOutward | NSAlignWidthNearest))
        maxX =
            minX + aligned(r.size.width, options, NSAlignWidthInward, NSAlignWidthOutward, NSAlignWidthNearest, true);
    if (options & (NSAlignHeightInward | NSAlignHeightOutward | NSAlignHeightNearest))
        maxY = minY +
               aligned(r.size.height, options, NSAlignHeightInward, NSAlignHeightOutward, NSAlignHeightNearest, true);
    return convertRectFromBacking(
        {{minX, minY}, {std::max(CGFloat(0), maxX - minX), std::max(CGFloat(0), maxY - minY)}});
}
