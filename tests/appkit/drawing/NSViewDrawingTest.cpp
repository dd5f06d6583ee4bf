#include "DrawingTestSupport.h"
#include "appkit/CALayer.h"
#include "appkit/NSAppearance.h"
#include "appkit/NSBox.h"
#include "appkit/NSGraphics.h"
#include "appkit/NSGraphicsContext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Fills its bounds (or a part of them) with a colour and remembers what it
// was asked to draw.
class FilledView : public NSView {
public:
    FilledView(NSRect frame, std::shared_ptr<NSColor> color, bool flipped = false)
        : NSView(frame)
        , color_(std::move(color))
        , flipped_(flipped)
    {
    }
    bool isFlipped() const override { return flipped_; }
    void drawRect(NSRect dirtyRect) override
    {
        drawn.push_back(dirtyRect);
        color_->setFill();
        NSRectFill(fillRect.size.width > 0 ? fillRect : bounds());
    }

    std::vector<NSRect> drawn;
    NSRect fillRect = NSZeroRect;

private:
    std::shared_ptr<NSColor> color_;
    bool flipped_;
};

const Pixel kWhite = {255, 255, 255, 255};
const Pixel kRed = {255, 0, 0, 255};
const Pixel kBlue = {0, 0, 255, 255};
const Pixel kGreen = {0, 255, 0, 255};

using ViewDrawingTest = DrawingTest;

TEST_F(ViewDrawingTest, SubviewsDrawOverTheirSuperviewAtTheirFrames)
{
    auto content = std::make_shared<FilledView>(NSMakeRect(0, 0, 40, 30), NSColor::whiteColor());
    auto red = std::make_shared<FilledView>(NSMakeRect(10, 5, 10, 10), NSColor::redColor());
    content->addSubview(red);
    auto window = makeWindow({40, 30}, content);

    auto snapshot = window->snapshot(1);
    ASSERT_NE(snapshot, nullptr);
    EXPECT_EQ(snapshot->pixelsWide(), 40);
    EXPECT_EQ(snapshot->pixelsHigh(), 30);
    // Unflipped: the frame's y counts from the bottom, pixels from the top.
    EXPECT_EQ(pixelAt(*snapshot, 10, 29 - 5), kRed);
    EXPECT_EQ(pixelAt(*snapshot, 19, 29 - 14), kRed);
    EXPECT_EQ(pixelAt(*snapshot, 9, 29 - 5), kWhite);
    EXPECT_EQ(pixelAt(*snapshot, 10, 29 - 15), kWhite);
    EXPECT_EQ(countPixels(*snapshot, 0, 0, 40, 30, [](const Pixel& p) { return p == kRed; }), 100);
}

