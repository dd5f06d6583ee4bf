#pragma once

#include "appkit/NSViewController.h"

// The switcher of mini mode: the root child of the
// "MiniNavigationController" scene, shown in the popover under the status
// item.
class MiniViewController : public NSViewController {
    KS_OBJECT(MiniViewController, NSViewController)

public:
    using NSViewController::NSViewController;
};
