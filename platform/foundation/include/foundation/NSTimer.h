#pragma once

#include "foundation/NSObject.h"
#include "foundation/NSRunLoop.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// Work that fires at a time on the process clock, once or every interval,
// while it sits in a run loop. A repeating timer that fell behind skips the
// firings it missed instead of firing them in a burst.
class NSTimer : public NSObject {
    KS_OBJECT(NSTimer, NSObject)
public:
    using Block = std::function<void(NSTimer&)>;

    // Made but not scheduled: add it to a run loop.
    static std::shared_ptr<NSTimer> timerWithTimeInterval(double interval, bool repeats, Block block);
    // The target gets the selector with the timer as argument (or none, when
    // its method takes none), and is held until the timer is invalidated.
    static std::shared_ptr<NSTimer> timerWithTimeInterval(double interval, NSObject& target, Selector selector,
                                                          const Id& userInfo, bool repeats);
    // Made and added to the calling thread's run loop.
    static std::shared_ptr<NSTimer> scheduledTimerWithTimeInterval(double interval, bool repeats, Block block);
    static std::shared_ptr<NSTimer> scheduledTimerWithTimeInterval(double interval, NSObject& target, Selector selector,
                                                                   const Id& userInfo, bool repeats);

    NSTimer(double interval, bool repeats);

    // Fires now, outside the schedule: a repeating timer keeps its next fire
    // date, a one-shot timer is invalidated.
    void fire();
    // Takes the timer out of its run loop for good and lets go of the target
    // and block. Only the run loop's own thread should invalidate.
    void invalidate();
    bool isValid() const { return valid_.load(); }

    double timeInterval() const { return interval_; }
    bool repeats() const { return repeats_; }
    // On the process clock.
    double fireDate() const;
    const Id& userInfo() const { return userInfo_; }

private:
    friend class NSRunLoop;

    void callOut();
    // The run loop fired the timer at `now`: answers the next fire date, or
    // nothing when the timer is done.
    std::optional<double> firedByRunLoop(double now);
    void attach(NSRunLoop& runLoop, double fireDate);
    void moveFireDate(double oldNow, double newNow);

    double interval_ = 0;
    bool repeats_ = false;
    std::atomic<bool> valid_{true};
    Id userInfo_;

    mutable std::mutex mutex_;
    double fireDate_ = 0;
    NSRunLoop* runLoop_ = nullptr;
    Block block_;
    NSObject* target_ = nullptr;
    std::shared_ptr<NSObject> targetHold_;
    Selector selector_;
};
