#pragma once

#include "coregraphics/CGBase.h"
#include "foundation/String.h"
#include "simulation/AccessibilityFailures.h"
#include "simulation/SimulatedWindow.h"

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace simulation {

// With the platform's raw values.
enum class ActivationPolicy : std::int64_t {
    Regular = 0,     // Dock icon and menu bar
    Accessory = 1,   // no Dock icon, may have windows
    Prohibited = 2,  // background only; can't be activated
};

const char* activationPolicyName(ActivationPolicy policy);

// One process of the simulated desktop, or (with pid 0) the bundle that a
// launch makes one from.
struct SimulatedApplication {
    pid_t pid = 0;
    std::optional<String> bundleIdentifier = std::nullopt;
    std::optional<String> localizedName = std::nullopt;
    // The bundle's folder; its file URL is the bundle URL.
    std::optional<String> bundlePath = std::nullopt;
    ActivationPolicy activationPolicy = ActivationPolicy::Regular;
    // Where the application's icon comes from: an image file, else an image
    // by name; with neither (or a file that isn't there) the system makes
    // one for it, as it shows a generic icon.
    std::optional<String> iconFile = std::nullopt;
    std::optional<String> iconName = std::nullopt;
    bool hidden = false;
    // Set once the application has quit. A description may list a terminated
    // application among the running ones, as the workspace can still report
    // one for a moment after it quit.
    bool terminated = false;
    // The process the program under test runs as.
    bool ownProcess = false;
    // Front to back.
    std::vector<SimulatedWindow> windows = {};
    // 0: none.
    CGWindowID mainWindow = 0;
    CGWindowID focusedWindow = 0;
    AccessibilityFailures failures = {};

    const SimulatedWindow* window(CGWindowID number) const;
    SimulatedWindow* window(CGWindowID number);
};

}  // namespace simulation
