#pragma once

#include "Kestrova/AppViewItem.h"
#include "Kestrova/RunningApp.h"
#include "Kestrova/WindowManager.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSRunningApplication.h"
#include "simulation/SimulatedKeyboard.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the tests of the switcher's views share: the program launched once
// and opened by the global shortcut, keys typed on the keyboard, stored
// per-application shortcuts, and applications added to the desktop.
class SwitcherTest : public KestrovaTest {
public:
    static constexpr std::uint16_t kS = 1;
    static constexpr std::uint16_t kW = 13;
    static constexpr std::uint16_t kReturn = 36;
    static constexpr std::uint16_t kTab = 48;
    static constexpr std::uint16_t kEscape = 53;
    static constexpr std::uint16_t kDown = 125;
    static constexpr std::uint64_t kCommand = 0x100000;
    static constexpr std::uint64_t kCommandOption = kCommand | 0x80000;

protected:
    explicit SwitcherTest(DesktopOptions options = {})
        : KestrovaTest(options)
    {
        WindowManager::resetSharedForTesting();
        defaults().setBool(false, "firstLaunch");
    }

    // Launches the program on first use, then presses the global shortcut.
    void openSwitcher()
    {
        if (!delegate)
            delegate = launch();
        pressGlobalShortcut(*delegate);
    }

    // The same, with the global shortcut (Control-Tab) typed on the keyboard.
    void typeGlobalShortcut()
    {
        if (!delegate)
            delegate = launch();
        press(kTab, NSEventModifierFlagControl);
    }

    // Takes the program down, so that the next opening launches it afresh,
    // with Finder in front.
    void relaunch()
    {
        resetProgram();
        delegate = nullptr;
        desktop().setHidden(kOwn, false);
        desktop().activate(kFinder);
    }

    // A key typed on the keyboard, as the user types it.
    void press(std::uint16_t keyCode, std::uint64_t flags = 0)
    {
        desktop().keyboard()->pressKey(keyCode, flags);
        drain();
    }

    // Stored as an earlier run left them, and read afresh.
    void storeShortcuts(Dictionary shortcuts)
    {
        defaults().setObject(Id(std::move(shortcuts)), "shortcuts");
        ShortcutRegistry::resetSharedForTesting();
    }

    // A regular application with windows of these titles (none: a window
    // without a title).
    void addApplication(pid_t pid, const std::string& name,
                        const std::vector<std::optional<std::string>>& windowTitles = {})
    {
        simulation::SimulatedApplication application{.pid = pid, .localizedName = String(name)};
        for (const auto& title : windowTitles)
            application.windows.push_back({.title = title ? std::optional<String>(String(*title)) : std::nullopt});
        ASSERT_TRUE(desktop().addRunningApplication(std::move(application)));
    }

    // A tile of the main list with its view loaded from the nib.
    static std::shared_ptr<AppViewItem> loadTile()
    {
        auto tile = std::make_shared<AppViewItem>();
        tile->setNibName("AppViewItem");
        tile->view();
        return tile;
    }

    static RunningApp runningApp(pid_t pid)
    {
        return {NSRunningApplication::runningApplicationWithProcessIdentifier(pid), A11yElement::forApplication(pid)};
    }

    std::shared_ptr<AppDelegate> delegate;
};
