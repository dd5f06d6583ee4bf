#include "appkit/NSScrollView.h"

#include "appkit/NSBezierPath.h"
#include "appkit/NSClipView.h"
#include "appkit/NSColor.h"

#include <algorithm>

namespace {

constexpr CGFloat kKnobWidth = 6;
constexpr CGFloat kKnobInset = 3;
constexpr CGFloat kMinimumKnobLength = 18;

// Drawn over the clip view, so the knob lies on top of the document.
class ScrollerView : public NSView {
public:
    explicit ScrollerView(NSScrollView& scrollView)
        : scrollView_(scrollView)
    {
    }

    void drawRect(NSRect) override
    {
        NSRect knob = scrollView_.verticalKnobRect();
        if (knob.size.height <= 0)
            return;
        // The overlay covers the scroll view and counts the same way, so the
        // knob's rectangle needs no conversion.
        NSColor::secondaryLabelColor()->colorWithAlphaComponent(0.5)->setFill();
        NSBezierPath::bezierPathWithRoundedRect(knob, kKnobWidth / 2, kKnobWidth / 2)->fill();
    }

    std::shared_ptr<NSView> hitTest(NSPoint) override { return nullptr; }
    bool isFlipped() const override { return scrollView_.isFlipped(); }

private:
    NSScrollView& scrollView_;
};

}  // namespace

NSScrollView::NSScrollView(NSRect frame)
    : NSView(frame)
    , clipView_(std::make_shared<NSClipView>(NSRect{NSZeroPoint, frame.size}))
{
    clipView_->setAutoresizingMask(NSViewWidthSizable | NSViewHeightSizable);
}

void NSScrollView::describe(ClassDescriptor& d)
{
    d.property<NSScrollView>(
        "hasVerticalScroller", [](NSScrollView& v) { return Id::boolean(v.hasVerticalScroller()); },
        [](NSScrollView& v, const Id& value) { v.setHasVerticalScroller(value.boolValue()); });
    d.property<NSScrollView>(
        "drawsBackground", [](NSScrollView& v) { return Id::boolean(v.drawsBackground()); },
        [](NSScrollView& v, const Id& value) { v.setDrawsBackground(value.boolValue()); });
}

std::shared_ptr<NSView> NSScrollView::documentView() const
{
    return clipView_->documentView();
}

void NSScrollView::setDocumentView(const std::shared_ptr<NSView>& view)
{
    // The clip view joins on first use: the constructor can't hand out
    // shared references to the scroll view yet.
    if (clipView_->superview().get() != this) {
        clipView_->setFrame(bounds());
        addSubview(clipView_, NSWindowBelow, nullptr);
    }
    clipView_->setDocumentView(view);
    setNeedsDisplay(true);
}

NSRect NSScrollView::documentVisibleRect() const
{
    return clipView_->documentVisibleRect();
}

void NSScrollView::setHasVerticalScroller(bool has)
{
    if (has == hasVerticalScroller_)
        return;
    hasVerticalScroller_ = has;
    if (has) {
        auto scroller = std::make_shared<ScrollerView>(*this);
        scroller->setFrame(bounds());
        scroller->setAutoresizingMask(NSViewWidthSizable | NSViewHeightSizable);
        addSubview(scroller);
    } else {
        auto subviews = this->subviews();
        for (const auto& view : subviews)
            if (dynamic_cast<ScrollerView*>(view.get()))
                view->removeFromSuperview();
    }
    setNeedsDisplay(true);
}

void NSScrollView::setDrawsBackground(bool draws)
{
    drawsBackground_ = draws;
    setNeedsDisplay(true);
}

NSRect NSScrollView::verticalKnobRect() const
{
    auto document = documentView();
    if (!hasVerticalScroller_ || !document)
        return NSZeroRect;
    CGFloat extent = document->frame().size.height;
    CGFloat shown = clipView_->frame().size.height;
    if (!(extent > shown) || !(shown > 2 * kKnobInset))
        return NSZeroRect;
    CGFloat track = shown - 2 * kKnobInset;
    CGFloat length = std::max(kMinimumKnobLength, track * shown / extent);
    length = std::min(length, track);
    CGFloat fraction = clipView_->scrollPosition().y / (extent - shown);
    CGFloat fromTop = kKnobInset + (track - length) * std::clamp<CGFloat>(fraction, 0, 1);
    NSRect frame = clipView_->frame();
    CGFloat x = frame.origin.x + frame.size.width - kKnobInset - kKnobWidth;
    // Measured from the top as on screen, whichever way the view counts.
    CGFloat y = isFlipped() ? frame.origin.y + fromTop : frame.origin.y + frame.size.height - fromTop - length;
    return NSMakeRect(x, y, kKnobWidth, length);
}

void NSScrollView::drawRect(NSRect dirtyRect)
{
    if (!drawsBackground_)
        return;
    NSColor::controlBackgroundColor()->setFill();
    NSBezierPath::fillRect(CGRectIntersection(dirtyRect, bounds()));
}
