#pragma once

#include "simulation/EventTapEndpoint.h"
#include "simulation/KeyboardRecords.h"

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace simulation {

// The event taps installed in the simulated system, in the order the keyboard
// visits them: by location (where events enter first), then as their
// placement put them (a head insert goes before the taps already at its
// location, a tail append after them).
//
// The list holds its endpoints weakly: a tap whose process side is gone
// receives nothing more. Every member may be called from any thread; the
// endpoints are told of system disabling without the lock held.
class SimulatedEventTaps {
public:
    struct Options {
        pid_t pid = 0;
        std::uint32_t location = 1;
        EventTapPlacement placement = EventTapPlacement::HeadInsert;
        std::uint64_t eventsOfInterest = 0;
        bool listenOnly = false;
    };

    // Installs a tap, enabled; answers its identifier.
    std::uint64_t add(Options options, std::weak_ptr<EventTapEndpoint> endpoint);
    bool remove(std::uint64_t identifier);
    bool setEnabled(std::uint64_t identifier, bool enabled);
    // False for a tap that isn't installed.
    bool isEnabled(std::uint64_t identifier) const;
    std::optional<EventTapInfo> tap(std::uint64_t identifier) const;
    // In visiting order.
    std::vector<EventTapInfo> taps() const;

    // The system turns an enabled tap off and tells it so. False when the tap
    // isn't installed or is off already.
    bool disableBySystem(std::uint64_t identifier, EventTapDisableReason reason);
    // Every enabled tap; answers how many were turned off.
    std::size_t disableAllBySystem(EventTapDisableReason reason);

    // For the keyboard: the identifiers in visiting order, and the endpoint
    // of a tap that is enabled and wants events of `type`.
    std::vector<std::uint64_t> order() const;
    struct Route {
        std::shared_ptr<EventTapEndpoint> endpoint;
        bool listenOnly = false;
    };
    std::optional<Route> route(std::uint64_t identifier, KeyEventType type) const;

private:
    struct Entry {
        EventTapInfo info;
        std::weak_ptr<EventTapEndpoint> endpoint;
    };

    Entry* find(std::uint64_t identifier);
    const Entry* find(std::uint64_t identifier) const;

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::uint64_t nextIdentifier_ = 1;
};

}  // namespace simulation
