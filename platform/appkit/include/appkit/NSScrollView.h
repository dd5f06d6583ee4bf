#pragma once

#include "appkit/NSView.h"

#include <memory>

class NSClipView;

// A view that shows part of a larger document view through its clip view,
// which fills it. Scrolling is done in code (scrollToPoint on the clip
// view, or a collection view bringing an item into view); there is no
// wheel or scroller dragging on this desktop. With the vertical scroller
// on, a thin knob is drawn at the right edge while the document is taller
// than what the clip view shows, so a picture of the view tells that it
// scrolls.
class NSScrollView : public NSView {
    KS_OBJECT(NSScrollView, NSView)

public:
    explicit NSScrollView(NSRect frame = NSZeroRect);

    const std::shared_ptr<NSClipView>& contentView() const { return clipView_; }
    std::shared_ptr<NSView> documentView() const;
    void setDocumentView(const std::shared_ptr<NSView>& view);
    // The part of the document on show, in its coordinates.
    NSRect documentVisibleRect() const;

    bool hasVerticalScroller() const { return hasVerticalScroller_; }
    void setHasVerticalScroller(bool has);
    // Off: nothing behind the document is painted.
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool draws);

    void drawRect(NSRect dirtyRect) override;

    // Internal: the knob's rectangle in the scroll view's coordinates; the
    // zero rectangle when the whole document is on show.
    NSRect verticalKnobRect() const;

protected:
    static void describe(ClassDescriptor& d);

private:
    std::shared_ptr<NSClipView> clipView_;
    bool hasVerticalScroller_ = false;
    bool drawsBackground_ = false;
};
