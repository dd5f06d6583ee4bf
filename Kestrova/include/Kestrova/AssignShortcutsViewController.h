#pragma once

#include "appkit/NSViewController.h"

// The list in which the user gives each running application a shortcut,
// shown in the status item's popover (the "AssignShortcutsViewController"
// scene).
class AssignShortcutsViewController : public NSViewController {
    KS_OBJECT(AssignShortcutsViewController, NSViewController)

public:
    using NSViewController::NSViewController;
};
