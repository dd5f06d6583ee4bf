#pragma once

// What the opaque references of the Event Manager point at.

#include "carbon/CarbonEvents.h"
#include "simulation/SimulatedHotKeys.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

struct OpaqueEventRef {
    UInt32 eventClass = 0;
    UInt32 eventKind = 0;
    EventTime when = 0;
    struct Parameter {
        EventParamType type = 0;
        std::vector<std::uint8_t> bytes;
    };
    std::map<EventParamName, Parameter> parameters;
};

struct OpaqueEventTargetRef {
    const char* name = "";
};

struct OpaqueEventHandlerRef {
    EventTargetRef target = nullptr;
    EventHandlerUPP handler = nullptr;
    std::vector<EventTypeSpec> types;
    void* userData = nullptr;
    // Set on removal, so that a dispatch already under way skips it.
    std::atomic<bool> removed{false};

    bool handles(const OpaqueEventRef& event) const
    {
        for (const auto& type : types) {
            if (type.eventClass == event.eventClass && type.eventKind == event.eventKind)
                return true;
        }
        return false;
    }
};

// One handler's place in a dispatch: what runs after it.
struct OpaqueEventHandlerCallRef {
    const std::vector<std::shared_ptr<OpaqueEventHandlerRef>>* chain = nullptr;
    std::size_t next = 0;
    bool nextCalled = false;
};

struct OpaqueEventHotKeyRef {
    std::weak_ptr<simulation::SimulatedHotKeys> hotKeys;
    std::uint64_t token = 0;
    EventHotKeyID identity;
};
