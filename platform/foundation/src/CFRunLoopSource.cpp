#include "foundation/CFRunLoopSource.h"

#include "foundation/NSRunLoop.h"

#include <algorithm>

std::shared_ptr<CFRunLoopSource> CFRunLoopSource::create(std::function<void()> perform, CFIndex order)
{
    return std::make_shared<CFRunLoopSource>(std::move(perform), order);
}

CFRunLoopSource::CFRunLoopSource(std::function<void()> perform, CFIndex order)
    : order_(order)
    , perform_(std::move(perform))
{
}

CFRunLoopSource::~CFRunLoopSource() = default;

void CFRunLoopSource::signal()
{
    if (!isValid())
        return;
    signalled_ = true;
    std::vector<NSRunLoop*> runLoops;
    {
        std::lock_guard lock(mutex_);
        runLoops = runLoops_;
    }
    for (NSRunLoop* runLoop : runLoops)
        runLoop->wakeUp();
}

void CFRunLoopSource::invalidate()
{
    if (!valid_.exchange(false))
        return;
    signalled_ = false;
    // Kept alive while the run loops let go of it.
    auto self = shared_from_this();
    std::vector<NSRunLoop*> runLoops;
    std::function<void()> perform;
    {
        std::lock_guard lock(mutex_);
        runLoops = runLoops_;
        perform = std::move(perform_);
    }
    for (NSRunLoop* runLoop : runLoops)
        runLoop->removeSource(self);
}

bool CFRunLoopSource::performIfSignalled()
{
    if (!isValid() || !signalled_.exchange(false))
        return false;
    std::function<void()> perform;
    {
        std::lock_guard lock(mutex_);
        perform = perform_;
    }
    if (perform)
        perform();
    return true;
}

void CFRunLoopSource::addedTo(NSRunLoop* runLoop)
{
    std::lock_guard lock(mutex_);
    runLoops_.push_back(runLoop);
}

void CFRunLoopSource::removedFrom(NSRunLoop* runLoop)
{
    std::lock_guard lock(mutex_);
    std::erase(runLoops_, runLoop);
}
