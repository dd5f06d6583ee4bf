#pragma once

#include "simulation/SimulatedApplication.h"

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <optional>

namespace simulation {
class SimulatedDesktop;
}

namespace detail {

// What an NSRunningApplication stands for: one process of one simulated
// desktop, read from the desktop when asked. Once the process has quit (or
// the desktop is gone) it keeps answering the last state it saw, marked
// terminated.
class RunningProcess {
public:
    RunningProcess(std::weak_ptr<simulation::SimulatedDesktop> desktop, pid_t pid)
        : desktop_(std::move(desktop))
        , pid_(pid)
    {
    }

    pid_t pid() const { return pid_; }
    // nullptr once the desktop is gone.
    std::shared_ptr<simulation::SimulatedDesktop> desktop() const { return desktop_.lock(); }
    // The process as the desktop has it now, or as it was last seen.
    std::optional<simulation::SimulatedApplication> state() const;

private:
    const std::weak_ptr<simulation::SimulatedDesktop> desktop_;
    const pid_t pid_;
    mutable std::mutex mutex_;
    mutable std::optional<simulation::SimulatedApplication> lastSeen_;
};

}  // namespace detail
