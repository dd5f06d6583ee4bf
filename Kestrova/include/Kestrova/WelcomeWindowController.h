#pragma once

#include "appkit/NSWindowController.h"

// The controller of the welcome window (the "Welcome" scene), shown at
// launch until the user has seen it once.
class WelcomeWindowController : public NSWindowController {
    KS_OBJECT(WelcomeWindowController, NSWindowController)

public:
    using NSWindowController::NSWindowController;

    // The welcome is closed, not kept in the Dock or enlarged: its
    // miniaturize and zoom buttons are hidden, where it has them.
    void windowDidLoad() override;
};
