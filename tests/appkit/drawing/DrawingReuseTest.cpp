// What drawing keeps from one draw to the next (backing images of closed
// windows, the surfaces layers are drawn aside into, laid-out text), and
// the shortcuts it takes (borders stroked a band at a time), must never
// show: the pixels are those of a first, plain draw.

#include "DrawingTestSupport.h"
#include "appkit/CALayer.h"
#include "appkit/NSAppearance.h"
#include "appkit/NSAttributedString.h"
#include "appkit/NSFont.h"
#include "appkit/NSGraphics.h"
#include "appkit/NSParagraphStyle.h"
#include "appkit/NSTextField.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

class FilledView : public NSView {
public:
    FilledView(NSRect frame, std::shared_ptr<NSColor> color)
        : NSView(frame)
        , color_(std::move(color))
    {
    }
    void drawRect(NSRect) override
    {
        color_->setFill();
        NSRectFillUsingOperation(bounds(), NSCompositingOperationSourceOver);
    }

private:
    std::shared_ptr<NSColor> color_;
};

std::shared_ptr<NSView> roundedLayer(NSRect frame, CGFloat radius, float opacity, bool masks)
{
    auto view = std::make_shared<NSView>(frame);
    view->setWantsLayer(true);
    view->layer()->setCornerRadius(radius);
    view->layer()->setMasksToBounds(masks);
    view->layer()->setOpacity(opacity);
    view->layer()->setBorderWidth(1);
    view->layer()->setBorderColor(CGColorCreateGenericRGB(0, 0, 0.5, 0.6));
    view->layer()->setBackgroundColor(CGColorCreateGenericRGB(0.9, 0.8, 0.1, 0.7));
    return view;
}

std::shared_ptr<NSBitmapImageRep> backing(NSWindow& window)
{
    return std::make_shared<NSBitmapImageRep>(window.backingImage());
}

void expectSamePixels(const NSBitmapImageRep& actual, const NSBitmapImageRep& expected)
{
    ASSERT_EQ(actual.pixelsWide(), expected.pixelsWide());
    ASSERT_EQ(actual.pixelsHigh(), expected.pixelsHigh());
    for (NSInteger y = 0; y < expected.pixelsHigh(); ++y)
        for (NSInteger x = 0; x < expected.pixelsWide(); ++x)
            ASSERT_EQ(pixelAt(actual, x, y), pixelAt(expected, x, y)) << x << ", " << y;
}

using DrawingReuseTest = DrawingTest;

// Layers drawn aside inside layers drawn aside, fading and masked, redrawn
// in parts scattered over them: each part comes out as drawing the whole
// window gives it, and a fading layer lays its tree down at its opacity.
// (Parts that cut through a rounded corner may differ in the last bit of
// its edge pixels, as cairo lays a group down through the clip.)
TEST_F(DrawingReuseTest, LayersDrawnAsideInPartsGiveThePixelsOfTheWholeWindow)
{
    auto content = std::make_shared<FilledView>(NSMakeRect(0, 0, 120, 80), NSColor::whiteColor());
    auto outer = roundedLayer(NSMakeRect(10, 10, 100, 60), 12, 1, true);
    auto inner = roundedLayer(NSMakeRect(5, 5, 60, 40), 8, 1, true);
    auto fading = roundedLayer(NSMakeRect(70, 20, 25, 25), 0, 0.5, false);
    auto red = std::make_shared<FilledView>(NSMakeRect(-5, -5, 30, 30), NSColor::redColor());
    auto blue = std::make_shared<FilledView>(NSMakeRect(10, 10, 40, 40), NSColor::blueColor());
    content->addSubview(outer);
    outer->addSubview(inner);
    outer->addSubview(fading);
    inner->addSubview(red);
    fading->addSubview(blue);
    auto window = makeWindow({120, 80}, content);
    window->displayIfNeeded();

    // The fading layer's blue at half opacity over the outer layer's
    // yellow, 0.7 over white.
    auto whole = window->snapshot(1);
    ASSERT_NE(whole, nullptr);
    Pixel faded = pixelAt(*whole, 10 + 70 + 20, 80 - (10 + 20 + 20));
    EXPECT_TRUE(near(faded, pixelOf(0.5 * 0.93, 0.5 * 0.86, 0.5 + 0.5 * 0.37, 1)));

    const std::vector<std::pair<const char*, std::vector<NSRect>>> marks = {
        {"a whole layer", {NSMakeRect(78, 28, 30, 30)}},
        {"scattered", {NSMakeRect(12, 25, 6, 20), NSMakeRect(30, 40, 20, 25), NSMakeRect(85.5, 12.25, 10, 50)}},
        {"across every layer", {NSMakeRect(0, 35, 120, 6), NSMakeRect(78, 0, 4, 80)}},
    };
    for (const auto& [name, rects] : marks) {
        SCOPED_TRACE(name);
        for (const NSRect& rect : rects)
            content->setNeedsDisplayInRect(rect);
        window->displayIfNeeded();
        auto partial = backing(*window);
        window->display();
        expectSamePixels(*partial, *backing(*window));
    }
}

