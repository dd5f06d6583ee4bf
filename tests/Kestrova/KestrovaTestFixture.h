#pragma once

#include "Kestrova/AppDelegate.h"
#include "Kestrova/FatalError.h"
#include "Kestrova/ShortcutRegistry.h"
#include "Kestrova/StoryboardClasses.h"
#include "TemporaryFolder.h"
#include "TestDesktops.h"
#include "appkit/NSApplication.h"
#include "appkit/NSEvent.h"
#include "appkit/NSImage.h"
#include "appkit/NSStoryboard.h"
#include "appkit/NSWindow.h"
#include "foundation/NSBundle.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"
#include "simulation/SimulatedDesktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// What a stopped program said, thrown by the tests' fatal-error handler.
struct ProgramStopped : std::runtime_error {
    explicit ProgramStopped(const String& message)
        : std::runtime_error(message.utf8())
    {
    }
};

// The program's own bundle as the build lays it out.
inline std::string builtAppBundle()
{
    return KESTROVA_APP_BUNDLE;
}

inline std::string readFile(const std::string& path)
{
    return TemporaryFolder::read(path);
}

// A desktop with the program (an accessory application), Finder frontmost
// and Safari, on macOS 14 unless a test says otherwise.
struct DesktopOptions {
    int majorVersion = 14;
    bool trusted = true;
    int loginHelpers = 0;
    // The system knows the login helper as a login item (off), so that its
    // registration is accepted.
    bool helperLoginItem = false;
};

inline simulation::DesktopState switcherDesktop(DesktopOptions options = {})
{
    simulation::DesktopState state = test_desktops::withProgram(options.majorVersion);
    for (int i = 0; i < options.loginHelpers; ++i)
        state.applications.push_back(
            {.pid = 400 + i,
             .bundleIdentifier = String("com.kestrova.KestrovaHelper"),
             .localizedName = String("KestrovaHelper"),
             .bundlePath = String("/Applications/Kestrova.app/Contents/Library/LoginItems/KestrovaHelper.app"),
             .activationPolicy = simulation::ActivationPolicy::Prohibited});
    if (options.helperLoginItem)
        state.loginItems.push_back({.bundleIdentifier = String("com.kestrova.KestrovaHelper")});
    state.trusted = options.trusted;
    return state;
}

// Everything a test of the program needs around it: a virtual clock, its own
// desktop, a home of its own (so the user defaults start empty), the built
// bundle as the main bundle, a fresh shared application, and a fatal-error
// handler that throws.
class KestrovaTest : public ::testing::Test {
public:
    static constexpr pid_t kOwn = test_desktops::kProgramPid;
    static constexpr pid_t kFinder = test_desktops::kFinderPid;
    static constexpr pid_t kSafari = test_desktops::kSafariPid;

    explicit KestrovaTest(DesktopOptions options = {})
        : desktop_(switcherDesktop(options))
    {
        registerStoryboardClasses();
        NSApplication::resetForTesting();
        NSImage::resetNamedImagesForTesting();
        useBundle(builtAppBundle());
        setHomeDirectory(String(home_.path()));
        NSUserDefaults::resetStandardUserDefaults(String(home_.path()), "com.kestrova.Kestrova");
        ShortcutRegistry::resetSharedForTesting();
        previousHandler_ = setFatalErrorHandler([](const String& message) { throw ProgramStopped(message); });
        NSDistributedNotificationCenter::defaultCenter().setPostHook([this](const NSNotification& notification) {
            posted_.push_back(notification.name().utf8() + " " +
                              (notification.object().string() ? notification.object().string()->utf8() : "nil"));
        });
    }

    ~KestrovaTest() override
    {
        NSDistributedNotificationCenter::defaultCenter().setPostHook(nullptr);
        resetProgram();
        setFatalErrorHandler(previousHandler_);
        NSBundle::setMainBundle(nullptr);
    }

