#pragma once

#include "foundation/String.h"

#include <sys/types.h>

#include <cstdint>

namespace simulation {

// With the platform's raw event types, so that the event-tap and application
// layers convert by number.
enum class KeyEventType : std::uint32_t {
    KeyDown = 10,
    KeyUp = 11,
    FlagsChanged = 12,
};

// One event of the simulated keyboard on its way through the system. Flags
// are the platform's event modifier flags (shift 0x20000, control 0x40000,
// option 0x80000, command 0x100000, ...).
struct KeyEvent {
    KeyEventType type = KeyEventType::KeyDown;
    std::uint16_t keyCode = 0;
    std::uint64_t flags = 0;
    bool isRepeat = false;
    // The process clock when the key was pressed.
    double timestamp = 0;
    // Filled in from the selected keyboard layout just before the event
    // reaches an application, as the receiving process translates keys
    // itself; key downs and key ups only.
    String characters = {};
    String charactersIgnoringModifiers = {};
};

// A key event as the frontmost application received it.
struct KeyDelivery {
    pid_t pid = 0;
    KeyEvent event = {};
};

// A system-wide hot key: a key code and a set of Carbon modifiers (command
// 0x100, shift 0x200, option 0x800, control 0x1000), held by one process.
struct HotKeyRegistration {
    pid_t pid = 0;
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
    // The identity the holder gave it, handed back with every press.
    std::uint32_t signature = 0;
    std::uint32_t identifier = 0;
};

// A press or release of a hot key, delivered to the process that holds it.
struct HotKeyDelivery {
    HotKeyRegistration hotKey = {};
    bool pressed = true;
};

// One of the system's own keyboard shortcuts (Spotlight, screenshots, ...),
// as the system reports them; Carbon modifiers as above.
struct SymbolicHotKey {
    String name = {};
    std::uint16_t keyCode = 0;
    std::uint32_t modifiers = 0;
    bool enabled = true;
};

// Statuses the Carbon Event Manager's calls answer instead of doing their
// work; 0 lets a call work.
struct CarbonFailures {
    std::int32_t registerHotKey = 0;
    std::int32_t unregisterHotKey = 0;
    std::int32_t installEventHandler = 0;
    std::int32_t getEventParameter = 0;
    std::int32_t copySymbolicHotKeys = 0;
};

// Why the system turned an event tap off.
enum class EventTapDisableReason {
    // The tap took too long to answer an event.
    Timeout,
    // The user did something that suspends taps (secure input).
    UserInput,
};

// Where a tap sits in the event stream, with the platform's raw values.
enum class EventTapPlacement : std::uint32_t {
    HeadInsert = 0,
    TailAppend = 1,
};

struct EventTapInfo {
    std::uint64_t identifier = 0;
    pid_t pid = 0;
    // The platform's tap location: 0 where events enter, 1 the login
    // session, 2 the annotated session.
    std::uint32_t location = 1;
    // Bit n: events of type n.
    std::uint64_t eventsOfInterest = 0;
    bool listenOnly = false;
    bool enabled = true;
};

}  // namespace simulation
