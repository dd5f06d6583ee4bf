#pragma once

#include "TestDesktops.h"
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
    static constexpr pid_t kOwn = test_desktops::kProgramPid;
    static constexpr pid_t kFinder = test_desktops::kFinderPid;
    static constexpr pid_t kSafari = test_desktops::kSafariPid;

    // The program's desktop, where Finder has an icon and Notes can be
    // launched.
    static simulation::DesktopState standardDesktop(int majorVersion = 14)
    {
        simulation::DesktopState state = test_desktops::withProgram(majorVersion);
        state.applications[1].iconName = String("Finder");
        state.installedApplications = {
            {.bundleIdentifier = String("com.example.Notes"),
             .localizedName = String("Notes"),
             .bundlePath = String("/Applications/Notes.app")},
        };
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
