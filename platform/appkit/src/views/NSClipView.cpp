#include "appkit/NSClipView.h"

#include <algorithm>

NSClipView::NSClipView(NSRect frame)
    : NSView(frame)
{
}

void NSClipView::setDocumentView(const std::shared_ptr<NSView>& view)
{
    auto old = documentView();
    if (old == view)
        return;
    if (old && old->superview().get() == this)
        old->removeFromSuperview();
    documentView_ = view;
    position_ = NSZeroPoint;
    if (view) {
        addSubview(view);
        view->setFrameOrigin(NSZeroPoint);
    }
}

NSPoint NSClipView::constrainScrollPoint(NSPoint point) const
{
    auto document = documentView();
    if (!document)
        return NSZeroPoint;
    NSSize extent = document->frame().size;
    NSSize shown = bounds().size;
    CGFloat maxX = std::max<CGFloat>(0, extent.width - shown.width);
    CGFloat maxY = std::max<CGFloat>(0, extent.height - shown.height);
    // NaN compares false both ways: it ends up at the origin.
    auto within = [](CGFloat value, CGFloat limit) { return value > 0 ? std::min(value, limit) : CGFloat(0); };
    return {within(point.x, maxX), within(point.y, maxY)};
}

void NSClipView::scrollToPoint(NSPoint point)
{
    auto document = documentView();
    if (!document)
        return;
    NSPoint constrained = constrainScrollPoint(point);
    if (constrained == position_ && document->frame().origin == NSPoint{-constrained.x, -constrained.y})
        return;
    position_ = constrained;
    placing_ = true;
    document->setFrameOrigin({-position_.x, -position_.y});
    placing_ = false;
    setNeedsDisplay(true);
    // The scroll view's knob follows.
    if (auto scrollView = superview())
        scrollView->setNeedsDisplay(true);
}

NSRect NSClipView::documentVisibleRect() const
{
    auto document = documentView();
    if (!document)
        return NSZeroRect;
    NSRect shown = {position_, bounds().size};
    return CGRectIntersection(shown, document->bounds());
}

void NSClipView::setFrame(NSRect frame)
{
    NSView::setFrame(frame);
    documentFrameDidChange();
}

void NSClipView::documentFrameDidChange()
{
    if (placing_)
        return;
    scrollToPoint(position_);
}
