#include "foundation/VirtualClock.h"

#include "foundation/NSRunLoop.h"

#include <algorithm>

VirtualClock::VirtualClock(double start)
    : now_(start)
{
}

void VirtualClock::wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, std::optional<double>)
{
    wake.wait(lock);
}

void VirtualClock::advance(double seconds)
{
    const double end = now_.load() + std::max(0.0, seconds);
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    // Step from deadline to deadline, so that each piece of work sees the
    // time it was meant for and whatever it schedules takes its turn.
    for (;;) {
        loop.runUntilIdle();
        std::optional<double> next = loop.nextDeadline();
        if (!next || *next > end)
            break;
        // Still due after running until idle: the run loop gave up on work
        // that keeps rescheduling itself, and has said so.
        if (*next <= now_.load())
            break;
        now_ = *next;
        NSRunLoop::wakeAll();
    }
    now_ = end;
    NSRunLoop::wakeAll();
    loop.runUntilIdle();
}
