#include "EventTapPort.h"

#include "simulation/SimulatedEventTaps.h"

#include <utility>

namespace {

bool isKeyType(CGEventType type)
{
    return type == kCGEventKeyDown || type == kCGEventKeyUp || type == kCGEventFlagsChanged;
}

CGEventRef makeEvent(const simulation::KeyEvent& key)
{
    auto event = std::make_shared<CGEvent>(static_cast<CGEventType>(key.type), CGPointZero);
    event->setKeyCode(key.keyCode);
    event->setFlags(key.flags);
    event->setAutorepeat(key.isRepeat);
    return event;
}

}  // namespace

namespace detail {

EventTapPort::EventTapPort(Tap tap, std::weak_ptr<simulation::SimulatedEventTaps> taps)
    : tap_(tap)
    , taps_(std::move(taps))
{
}

bool EventTapPort::isValid() const
{
    std::lock_guard lock(mutex_);
    return valid_;
}

void EventTapPort::invalidate()
{
    std::deque<Pending> pending;
    std::shared_ptr<CFRunLoopSource> source;
    {
        std::lock_guard lock(mutex_);
        if (!valid_)
            return;
        valid_ = false;
        pending.swap(pending_);
        source = source_.lock();
    }
    if (auto taps = taps_.lock())
        taps->remove(identifier_);
    if (source)
        source->invalidate();
    release(std::move(pending));
}

CFRunLoopSourceRef EventTapPort::runLoopSource(const std::weak_ptr<CFMachPort>& port, CFIndex order)
{
    std::lock_guard lock(mutex_);
    if (!valid_)
        return nullptr;
    if (auto source = source_.lock())
        return source;
    // The port stays alive while the callback runs, so that the callback may
    // release its last reference.
    auto source = CFRunLoopSource::create(
        [port] {
            if (auto owner = port.lock())
                owner->port().perform(*owner);
        },
        order);
    source_ = source;
    if (!pending_.empty())
        source->signal();
    return source;
}

void EventTapPort::receiveKeyEvent(const simulation::KeyEvent& event, Reply reply)
{
    enqueue({.event = event, .reply = std::move(reply)});
}

void EventTapPort::disabledBySystem(simulation::EventTapDisableReason reason)
{
    // Events that were waiting for the tap go on without it, as they would
    // had they come after it was turned off.
    std::deque<Pending> waiting;
    {
        std::lock_guard lock(mutex_);
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->event) {
                waiting.push_back(std::move(*it));
                it = pending_.erase(it);
            } else {
                ++it;
            }
        }
    }
    release(std::move(waiting));
    enqueue({.notice = reason == simulation::EventTapDisableReason::Timeout ? kCGEventTapDisabledByTimeout
                                                                            : kCGEventTapDisabledByUserInput});
}

void EventTapPort::enqueue(Pending pending)
{
    std::shared_ptr<CFRunLoopSource> source;
    bool queued = false;
    {
        std::lock_guard lock(mutex_);
        if (valid_) {
            pending_.push_back(std::move(pending));
            queued = true;
            // Without a source the event waits, as it does for a tap whose
            // thread doesn't run, until the system gives up on the tap.
            source = source_.lock();
        }
    }
    if (!queued) {
        // An invalid port passes events on as they came.
        if (pending.reply)
            pending.reply(pending.event);
        return;
    }
    if (source)
        source->signal();
}

void EventTapPort::perform(CFMachPort& port)
{
    // One at a time, so that a callback that invalidates the port stops the
    // rest from reaching it.
    for (;;) {
        Pending item;
        {
            std::lock_guard lock(mutex_);
            if (!valid_ || pending_.empty())
                return;
            item = std::move(pending_.front());
            pending_.pop_front();
        }
        if (!item.event) {
            tap_.callback(&port, item.notice, std::make_shared<CGEvent>(item.notice, CGPointZero), tap_.userInfo);
            continue;
        }
        const auto type = static_cast<CGEventType>(item.event->type);
        CGEventRef answer = tap_.callback(&port, type, makeEvent(*item.event), tap_.userInfo);
        std::optional<simulation::KeyEvent> result;
        if (answer) {
            result = *item.event;
            if (isKeyType(answer->type()))
                result->type = static_cast<simulation::KeyEventType>(answer->type());
            result->keyCode = answer->keyCode();
            result->flags = answer->flags();
            result->isRepeat = answer->autorepeat();
        }
        item.reply(std::move(result));
    }
}

void EventTapPort::release(std::deque<Pending> pending)
{
    for (auto& item : pending) {
        if (item.reply)
            item.reply(item.event);
    }
}

}  // namespace detail
