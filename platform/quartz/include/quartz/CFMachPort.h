#pragma once

#include "foundation/CFRunLoop.h"
#include "quartz/CGEvent.h"

#include <memory>

class CFMachPort;
// Shared ownership stands for retain and release; nullptr for none.
using CFMachPortRef = std::shared_ptr<CFMachPort>;

using CGEventTapProxy = CFMachPort*;
using CGEventTapCallBack = CGEventRef (*)(CGEventTapProxy proxy, CGEventType type, CGEventRef event, void* userInfo);

namespace detail {
class EventTapPort;
}

// The port of an event tap: what the system sends the tap's events to. Its
// run-loop source, once added to a run loop, calls the tap's callback there
// for each event that passed the tap and for the notices that the system
// disabled it.
//
// Invalidating the port, or releasing its last reference, removes the tap
// from the system: it receives nothing more, and events that were waiting
// for it go on unchanged.
class CFMachPort final : public std::enable_shared_from_this<CFMachPort> {
public:
    // Internal: the event-tap calls make ports.
    explicit CFMachPort(std::shared_ptr<detail::EventTapPort> port);
    ~CFMachPort();
    CFMachPort(const CFMachPort&) = delete;
    CFMachPort& operator=(const CFMachPort&) = delete;

    bool isValid() const;
    void invalidate();
    // One source per port: asking again answers the same one while it lives.
    CFRunLoopSourceRef runLoopSource(CFIndex order);

    // Internal, for the event-tap calls.
    detail::EventTapPort& port() const { return *port_; }

private:
    const std::shared_ptr<detail::EventTapPort> port_;
};

CFRunLoopSourceRef CFMachPortCreateRunLoopSource(CFAllocatorRef allocator, const CFMachPortRef& port, CFIndex order);
void CFMachPortInvalidate(const CFMachPortRef& port);
bool CFMachPortIsValid(const CFMachPortRef& port);
