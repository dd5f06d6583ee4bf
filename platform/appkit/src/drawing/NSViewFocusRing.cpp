// The focus ring: the key window's first responder shows a band in the
// keyboard-focus colour around the shape its drawFocusRingMask fills.

#include "appkit/NSView.h"

#include "appkit/NSColor.h"
#include "appkit/NSGraphicsContext.h"
#include "appkit/NSWindow.h"
#include "drawing/ViewDrawing.h"

#include <cairo.h>

#include <cmath>

namespace {

// How far the ring reaches out of the mask, in points.
constexpr CGFloat kRingWidth = 3;
// The ring over the content it surrounds: strong enough to see, weak
// enough to read what is under its inner edge.
constexpr CGFloat kRingOpacity = 0.6;

}  // namespace

namespace detail {

void ViewDrawing::drawFocusRing(NSView& view, const CGContextRef& context, NSRect maskBounds)
{
    cairo_t* cr = context->cairo();
    CGContextSaveGState(context);
    // The groups below are as large as the clip: kept to the ring, the
    // masks that grow the band cover a few hundred points, not the window.
    CGContextClipToRect(context, focusRingAround(maskBounds));
    // The mask's coverage, as the view fills it.
    cairo_push_group_with_content(cr, CAIRO_CONTENT_ALPHA);
    NSColor::blackColor()->setFill();
    view.drawFocusRingMask();
    cairo_pattern_t* mask = cairo_pop_group(cr);

    // The band: the mask grown by the ring's width, less the mask itself.
    // Growing lays the mask down around a circle of each radius, which
    // keeps the corners of the shape round.
    cairo_push_group(cr);
    auto colour = NSColor::keyboardFocusIndicatorColor()->components();
    cairo_set_source_rgba(cr, colour[0], colour[1], colour[2], 1);
    constexpr int kDirections = 24;
    for (CGFloat radius = 1; radius <= kRingWidth; radius += 1) {
        for (int i = 0; i < kDirections; ++i) {
            double angle = 2 * M_PI * i / kDirections;
            cairo_save(cr);
            cairo_translate(cr, radius * std::cos(angle), radius * std::sin(angle));
            cairo_mask(cr, mask);
            cairo_restore(cr);
        }
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_DEST_OUT);
    cairo_mask(cr, mask);
    cairo_pop_group_to_source(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_paint_with_alpha(cr, kRingOpacity * colour[3]);
    cairo_pattern_destroy(mask);
    CGContextRestoreGState(context);
}

NSRect ViewDrawing::focusRingAround(NSRect maskBounds)
{
    // A point more than the band, for its soft outer edge.
    return CGRectInset(maskBounds, -(kRingWidth + 1), -(kRingWidth + 1));
}

NSRect ViewDrawing::focusRingArea(const NSView& view)
{
    NSRect bounds = view.focusRingMaskBounds();
    if (CGRectIsNull(bounds) || CGRectIsEmpty(bounds))
        return CGRectNull;
    return view.convertRect(focusRingAround(bounds), nullptr);
}

void ViewDrawing::noteFocusRingOf(const std::shared_ptr<NSResponder>& responder)
{
    if (auto* view = dynamic_cast<NSView*>(responder.get()))
        view->noteFocusRingMaskChanged();
}

}  // namespace detail

bool NSView::showsFocusRing() const
{
    auto window = this->window();
    if (!window || !window->isKeyWindow() || window->firstResponder().get() != this || isHiddenOrHasHiddenAncestor())
        return false;
    NSRect bounds = focusRingMaskBounds();
    return !CGRectIsNull(bounds) && !CGRectIsEmpty(bounds);
}

void NSView::noteFocusRingMaskChanged()
{
    auto window = this->window();
    if (!window)
        return;
    if (!CGRectIsNull(focusRingDrawnRect_))
        window->invalidateRect(focusRingDrawnRect_);
    if (showsFocusRing())
        if (NSRect area = detail::ViewDrawing::focusRingArea(*this); !CGRectIsNull(area))
            window->invalidateRect(area);
}
