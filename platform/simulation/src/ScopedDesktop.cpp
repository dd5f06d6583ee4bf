#include "simulation/ScopedDesktop.h"

#include <utility>

namespace simulation {

ScopedDesktop::ScopedDesktop(std::shared_ptr<SimulatedDesktop> desktop)
    : desktop_(std::move(desktop))
    , previous_(SimulatedDesktop::exchangeCurrent(desktop_))
{
}

ScopedDesktop::ScopedDesktop(DesktopState state)
    : ScopedDesktop(std::make_shared<SimulatedDesktop>(std::move(state)))
{
}

ScopedDesktop::~ScopedDesktop() { SimulatedDesktop::setCurrent(std::move(previous_)); }

}  // namespace simulation
