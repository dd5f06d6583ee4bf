#pragma once

#include "foundation/VirtualClock.h"

#include <memory>

// Puts a virtual clock in place for the scope of a test and the real one (or
// whatever was there) back afterwards. Timed work still pending on the main
// run loop when the scope ends is dropped with it, so that nothing a test left
// behind runs in the next one.
class ScopedVirtualClock {
public:
    explicit ScopedVirtualClock(double start = 0);
    ~ScopedVirtualClock();
    ScopedVirtualClock(const ScopedVirtualClock&) = delete;
    ScopedVirtualClock& operator=(const ScopedVirtualClock&) = delete;

    VirtualClock& clock() { return *clock_; }
    void advance(double seconds) { clock_->advance(seconds); }
    double now() const { return clock_->now(); }

private:
    std::shared_ptr<VirtualClock> clock_;
    std::shared_ptr<Clock> previous_;
};
