#pragma once

#include "simulation/KeyboardRecords.h"

#include <functional>
#include <optional>

namespace simulation {

// What the keyboard talks to when an event passes a tap: the process side of
// the tap (the event-tap calls make one), which runs the tap's callback
// wherever it belongs and answers in its own time.
class EventTapEndpoint {
public:
    // The event to go on with; none swallows it.
    using Reply = std::function<void(std::optional<KeyEvent> event)>;

    virtual ~EventTapEndpoint() = default;

    // `reply` must be called exactly once, from any thread, possibly before
    // this returns. The keyboard holds every later event back until then.
    virtual void receiveKeyEvent(const KeyEvent& event, Reply reply) = 0;
    // The system has just turned the tap off.
    virtual void disabledBySystem(EventTapDisableReason reason) = 0;
};

}  // namespace simulation
