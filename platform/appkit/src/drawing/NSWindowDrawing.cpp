#include "appkit/NSWindow.h"

#include "appkit/NSAppearance.h"
#include "appkit/NSBitmapImageRep.h"
#include "appkit/NSColor.h"
#include "appkit/NSGraphicsContext.h"
#include "appkit/NSScreen.h"
#include "appkit/NSView.h"
#include "drawing/ScratchSurfaces.h"
#include "drawing/ViewDrawing.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

// More parts than this are merged into one: the redraw costs less than
// the bookkeeping.
constexpr std::size_t kMaxDirtyParts = 16;

NSInteger pixels(CGFloat points, CGFloat scale)
{
    return std::max<NSInteger>(1, NSInteger(std::ceil(points * scale - 1e-9)));
}

}  // namespace

namespace detail {

void ViewDrawing::renderWindow(NSWindow& window, const CGContextRef& context, CGFloat scale,
                               const std::vector<NSRect>& parts, bool intoBacking)
{
    NSSize size = window.frame_.size;
    cairo_t* cr = context->cairo();
    CGContextSaveGState(context);
    cairo_identity_matrix(cr);
    cairo_new_path(cr);
    // All of it is cleared without a clip, which tells cairo that the
    // image is clear, as a new one is: a backing image a closed window
    // left then draws as a new one would.
    bool everything = parts.empty() || (parts.size() == 1 && parts.front() == NSRect{NSZeroPoint, size});
    if (everything) {
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
    }
    // Parts are clipped on whole device pixels, so that a partial redraw
    // gives the very pixels a full one would.
    if (!parts.empty()) {
        for (const auto& part : parts) {
            CGFloat x0 = std::floor(CGRectGetMinX(part) * scale);
            CGFloat x1 = std::ceil(CGRectGetMaxX(part) * scale);
            CGFloat y0 = std::floor((size.height - CGRectGetMaxY(part)) * scale);
            CGFloat y1 = std::ceil((size.height - CGRectGetMinY(part)) * scale);
            cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
        }
        cairo_clip(cr);
    }
    if (!everything) {
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    // Window coordinates: points, y upwards from the bottom left.
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, 0, size.height);
    cairo_scale(cr, 1, -1);

    auto graphics = std::make_shared<NSGraphicsContext>(context, false);
    ScopedCurrentContext current(graphics);
    auto appearance = window.effectiveAppearance();
    appearance->performAsCurrentDrawingAppearance([&] {
        CGContextSaveGState(context);
        window.drawWindowFrame({NSZeroPoint, size});
        graphics->setFlipped(false);
        if (window.contentView_)
            drawView(*window.contentView_, context, *graphics, appearance, false, intoBacking);
        CGContextRestoreGState(context);
    });
    CGContextRestoreGState(context);
}

}  // namespace detail

std::shared_ptr<NSColor> NSWindow::backgroundColor() const
{
    return backgroundColor_ ? backgroundColor_ : NSColor::windowBackgroundColor();
}

void NSWindow::setBackgroundColor(const std::shared_ptr<NSColor>& color)
{
    backgroundColor_ = color;
    setViewsNeedDisplay(true);
}

void NSWindow::setAppearance(const std::shared_ptr<NSAppearance>& appearance)
{
    if (appearance_ == appearance)
        return;
    appearance_ = appearance;
    noteAppearance();
}

std::shared_ptr<NSAppearance> NSWindow::effectiveAppearance() const
{
    return appearance_ ? appearance_ : NSAppearance::systemAppearance();
}

void NSWindow::noteAppearance()
{
    auto appearance = effectiveAppearance();
    if (displayedAppearance_ && displayedAppearance_ != appearance)
        setViewsNeedDisplay(true);
    displayedAppearance_ = appearance;
    if (contentView_)
        detail::ViewDrawing::propagateAppearance(*contentView_, appearance);
}

CGFloat NSWindow::backingScaleFactor() const
{
    auto screen = this->screen();
    return screen ? screen->backingScaleFactor() : 1;
}

void NSWindow::setViewsNeedDisplay(bool needDisplay)
{
    dirtyRegion_.clear();
    if (needDisplay && frame_.size.width > 0 && frame_.size.height > 0)
        dirtyRegion_.push_back({NSZeroPoint, frame_.size});
}

