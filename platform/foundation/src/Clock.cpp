#include "foundation/Clock.h"

#include "foundation/NSRunLoop.h"
#include "foundation/RealClock.h"

namespace {

std::mutex& clockMutex()
{
    static auto* mutex = new std::mutex();
    return *mutex;
}

std::shared_ptr<Clock>& processClock()
{
    static auto* clock = new std::shared_ptr<Clock>(std::make_shared<RealClock>());
    return *clock;
}

}  // namespace

std::shared_ptr<Clock> Clock::current()
{
    std::lock_guard lock(clockMutex());
    return processClock();
}

void Clock::setCurrent(std::shared_ptr<Clock> clock)
{
    if (!clock)
        clock = std::make_shared<RealClock>();
    std::shared_ptr<Clock> previous;
    {
        std::lock_guard lock(clockMutex());
        previous = std::exchange(processClock(), clock);
    }
    if (previous == clock)
        return;
    NSRunLoop::wakeAll();
    // Deadlines are numbers on one clock; on another they keep only the time
    // they still had to wait.
    double oldNow = previous->now();
    double newNow = clock->now();
    NSRunLoop::rebaseAll(oldNow, newNow);
}