    // Takes the program down for a fresh start: its windows off the screen
    // (a shown window and its controller keep each other alive), its
    // storyboard objects, the shared application and the shortcut registry
    // gone.
    void resetProgram()
    {
        if (auto application = NSApp())
            for (const auto& window : application->orderedWindows())
                window->orderOut(Id());
        objects_.reset();
        NSApplication::resetForTesting();
        ShortcutRegistry::resetSharedForTesting();
    }

    void useBundle(const std::string& path) { NSBundle::setMainBundle(NSBundle::bundleWithPath(String(path))); }

    // The current desktop: the fixture's, or one a test put in its place.
    simulation::SimulatedDesktop& desktop() { return *simulation::SimulatedDesktop::current(); }
    std::shared_ptr<NSApplication> app() { return NSApplication::sharedApplication(); }
    NSUserDefaults& defaults() { return NSUserDefaults::standardUserDefaults(); }
    TemporaryFolder& home() { return home_; }
    const std::vector<std::string>& posted() const { return posted_; }

    // Runs what is due on the main queue.
    void drain() { clock_.advance(0); }
    void advance(double seconds) { clock_.advance(seconds); }

    // The application scene of the main storyboard, as the program's main
    // function makes it.
    std::shared_ptr<AppDelegate> loadApplicationScene()
    {
        auto storyboard = NSStoryboard::mainStoryboard();
        if (!storyboard)
            return nullptr;
        objects_ = storyboard->instantiateApplicationScene(app());
        if (!objects_)
            return nullptr;
        return std::dynamic_pointer_cast<AppDelegate>(objects_->objectWithIdentifier("delegate"));
    }

    // Loads the application scene and finishes launching, as a start of the
    // program does.
    std::shared_ptr<AppDelegate> launch()
    {
        auto delegate = loadApplicationScene();
        app()->finishLaunching();
        drain();
        return delegate;
    }

    // The global shortcut, as the library sends it.
    void pressGlobalShortcut(AppDelegate& delegate)
    {
        delegate.performSelector("performShortcutAction:", Id());
        drain();
    }

    // A mouse event at a point of the window (its base coordinates), as the
    // window server sends it.
    void mouse(NSWindow& window, NSEventType type, NSPoint point)
    {
        app()->sendEvent(NSEvent::mouseEventWithType(type, point, 0, 0, window.windowNumber(), Id(), 0, 1,
                                                     type == NSEventTypeLeftMouseUp ? 0 : 1));
    }

    void sendKey(unsigned short keyCode, const String& characters, NSEventModifierFlags flags = 0)
    {
        auto key = app()->keyWindow();
        NSInteger number = key ? key->windowNumber() : 0;
        app()->sendEvent(NSEvent::keyEventWithType(NSEventTypeKeyDown, NSZeroPoint, flags, 0, number, Id(), characters,
                                                   characters, false, keyCode));
        drain();
    }

    // Our windows of a class that are on screen.
    template <class T> std::vector<std::shared_ptr<NSWindow>> visibleWindowsOf()
    {
        std::vector<std::shared_ptr<NSWindow>> result;
        for (const auto& window : app()->orderedWindows())
            if (window->isKindOf<T>())
                result.push_back(window);
        return result;
    }

    // The activation requests the program made, as "<target> <selector> <options>".
    std::vector<std::string> programActivations()
    {
        std::vector<std::string> result;
        for (const auto& record : desktop().activations()) {
            if (record.requester != kOwn)
                continue;
            std::string text =
                std::to_string(record.target) + " " + record.via.utf8() + " " + std::to_string(record.options);
            if (record.fromApplication)
                text += " from " + std::to_string(*record.fromApplication);
            result.push_back(text);
        }
        return result;
    }

private:
    ScopedVirtualClock clock_;
    simulation::ScopedDesktop desktop_;
    TemporaryFolder home_;
    FatalErrorHandler previousHandler_;
    std::optional<NSStoryboard::TopLevelObjects> objects_;
    std::vector<std::string> posted_;
};
