#pragma once

#include "appkit/NSViewController.h"

// One application's windows, pushed by the "Windows" segue of the main
// list and of mini mode.
class WindowsViewController : public NSViewController {
    KS_OBJECT(WindowsViewController, NSViewController)

public:
    using NSViewController::NSViewController;
};
