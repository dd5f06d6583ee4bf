#pragma once

#include "foundation/Clock.h"

#include <atomic>

// Time that moves only when told to. `advance` runs, on the calling thread,
// the main run loop's work as it comes due, in time order: each item sees the
// clock at its own deadline, and work that it schedules runs in the same call
// when it falls due before the end of the interval. Run loops of other
// threads are woken to look at the new time themselves.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(double start = 0);

    double now() const override { return now_.load(); }
    // Waits only for a notification: a waiting run loop is woken by `advance`.
    void wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
              std::optional<double> deadline) override;

    void advance(double seconds);

private:
    std::atomic<double> now_;
};
