#include "servicemanagement/SMLoginItem.h"

#include "simulation/SimulatedDesktop.h"

bool SMLoginItemSetEnabled(const String& identifier, bool enabled)
{
    return simulation::SimulatedDesktop::current()->setLoginItemEnabled(identifier, enabled);
}
