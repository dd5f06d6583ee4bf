#pragma once

#include "simulation/DesktopLogs.h"

namespace detail {

// Writes what the program did into the current desktop's log, as coming
// from our process. The transcript and the tests read it there.
void recordOnDesktop(simulation::ProgramRecord record);

}  // namespace detail
