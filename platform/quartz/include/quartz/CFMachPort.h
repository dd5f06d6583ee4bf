#pragma once

#include "foundation/CFRunLoop.h"
#include "quartz/CGEvent.h"
#include "simulation/EventTapEndpoint.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace simulation {
class SimulatedEventTaps;
}

class CFMachPort;
// Shared ownership stands for retain and release; nullptr for none.
using CFMachPortRef = std::shared_ptr<CFMachPort>;

using CGEventTapProxy = CFMachPort*;
using CGEventTapCallBack = CGEventRef (*)(CGEventTapProxy proxy, CGEventType type, CGEventRef event, void* userInfo);

// The port of an event tap: what the system sends the tap's events to. Its
// run-loop source, once added to a run loop, calls the tap's callback there
// for each event that passed the tap and for the notices that the system
// disabled it.
//
// Invalidating the port, or releasing its last reference, removes the tap
// from the system: it receives nothing more, and events that were waiting
// for it go on unchanged.
class CFMachPort final : public simulation::EventTapEndpoint, public std::enable_shared_from_this<CFMachPort> {
public:
    struct Tap {
        CGEventTapCallBack callback = nullptr;
        void* userInfo = nullptr;
        bool listenOnly = false;
    };

    CFMachPort(Tap tap, std::weak_ptr<simulation::SimulatedEventTaps> taps);
    ~CFMachPort() override;
    CFMachPort(const CFMachPort&) = delete;
    CFMachPort& operator=(const CFMachPort&) = delete;

    // The desktop's number for the tap, set once it is installed.
    std::uint64_t tapIdentifier() const { return identifier_; }
    void setTapIdentifier(std::uint64_t identifier) { identifier_ = identifier; }
    bool isValid() const;
    void invalidate();
    // One source per port: asking again answers the same one while it lives.
    CFRunLoopSourceRef runLoopSource(CFIndex order);
    // The desktop's taps this one is installed in; none once it is gone.
    std::shared_ptr<simulation::SimulatedEventTaps> taps() const { return taps_.lock(); }

    void receiveKeyEvent(const simulation::KeyEvent& event, Reply reply) override;
    void disabledBySystem(simulation::EventTapDisableReason reason) override;

private:
    struct Pending {
        // A key event with its reply, or a notice of system disabling.
        std::optional<simulation::KeyEvent> event = std::nullopt;
        Reply reply = {};
        CGEventType notice = kCGEventNull;
    };

    void perform();
    void enqueue(Pending pending);
    // Lets every waiting event go on unchanged.
    static void release(std::deque<Pending> pending);

    const Tap tap_;
    std::weak_ptr<simulation::SimulatedEventTaps> taps_;
    std::atomic<std::uint64_t> identifier_{0};
    mutable std::mutex mutex_;
    bool valid_ = true;
    std::deque<Pending> pending_;
    std::weak_ptr<CFRunLoopSource> source_;
};

CFRunLoopSourceRef CFMachPortCreateRunLoopSource(CFAllocatorRef allocator, const CFMachPortRef& port, CFIndex order);
void CFMachPortInvalidate(const CFMachPortRef& port);
bool CFMachPortIsValid(const CFMachPortRef& port);
