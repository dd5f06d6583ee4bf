#include "foundation/NSRunLoop.h"

#include "foundation/CFRunLoopSource.h"
#include "foundation/Log.h"
#include "foundation/NSThread.h"
#include "foundation/NSTimer.h"

#include <algorithm>
#include <limits>

const String NSDefaultRunLoopMode = "kCFRunLoopDefaultMode";
const String NSRunLoopCommonModes = "kCFRunLoopCommonModes";
const String NSEventTrackingRunLoopMode = "NSEventTrackingRunLoopMode";

namespace {

// Every live run loop, so that a change of clock reaches all of them.
std::mutex& registryMutex()
{
    static auto* mutex = new std::mutex();
    return *mutex;
}

std::vector<NSRunLoop*>& registry()
{
    static auto* list = new std::vector<NSRunLoop*>();
    return *list;
}

// A pass limit for runUntilIdle: work that reschedules itself at once would
// otherwise keep a test from ever returning.
constexpr std::size_t maximumIdlePasses = 100000;

}  // namespace

NSRunLoop::NSRunLoop()
{
    std::lock_guard lock(registryMutex());
    registry().push_back(this);
}

NSRunLoop::~NSRunLoop()
{
    {
        std::lock_guard lock(registryMutex());
        std::erase(registry(), this);
    }
    for (auto& source : sources_)
        source->removedFrom(this);
    for (auto& [key, item] : items_) {
        if (item.timer)
            item.timer->valid_ = false;
    }
}

NSRunLoop& NSRunLoop::mainRunLoop()
{
    static auto* loop = new std::shared_ptr<NSRunLoop>(std::make_shared<NSRunLoop>());
    return **loop;
}

NSRunLoop& NSRunLoop::currentRunLoop()
{
    if (NSThread::isMainThread())
        return mainRunLoop();
    thread_local std::shared_ptr<NSRunLoop> loop = std::make_shared<NSRunLoop>();
    return *loop;
}

void NSRunLoop::wakeAll()
{
    std::lock_guard lock(registryMutex());
    for (NSRunLoop* loop : registry())
        loop->wakeUp();
}

void NSRunLoop::rebaseAll(double oldNow, double newNow)
{
    std::lock_guard lock(registryMutex());
    for (NSRunLoop* loop : registry())
        loop->rebase(oldNow, newNow);
}

NSRunLoop::WorkId NSRunLoop::schedule(double deadline, Item item)
{
    WorkId id;
    {
        std::lock_guard lock(mutex_);
        id = nextSequence_++;
        item.id = id;
        items_.emplace(Key{deadline, id}, std::move(item));
        woken_ = true;
        // Signalled under the lock: a loop that wakes and exits can't destroy
        // the condition while we're still signalling it.
        wake_.notify_all();
    }
    return id;
}

NSRunLoop::WorkId NSRunLoop::performAfterDelay(double delay, std::function<void()> work)
{
    Item item;
    item.work = std::move(work);
    return schedule(Clock::current()->now() + std::max(0.0, delay), std::move(item));
}

