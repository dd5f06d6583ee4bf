#pragma once

#include "appkit/NSView.h"

#include <memory>

// The part of a scroll view that shows its document: a flipped view that
// holds the document view as its only subview and moves it to scroll.
// Scrolling to a point puts that point of the document at the clip view's
// top left (the document's frame origin is the point negated), so whatever
// asks what the document shows of itself (its visible rectangle, what a
// collection view makes items for) sees the scrolled part without any
// bookkeeping of its own.
class NSClipView : public NSView {
    KS_OBJECT(NSClipView, NSView)

public:
    explicit NSClipView(NSRect frame = NSZeroRect);

    std::shared_ptr<NSView> documentView() const { return documentView_.lock(); }
    // Replaces the document view; the new one starts scrolled to its top.
    void setDocumentView(const std::shared_ptr<NSView>& view);

    // The point of the document at the top left: how far it is scrolled.
    NSPoint scrollPosition() const { return position_; }
    // Scrolls so that the point sits at the top left, held within the
    // document (never past its far edges, never before its origin).
    void scrollToPoint(NSPoint point);
    // The part of the document on show, in the document's coordinates.
    NSRect documentVisibleRect() const;
    // The point kept within the document's extent.
    NSPoint constrainScrollPoint(NSPoint point) const;

    bool isFlipped() const override { return true; }
    void setFrame(NSRect frame) override;

    // Internal: the document view resized; the position is held within it.
    void documentFrameDidChange();

private:
    std::weak_ptr<NSView> documentView_;
    NSPoint position_ = NSZeroPoint;
    bool placing_ = false;
};
