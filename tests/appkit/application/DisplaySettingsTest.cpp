// The desktop settings that controls are drawn by: looks, contrast, tint and
// layout direction, and how programs hear of their changes.
#include "AppKitTestFixture.h"
#include "appkit/NSAppearance.h"
#include "appkit/NSColor.h"
#include "appkit/NSView.h"
#include "appkit/NSWorkspace.h"
#include "foundation/NSNotification.h"
#include "foundation/NSNotificationCenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class DisplaySettingsTest : public AppKitTest { };

TEST_F(DisplaySettingsTest, EveryLookIsKnownByNameAndMatchesTheClosestListedOne)
{
    const std::vector<NSAppearanceName> standard = {NSAppearanceNameAqua, NSAppearanceNameVibrantLight,
                                                    NSAppearanceNameVibrantDark, NSAppearanceNameDarkAqua};
    struct Case {
        NSAppearanceName name;
        bool dark;
        NSAppearanceName best;
    } cases[] = {
        {NSAppearanceNameVibrantLight, false, NSAppearanceNameVibrantLight},
        {NSAppearanceNameVibrantDark, true, NSAppearanceNameVibrantDark},
        // The same lightness and vibrancy beat the first of the same lightness.
        {NSAppearanceNameAccessibilityHighContrastDarkAqua, true, NSAppearanceNameDarkAqua},
        {NSAppearanceNameAccessibilityHighContrastVibrantDark, true, NSAppearanceNameVibrantDark},
        {NSAppearanceNameAccessibilityHighContrastVibrantLight, false, NSAppearanceNameVibrantLight},
        {NSAppearanceNameAccessibilityHighContrastAqua, false, NSAppearanceNameAqua},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.utf8());
        auto appearance = NSAppearance::appearanceNamed(c.name);
        ASSERT_TRUE(appearance);
        EXPECT_EQ(appearance, NSAppearance::appearanceNamed(c.name));
        EXPECT_EQ(appearance->isDark(), c.dark);
        EXPECT_EQ(appearance->bestMatchFromAppearancesWithNames(standard), c.best);
    }
    // Without one of the same vibrancy, the lightness decides.
    EXPECT_EQ(NSAppearance::appearanceNamed(NSAppearanceNameVibrantDark)
                  ->bestMatchFromAppearancesWithNames({NSAppearanceNameAqua, NSAppearanceNameDarkAqua}),
              NSAppearanceNameDarkAqua);
}

TEST_F(DisplaySettingsTest, ContrastAndTintAreReadFromTheDesktopAndTheirChangesPostedOnTheMainQueue)
{
    app();
    EXPECT_FALSE(NSWorkspace::sharedWorkspace().accessibilityDisplayShouldIncreaseContrast());
    EXPECT_EQ(NSColor::currentControlTint(), NSDefaultControlTint);

    std::vector<std::string> log;
    auto& workspace = NSWorkspace::sharedWorkspace();
    auto options = workspace.notificationCenter().addObserverForName(
        NSWorkspaceAccessibilityDisplayOptionsDidChangeNotification, Id(), [&](NSNotification& notification) {
            log.push_back("options " + std::to_string(workspace.accessibilityDisplayShouldIncreaseContrast()) +
                          (notification.object().objectPointer() == &workspace ? " from the workspace" : ""));
        });
    auto tint = NSNotificationCenter::defaultCenter().addObserverForName(
        NSControlTintDidChangeNotification, Id(),
        [&](NSNotification&) { log.push_back("tint " + std::to_string(NSColor::currentControlTint())); });

    desktop().setIncreaseContrast(true);
    desktop().setControlTint(simulation::ControlTint::Graphite);
    EXPECT_TRUE(log.empty());
    drain();
    desktop().setIncreaseContrast(true);  // no change, no notice
    desktop().setControlTint(simulation::ControlTint::Blue);
    drain();
    EXPECT_EQ(log, (std::vector<std::string>{"options 1 from the workspace", "tint 6", "tint 1"}));

    workspace.notificationCenter().removeObserver(*options);
    NSNotificationCenter::defaultCenter().removeObserver(*tint);
}

TEST_F(DisplaySettingsTest, AViewHasTheApplicationsLayoutDirectionUntilItIsGivenItsOwn)
{
    auto view = std::make_shared<NSView>();
    EXPECT_EQ(view->userInterfaceLayoutDirection(), NSUserInterfaceLayoutDirectionLeftToRight);
    app()->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft);
    EXPECT_EQ(view->userInterfaceLayoutDirection(), NSUserInterfaceLayoutDirectionRightToLeft);

    std::vector<Id> seen;
    auto token = observe(*view, "userInterfaceLayoutDirection", NSKeyValueObservingOptionNew,
                         [&](const KeyValueChange& change) { seen.push_back(change.newValue); });
    view->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionLeftToRight);
    view->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionLeftToRight);
    app()->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionLeftToRight);
    EXPECT_EQ(view->userInterfaceLayoutDirection(), NSUserInterfaceLayoutDirectionLeftToRight);
    EXPECT_EQ(seen, (std::vector<Id>{Id::number(NSInteger(NSUserInterfaceLayoutDirectionLeftToRight))}));
}

}  // namespace
