#pragma once

#include "appkit/NSEvent.h"
#include "events/LocalEventMonitor.h"

#include <memory>
#include <mutex>
#include <vector>

namespace detail {

// The program's local monitors, in the order they were added.
class LocalEventMonitors {
public:
    static LocalEventMonitors& shared();

    std::shared_ptr<LocalEventMonitor> add(NSEventMask mask, NSEvent::MonitorHandler handler);
    void remove(const std::shared_ptr<LocalEventMonitor>& monitor);
    void removeAll();
    std::size_t count() const;

    // Runs the monitors that want the event over a copy of the list, so a
    // handler may add or remove monitors; one removed meanwhile is skipped.
    // Answers the event to go on with, nullptr when a handler swallowed it.
    std::shared_ptr<NSEvent> dispatch(std::shared_ptr<NSEvent> event);

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<LocalEventMonitor>> monitors_;
};

}  // namespace detail
