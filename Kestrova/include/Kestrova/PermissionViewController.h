#pragma once

#include "appkit/NSViewController.h"
#include "foundation/Id.h"

// Stands in for the switcher while the process is not trusted for
// Accessibility (the "Permission" scene), in the main window and in the
// mini-mode popover alike.
class PermissionViewController : public NSViewController {
    KS_OBJECT(PermissionViewController, NSViewController)

public:
    using NSViewController::NSViewController;

    // The scene's button: asks the system for Accessibility trust with its
    // prompt. The screen stays as it is; the next opening of the switcher
    // checks the trust again.
    void buttonDidAction(const Id& sender);

protected:
    static void describe(ClassDescriptor& d);
};
