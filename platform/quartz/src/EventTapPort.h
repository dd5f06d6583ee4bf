#pragma once

#include "foundation/CFRunLoopSource.h"
#include "quartz/CFMachPort.h"
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

namespace detail {

// The process side of an event tap, behind its CFMachPort: the simulated
// keyboard hands it the events that pass the tap, it queues them for the
// port's run-loop source and answers each once the callback has run there.
class EventTapPort final : public simulation::EventTapEndpoint {
public:
    struct Tap {
        CGEventTapCallBack callback = nullptr;
        void* userInfo = nullptr;
        bool listenOnly = false;
    };

    EventTapPort(Tap tap, std::weak_ptr<simulation::SimulatedEventTaps> taps);

    // The desktop's number for the tap, set once it is installed.
    std::uint64_t tapIdentifier() const { return identifier_; }
    void setTapIdentifier(std::uint64_t identifier) { identifier_ = identifier; }
    // The desktop's taps this one is installed in; none once it is gone.
    std::shared_ptr<simulation::SimulatedEventTaps> taps() const { return taps_.lock(); }

    bool isValid() const;
    void invalidate();
    // The source that runs `perform` for the port, made on first use; none
    // once the port is invalid.
    CFRunLoopSourceRef runLoopSource(const std::weak_ptr<CFMachPort>& port, CFIndex order);
    // Calls the callback for what waits, one at a time, with the port as the
    // proxy.
    void perform(CFMachPort& port);

    void receiveKeyEvent(const simulation::KeyEvent& event, Reply reply) override;
    void disabledBySystem(simulation::EventTapDisableReason reason) override;

private:
    struct Pending {
        // A key event with its reply, or a notice of system disabling.
        std::optional<simulation::KeyEvent> event = std::nullopt;
        Reply reply = {};
        CGEventType notice = kCGEventNull;
    };

    void enqueue(Pending pending);
    // Lets every waiting event go on unchanged.
    static void release(std::deque<Pending> pending);

    const Tap tap_;
    const std::weak_ptr<simulation::SimulatedEventTaps> taps_;
    std::atomic<std::uint64_t> identifier_{0};
    mutable std::mutex mutex_;
    bool valid_ = true;
    std::deque<Pending> pending_;
    std::weak_ptr<CFRunLoopSource> source_;
};

}  // namespace detail
