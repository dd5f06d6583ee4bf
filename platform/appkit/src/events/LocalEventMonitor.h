#pragma once

#include "appkit/NSEvent.h"

#include <atomic>

namespace detail {

// One installed local monitor; the token that addLocalMonitor hands out.
class LocalEventMonitor : public NSObject {
    KS_OBJECT(LocalEventMonitor, NSObject)

public:
    LocalEventMonitor(NSEventMask mask, NSEvent::MonitorHandler handler)
        : mask(mask)
        , handler(std::move(handler))
    {
    }

    const NSEventMask mask;
    const NSEvent::MonitorHandler handler;
    std::atomic<bool> removed = false;
};

}  // namespace detail
