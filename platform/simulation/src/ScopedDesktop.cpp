#include "simulation/ScopedDesktop.h"

#include "textinput/KeyboardLayoutRegistry.h"

#include <utility>

namespace simulation {

ScopedDesktop::ScopedDesktop(std::shared_ptr<SimulatedDesktop> desktop)
    : desktop_(std::move(desktop))
    , previousLayouts_(textinput::KeyboardLayoutRegistry::current())
    , previous_(SimulatedDesktop::exchangeCurrent(desktop_))
{
}

ScopedDesktop::ScopedDesktop(DesktopState state)
    : ScopedDesktop(std::make_shared<SimulatedDesktop>(std::move(state)))
{
}

ScopedDesktop::~ScopedDesktop()
{
    SimulatedDesktop::setCurrent(std::move(previous_));
    textinput::KeyboardLayoutRegistry::setCurrent(std::move(previousLayouts_));
}

}  // namespace simulation