void NSWindow::invalidateRect(NSRect rect)
{
    rect = CGRectIntersection(CGRectStandardize(rect), {NSZeroPoint, frame_.size});
    if (CGRectIsNull(rect) || CGRectIsEmpty(rect))
        return;
    for (const auto& part : dirtyRegion_)
        if (CGRectContainsRect(part, rect))
            return;
    std::erase_if(dirtyRegion_, [&](const NSRect& part) { return CGRectContainsRect(rect, part); });
    dirtyRegion_.push_back(rect);
    if (dirtyRegion_.size() > kMaxDirtyParts) {
        NSRect all = CGRectNull;
        for (const auto& part : dirtyRegion_)
            all = CGRectUnion(all, part);
        dirtyRegion_ = {all};
    }
}

void NSWindow::ensureBacking()
{
    CGFloat scale = backingScaleFactor();
    if (backing_ && backingScale_ == scale && backingSize_ == frame_.size)
        return;
    bool scaleChanged = backing_ && backingScale_ != scale;
    // Drawn all over before it shows: one a closed window left will do.
    detail::keepBackingContext(std::move(backing_));
    backing_ = detail::takeBackingContext(std::size_t(pixels(frame_.size.width, scale)),
                                          std::size_t(pixels(frame_.size.height, scale)));
    backingScale_ = scale;
    backingSize_ = frame_.size;
    setViewsNeedDisplay(true);
    if (scaleChanged && contentView_) {
        std::vector<std::shared_ptr<NSView>> views = {contentView_};
        while (!views.empty()) {
            auto view = views.back();
            views.pop_back();
            view->viewDidChangeBackingProperties();
            views.insert(views.end(), view->subviews().begin(), view->subviews().end());
        }
    }
}

void NSWindow::displayRectsNow(const std::vector<NSRect>& rects)
{
    if (!(frame_.size.width > 0) || !(frame_.size.height > 0))
        return;
    auto self = std::static_pointer_cast<NSWindow>(shared_from_this());
    noteAppearance();
    ensureBacking();
    // A new backing image or look needs all of it.
    std::vector<NSRect> parts = rects;
    bool everything = !dirtyRegion_.empty() && dirtyRegion_.front() == NSRect{NSZeroPoint, frame_.size};
    if (everything)
        parts = {{NSZeroPoint, frame_.size}};
    detail::ViewDrawing::renderWindow(*this, backing_, backingScale_, parts, true);
    std::erase_if(dirtyRegion_, [&](const NSRect& part) {
        return std::any_of(parts.begin(), parts.end(),
                           [&](const NSRect& drawn) { return CGRectContainsRect(drawn, part); });
    });
}

void NSWindow::displayIfNeeded()
{
    // What is drawn is what the layout placed: the passes run first.
    updateConstraintsIfNeeded();
    layoutIfNeeded();
    noteAppearance();
    if (!dirtyRegion_.empty() || !backing_ || backingSize_ != frame_.size || backingScale_ != backingScaleFactor())
        displayRectsNow(dirtyRegion_);
}

void NSWindow::display()
{
    setViewsNeedDisplay(true);
    displayIfNeeded();
}

CGImageRef NSWindow::backingImage() const
{
    return backing_ ? CGBitmapContextCreateImage(backing_) : nullptr;
}

std::shared_ptr<NSBitmapImageRep> NSWindow::snapshot(CGFloat scale)
{
    if (!(scale > 0) || !(frame_.size.width > 0) || !(frame_.size.height > 0))
        return nullptr;
    std::shared_ptr<NSBitmapImageRep> bitmap;
    if (scale == backingScaleFactor()) {
        displayIfNeeded();
        // One copy of the backing image, which goes on being drawn into.
        bitmap = std::make_shared<NSBitmapImageRep>(backingImage());
    } else {
        updateConstraintsIfNeeded();
        layoutIfNeeded();
        noteAppearance();
        bitmap =
            std::make_shared<NSBitmapImageRep>(pixels(frame_.size.width, scale), pixels(frame_.size.height, scale));
        detail::ViewDrawing::renderWindow(*this, bitmap->bitmapContext(), scale, {}, false);
    }
    bitmap->setSize(frame_.size);
    return bitmap;
}

bool NSWindow::writeSnapshot(const String& path, CGFloat scale)
{
    auto bitmap = snapshot(scale);
    return bitmap && bitmap->writePNGToFile(path);
}

void NSWindow::drawWindowFrame(NSRect bounds)
{
    backgroundColor()->setFill();
    if (auto context = NSGraphicsContext::currentContext())
        CGContextFillRect(context->CGContext(), bounds);
}
