#pragma once

#include "quartz/CFMachPort.h"
#include "quartz/CGEvent.h"

#include <cstdint>

// Event taps: a process looks at (and, unless it only listens, changes or
// swallows) the keyboard's events before the applications get them.

// Bit n stands for events of type n.
using CGEventMask = std::uint64_t;
constexpr CGEventMask CGEventMaskBit(CGEventType type)
{
    return CGEventMask(1) << type;
}

// With the platform's raw values.
enum CGEventTapPlacement : std::uint32_t {
    kCGHeadInsertEventTap = 0,
    kCGTailAppendEventTap = 1,
};

enum CGEventTapOptions : std::uint32_t {
    kCGEventTapOptionDefault = 0,
    kCGEventTapOptionListenOnly = 1,
};

// Installs an enabled tap for our process in the current desktop, or answers
// nullptr when the process lacks Accessibility trust or no callback is given.
// Nothing reaches the callback until the port's run-loop source is added to a
// run loop; a tap that keeps the keyboard waiting is disabled by the system
// after a time-out. The callback answers the event to go on with, changed or
// not, or nullptr to swallow it; a listen-only tap's answer is ignored. When
// the system disables the tap, the callback is called with the type
// kCGEventTapDisabledByTimeout or kCGEventTapDisabledByUserInput and an event
// of that type, whose answer is ignored.
CFMachPortRef CGEventTapCreate(CGEventTapLocation tap, CGEventTapPlacement place, CGEventTapOptions options,
                               CGEventMask eventsOfInterest, CGEventTapCallBack callback, void* userInfo);
// Nothing happens for an invalid port.
void CGEventTapEnable(const CFMachPortRef& tap, bool enable);
// False for an invalid port.
bool CGEventTapIsEnabled(const CFMachPortRef& tap);
