#pragma once

#include "coregraphics/CGGeometry.h"

#include <cstdint>
#include <memory>

// Quartz events: one type for mouse and keyboard events alike, as the
// platform has, so that whoever creates, posts or taps events shares it.

// With the platform's raw values.
enum CGEventType : std::uint32_t {
    kCGEventNull = 0,
    kCGEventLeftMouseDown = 1,
    kCGEventLeftMouseUp = 2,
    kCGEventRightMouseDown = 3,
    kCGEventRightMouseUp = 4,
    kCGEventMouseMoved = 5,
    kCGEventLeftMouseDragged = 6,
    kCGEventRightMouseDragged = 7,
    kCGEventKeyDown = 10,
    kCGEventKeyUp = 11,
    kCGEventFlagsChanged = 12,
    kCGEventScrollWheel = 22,
    kCGEventOtherMouseDown = 25,
    kCGEventOtherMouseUp = 26,
    kCGEventOtherMouseDragged = 27,
    kCGEventTapDisabledByTimeout = 0xFFFFFFFE,
    kCGEventTapDisabledByUserInput = 0xFFFFFFFF,
};

enum CGMouseButton : std::uint32_t {
    kCGMouseButtonLeft = 0,
    kCGMouseButtonRight = 1,
    kCGMouseButtonCenter = 2,
};

using CGEventFlags = std::uint64_t;
inline constexpr CGEventFlags kCGEventFlagMaskAlphaShift = 0x00010000;
inline constexpr CGEventFlags kCGEventFlagMaskShift = 0x00020000;
inline constexpr CGEventFlags kCGEventFlagMaskControl = 0x00040000;
inline constexpr CGEventFlags kCGEventFlagMaskAlternate = 0x00080000;
inline constexpr CGEventFlags kCGEventFlagMaskCommand = 0x00100000;
inline constexpr CGEventFlags kCGEventFlagMaskHelp = 0x00400000;
inline constexpr CGEventFlags kCGEventFlagMaskSecondaryFn = 0x00800000;
inline constexpr CGEventFlags kCGEventFlagMaskNumericPad = 0x00200000;
inline constexpr CGEventFlags kCGEventFlagMaskNonCoalesced = 0x00000100;

using CGKeyCode = std::uint16_t;

// Where an event enters the system's event stream.
enum CGEventTapLocation : std::uint32_t {
    kCGHIDEventTap = 0,
    kCGSessionEventTap = 1,
    kCGAnnotatedSessionEventTap = 2,
};

// The integer fields that can be read and written by number.
enum CGEventField : std::uint32_t {
    kCGMouseEventNumber = 0,
    kCGMouseEventClickState = 1,
    kCGMouseEventButtonNumber = 3,
    kCGKeyboardEventAutorepeat = 8,
    kCGKeyboardEventKeycode = 9,
};

// Where synthetic events come from; nullptr (no source) is what the callers
// here pass.
class CGEventSource;
using CGEventSourceRef = std::shared_ptr<CGEventSource>;

class CGEvent {
public:
    CGEvent(CGEventType type, CGPoint location)
        : type_(type)
        , location_(location)
    {
    }

    CGEventType type() const { return type_; }
    void setType(CGEventType type) { type_ = type; }
    CGPoint location() const { return location_; }
    void setLocation(CGPoint location) { location_ = location; }
    CGEventFlags flags() const { return flags_; }
    void setFlags(CGEventFlags flags) { flags_ = flags; }
    CGKeyCode keyCode() const { return keyCode_; }
    void setKeyCode(CGKeyCode keyCode) { keyCode_ = keyCode; }
    CGMouseButton mouseButton() const { return mouseButton_; }
    void setMouseButton(CGMouseButton button) { mouseButton_ = button; }
    std::int64_t clickState() const { return clickState_; }
    void setClickState(std::int64_t clickState) { clickState_ = clickState; }
    bool autorepeat() const { return autorepeat_; }
    void setAutorepeat(bool autorepeat) { autorepeat_ = autorepeat; }

    bool isMouseEvent() const;
    // Mouse-down types: a left, right or other button goes down.
    bool pressesButton() const;

private:
    CGEventType type_;
    CGPoint location_;
    CGEventFlags flags_ = 0;
    CGKeyCode keyCode_ = 0;
    CGMouseButton mouseButton_ = kCGMouseButtonLeft;
    std::int64_t clickState_ = 0;
    bool autorepeat_ = false;
};

// Shared ownership stands for retain and release; nullptr for no event.
using CGEventRef = std::shared_ptr<CGEvent>;

CGEventType CGEventGetType(const CGEventRef& event);
void CGEventSetType(const CGEventRef& event, CGEventType type);
CGPoint CGEventGetLocation(const CGEventRef& event);
void CGEventSetLocation(const CGEventRef& event, CGPoint location);
CGEventFlags CGEventGetFlags(const CGEventRef& event);
void CGEventSetFlags(const CGEventRef& event, CGEventFlags flags);
// Fields other than those named above read as 0 and ignore writes.
std::int64_t CGEventGetIntegerValueField(const CGEventRef& event, CGEventField field);
void CGEventSetIntegerValueField(const CGEventRef& event, CGEventField field, std::int64_t value);

// Hands the event to the simulated desktop: it is logged, and a mouse event
// moves the pointer and clicks what lies under it. No event: nothing.
void CGEventPost(CGEventTapLocation tap, const CGEventRef& event);
