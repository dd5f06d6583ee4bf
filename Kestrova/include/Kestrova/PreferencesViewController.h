#pragma once

#include "appkit/NSViewController.h"

// The preferences, shown in the status item's popover (the
// "PreferencesViewController" scene).
class PreferencesViewController : public NSViewController {
    KS_OBJECT(PreferencesViewController, NSViewController)

public:
    using NSViewController::NSViewController;
};
