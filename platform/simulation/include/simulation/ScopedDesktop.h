#pragma once

#include "simulation/DesktopState.h"
#include "simulation/SimulatedDesktop.h"

#include <memory>

namespace textinput {
class KeyboardLayoutRegistry;
}

namespace simulation {

// Puts a desktop in place as the current one for a scope (a test) and brings
// back the one before, and the keyboard layouts the text-input calls answered
// from before (so that it nests with a scoped layout registry).
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
    std::shared_ptr<textinput::KeyboardLayoutRegistry> previousLayouts_;
    std::shared_ptr<SimulatedDesktop> previous_;
};

}  // namespace simulation
