#pragma once

// The switcher program as its main function starts it, for the benchmarks
// that time what a user's action sets off in it: the built bundle (with the
// storyboard and nibs) as the main bundle, a home of its own with the first
// launch behind it, the application scene loaded and launched, on the
// benchmark's own desktop and a virtual clock.

#include "Kestrova/AppDelegate.h"
#include "Kestrova/MainWindowController.h"
#include "Kestrova/ShortcutRegistry.h"
#include "Kestrova/StoryboardClasses.h"
#include "Kestrova/WindowManager.h"
#include "appkit/NSApplication.h"
#include "appkit/NSStoryboard.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// The program's own process on a benchmark's desktop: an accessory
// application, pid 100.
inline simulation::SimulatedApplication kestrovaProcess()
{
    return {.pid = 100,
            .bundleIdentifier = String("com.kestrova.Kestrova"),
            .localizedName = String("Kestrova"),
            .activationPolicy = simulation::ActivationPolicy::Accessory,
            .ownProcess = true};
}

class LaunchedProgram {
public:
    static std::string bundlePath() { return KESTROVA_BINARY_DIR "/Kestrova/Kestrova.app"; }
    // The benchmark can't run without the built bundle.
    static bool bundleIsBuilt() { return std::filesystem::exists(bundlePath() + "/Contents/Info.plist"); }

    LaunchedProgram(simulation::DesktopState desktop, const std::string& homeName)
        : desktop_(std::move(desktop))
        , home_(std::filesystem::temp_directory_path() / homeName)
    {
        std::filesystem::remove_all(home_);
        setHomeDirectory(String(home_.string()));
        NSUserDefaults::resetStandardUserDefaults(String(home_.string()), "com.kestrova.Kestrova");
        NSUserDefaults::standardUserDefaults().setBool(false, "firstLaunch");
        // The shortcuts are read afresh from the empty home.
        ShortcutRegistry::resetSharedForTesting();
        NSBundle::setMainBundle(NSBundle::bundleWithPath(String(bundlePath())));
        registerStoryboardClasses();
        NSApplication::resetForTesting();
        WindowManager::resetSharedForTesting();

        auto application = NSApplication::sharedApplication();
        objects_ = NSStoryboard::mainStoryboard()->instantiateApplicationScene(application);
        delegate_ = std::dynamic_pointer_cast<AppDelegate>(objects_->objectWithIdentifier("delegate"));
        application->finishLaunching();
        clock_.advance(0);
    }

    ~LaunchedProgram()
    {
        if (auto controller = delegate_->mainWindowController())
            controller->close();
        objects_.reset();
        NSApplication::resetForTesting();
        WindowManager::resetSharedForTesting();
        ShortcutRegistry::resetSharedForTesting();
        NSBundle::setMainBundle(nullptr);
        std::filesystem::remove_all(home_);
    }

    LaunchedProgram(const LaunchedProgram&) = delete;
    LaunchedProgram& operator=(const LaunchedProgram&) = delete;

    AppDelegate& delegate() { return *delegate_; }
    simulation::SimulatedDesktop& desktop() { return desktop_.desktop(); }
    // Runs what is due on the main queue.
    void drain() { clock_.advance(0); }

    // The global shortcut, as the library sends it.
    void pressGlobalShortcut()
    {
        delegate_->performSelector("performShortcutAction:", Id());
        drain();
    }

private:
    ScopedVirtualClock clock_;
    simulation::ScopedDesktop desktop_;
    std::filesystem::path home_;
    std::optional<NSStoryboard::TopLevelObjects> objects_;
    std::shared_ptr<AppDelegate> delegate_;
};
