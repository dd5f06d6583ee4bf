#pragma once

#include "coregraphics/CGGeometry.h"
#include "foundation/String.h"

#include <sys/types.h>

#include <cstdint>
#include <optional>

namespace simulation {

// One request to make an application frontmost, honoured or not.
struct ActivationRecord {
    pid_t target = 0;
    // Who asked; none: the system itself (a click, the driver, a launch
    // nobody asked for).
    std::optional<pid_t> requester = std::nullopt;
    // The application that yielded its activation to the target.
    std::optional<pid_t> fromApplication = std::nullopt;
    // The activation options' raw bits.
    std::uint64_t options = 0;
    // How it was asked: a selector ("activateWithOptions:"), "launch",
    // "click", "AXFrontmost", "command".
    String via = "command";
    // Filled in by the world.
    bool honoured = false;
};

struct LoginItemChange {
    String bundleIdentifier;
    bool enabled = false;
    bool accepted = false;
};

// The system's dialog that asks the user to grant Accessibility access.
struct TrustPrompt {
    std::optional<pid_t> process = std::nullopt;
};

// A synthetic event handed to the system. The world doesn't interpret the
// raw type; the event calls say whether it is a mouse event and whether it
// presses a button.
struct PostedEvent {
    std::uint32_t type = 0;
    CGPoint location = {};
    std::int64_t mouseButton = 0;
    std::uint16_t keyCode = 0;
    std::uint64_t flags = 0;
    // Where it was posted (the raw tap location).
    std::uint32_t tap = 0;
    bool mouse = false;
    bool pressesButton = false;
};

// The pointer's history: warps, (dis)associations of mouse and pointer, and
// posted mouse events, in the order they happened.
struct PointerLogEntry {
    enum class Kind { Warp, Associate, Post };
    Kind kind = Kind::Post;
    CGPoint location = {};
    // Associate: whether mouse and pointer were (re)connected.
    bool associated = true;
    // Post: the event.
    PostedEvent event = {};
};

// What a program did that the desktop keeps no state of: what it put before
// the user without a window of its own (an alert, a beep, the about panel, a
// menu opened from the menu bar), and activation it let another application
// take from it.
struct ProgramRecord {
    enum class Kind {
        Beep,
        // `text` is the alert's message, `informativeText` what it adds.
        Alert,
        AboutPanel,
        MenuOpened,
        // `target` may take activation from `process`.
        ActivationYielded,
    };

    Kind kind = Kind::Beep;
    // The program it came from; 0: a desktop without our process.
    pid_t process = 0;
    pid_t target = 0;
    String text = {};
    std::optional<String> informativeText = std::nullopt;
};

}  // namespace simulation
