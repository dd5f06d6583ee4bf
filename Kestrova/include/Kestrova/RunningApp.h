#pragma once

#include "Kestrova/A11yElement.h"
#include "appkit/NSRunningApplication.h"

#include <memory>

// A running application as the switcher lists it: the application as the
// workspace reports it, and the Accessibility element made for its process.
// Copies share both objects.
struct RunningApp {
    std::shared_ptr<NSRunningApplication> runningApplication;
    std::shared_ptr<A11yElement> a11yElement;
};
