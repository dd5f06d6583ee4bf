// The focus ring: drawn around the key window's first responder, from the
// shape its view fills, outside the view's bounds too.
#include "DrawingTestSupport.h"
#include "appkit/NSBezierPath.h"

namespace {

// A view that takes the focus and fills its bounds, inset by 4 points, as
// its ring's shape.
class FocusableView : public NSView {
public:
    using NSView::NSView;
    bool acceptsFirstResponder() override { return true; }
    NSRect focusRingMaskBounds() const override { return CGRectInset(bounds(), 4, 4); }
    void drawFocusRingMask() override { NSBezierPath::bezierPathWithRect(CGRectInset(bounds(), 4, 4))->fill(); }
};

class FocusRingTest : public DrawingTest {
protected:
    // A window that can be key (a borderless one can't).
    std::shared_ptr<NSWindow> makeKeyableWindow(NSSize size)
    {
        auto window = std::make_shared<NSWindow>(NSRect{{100, 100}, size});
        window->setContentView(std::make_shared<NSView>());
        window->setBackgroundColor(NSColor::whiteColor());
        return window;
    }
};

TEST_F(FocusRingTest, KeyWindowsFirstResponderShowsARingAroundItsMask)
{
    activateProgram();
    auto window = makeKeyableWindow({100, 60});
    auto view = std::make_shared<FocusableView>(NSMakeRect(30, 10, 40, 40));
    window->contentView()->addSubview(view);
    window->makeKeyAndOrderFront(Id());
    drain();
    window->displayIfNeeded();
    ASSERT_TRUE(window->isKeyWindow());
    // The mask's left edge is at x = 34 in the window; the ring lies just
    // outside it, and nothing is drawn inside the mask.
    auto blueish = [](const Pixel& p) { return p.b - p.r > 60; };
    auto before = window->snapshot(1);
    EXPECT_FALSE(view->showsFocusRing());
    EXPECT_EQ(countPixels(*before, 31, 15, 34, 45, blueish), 0);

    ASSERT_TRUE(window->makeFirstResponder(view));
    EXPECT_TRUE(view->showsFocusRing());
    // Asking for the focus marks the ring's area: no full redraw needed.
    EXPECT_TRUE(window->viewsNeedDisplay());
    window->displayIfNeeded();
    auto focused = window->snapshot(1);
    window->writeSnapshot(String(snapshotPath("focus-ring")), 2);
    EXPECT_GT(countPixels(*focused, 31, 15, 34, 45, blueish), 40);
    EXPECT_EQ(countPixels(*focused, 36, 16, 64, 44, blueish), 0);

    // A window that stops being key, or a view that gives up the focus,
    // takes the ring away again.
    auto other = makeKeyableWindow({50, 50});
    other->makeKeyAndOrderFront(Id());
    drain();
    EXPECT_FALSE(view->showsFocusRing());
    window->displayIfNeeded();
    EXPECT_EQ(countPixels(*window->snapshot(1), 31, 15, 34, 45, blueish), 0);
    window->makeKeyAndOrderFront(Id());
    drain();
    window->makeFirstResponder(nullptr);
    window->displayIfNeeded();
    EXPECT_EQ(countPixels(*window->snapshot(1), 31, 15, 34, 45, blueish), 0);
}

TEST_F(FocusRingTest, ViewsWithoutAMaskShowNoRing)
{
    activateProgram();
    auto window = makeWindow({100, 60});
    auto view = std::make_shared<NSView>(NSMakeRect(30, 10, 40, 40));
    window->contentView()->addSubview(view);
    window->makeKeyAndOrderFront(Id());
    drain();
    EXPECT_EQ(view->focusRingMaskBounds(), NSZeroRect);
    EXPECT_FALSE(view->showsFocusRing());
}

}  // namespace
