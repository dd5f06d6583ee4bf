#include "appkit/NSAppearance.h"
#include "DrawingTestSupport.h"
#include "appkit/NSGraphics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Fills itself with the label colour and counts the look changes it hears.
class ListeningView : public NSView {
public:
    using NSView::NSView;
    void viewDidChangeEffectiveAppearance() override
    {
        changes.push_back(effectiveAppearance()->name());
        events.push_back("changed");
    }
    void drawRect(NSRect) override
    {
        events.push_back(NSAppearance::currentDrawingAppearance()->isDark() ? "drew dark" : "drew light");
        NSColor::windowBackgroundColor()->setFill();
        NSRectFill(bounds());
    }
    std::vector<String> changes;
    std::vector<std::string> events;
};

using AppearanceTest = DrawingTest;

TEST_F(AppearanceTest, NamedLooksAreSharedAndMatchByLightness)
{
    auto aqua = NSAppearance::appearanceNamed(NSAppearanceNameAqua);
    auto dark = NSAppearance::appearanceNamed(NSAppearanceNameDarkAqua);
    ASSERT_NE(aqua, nullptr);
    ASSERT_NE(dark, nullptr);
    EXPECT_EQ(aqua, NSAppearance::appearanceNamed("NSAppearanceNameAqua"));
    EXPECT_FALSE(aqua->isDark());
    EXPECT_TRUE(dark->isDark());
    EXPECT_EQ(NSAppearance::appearanceNamed("NSAppearanceNameSepia"), nullptr);
    EXPECT_EQ(dark->bestMatchFromAppearancesWithNames({NSAppearanceNameAqua, NSAppearanceNameDarkAqua}),
              NSAppearanceNameDarkAqua);
    EXPECT_EQ(dark->bestMatchFromAppearancesWithNames({NSAppearanceNameAqua}), String());
    EXPECT_EQ(aqua->bestMatchFromAppearancesWithNames({"Unknown", NSAppearanceNameAqua}), NSAppearanceNameAqua);
}

TEST_F(AppearanceTest, ViewsInheritTheLookOfWindowAndDesktopUnlessTheySetTheirOwn)
{
    auto content = std::make_shared<ListeningView>(NSMakeRect(0, 0, 20, 10));
    auto darkChild = std::make_shared<ListeningView>(NSMakeRect(10, 0, 10, 10));
    content->addSubview(darkChild);
    auto window = makeWindow({20, 10}, content);
    EXPECT_EQ(content->effectiveAppearance()->name(), NSAppearanceNameAqua);

    desktop().setAppearance(simulation::Appearance::Dark);
    EXPECT_EQ(window->effectiveAppearance()->name(), NSAppearanceNameDarkAqua);
    EXPECT_EQ(darkChild->effectiveAppearance()->name(), NSAppearanceNameDarkAqua);

    window->setAppearance(NSAppearance::appearanceNamed(NSAppearanceNameAqua));
    EXPECT_EQ(content->effectiveAppearance()->name(), NSAppearanceNameAqua) << "the window's own wins";
    darkChild->setAppearance(NSAppearance::appearanceNamed(NSAppearanceNameDarkAqua));
    EXPECT_EQ(darkChild->effectiveAppearance()->name(), NSAppearanceNameDarkAqua);

    auto snapshot = window->snapshot(1);
    ASSERT_NE(snapshot, nullptr);
    auto aqua = NSAppearance::appearanceNamed(NSAppearanceNameAqua);
    auto dark = NSAppearance::appearanceNamed(NSAppearanceNameDarkAqua);
    auto light = NSColor::windowBackgroundColor()->componentsForAppearance(*aqua);
    auto darkened = NSColor::windowBackgroundColor()->componentsForAppearance(*dark);
    EXPECT_TRUE(near(pixelAt(*snapshot, 5, 5), pixelOf(light[0], light[1], light[2], 1)));
    EXPECT_TRUE(near(pixelAt(*snapshot, 15, 5), pixelOf(darkened[0], darkened[1], darkened[2], 1)));
}

TEST_F(AppearanceTest, ChangingTheDesktopsLookRedrawsAndTellsTheViewsBeforeTheyDraw)
{
    auto content = std::make_shared<ListeningView>(NSMakeRect(0, 0, 10, 10));
    auto child = std::make_shared<ListeningView>(NSMakeRect(0, 0, 5, 5));
    content->addSubview(child);
    auto window = makeWindow({10, 10}, content);
    window->displayIfNeeded();
    auto before = pixelAt(*window->snapshot(window->backingScaleFactor()), 1, 1);
    EXPECT_TRUE(content->changes.empty()) << "the first look is no change";

    desktop().setAppearance(simulation::Appearance::Dark);
    window->displayIfNeeded();
    EXPECT_EQ(content->changes, std::vector<String>{NSAppearanceNameDarkAqua});
    EXPECT_EQ(child->changes, std::vector<String>{NSAppearanceNameDarkAqua});
    EXPECT_EQ(content->events, (std::vector<std::string>{"drew light", "changed", "drew dark"}));
    auto after = pixelAt(*window->snapshot(window->backingScaleFactor()), 1, 1);
    EXPECT_LT(after.r, before.r) << "redrawn dark without anything marked by hand";

    // A view with a look of its own hears nothing of the desktop's.
    child->setAppearance(NSAppearance::appearanceNamed(NSAppearanceNameDarkAqua));
    desktop().setAppearance(simulation::Appearance::Light);
    window->displayIfNeeded();
    EXPECT_EQ(content->changes.size(), 2u);
    EXPECT_EQ(child->changes.size(), 1u);
}

}  // namespace
