#include "Kestrova/InactiveState.h"

#include "Kestrova/ActiveState.h"
#include "Kestrova/AppStateContext.h"
#include "Kestrova/ProgramActivation.h"

#include <memory>

void InactiveState::handleGlobalShortcut()
{
    activateProgram(context_);
    context_.showSwitcher();
    // Replaces this state: nothing of it may be touched afterwards.
    context_.setAppState(std::make_shared<ActiveState>(context_));
}
