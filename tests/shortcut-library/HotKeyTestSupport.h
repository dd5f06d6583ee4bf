#pragma once

// A desktop with our own process and another one in front, and Carbon
// hot-key events made by hand, for the tests of the system-wide monitors.

#include "TestDesktops.h"
#include "carbon/CarbonEvents.h"
#include "simulation/DesktopState.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace testing_support {

inline constexpr pid_t otherPid = test_desktops::kOtherPid;
inline constexpr pid_t ownPid = test_desktops::kOwnPid;

inline simulation::DesktopState hotKeyDesktopState(bool trusted = false)
{
    return test_desktops::otherInFront(trusted);
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
