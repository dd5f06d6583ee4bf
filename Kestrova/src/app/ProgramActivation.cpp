#include "Kestrova/ProgramActivation.h"

#include "Kestrova/AppDelegate.h"
#include "Kestrova/FatalError.h"
#include "Kestrova/SystemVersion.h"
#include "appkit/NSApplication.h"
#include "appkit/NSRunningApplication.h"

namespace {

// All windows, ignoring other applications.
constexpr NSApplicationActivationOptions kActivationOptions =
    NSApplicationActivateAllWindows | NSApplicationActivateIgnoringOtherApps;

}  // namespace

void activateProgram()
{
    auto application = NSApp();
    if (!application)
        fatalError("The shared application is missing");
    application->unhide(Id());
    auto current = NSRunningApplication::currentApplication();
    if (isMacOS14OrLater()) {
        auto delegate = std::dynamic_pointer_cast<AppDelegate>(application->delegate());
        if (!delegate)
            fatalError("The application's delegate is not an AppDelegate");
        if (auto previous = delegate->previousApplication(); previous && current)
            current->activateFromApplication(previous, kActivationOptions);
    }
    if (current)
        current->activateWithOptions(kActivationOptions);
}
