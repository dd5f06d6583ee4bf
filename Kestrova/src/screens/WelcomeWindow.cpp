#include "Kestrova/WelcomeWindow.h"

#include "Kestrova/FatalError.h"
#include "appkit/NSApplication.h"
#include "foundation/NSUserDefaultsController.h"

void WelcomeWindow::close()
{
    NSWindow::close();
    NSUserDefaultsController::sharedUserDefaultsController().setValueForKeyPath(Id::boolean(false),
                                                                                "values.firstLaunch");
    // Hiding makes the application resign active, which takes the switcher
    // back to its inactive state.
    auto application = NSApp();
    if (!application)
        fatalError("Expect the shared application to exist");
    application->hide(Id());
}
