#include "Kestrova/SystemVersion.h"

#include "simulation/SimulatedDesktop.h"

bool isMacOS14OrLater()
{
    // The system's version lives with the desktop the program runs on; the
    // process-information class that would answer it is not part of the
    // framework stand-ins yet.
    return simulation::SimulatedDesktop::current()->operatingSystemVersion().majorVersion >= 14;
}
