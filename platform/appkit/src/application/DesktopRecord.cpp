#include "application/DesktopRecord.h"

#include "simulation/SimulatedDesktop.h"

namespace detail {

void recordOnDesktop(simulation::ProgramRecord record)
{
    auto desktop = simulation::SimulatedDesktop::current();
    record.process = desktop->ownProcess();
    desktop->record(std::move(record));
}

}  // namespace detail
