#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

// The one source of time for everything that waits: run loops, timers, the
// main queue and delayed performs. Programs run on the real clock; tests put
// a virtual clock in its place so that deferred work runs when the test says
// and nothing ever sleeps.
class Clock {
public:
    virtual ~Clock() = default;

    // Seconds since an arbitrary start that never goes backwards.
    virtual double now() const = 0;

    // Blocks the calling thread, which holds `lock`, until `deadline` (in this
    // clock's time) has come or `wake` is notified; without a deadline only a
    // notification ends the wait. May return early: callers look again.
    virtual void wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                      std::optional<double> deadline) = 0;

    // The clock of the process. Replacing it moves the work already scheduled
    // on every run loop to the new clock, each item keeping the time it still
    // had to wait.
    static std::shared_ptr<Clock> current();
    static void setCurrent(std::shared_ptr<Clock> clock);
};