template <class Predicate> std::vector<NSRunLoop::Item> NSRunLoop::takeItems(Predicate predicate)
{
    std::vector<Item> taken;
    std::lock_guard lock(mutex_);
    for (auto it = items_.begin(); it != items_.end();) {
        if (predicate(it->second)) {
            taken.push_back(std::move(it->second));
            it = items_.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

bool NSRunLoop::cancel(WorkId id)
{
    // What was taken out is released here, outside the lock: a block's
    // captures may schedule or cancel work as they go.
    return !takeItems([id](const Item& item) { return item.id == id; }).empty();
}

void NSRunLoop::performSelector(NSObject& target, Selector selector, const Id& argument, double delay)
{
    Item item;
    item.target = &target;
    item.targetHold = target.weak_from_this().lock();
    item.selector = selector;
    item.argument = argument;
    schedule(Clock::current()->now() + std::max(0.0, delay), std::move(item));
}

void NSRunLoop::cancelPerformSelectors(const NSObject& target)
{
    takeItems([&target](const Item& item) { return item.target == &target; });
}

void NSRunLoop::cancelPerformSelectors(const NSObject& target, Selector selector, const Id& argument)
{
    takeItems([&](const Item& item) {
        return item.target == &target && item.selector == selector && item.argument == argument;
    });
}

void NSRunLoop::addTimer(const std::shared_ptr<NSTimer>& timer, const String&)
{
    if (!timer || !timer->isValid())
        return;
    {
        std::lock_guard lock(timer->mutex_);
        // A timer belongs to one run loop; adding it again changes nothing.
        if (timer->runLoop_)
            return;
    }
    double fireDate = Clock::current()->now() + timer->interval_;
    timer->attach(*this, fireDate);
    Item item;
    item.timer = timer;
    schedule(fireDate, std::move(item));
}

void NSRunLoop::removeTimer(const NSTimer& timer)
{
    takeItems([&timer](const Item& item) { return item.timer.get() == &timer; });
}

void NSRunLoop::addSource(const CFRunLoopSourceRef& source, const String&)
{
    if (!source || !source->isValid())
        return;
    {
        std::lock_guard lock(mutex_);
        if (std::find(sources_.begin(), sources_.end(), source) != sources_.end())
            return;
        sources_.push_back(source);
        // Performed in their order, equal orders in the order they came.
        std::stable_sort(sources_.begin(), sources_.end(),
                         [](const auto& a, const auto& b) { return a->order() < b->order(); });
    }
    source->addedTo(this);
    if (source->isSignalled())
        wakeUp();
}

void NSRunLoop::removeSource(const CFRunLoopSourceRef& source, const String&)
{
    CFRunLoopSourceRef removed;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find(sources_.begin(), sources_.end(), source);
        if (it == sources_.end())
            return;
        removed = std::move(*it);
        sources_.erase(it);
    }
    removed->removedFrom(this);
}

bool NSRunLoop::containsSource(const CFRunLoopSourceRef& source) const
{
    std::lock_guard lock(mutex_);
    return std::find(sources_.begin(), sources_.end(), source) != sources_.end();
}

void NSRunLoop::wakeUp()
{
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
        // Signalled under the lock: a loop that wakes and exits can't destroy
        // the condition while we're still signalling it.
        wake_.notify_all();
    }
}

void NSRunLoop::runItem(Item& item)
{
    if (item.work) {
        item.work();
        return;
    }
    if (item.target)
        item.target->performSelectorWithOptionalArgument(item.selector, item.argument);
}

bool NSRunLoop::runOnce()
{
    const double now = Clock::current()->now();
    std::uint64_t passStart;
    {
        std::lock_guard lock(mutex_);
        passStart = nextSequence_;
    }
    bool ran = false;
    // One item at a time, so that work may cancel what comes after it.
    for (;;) {
        Item item;
        {
            std::lock_guard lock(mutex_);
            // Items are ordered by deadline: the walk ends at the first one
            // not due yet instead of going over everything scheduled later.
            auto it = items_.begin();
            while (it != items_.end() && it->first.first <= now && it->first.second >= passStart)
                ++it;
            if (it == items_.end() || it->first.first > now)
                break;
            item = std::move(it->second);
            items_.erase(it);
        }
        ran = true;
        if (item.timer) {
            std::optional<double> next = item.timer->firedByRunLoop(now);
            if (next) {
                Item again;
                again.timer = std::move(item.timer);
                schedule(*next, std::move(again));
            }
            continue;
        }
        runItem(item);
    }

    std::vector<CFRunLoopSourceRef> sources;
    {
        std::lock_guard lock(mutex_);
        sources = sources_;
    }
    for (const auto& source : sources) {
        // A source removed by an earlier one in this pass is not performed.
        if (source->isSignalled() && containsSource(source))
            ran = source->performIfSignalled() || ran;
    }
    return ran;
}

std::size_t NSRunLoop::runUntilIdle()
{
    std::size_t passes = 0;
    while (runOnce()) {
        if (++passes == maximumIdlePasses) {
            Log::error("Run loop still busy after %zu passes; leaving the rest for later", passes);
            break;
        }
    }
    return passes;
}

void NSRunLoop::run()
{
    stopped_ = false;
    while (!stopped_) {
        runUntilIdle();
        if (stopped_)
            break;
        std::shared_ptr<Clock> clock = Clock::current();
        std::unique_lock lock(mutex_);
        if (!woken_ && !stopped_)
            clock->wait(lock, wake_, nextDeadlineLocked());
        woken_ = false;
    }
}

void NSRunLoop::stop()
{
    stopped_ = true;
    wakeUp();
}

std::optional<double> NSRunLoop::nextDeadlineLocked() const
{
    std::optional<double> next;
    if (!items_.empty())
        next = items_.begin()->first.first;
    for (const auto& source : sources_) {
        if (source->isSignalled()) {
            double now = Clock::current()->now();
            next = next ? std::min(*next, now) : now;
            break;
        }
    }
    return next;
}

std::optional<double> NSRunLoop::nextDeadline() const
{
    std::lock_guard lock(mutex_);
    return nextDeadlineLocked();
}

std::size_t NSRunLoop::pendingWorkCount() const
{
    std::lock_guard lock(mutex_);
    return items_.size();
}

void NSRunLoop::discardPendingWork()
{
    std::vector<Item> dropped = takeItems([](const Item&) { return true; });
    for (auto& item : dropped) {
        if (item.timer)
            item.timer->invalidate();
    }
}

void NSRunLoop::rebase(double oldNow, double newNow)
{
    std::lock_guard lock(mutex_);
    std::map<Key, Item> moved;
    for (auto& [key, item] : items_) {
        double deadline = newNow + std::max(0.0, key.first - oldNow);
        if (item.timer)
            item.timer->moveFireDate(oldNow, newNow);
        moved.emplace(Key{deadline, key.second}, std::move(item));
    }
    items_.swap(moved);
}

void performSelectorAfterDelay(NSObject& target, Selector selector, const Id& argument, double delay,
                               const std::vector<String>&)
{
    NSRunLoop::currentRunLoop().performSelector(target, selector, argument, delay);
}

void cancelPreviousPerformRequestsWithTarget(const NSObject& target)
{
    NSRunLoop::currentRunLoop().cancelPerformSelectors(target);
}

void cancelPreviousPerformRequestsWithTarget(const NSObject& target, Selector selector, const Id& argument)
{
    NSRunLoop::currentRunLoop().cancelPerformSelectors(target, selector, argument);
}
