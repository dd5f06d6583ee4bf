#include "events/LocalEventMonitors.h"

#include <algorithm>

namespace detail {

LocalEventMonitors& LocalEventMonitors::shared()
{
    static LocalEventMonitors* monitors = new LocalEventMonitors;
    return *monitors;
}

std::shared_ptr<LocalEventMonitor> LocalEventMonitors::add(NSEventMask mask, NSEvent::MonitorHandler handler)
{
    auto monitor = std::make_shared<LocalEventMonitor>(mask, std::move(handler));
    std::lock_guard lock(mutex_);
    monitors_.push_back(monitor);
    return monitor;
}

void LocalEventMonitors::remove(const std::shared_ptr<LocalEventMonitor>& monitor)
{
    std::lock_guard lock(mutex_);
    monitor->removed = true;
    std::erase(monitors_, monitor);
}

void LocalEventMonitors::removeAll()
{
    std::lock_guard lock(mutex_);
    for (auto& monitor : monitors_)
        monitor->removed = true;
    monitors_.clear();
}

std::size_t LocalEventMonitors::count() const
{
    std::lock_guard lock(mutex_);
    return monitors_.size();
}

std::shared_ptr<NSEvent> LocalEventMonitors::dispatch(std::shared_ptr<NSEvent> event)
{
    std::vector<std::shared_ptr<LocalEventMonitor>> monitors;
    {
        std::lock_guard lock(mutex_);
        monitors = monitors_;
    }
    for (auto& monitor : monitors) {
        if (!event)
            break;
        if (monitor->removed || !(monitor->mask & NSEventMaskFromType(event->type())) || !monitor->handler)
            continue;
        event = monitor->handler(event);
    }
    return event;
}

}  // namespace detail
