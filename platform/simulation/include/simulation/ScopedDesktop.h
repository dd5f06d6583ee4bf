#pragma once

#include "simulation/DesktopState.h"
#include "simulation/SimulatedDesktop.h"

#include <memory>

namespace simulation {

// Puts a desktop in place as the current one for a scope (a test) and brings
// back the one before.
class ScopedDesktop {
public:
    explicit ScopedDesktop(std::shared_ptr<SimulatedDesktop> desktop);
    explicit ScopedDesktop(DesktopState state);
    ~ScopedDesktop();
    ScopedDesktop(const ScopedDesktop&) = delete;
    ScopedDesktop& operator=(const ScopedDesktop&) = delete;

    SimulatedDesktop& desktop() { return *desktop_; }
    SimulatedDesktop* operator->() { return desktop_.get(); }

private:
    std::shared_ptr<SimulatedDesktop> desktop_;
    std::shared_ptr<SimulatedDesktop> previous_;
};

}  // namespace simulation
