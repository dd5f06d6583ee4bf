#include "Kestrova/ActiveState.h"

#include "Kestrova/AppStateContext.h"
#include "Kestrova/InactiveState.h"
#include "Kestrova/MainWindowController.h"
#include "Kestrova/ProgramActivation.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSWorkspace.h"

#include <memory>

namespace {

// Object equality, where two missing applications count as the same.
bool sameApplication(const std::shared_ptr<NSRunningApplication>& a, const std::shared_ptr<NSRunningApplication>& b)
{
    if (!a || !b)
        return !a && !b;
    return a->isEqual(Id(b));
}

}  // namespace

void ActiveState::handleGlobalShortcut()
{
    // Mini mode has no main window to bring forward; the popover stays as
    // it is.
    if (!context_.mainWindowController())
        return;
    activateProgram(context_);
    if (auto controller = context_.mainWindowController())
        controller->showWindow(Id());
}

void ActiveState::handleResignActive()
{
    auto current = NSRunningApplication::currentApplication();
    auto previous = context_.previousApplication();
    if (!sameApplication(current, previous)) {
        // Only when the user went back to where they came from (hiding the
        // switcher) is that application activated again; one they clicked
        // keeps the focus it took.
        auto frontmost = NSWorkspace::sharedWorkspace().frontmostApplication();
        if (previous && sameApplication(previous, frontmost))
            previous->activateWithOptions(0);
    }
    context_.hideSwitcher();
    // Replaces this state: nothing of it may be touched afterwards.
    context_.setAppState(std::make_shared<InactiveState>(context_));
}
