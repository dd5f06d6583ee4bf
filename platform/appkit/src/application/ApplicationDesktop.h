#pragma once

#include "simulation/DesktopListenerToken.h"

#include <memory>

class NSApplication;

namespace simulation {
class SimulatedDesktop;
struct DesktopChange;
}  // namespace simulation

namespace detail {

// The application's hold on the simulated desktop it runs on. It follows the
// current desktop, so that one put in place by a test is taken up on first
// use, as a program starting on it would find it: our standing (active,
// hidden) is read without notices, the desktop's changes are heard from then
// on, and the keys its keyboard sends our process come in as events.
class ApplicationDesktop {
public:
    // The application owns this and outlives it.
    explicit ApplicationDesktop(NSApplication& application);
    ApplicationDesktop(const ApplicationDesktop&) = delete;
    ApplicationDesktop& operator=(const ApplicationDesktop&) = delete;

    // The current desktop, taken up first when it is a new one.
    std::shared_ptr<simulation::SimulatedDesktop> current();

private:
    void takeUp(const std::shared_ptr<simulation::SimulatedDesktop>& desktop);
    void changed(const simulation::DesktopChange& change);

    NSApplication& application_;
    std::weak_ptr<simulation::SimulatedDesktop> desktop_;
    simulation::DesktopListenerToken listener_;
};

}  // namespace detail
