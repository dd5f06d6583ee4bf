#pragma once

#include "foundation/Clock.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/Selector.h"
#include "foundation/String.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

class CFRunLoopSource;
class NSTimer;
class NSRunLoop;
using CFRunLoopRef = NSRunLoop*;
using CFRunLoopSourceRef = std::shared_ptr<CFRunLoopSource>;

// Mode names. The simulated system has no modal event tracking, so every pass
// runs the work of every mode; the names are accepted so that callers keep
// saying where their work belongs.
extern const String NSDefaultRunLoopMode;
extern const String NSRunLoopCommonModes;
extern const String NSEventTrackingRunLoopMode;

// A thread's loop of work: timed work (the main queue's blocks, delayed
// performs, timers) in the order of its deadlines on the process clock, and
// input sources that other threads or the simulated system signal.
//
// Scheduling, cancelling and waking are safe from any thread; running belongs
// to the run loop's own thread. Each pass first runs the timed work that was
// due when the pass began, one item at a time and in deadline order (equal
// deadlines in the order they were scheduled; work scheduled during the pass
// waits for the next one), then performs the signalled sources in their order.
class NSRunLoop : public NSObject {
    KS_OBJECT(NSRunLoop, NSObject)
public:
    using WorkId = std::uint64_t;

    NSRunLoop();
    ~NSRunLoop() override;

    static NSRunLoop& mainRunLoop();
    // The calling thread's run loop, made on first use; the main thread's is
    // the main run loop.
    static NSRunLoop& currentRunLoop();
    CFRunLoopRef getCFRunLoop() { return this; }

    // Runs `work` on this run loop `delay` seconds from now (0: the next pass).
    WorkId performAfterDelay(double delay, std::function<void()> work);
    WorkId performBlock(std::function<void()> work) { return performAfterDelay(0, std::move(work)); }
    // False when the work already ran or was cancelled.
    bool cancel(WorkId id);

    // Delayed messages, kept until they run or are cancelled: the target is
    // held strongly when it is owned by a shared pointer, as the platform
    // retains it; otherwise its owner keeps it alive. The message gets the
    // argument when its method takes one.
    void performSelector(NSObject& target, Selector selector, const Id& argument, double delay);
    // Cancels the pending messages to `target`: all of them, or those with
    // the selector and an argument equal to the given one.
    void cancelPerformSelectors(const NSObject& target);
    void cancelPerformSelectors(const NSObject& target, Selector selector, const Id& argument);

    // A timer fires here from its fire date on; the run loop keeps it until it
    // is invalidated (a one-shot timer invalidates itself when it fires).
    void addTimer(const std::shared_ptr<NSTimer>& timer, const String& mode = NSDefaultRunLoopMode);

    // A source stays until it is removed or invalidated; the run loop holds it.
    void addSource(const CFRunLoopSourceRef& source, const String& mode = NSDefaultRunLoopMode);
    void removeSource(const CFRunLoopSourceRef& source, const String& mode = NSDefaultRunLoopMode);
    bool containsSource(const CFRunLoopSourceRef& source) const;

    // Makes a waiting `run` look at its work again.
    void wakeUp();

    // One pass over what is due now, without waiting. True when anything ran.
    bool runOnce();
    // Passes until nothing is due at the current time; answers how many ran
    // something. Time does not move.
    std::size_t runUntilIdle();
    // Runs, waiting on the clock between passes, until `stop`.
    void run();
    void stop();

    // The deadline of the earliest timed work (now, when a source is
    // signalled), or nothing when there is none.
    std::optional<double> nextDeadline() const;
    std::size_t pendingWorkCount() const;
    // Drops every pending block, delayed message and timer (the timers are
    // invalidated). Sources stay: they are registrations, not work.
    void discardPendingWork();

private:
    friend class Clock;
    friend class NSTimer;
    friend class VirtualClock;

    struct Item {
        WorkId id = 0;
        std::function<void()> work;
        std::shared_ptr<NSTimer> timer;
        // Delayed messages.
        NSObject* target = nullptr;
        std::shared_ptr<NSObject> targetHold;
        Selector selector;
        Id argument;
    };
    using Key = std::pair<double, std::uint64_t>;

    WorkId schedule(double deadline, Item item);
    void removeTimer(const NSTimer& timer);
    void rebase(double oldNow, double newNow);
    std::optional<double> nextDeadlineLocked() const;
    template <class Predicate> std::vector<Item> takeItems(Predicate predicate);
    static void runItem(Item& item);
    static void wakeAll();
    static void rebaseAll(double oldNow, double newNow);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
    std::atomic<bool> stopped_{false};
    std::uint64_t nextSequence_ = 1;
    std::map<Key, Item> items_;
    std::vector<CFRunLoopSourceRef> sources_;
};

// The platform's delayed-perform messages, on the calling thread's run loop.
// `modes` are accepted for the shape of the call; every mode runs.
void performSelectorAfterDelay(NSObject& target, Selector selector, const Id& argument, double delay,
                               const std::vector<String>& modes = {});
void cancelPreviousPerformRequestsWithTarget(const NSObject& target);
void cancelPreviousPerformRequestsWithTarget(const NSObject& target, Selector selector, const Id& argument);
