#pragma once

#include "appkit/NSViewController.h"

// The switcher's list of running applications in the main window: the root
// child of the "Navigation" scene.
class MainViewController : public NSViewController {
    KS_OBJECT(MainViewController, NSViewController)

public:
    using NSViewController::NSViewController;
};
