#pragma once

#include "appkit/NSApplication.h"
#include "appkit/NSEvent.h"
#include "appkit/NSImage.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"
#include "simulation/SimulatedDesktop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A desktop with the program (an accessory application) and two regular
// applications, one of them frontmost, on a virtual clock; a fresh shared
// application for every test.
class AppKitTest : public ::testing::Test {
protected:
    static constexpr pid_t kOwn = 100;
    static constexpr pid_t kFinder = 200;
    static constexpr pid_t kSafari = 300;

    static simulation::DesktopState standardDesktop(int majorVersion = 14)
    {
        simulation::DesktopState state;
        state.applications = {
            {.pid = kOwn,
             .bundleIdentifier = String("com.kestrova.Kestrova"),
             .localizedName = String("Kestrova"),
             .bundlePath = String("/Applications/Kestrova.app"),
             .activationPolicy = simulation::ActivationPolicy::Accessory,
             .ownProcess = true},
            {.pid = kFinder,
             .bundleIdentifier = String("com.apple.finder"),
             .localizedName = String("Finder"),
             .bundlePath = String("/System/Library/CoreServices/Finder.app"),
             .iconName = String("Finder")},
            {.pid = kSafari,
             .bundleIdentifier = String("com.apple.Safari"),
             .localizedName = String("Safari"),
             .bundlePath = String("/Applications/Safari.app")},
        };
        state.installedApplications = {
            {.bundleIdentifier = String("com.example.Notes"),
             .localizedName = String("Notes"),
             .bundlePath = String("/Applications/Notes.app")},
        };
        state.frontmostApplication = kFinder;
        state.operatingSystemVersion.majorVersion = majorVersion;
        return state;
    }

    explicit AppKitTest(simulation::DesktopState state = standardDesktop())
        : desktop_(std::move(state))
    {
        NSApplication::resetForTesting();
        NSImage::resetNamedImagesForTesting();
    }

    ~AppKitTest() override { NSApplication::resetForTesting(); }

    simulation::SimulatedDesktop& desktop() { return desktop_.desktop(); }
    std::shared_ptr<NSApplication> app() { return NSApplication::sharedApplication(); }

    // How often the program did something of this kind that the desktop
    // keeps only in its log (beeps, alerts, the about panel, menus).
    std::size_t recorded(simulation::ProgramRecord::Kind kind) { return desktop().countProgramRecords(kind); }

    // Runs what is due on the main queue.
    void drain() { clock_.advance(0); }
    // Makes the program frontmost and delivers the notices.
    void activateProgram()
    {
        app()->activateIgnoringOtherApps(true);
        drain();
    }

    static std::shared_ptr<NSEvent> keyDown(unsigned short keyCode, const String& characters,
                                            NSEventModifierFlags flags = 0, NSInteger windowNumber = 0)
    {
        return NSEvent::keyEventWithType(NSEventTypeKeyDown, NSZeroPoint, flags, 0, windowNumber, Id(), characters,
                                         characters, false, keyCode);
    }

private:
    ScopedVirtualClock clock_;
    simulation::ScopedDesktop desktop_;
};
