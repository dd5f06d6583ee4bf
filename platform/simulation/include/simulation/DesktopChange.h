#pragma once

#include "coregraphics/CGBase.h"

#include <sys/types.h>

namespace simulation {

// What the world tells its listeners after it changed, so that the framework
// layers can post their own notifications (workspace launches, activations,
// terminations).
struct DesktopChange {
    enum class Kind {
        ApplicationLaunched,
        ApplicationTerminated,
        // `pid` is the new frontmost application (0: none), `previousPid`
        // the one before (0: none).
        FrontmostApplicationChanged,
        ApplicationHidden,
        ApplicationUnhidden,
        ActivationPolicyChanged,
        OwnProcessChanged,
        WindowOpened,
        WindowClosed,
        // Came to the front of its application and became main and focused.
        WindowRaised,
        WindowFocused,
        // Title, frame or minimised state.
        WindowChanged,
        TrustChanged,
        TrustPrompted,
        LoginItemChanged,
        PointerWarped,
        EventPosted,
        ScreensChanged,
        OperatingSystemVersionChanged,
        AppearanceChanged,
        AccessibilityDisplayOptionsChanged,
        ControlTintChanged,
    };

    Kind kind = Kind::ApplicationLaunched;
    pid_t pid = 0;
    pid_t previousPid = 0;
    CGWindowID window = 0;
};

}  // namespace simulation
