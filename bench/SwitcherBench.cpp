// From the global shortcut to the switcher's window on screen: the delegate
// records the frontmost application, the inactive state activates the
// program, the main scene is made from the storyboard (window, navigation
// controller, main list, background panel), and the window is shown and
// made key. The desktop runs 50 applications.

#include "Kestrova/AppDelegate.h"
#include "Kestrova/MainWindowController.h"
#include "Kestrova/StoryboardClasses.h"
#include "appkit/NSApplication.h"
#include "appkit/NSStoryboard.h"
#include "appkit/NSWindow.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

simulation::DesktopState fiftyApplications()
{
    simulation::DesktopState state;
    state.applications.push_back({.pid = 100,
                                  .bundleIdentifier = String("com.kestrova.Kestrova"),
                                  .localizedName = String("Kestrova"),
                                  .activationPolicy = simulation::ActivationPolicy::Accessory,
                                  .ownProcess = true});
    for (int i = 1; i < 50; ++i) {
        std::string name = "Application " + std::to_string(i);
        simulation::SimulatedApplication application{.pid = 100 + i,
                                                     .bundleIdentifier = String("com.example.app" + std::to_string(i)),
                                                     .localizedName = String(name)};
        application.windows.push_back({.title = String(name + " window")});
        state.applications.push_back(std::move(application));
    }
    state.frontmostApplication = 101;
    return state;
}

void BM_GlobalShortcutToShownMainWindow(benchmark::State& state)
{
    std::string bundlePath = KESTROVA_BINARY_DIR "/Kestrova/Kestrova.app";
    if (!std::filesystem::exists(bundlePath + "/Contents/Info.plist")) {
        state.SkipWithError("build the Kestrova target first: its bundle holds the storyboard");
        return;
    }
    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop(fiftyApplications());
    std::filesystem::path home = std::filesystem::temp_directory_path() / "kestrova-switcher-bench";
    std::filesystem::remove_all(home);
    setHomeDirectory(String(home.string()));
    NSUserDefaults::resetStandardUserDefaults(String(home.string()), "com.kestrova.Kestrova");
    NSUserDefaults::standardUserDefaults().setBool(false, "firstLaunch");
    NSBundle::setMainBundle(NSBundle::bundleWithPath(String(bundlePath)));
    registerStoryboardClasses();
    NSApplication::resetForTesting();

    auto application = NSApplication::sharedApplication();
    auto objects = NSStoryboard::mainStoryboard()->instantiateApplicationScene(application);
    auto delegate = std::dynamic_pointer_cast<AppDelegate>(objects->objectWithIdentifier("delegate"));
    application->finishLaunching();
    clock.advance(0);

    for (auto _ : state) {
        delegate->performSelector("performShortcutAction:", Id());
        clock.advance(0);
        auto controller = delegate->mainWindowController();
        if (!controller || !controller->window()->isKeyWindow()) {
            state.SkipWithError("the switcher did not come up");
            break;
        }
        state.PauseTiming();
        // Back to where the next press starts: another application in
        // front, the switcher hidden.
        desktop->activate(101);
        clock.advance(0);
        state.ResumeTiming();
    }

    if (auto controller = delegate->mainWindowController())
        controller->close();
    objects.reset();
    NSApplication::resetForTesting();
    NSBundle::setMainBundle(nullptr);
    std::filesystem::remove_all(home);
}

BENCHMARK(BM_GlobalShortcutToShownMainWindow)->Unit(benchmark::kMicrosecond);

}  // namespace