// A closed window's backing image goes to the next window of its size,
// which must show nothing of what the first drew.
TEST_F(DrawingReuseTest, AWindowAfterAClosedOneOfItsSizeShowsOnlyItsOwnDrawing)
{
    auto firstContent = std::make_shared<FilledView>(NSMakeRect(0, 0, 50, 40), NSColor::redColor());
    firstContent->addSubview(roundedLayer(NSMakeRect(5, 5, 30, 20), 6, 1, true));
    auto first = makeWindow({50, 40}, firstContent);
    first->displayIfNeeded();
    auto fresh = makeWindow({50, 40}, std::make_shared<FilledView>(NSMakeRect(0, 0, 50, 40), NSColor::clearColor()));
    fresh->setBackgroundColor(NSColor::clearColor());
    fresh->contentView()->addSubview(roundedLayer(NSMakeRect(20, 10, 20, 20), 5, 0.5, true));
    fresh->displayIfNeeded();
    auto expected = backing(*fresh);
    fresh = nullptr;
    first = nullptr;

    auto reusing = makeWindow({50, 40}, std::make_shared<FilledView>(NSMakeRect(0, 0, 50, 40), NSColor::clearColor()));
    reusing->setBackgroundColor(NSColor::clearColor());
    reusing->contentView()->addSubview(roundedLayer(NSMakeRect(20, 10, 20, 20), 5, 0.5, true));
    reusing->displayIfNeeded();
    auto drawn = backing(*reusing);
    EXPECT_EQ(pixelAt(*drawn, 2, 2).a, 0) << "nothing of the red before";
    expectSamePixels(*drawn, *expected);
}

// A large layer's border is stroked one band along each edge at a time,
// a small one's in one go: their corners come out the same.
TEST_F(DrawingReuseTest, BordersOfLargeLayersDrawTheCornersOfSmallOnes)
{
    auto content = std::make_shared<FilledView>(NSMakeRect(0, 0, 100, 40), NSColor::whiteColor());
    auto small = roundedLayer(NSMakeRect(0, 20, 20, 20), 10, 1, false);
    auto large = roundedLayer(NSMakeRect(30, 0, 70, 40), 10, 1, false);
    for (const auto& layer : {small, large}) {
        layer->layer()->setBorderWidth(2.5);
        content->addSubview(layer);
    }
    auto window = makeWindow({100, 40}, content);
    window->displayIfNeeded();
    auto drawn = backing(*window);
    // Each layer's top left quarter, 10 points square at scale 2.
    for (NSInteger y = 0; y < 20; ++y)
        for (NSInteger x = 0; x < 20; ++x)
            ASSERT_EQ(pixelAt(*drawn, 60 + x, y), pixelAt(*drawn, x, y)) << x << ", " << y;
    EXPECT_TRUE(near(pixelAt(*drawn, 61, 40), pixelOf(0.4 * 0.93, 0.4 * 0.86, 0.6 * 0.5 + 0.4 * 0.37, 1)))
        << "its border, 0.6 over the yellow over white";
}

// Laid-out text is kept and given again for the same text, attributes and
// width: a paragraph style changed in place, or another look for the
// system's colours, is another text.
TEST_F(DrawingReuseTest, TextLaidOutAgainFollowsItsStyleAndTheLook)
{
    auto style = std::make_shared<NSMutableParagraphStyle>();
    style->setLineBreakMode(NSLineBreakByWordWrapping);
    NSAttributedString text(
        "Press an application's shortcut to switch to it",
        {{Id(NSFontAttributeName), Id(NSFont::systemFontOfSize(13))}, {Id(NSParagraphStyleAttributeName), Id(style)}});
    NSRect wrapped = text.boundingRectWithSize({120, 0}, NSStringDrawingUsesLineFragmentOrigin);
    EXPECT_EQ(text.boundingRectWithSize({120, 0}, NSStringDrawingUsesLineFragmentOrigin), wrapped);
    style->setLineBreakMode(NSLineBreakByClipping);
    NSRect oneLine = text.boundingRectWithSize({120, 0}, NSStringDrawingUsesLineFragmentOrigin);
    EXPECT_LT(oneLine.size.height, wrapped.size.height);
    EXPECT_GT(oneLine.size.width, 120);

    // The same label, drawn in the light look and then in the dark one.
    auto inkOf = [&](const NSAppearanceName& look) {
        auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 60, 20));
        auto label = NSTextField::labelWithString("Mail");
        label->setFont(NSFont::boldSystemFontOfSize(16));
        label->setFrameOrigin({0, 0});
        content->addSubview(label);
        auto window = makeWindow({60, 20}, content);
        window->setBackgroundColor(NSColor::clearColor());
        window->setAppearance(NSAppearance::appearanceNamed(look));
        auto snapshot = window->snapshot(1);
        Pixel darkest{255, 255, 255, 0};
        for (NSInteger y = 0; y < snapshot->pixelsHigh(); ++y)
            for (NSInteger x = 0; x < snapshot->pixelsWide(); ++x)
                if (Pixel p = pixelAt(*snapshot, x, y); p.a > darkest.a)
                    darkest = p;
        return darkest;
    };
    Pixel light = inkOf(NSAppearanceNameAqua);
    Pixel dark = inkOf(NSAppearanceNameDarkAqua);
    EXPECT_LT(light.r, 80) << light;
    EXPECT_GT(dark.r, 180) << dark;
    EXPECT_EQ(inkOf(NSAppearanceNameAqua), light);
}

}  // namespace
