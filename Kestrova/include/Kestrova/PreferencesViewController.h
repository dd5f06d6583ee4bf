#pragma once

#include "appkit/NSViewController.h"
#include "reactive/DisposeBag.h"

// The preferences, shown in the status item's popover (the
// "PreferencesViewController" scene). Its check boxes are bound to the user
// defaults by the scene; the one thing it does itself is to keep the login
// helper's registration in step with "launchAtLogin" while it exists.
class PreferencesViewController : public NSViewController {
    KS_OBJECT(PreferencesViewController, NSViewController)

public:
    PreferencesViewController() = default;

    // Registers or unregisters the login helper with the current value of
    // "launchAtLogin", then again on every change; an absent value (or one
    // that is not a Boolean) touches nothing.
    void viewDidLoad() override;

private:
    // Ends the observation with the controller.
    reactive::DisposeBag disposeBag_;
};
