#include "quartz/CFMachPort.h"

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

CFMachPort::CFMachPort(Tap tap, std::weak_ptr<simulation::SimulatedEventTaps> taps)
    : tap_(tap)
    , taps_(std::move(taps))
{
}

CFMachPort::~CFMachPort()
{
    invalidate();
}

bool CFMachPort::isValid() const
{
    std::lock_guard lock(mutex_);
    return valid_;
}

void CFMachPort::invalidate()
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

CFRunLoopSourceRef CFMachPort::runLoopSource(CFIndex order)
{
    std::lock_guard lock(mutex_);
    if (!valid_)
        return nullptr;
    if (auto source = source_.lock())
        return source;
    std::weak_ptr<CFMachPort> weakSelf = weak_from_this();
    auto source = CFRunLoopSource::create(
        [weakSelf] {
            if (auto self = weakSelf.lock())
                self->perform();
        },
        order);
    source_ = source;
    if (!pending_.empty())
        source->signal();
    return source;
}

void CFMachPort::receiveKeyEvent(const simulation::KeyEvent& event, Reply reply)
{
    enqueue({.event = event, .reply = std::move(reply)});
}

void CFMachPort::disabledBySystem(simulation::EventTapDisableReason reason)
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

void CFMachPort::enqueue(Pending pending)
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

void CFMachPort::perform()
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
            tap_.callback(this, item.notice, std::make_shared<CGEvent>(item.notice, CGPointZero), tap_.userInfo);
            continue;
        }
        const auto type = static_cast<CGEventType>(item.event->type);
        CGEventRef answer = tap_.callback(this, type, makeEvent(*item.event), tap_.userInfo);
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

void CFMachPort::release(std::deque<Pending> pending)
{
    for (auto& item : pending) {
        if (item.reply)
            item.reply(item.event);
    }
}

CFRunLoopSourceRef CFMachPortCreateRunLoopSource(CFAllocatorRef, const CFMachPortRef& port, CFIndex order)
{
    return port ? port->runLoopSource(order) : nullptr;
}

void CFMachPortInvalidate(const CFMachPortRef& port)
{
    if (port)
        port->invalidate();
}

bool CFMachPortIsValid(const CFMachPortRef& port)
{
    return port && port->isValid();
}
