#include "Kestrova/ProgramActivation.h"

#include "Kestrova/AppStateContext.h"
#include "Kestrova/FatalError.h"
#include "Kestrova/SystemVersion.h"
#include "appkit/NSApplication.h"
#include "appkit/NSRunningApplication.h"

namespace {

// All windows, ignoring other applications.
constexpr NSApplicationActivationOptions kActivationOptions =
    NSApplicationActivateAllWindows | NSApplicationActivateIgnoringOtherApps;

}  // namespace

void activateProgram(const AppStateContext& context)
{
    auto application = NSApp();
    if (!application)
        fatalError("The shared application is missing");
    application->unhide(Id());
    auto current = NSRunningApplication::currentApplication();
    if (isMacOS14OrLater()) {
        if (auto previous = context.previousApplication(); previous && current)
            current->activateFromApplication(previous, kActivationOptions);
    }
    if (current)
        current->activateWithOptions(kActivationOptions);
}