TEST_F(ViewDrawingTest, FlippedViewsPlaceFramesAndDrawingFromTheTop)
{
    struct Case {
        const char* name;
        bool contentFlipped;
        bool childFlipped;
        // Where the child's frame at y 0 and its bottom band land: the row
        // of the frame's first pixel, and of the band's.
        int frameTopRow;
        int bandRow;
    };
    // The child (10 high at y 0) fills only its lowest two points in its
    // own coordinates: y 0-2, which is its bottom when unflipped and its
    // top when flipped.
    const Case cases[] = {
        {"unflipped in unflipped", false, false, 30 - 10, 30 - 2},
        {"flipped in unflipped", false, true, 30 - 10, 30 - 10},
        {"unflipped in flipped", true, false, 0, 8},
        {"flipped in flipped", true, true, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto content = std::make_shared<FilledView>(NSMakeRect(0, 0, 20, 30), NSColor::whiteColor(), c.contentFlipped);
        auto child = std::make_shared<FilledView>(NSMakeRect(0, 0, 20, 10), NSColor::blueColor(), c.childFlipped);
        child->fillRect = NSMakeRect(0, 0, 20, 2);
        content->addSubview(child);
        auto snapshot = makeWindow({20, 30}, content)->snapshot(1);
        ASSERT_NE(snapshot, nullptr);
        EXPECT_EQ(pixelAt(*snapshot, 5, c.bandRow), kBlue);
        EXPECT_EQ(pixelAt(*snapshot, 5, c.bandRow + 1), kBlue);
        // The rest of the child is not painted.
        int inside = c.bandRow == c.frameTopRow ? c.bandRow + 2 : c.bandRow - 1;
        EXPECT_EQ(pixelAt(*snapshot, 5, inside), kWhite);
        EXPECT_EQ(countPixels(*snapshot, 0, 0, 20, 30, [](const Pixel& p) { return p == kBlue; }), 40);
    }
}

TEST_F(ViewDrawingTest, DrawingKeepsInsideTheViewAndTheWindow)
{
    auto content = std::make_shared<FilledView>(NSMakeRect(0, 0, 40, 40), NSColor::whiteColor());
    auto parent = std::make_shared<NSView>(NSMakeRect(10, 10, 10, 10));
    // Larger than its parent and reaching past the window's edge.
    auto child = std::make_shared<FilledView>(NSMakeRect(-20, -20, 100, 100), NSColor::redColor());
    parent->addSubview(child);
    content->addSubview(parent);
    auto snapshot = makeWindow({40, 40}, content)->snapshot(1);
    ASSERT_NE(snapshot, nullptr);
    EXPECT_EQ(countPixels(*snapshot, 0, 0, 40, 40, [](const Pixel& p) { return p == kRed; }), 100);
    EXPECT_EQ(countPixels(*snapshot, 10, 20, 20, 30, [](const Pixel& p) { return p == kRed; }), 100);
}

TEST_F(ViewDrawingTest, ScaleTwoDoublesThePixelsOfEveryPoint)
{
    auto content = std::make_shared<FilledView>(NSMakeRect(0, 0, 30, 20), NSColor::whiteColor());
    content->addSubview(std::make_shared<FilledView>(NSMakeRect(3, 4, 5, 6), NSColor::redColor()));
    auto window = makeWindow({30, 20}, content);
    auto one = window->snapshot(1);
    auto two = window->snapshot(2);
    ASSERT_NE(one, nullptr);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->pixelsWide(), 60);
    EXPECT_EQ(two->pixelsHigh(), 40);
    EXPECT_EQ(two->size(), NSMakeSize(30, 20));
    for (NSInteger y = 0; y < 20; ++y)
        for (NSInteger x = 0; x < 30; ++x)
            for (NSInteger dy = 0; dy < 2; ++dy)
                for (NSInteger dx = 0; dx < 2; ++dx)
                    ASSERT_EQ(pixelAt(*two, 2 * x + dx, 2 * y + dy), pixelAt(*one, x, y)) << x << ", " << y;
}

TEST_F(ViewDrawingTest, TranslucentFillsBlendOverWhatIsBehind)
{
    auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 20, 20));
    auto box = std::make_shared<NSBox>(NSMakeRect(0, 0, 10, 20));
    box->setBoxType(NSBoxCustom);
    box->setBorderWidth(0);
    box->setFillColor(NSColor::systemGrayColor()->colorWithAlphaComponent(0.5));
    content->addSubview(box);
    auto window = makeWindow({20, 20}, content);

    // Over nothing, the pixels keep the alpha of the fill.
    window->setBackgroundColor(NSColor::clearColor());
    auto overNothing = window->snapshot(1);
    ASSERT_NE(overNothing, nullptr);
    auto gray =
        NSColor::systemGrayColor()->componentsForAppearance(*NSAppearance::appearanceNamed(NSAppearanceNameAqua));
    EXPECT_TRUE(near(pixelAt(*overNothing, 5, 10), pixelOf(gray[0], gray[1], gray[2], 0.5)));
    EXPECT_EQ(pixelAt(*overNothing, 15, 10).a, 0);

    // Over white, half of each.
    window->setBackgroundColor(NSColor::whiteColor());
    auto overWhite = window->snapshot(1);
    ASSERT_NE(overWhite, nullptr);
    EXPECT_TRUE(near(pixelAt(*overWhite, 5, 10), pixelOf((gray[0] + 1) / 2, (gray[1] + 1) / 2, (gray[2] + 1) / 2, 1)));
    EXPECT_EQ(pixelAt(*overWhite, 15, 10), kWhite);
}

