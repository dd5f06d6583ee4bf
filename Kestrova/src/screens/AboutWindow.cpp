#include "Kestrova/AboutWindow.h"

#include "Kestrova/FatalError.h"
#include "appkit/NSApplication.h"

void AboutWindow::close()
{
    NSWindow::close();
    auto application = NSApp();
    if (!application)
        fatalError("Expect the shared application to exist");
    application->hide(Id());
}
