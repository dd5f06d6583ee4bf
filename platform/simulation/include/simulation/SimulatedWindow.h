#pragma once

#include "coregraphics/CGGeometry.h"
#include "foundation/String.h"
#include "simulation/AccessibilityFailures.h"

#include <optional>

namespace simulation {

// One window of a simulated application, as the Accessibility interface sees
// it. Whether it is its application's main or focused window is kept by the
// application, so that only one of each can exist.
struct SimulatedWindow {
    // Unique on the desktop; 0 asks the world for a fresh number.
    CGWindowID number = 0;
    // None: the title attribute has no value.
    std::optional<String> title = std::nullopt;
    CGRect frame = CGRectMake(100, 100, 800, 600);
    bool minimized = false;
    String role = "AXWindow";
    // "AXStandardWindow" for a document window; dialogs, panels and the like
    // carry others. None: the attribute has no value.
    std::optional<String> subrole = String("AXStandardWindow");
    AccessibilityFailures failures = {};
};

}  // namespace simulation