TEST_F(ViewDrawingTest, DisplayDrawsOnlyWhatWasMarkedAndClearsTheMarks)
{
    auto content = std::make_shared<FilledView>(NSMakeRect(0, 0, 100, 100), NSColor::whiteColor());
    auto left = std::make_shared<FilledView>(NSMakeRect(0, 0, 40, 40), NSColor::redColor());
    auto right = std::make_shared<FilledView>(NSMakeRect(60, 0, 40, 40), NSColor::blueColor());
    content->addSubview(left);
    content->addSubview(right);
    auto window = makeWindow({100, 100}, content);
    window->displayIfNeeded();
    EXPECT_EQ(left->drawn.size(), 1u);
    EXPECT_EQ(right->drawn.size(), 1u);
    EXPECT_FALSE(left->needsDisplay());
    EXPECT_FALSE(window->viewsNeedDisplay());

    window->displayIfNeeded();
    EXPECT_EQ(content->drawn.size(), 1u) << "nothing was marked";

    left->setNeedsDisplayInRect(NSMakeRect(5, 5, 10, 10));
    EXPECT_TRUE(left->needsDisplay());
    EXPECT_FALSE(right->needsDisplay());
    EXPECT_TRUE(window->viewsNeedDisplay());
    window->displayIfNeeded();
    ASSERT_EQ(left->drawn.size(), 2u);
    EXPECT_TRUE(CGRectContainsRect(left->drawn.back(), NSMakeRect(5, 5, 10, 10)));
    EXPECT_LT(left->drawn.back().size.width, 40) << "only the marked part";
    EXPECT_EQ(right->drawn.size(), 1u) << "outside the marked part";
    EXPECT_EQ(content->drawn.size(), 2u) << "the superview is under the marked part";
    EXPECT_FALSE(left->needsDisplay());

    // display() draws at once, marked or not; a view outside a window
    // draws nothing.
    right->display();
    EXPECT_EQ(right->drawn.size(), 2u);
    auto loose = std::make_shared<FilledView>(NSMakeRect(0, 0, 10, 10), NSColor::redColor());
    loose->display();
    loose->displayIfNeeded();
    EXPECT_TRUE(loose->drawn.empty());
}

TEST_F(ViewDrawingTest, RedrawingTheMarkedPartsGivesTheSamePixelsAsDrawingEverything)
{
    auto content = std::make_shared<FilledView>(NSMakeRect(0, 0, 90, 60), NSColor::whiteColor());
    auto moving = std::make_shared<FilledView>(NSMakeRect(5, 5, 20, 20), NSColor::redColor());
    auto hiding = std::make_shared<FilledView>(NSMakeRect(40, 30, 20, 20), NSColor::blueColor());
    auto box = std::make_shared<NSBox>(NSMakeRect(60.5, 3.25, 25, 25));
    box->setBoxType(NSBoxCustom);
    box->setCornerRadius(6);
    box->setFillColor(NSColor::systemGrayColor()->colorWithAlphaComponent(0.5));
    for (const auto& view : std::vector<std::shared_ptr<NSView>>{moving, hiding, box})
        content->addSubview(view);
    auto window = makeWindow({90, 60}, content);
    window->displayIfNeeded();

    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"move",
         [&] {
             moving->setFrameOrigin({12.5, 9});
         }},
        {"hide", [&] { hiding->setHidden(true); }},
        {"recolour", [&] { box->setFillColor(NSColor::redColor()); }},
        {"resize",
         [&] {
             box->setFrameSize({15, 30});
         }},
        {"remove", [&] { moving->removeFromSuperview(); }},
        {"add",
         [&] { content->addSubview(std::make_shared<FilledView>(NSMakeRect(1, 40, 8, 8), NSColor::blueColor())); }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        change();
        ASSERT_TRUE(window->viewsNeedDisplay());
        window->displayIfNeeded();
        auto partial = std::make_shared<NSBitmapImageRep>(window->backingImage());
        window->display();
        auto full = std::make_shared<NSBitmapImageRep>(window->backingImage());
        ASSERT_EQ(partial->pixelsWide(), full->pixelsWide());
        for (NSInteger y = 0; y < full->pixelsHigh(); ++y)
            for (NSInteger x = 0; x < full->pixelsWide(); ++x)
                ASSERT_EQ(pixelAt(*partial, x, y), pixelAt(*full, x, y)) << x << ", " << y;
    }
}

