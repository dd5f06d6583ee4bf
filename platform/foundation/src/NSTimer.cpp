#include "foundation/NSTimer.h"

#include <algorithm>
#include <cmath>

namespace {
// The platform's floor for intervals that are zero or negative.
constexpr double minimumInterval = 0.0001;
}  // namespace

NSTimer::NSTimer(double interval, bool repeats)
    : interval_(interval > 0 ? interval : minimumInterval)
    , repeats_(repeats)
{
}

std::shared_ptr<NSTimer> NSTimer::timerWithTimeInterval(double interval, bool repeats, Block block)
{
    auto timer = std::make_shared<NSTimer>(interval, repeats);
    timer->block_ = std::move(block);
    return timer;
}

std::shared_ptr<NSTimer> NSTimer::timerWithTimeInterval(double interval, NSObject& target, Selector selector,
                                                        const Id& userInfo, bool repeats)
{
    auto timer = std::make_shared<NSTimer>(interval, repeats);
    timer->target_ = &target;
    timer->targetHold_ = target.weak_from_this().lock();
    timer->selector_ = selector;
    timer->userInfo_ = userInfo;
    return timer;
}

std::shared_ptr<NSTimer> NSTimer::scheduledTimerWithTimeInterval(double interval, bool repeats, Block block)
{
    auto timer = timerWithTimeInterval(interval, repeats, std::move(block));
    NSRunLoop::currentRunLoop().addTimer(timer);
    return timer;
}

std::shared_ptr<NSTimer> NSTimer::scheduledTimerWithTimeInterval(double interval, NSObject& target, Selector selector,
                                                                 const Id& userInfo, bool repeats)
{
    auto timer = timerWithTimeInterval(interval, target, selector, userInfo, repeats);
    NSRunLoop::currentRunLoop().addTimer(timer);
    return timer;
}

double NSTimer::fireDate() const
{
    std::lock_guard lock(mutex_);
    return fireDate_;
}

void NSTimer::attach(NSRunLoop& runLoop, double fireDate)
{
    std::lock_guard lock(mutex_);
    runLoop_ = &runLoop;
    fireDate_ = fireDate;
}

void NSTimer::moveFireDate(double oldNow, double newNow)
{
    std::lock_guard lock(mutex_);
    fireDate_ = newNow + std::max(0.0, fireDate_ - oldNow);
}

void NSTimer::callOut()
{
    // Held for the call: the callee may invalidate the timer, which lets go
    // of what it would still be running in.
    auto self = std::static_pointer_cast<NSTimer>(shared_from_this());
    Block block;
    NSObject* target;
    std::shared_ptr<NSObject> targetHold;
    {
        std::lock_guard lock(mutex_);
        block = block_;
        target = target_;
        targetHold = targetHold_;
    }
    if (block) {
        block(*this);
        return;
    }
    if (!target)
        return;
    target->performSelectorWithOptionalArgument(selector_, Id(self));
}

void NSTimer::fire()
{
    if (!isValid())
        return;
    callOut();
    if (!repeats_)
        invalidate();
}

std::optional<double> NSTimer::firedByRunLoop(double now)
{
    if (!isValid())
        return std::nullopt;
    callOut();
    if (!repeats_) {
        invalidate();
        return std::nullopt;
    }
    if (!isValid())
        return std::nullopt;
    std::lock_guard lock(mutex_);
    // The next date on the timer's own rhythm that is still ahead, so that
    // missed firings are skipped rather than caught up in a burst.
    double next = fireDate_ + interval_;
    if (next <= now)
        next = fireDate_ + interval_ * (std::floor((now - fireDate_) / interval_) + 1);
    fireDate_ = next;
    return next;
}

void NSTimer::invalidate()
{
    if (!valid_.exchange(false))
        return;
    NSRunLoop* runLoop;
    Block block;
    std::shared_ptr<NSObject> targetHold;
    {
        std::lock_guard lock(mutex_);
        runLoop = runLoop_;
        block = std::move(block_);
        targetHold = std::move(targetHold_);
        target_ = nullptr;
    }
    if (runLoop)
        runLoop->removeTimer(*this);
}
