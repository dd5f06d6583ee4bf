#include "appkit/NSColor.h"
#include "DrawingTestSupport.h"
#include "appkit/NSAppearance.h"
#include "appkit/NSGraphics.h"
#include "appkit/NSGraphicsContext.h"

#include <gtest/gtest.h>

namespace {

using ColorTest = DrawingTest;

std::shared_ptr<NSAppearance> aqua()
{
    return NSAppearance::appearanceNamed(NSAppearanceNameAqua);
}

std::shared_ptr<NSAppearance> darkAqua()
{
    return NSAppearance::appearanceNamed(NSAppearanceNameDarkAqua);
}

TEST_F(ColorTest, SystemColoursResolveForTheLookInEffect)
{
    struct Case {
        const char* name;
        std::shared_ptr<NSColor> color;
        // Lighter in the dark look (text and its kin), or darker.
        bool lighterInTheDark;
    };
    const Case cases[] = {
        {"labelColor", NSColor::labelColor(), true},
        {"secondaryLabelColor", NSColor::secondaryLabelColor(), true},
        {"textColor", NSColor::textColor(), true},
        {"separatorColor", NSColor::separatorColor(), true},
        {"windowBackgroundColor", NSColor::windowBackgroundColor(), false},
        {"controlBackgroundColor", NSColor::controlBackgroundColor(), false},
        {"textBackgroundColor", NSColor::textBackgroundColor(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto light = c.color->componentsForAppearance(*aqua());
        auto dark = c.color->componentsForAppearance(*darkAqua());
        EXPECT_EQ(light[0] < dark[0], c.lighterInTheDark);
        EXPECT_EQ(c.color->type(), NSColorTypeCatalog);
        EXPECT_EQ(c.color->colorNameComponent(), String(c.name));
        EXPECT_EQ(NSColor::systemColorNamed(c.name), c.color) << "one shared object per name";
        // Without drawing, the desktop's look is the one in effect.
        desktop().setAppearance(simulation::Appearance::Dark);
        EXPECT_EQ(c.color->components(), dark);
        darkAqua()->performAsCurrentDrawingAppearance([&] { EXPECT_EQ(c.color->components(), dark); });
        aqua()->performAsCurrentDrawingAppearance([&] {
            EXPECT_EQ(c.color->components(), light);
            auto cg = c.color->CGColor()->components();
            EXPECT_EQ(cg, light);
        });
        desktop().setAppearance(simulation::Appearance::Light);
    }
    EXPECT_EQ(NSColor::systemColorNamed("noSuchColor"), nullptr);
    EXPECT_EQ(NSColor::systemColorNamed("clearColor"), NSColor::clearColor());
}

TEST_F(ColorTest, AlphaReplacesTheColoursOwnAndKeepsItResolvingPerLook)
{
    auto halfGray = NSColor::systemGrayColor()->colorWithAlphaComponent(0.5);
    EXPECT_EQ(halfGray->type(), NSColorTypeCatalog);
    for (const auto& appearance : {aqua(), darkAqua()}) {
        auto base = NSColor::systemGrayColor()->componentsForAppearance(*appearance);
        auto half = halfGray->componentsForAppearance(*appearance);
        EXPECT_EQ(half[0], base[0]);
        EXPECT_EQ(half[3], 0.5);
    }
    // labelColor has an alpha of its own, which is replaced, not multiplied.
    EXPECT_EQ(NSColor::labelColor()->colorWithAlphaComponent(0.25)->componentsForAppearance(*aqua())[3], 0.25);
    EXPECT_TRUE(halfGray->isEqual(Id(NSColor::systemGrayColor()->colorWithAlphaComponent(0.5))));
    EXPECT_FALSE(halfGray->isEqual(Id(NSColor::systemGrayColor())));

    auto fixed = NSColor::colorWithSRGBRed(0.2, 0.4, 0.6, 1)->colorWithAlphaComponent(2);
    EXPECT_EQ(fixed->type(), NSColorTypeComponentBased);
    EXPECT_EQ(fixed->components(), (NSColor::Components{0.2, 0.4, 0.6, 1})) << "clamped";
    EXPECT_EQ(NSColor::colorWithWhite(0.5, 0.25)->components(), (NSColor::Components{0.5, 0.5, 0.5, 0.25}));
    auto resolved = NSColor::labelColor()->colorUsingType(NSColorTypeComponentBased);
    EXPECT_EQ(resolved->type(), NSColorTypeComponentBased);
    EXPECT_EQ(resolved->components(), NSColor::labelColor()->componentsForAppearance(*aqua()));
}

TEST_F(ColorTest, DynamicColoursAskTheirProviderEachTime)
{
    int asked = 0;
    auto color = NSColor::colorWithName("tileColor", [&](const NSAppearance& appearance) {
        ++asked;
        return appearance.isDark() ? NSColor::whiteColor() : NSColor::blackColor();
    });
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->componentsForAppearance(*darkAqua()), NSColor::whiteColor()->components());
    EXPECT_EQ(color->componentsForAppearance(*aqua()), NSColor::blackColor()->components());
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(NSColor::colorWithName("none", nullptr), nullptr);
}

TEST_F(ColorTest, SettingAColourFillsWithItInTheCurrentContext)
{
    auto bitmap = std::make_shared<NSBitmapImageRep>(2, 2);
    NSColor::redColor()->set();  // no context: nothing happens
    {
        ScopedCurrentContext scoped(NSGraphicsContext::graphicsContextWithBitmapImageRep(bitmap));
        NSColor::blueColor()->setFill();
        NSRectFill(NSMakeRect(0, 0, 1, 2));
        NSGraphicsContext::saveCurrentGraphicsState();
        NSColor::redColor()->setFill();
        NSGraphicsContext::restoreCurrentGraphicsState();
        NSRectFill(NSMakeRect(1, 0, 1, 1));
    }
    EXPECT_EQ(pixelAt(*bitmap, 0, 0), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(pixelAt(*bitmap, 1, 1), (Pixel{0, 0, 255, 255})) << "the restore brought blue back";
    EXPECT_EQ(pixelAt(*bitmap, 1, 0).a, 0);
    EXPECT_EQ(NSGraphicsContext::currentContext(), nullptr);
}

}  // namespace
