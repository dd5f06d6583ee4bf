#pragma once

#include "appkit/NSViewController.h"

// Stands in for the switcher while the process is not trusted for
// Accessibility (the "Permission" scene), in the main window and in the
// mini-mode popover alike.
class PermissionViewController : public NSViewController {
    KS_OBJECT(PermissionViewController, NSViewController)

public:
    using NSViewController::NSViewController;
};
