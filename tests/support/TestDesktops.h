#pragma once

// The desktops that tests of several libraries start from, and the one way to
// read a desktop that a test writes out as JSON. A test that needs something
// else describes it next to itself.

#include "simulation/DesktopDescription.h"
#include "simulation/DesktopState.h"

#include <gtest/gtest.h>

#include <sys/types.h>

#include <string_view>
#include <utility>

namespace test_desktops {

// A description written in a test: a mistake in it fails the test that reads
// it, which then goes on with an empty desktop.
inline simulation::DesktopState fromJson(std::string_view json)
{
    auto result = simulation::DesktopDescription::parse(json);
    EXPECT_TRUE(result.ok()) << result.error();
    return result.ok() ? std::move(*result) : simulation::DesktopState{};
}

// Another application in front, and our own process, an accessory, behind
// it: all that the tests of keyboard events, hot keys and event taps need.
inline constexpr pid_t kOtherPid = 10;
inline constexpr pid_t kOwnPid = 40;
inline constexpr std::string_view kOtherInFront = R"({
  "applications": [
    {"pid": 10, "name": "Other", "frontmost": true},
    {"pid": 40, "name": "Self", "activationPolicy": "accessory", "self": true}
  ]
})";

inline simulation::DesktopState otherInFront(bool trusted = true)
{
    simulation::DesktopState state = fromJson(kOtherInFront);
    state.trusted = trusted;
    return state;
}

// The program, Kestrova, as an accessory application, with Finder in front
// and Safari behind it, on macOS 14 unless a test says otherwise; the tests
// of the application framework and of the program add what they need.
inline constexpr pid_t kProgramPid = 100;
inline constexpr pid_t kFinderPid = 200;
inline constexpr pid_t kSafariPid = 300;

inline simulation::DesktopState withProgram(int majorVersion = 14)
{
    simulation::DesktopState state;
    state.applications = {
        {.pid = kProgramPid,
         .bundleIdentifier = String("com.kestrova.Kestrova"),
         .localizedName = String("Kestrova"),
         .bundlePath = String("/Applications/Kestrova.app"),
         .activationPolicy = simulation::ActivationPolicy::Accessory,
         .ownProcess = true},
        {.pid = kFinderPid,
         .bundleIdentifier = String("com.apple.finder"),
         .localizedName = String("Finder"),
         .bundlePath = String("/System/Library/CoreServices/Finder.app")},
        {.pid = kSafariPid,
         .bundleIdentifier = String("com.apple.Safari"),
         .localizedName = String("Safari"),
         .bundlePath = String("/Applications/Safari.app")},
    };
    state.frontmostApplication = kFinderPid;
    state.operatingSystemVersion.majorVersion = majorVersion;
    return state;
}

}  // namespace test_desktops
