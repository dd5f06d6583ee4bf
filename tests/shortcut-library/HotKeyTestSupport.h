#pragma once

// A desktop with our own process and another one in front, and Carbon
// hot-key events made by hand, for the tests of the system-wide monitors.

#include "carbon/CarbonEvents.h"
#include "simulation/DesktopDescription.h"
#include "simulation/DesktopState.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace testing_support {

inline constexpr pid_t otherPid = 10;
inline constexpr pid_t ownPid = 40;

inline simulation::DesktopState hotKeyDesktopState(bool trusted = false)
{
    auto result = simulation::DesktopDescription::parse(std::string(R"({
      "trusted": )") + (trusted ? "true" : "false") + R"(,
      "applications": [
        {"pid": 10, "name": "Other", "frontmost": true},
        {"pid": 40, "name": "Self", "activationPolicy": "accessory", "self": true}
      ]
    })");
    EXPECT_TRUE(result.ok()) << result.error();
    return std::move(*result);
}

struct EventReleaser {
    void operator()(OpaqueEventRef* event) const { ReleaseEvent(event); }
};
using OwnedEvent = std::unique_ptr<OpaqueEventRef, EventReleaser>;

// A keyboard-class event of `kind`, carrying the identity when one is given.
inline OwnedEvent hotKeyEvent(UInt32 kind, std::optional<EventHotKeyID> identity,
                              UInt32 eventClass = kEventClassKeyboard)
{
    EventRef event = nullptr;
    EXPECT_EQ(CreateEvent(nullptr, eventClass, kind, 0, 0, &event), noErr);
    if (identity) {
        EXPECT_EQ(SetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, sizeof *identity, &*identity),
                  noErr);
    }
    return OwnedEvent(event);
}

}  // namespace testing_support