TEST_F(ViewDrawingTest, LayersDrawBackgroundCornersBorderAndMask)
{
    auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 40, 40));
    content->setWantsLayer(true);
    ASSERT_NE(content->layer(), nullptr);
    auto layer = content->layer();
    layer->setBackgroundColor(CGColorCreateGenericRGB(0, 0, 1, 1));
    layer->setCornerRadius(10);
    layer->setBorderWidth(2);
    layer->setBorderColor(CGColorCreateGenericRGB(1, 0, 0, 1));
    // A subview over the whole content shows where the mask cuts it.
    auto cover = std::make_shared<FilledView>(NSMakeRect(0, 0, 40, 40), NSColor::greenColor());
    cover->fillRect = NSMakeRect(0, 0, 40, 20);
    content->addSubview(cover);
    auto window = makeWindow({40, 40}, content);
    window->setBackgroundColor(NSColor::clearColor());

    auto unmasked = window->snapshot(1);
    ASSERT_NE(unmasked, nullptr);
    EXPECT_EQ(pixelAt(*unmasked, 0, 0).a, 0) << "rounded off";
    EXPECT_EQ(pixelAt(*unmasked, 20, 10), kBlue);
    EXPECT_EQ(pixelAt(*unmasked, 20, 0), kRed) << "the border is inside the top edge";
    EXPECT_EQ(pixelAt(*unmasked, 20, 1), kRed);
    EXPECT_EQ(pixelAt(*unmasked, 20, 30), kGreen) << "the subview";
    EXPECT_EQ(pixelAt(*unmasked, 0, 39), kGreen) << "not masked: the corner shows the subview";
    EXPECT_EQ(pixelAt(*unmasked, 20, 39), kRed) << "the border is drawn over the subviews";

    layer->setMasksToBounds(true);
    EXPECT_TRUE(window->viewsNeedDisplay());
    auto masked = window->snapshot(1);
    ASSERT_NE(masked, nullptr);
    EXPECT_EQ(pixelAt(*masked, 0, 39).a, 0) << "masked: the corner is cut off";
    masked->writePNGToFile(snapshotPath("layer-masked"));

    // A view may ask for its layer while it is being made.
    struct PanelView : NSView {
        PanelView()
            : NSView(NSMakeRect(30, 20, 10, 10))
        {
            setWantsLayer(true);
            layer()->setBackgroundColor(CGColorCreateGenericRGB(1, 0, 0, 1));
        }
    };
    auto panel = std::make_shared<PanelView>();
    content->addSubview(panel);
    EXPECT_EQ(pixelAt(*window->snapshot(1), 35, 15), kRed);
    panel->layer()->setBackgroundColor(CGColorCreateGenericRGB(0, 0, 1, 1));
    EXPECT_TRUE(panel->needsDisplay()) << "its layer knows it now";

    // Without wantsLayer there is no layer to draw.
    content->setWantsLayer(false);
    EXPECT_EQ(content->layer(), nullptr);
    EXPECT_EQ(pixelAt(*window->snapshot(1), 0, 0).a, 0);
    EXPECT_EQ(pixelAt(*window->snapshot(1), 20, 10).a, 0);
}

}  // namespace
