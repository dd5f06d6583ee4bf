#pragma once

#include "foundation/NSRunLoop.h"

#include <functional>

// The main queue, as the application code speaks of it: blocks on it run on
// the main run loop, in the same deadline order as its timers and delayed
// performs, so one clock orders all deferred work.
class DispatchQueue {
public:
    static DispatchQueue& main();

    void async(std::function<void()> work);
    // `delay` seconds from now on the process clock.
    void asyncAfter(double delay, std::function<void()> work);

private:
    explicit DispatchQueue(NSRunLoop& runLoop)
        : runLoop_(runLoop)
    {
    }
    NSRunLoop& runLoop_;
};
