#include "foundation/ScopedVirtualClock.h"

#include "foundation/NSRunLoop.h"

ScopedVirtualClock::ScopedVirtualClock(double start)
    : clock_(std::make_shared<VirtualClock>(start))
    , previous_(Clock::current())
{
    Clock::setCurrent(clock_);
}

ScopedVirtualClock::~ScopedVirtualClock()
{
    NSRunLoop::mainRunLoop().discardPendingWork();
    Clock::setCurrent(previous_);
}
