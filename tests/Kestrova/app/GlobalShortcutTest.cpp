#include "KestrovaTestFixture.h"

#include "Kestrova/ActiveState.h"
#include "Kestrova/InactiveState.h"
#include "Kestrova/MainWindow.h"
#include "Kestrova/MainWindowController.h"
#include "appkit/NSRunningApplication.h"
#include "simulation/SimulatedKeyboard.h"

namespace {

constexpr std::uint16_t kTab = 48;
constexpr std::uint16_t kSpace = 49;
constexpr std::uint64_t kControl = 0x40000;

class GlobalShortcutTest : public KestrovaTest {
protected:
    void press(std::uint16_t keyCode, std::uint64_t flags)
    {
        desktop().keyboard()->pressKey(keyCode, flags);
        drain();
    }
};

// The storyboard's shortcut controller turns the stored default into a
// system-wide hot key: Control-Tab typed while another application is in
// front reaches the delegate and opens the switcher.
TEST_F(GlobalShortcutTest, ControlTabOnTheKeyboardOpensTheSwitcher)
{
    defaults().setBool(false, "firstLaunch");
    auto delegate = launch();
    ASSERT_TRUE(std::dynamic_pointer_cast<InactiveState>(delegate->appState()));

    press(kTab, kControl);
    ASSERT_TRUE(delegate->previousApplication());
    EXPECT_EQ(delegate->previousApplication()->processIdentifier(), kFinder);
    EXPECT_TRUE(std::dynamic_pointer_cast<ActiveState>(delegate->appState()));
    ASSERT_TRUE(delegate->mainWindowController());
    EXPECT_TRUE(delegate->mainWindowController()->window()->isVisible());
    EXPECT_EQ(desktop().frontmostApplication(), kOwn);
}

// The hot key follows the stored default without the program doing anything.
TEST_F(GlobalShortcutTest, AChangedDefaultMovesTheHotKey)
{
    defaults().setBool(false, "firstLaunch");
    auto delegate = launch();
    defaults().setObject(Id("^ "), "shortcut-Kestrova");  // Control-Space

    press(kTab, kControl);
    EXPECT_TRUE(std::dynamic_pointer_cast<InactiveState>(delegate->appState()));
    press(kSpace, kControl);
    EXPECT_TRUE(std::dynamic_pointer_cast<ActiveState>(delegate->appState()));
}

}  // namespace
