#pragma once

#include "coregraphics/CGGeometry.h"
#include "foundation/String.h"
#include "simulation/SimulatedApplication.h"

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simulation {

struct Screen {
    // In the global space; the first screen is the main one and has its
    // origin at (0, 0).
    CGRect frame = CGRectMake(0, 0, 1512, 982);
};

struct OperatingSystemVersion {
    int majorVersion = 14;
    int minorVersion = 0;
    int patchVersion = 0;
    friend bool operator==(const OperatingSystemVersion&, const OperatingSystemVersion&) = default;
};

// The look the user chose for the whole desktop.
enum class Appearance { Light, Dark };

// The colour the user chose for selected and pressed controls; Default
// leaves it to the system.
enum class ControlTint { Default, Blue, Graphite, Clear };

// A helper program that can be registered to start at login.
struct LoginItem {
    String bundleIdentifier;
    bool enabled = false;
    // Registration fails, as it does when the helper isn't where the system
    // looks for it.
    bool refuses = false;
};

// Everything a simulated desktop starts from: what a description file holds,
// or what a test builds directly.
struct DesktopState {
    // Workspace order (the order of launching).
    std::vector<SimulatedApplication> applications = {};
    // Bundles that can be launched although they don't run; the bundles of
    // the running applications can be launched too. Their pids are unused and
    // their windows open at launch.
    std::vector<SimulatedApplication> installedApplications = {};
    // 0: the first running application with the regular policy that isn't
    // hidden, if any.
    pid_t frontmostApplication = 0;
    std::vector<Screen> screens = {Screen{}};
    CGPoint pointer = {};
    bool trusted = true;
    Appearance appearance = Appearance::Light;
    // The accessibility display option that draws controls with more contrast.
    bool increaseContrast = false;
    ControlTint controlTint = ControlTint::Default;
    OperatingSystemVersion operatingSystemVersion = {};
    // None: the program keeps its default home folder.
    std::optional<String> homeDirectory = std::nullopt;
    std::vector<LoginItem> loginItems = {};
    // Event types whose creation fails (the raw numbers of the event calls).
    std::vector<std::uint32_t> refusedEventTypes = {};
    // The input source identifier of the selected keyboard layout; none: the
    // U.S. layout.
    std::optional<std::string> keyboardLayout = std::nullopt;
};

}  // namespace simulation
