#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <cstdint>
#include <functional>
#include <memory>

class NSTrackingArea;
class NSWindow;

// Event kinds, with the platform's raw values.
enum NSEventType : NSUInteger {
    NSEventTypeLeftMouseDown = 1,
    NSEventTypeLeftMouseUp = 2,
    NSEventTypeRightMouseDown = 3,
    NSEventTypeRightMouseUp = 4,
    NSEventTypeMouseMoved = 5,
    NSEventTypeLeftMouseDragged = 6,
    NSEventTypeRightMouseDragged = 7,
    NSEventTypeMouseEntered = 8,
    NSEventTypeMouseExited = 9,
    NSEventTypeKeyDown = 10,
    NSEventTypeKeyUp = 11,
    NSEventTypeFlagsChanged = 12,
    NSEventTypeAppKitDefined = 13,
    NSEventTypeSystemDefined = 14,
    NSEventTypeApplicationDefined = 15,
    NSEventTypePeriodic = 16,
    NSEventTypeCursorUpdate = 17,
    NSEventTypeScrollWheel = 22,
    NSEventTypeOtherMouseDown = 25,
    NSEventTypeOtherMouseUp = 26,
    NSEventTypeOtherMouseDragged = 27,
};

// Modifier flags, with the platform's bits. The low 16 bits are device
// dependent (which of the two shift keys, and so on) and pass through
// untouched; the device-independent mask keeps the rest.
using NSEventModifierFlags = NSUInteger;
inline constexpr NSEventModifierFlags NSEventModifierFlagCapsLock = 1UL << 16;
inline constexpr NSEventModifierFlags NSEventModifierFlagShift = 1UL << 17;
inline constexpr NSEventModifierFlags NSEventModifierFlagControl = 1UL << 18;
inline constexpr NSEventModifierFlags NSEventModifierFlagOption = 1UL << 19;
inline constexpr NSEventModifierFlags NSEventModifierFlagCommand = 1UL << 20;
inline constexpr NSEventModifierFlags NSEventModifierFlagNumericPad = 1UL << 21;
inline constexpr NSEventModifierFlags NSEventModifierFlagHelp = 1UL << 22;
inline constexpr NSEventModifierFlags NSEventModifierFlagFunction = 1UL << 23;
inline constexpr NSEventModifierFlags NSEventModifierFlagDeviceIndependentFlagsMask = 0xFFFF0000UL;

// Which event kinds a monitor wants: bit n stands for the event type n.
using NSEventMask = std::uint64_t;
constexpr NSEventMask NSEventMaskFromType(NSEventType type)
{
    return NSEventMask(1) << type;
}
inline constexpr NSEventMask NSEventMaskLeftMouseDown = NSEventMaskFromType(NSEventTypeLeftMouseDown);
inline constexpr NSEventMask NSEventMaskLeftMouseUp = NSEventMaskFromType(NSEventTypeLeftMouseUp);
inline constexpr NSEventMask NSEventMaskRightMouseDown = NSEventMaskFromType(NSEventTypeRightMouseDown);
inline constexpr NSEventMask NSEventMaskRightMouseUp = NSEventMaskFromType(NSEventTypeRightMouseUp);
inline constexpr NSEventMask NSEventMaskMouseMoved = NSEventMaskFromType(NSEventTypeMouseMoved);
inline constexpr NSEventMask NSEventMaskMouseEntered = NSEventMaskFromType(NSEventTypeMouseEntered);
inline constexpr NSEventMask NSEventMaskMouseExited = NSEventMaskFromType(NSEventTypeMouseExited);
inline constexpr NSEventMask NSEventMaskKeyDown = NSEventMaskFromType(NSEventTypeKeyDown);
inline constexpr NSEventMask NSEventMaskKeyUp = NSEventMaskFromType(NSEventTypeKeyUp);
inline constexpr NSEventMask NSEventMaskFlagsChanged = NSEventMaskFromType(NSEventTypeFlagsChanged);
inline constexpr NSEventMask NSEventMaskAny = ~NSEventMask(0);

// One input event. Events are immutable values made by the factories; the
// simulated keyboard and mouse make them and hand them to the application's
// sendEvent.
class NSEvent : public NSObject {
    KS_OBJECT(NSEvent, NSObject)

public:
    // A local monitor's handler answers the event to go on with (the same
    // one, or another in its place), or nullptr to swallow it.
    using MonitorHandler = std::function<std::shared_ptr<NSEvent>(const std::shared_ptr<NSEvent>& event)>;

    // A key down, key up or flags-changed event; any other type raises an
    // internal-inconsistency exception. The window is found by its number
    // among the program's windows (0: none).
    static std::shared_ptr<NSEvent> keyEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags,
                                                     double timestamp, NSInteger windowNumber, const Id& context,
                                                     const String& characters,
                                                     const String& charactersIgnoringModifiers, bool isARepeat,
                                                     unsigned short keyCode);
    // A mouse button, movement or enter/exit event; any other type raises.
    static std::shared_ptr<NSEvent> mouseEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags,
                                                       double timestamp, NSInteger windowNumber, const Id& context,
                                                       NSInteger eventNumber, NSInteger clickCount, float pressure);

    // The pointer entering or leaving a tracking area (mouse entered or
    // exited); any other type raises.
    static std::shared_ptr<NSEvent> enterExitEventWithType(NSEventType type, NSPoint location,
                                                           NSEventModifierFlags flags, double timestamp,
                                                           NSInteger windowNumber,
                                                           const std::shared_ptr<NSTrackingArea>& trackingArea);

    NSEventType type() const { return type_; }
    NSEventModifierFlags modifierFlags() const { return modifierFlags_; }
    double timestamp() const { return timestamp_; }
    NSInteger windowNumber() const { return windowNumber_; }
    // nullptr when the event belongs to no window, or the window is gone.
    std::shared_ptr<NSWindow> window() const { return window_.lock(); }
    NSPoint locationInWindow() const { return location_; }

    // The key of a key event. Other events answer 0 rather than raising, so
    // that callers may read type, key code and flags together before they
    // decide what kind of event they hold.
    unsigned short keyCode() const { return keyCode_; }
    bool isARepeat() const { return isARepeat_; }
    // The text the key produced, and the text without the modifiers (shift
    // still applies, as it does on the platform). Only key down and key up
    // events have them, and they may be read on the main thread only: any
    // other event, or a read from another thread, raises an
    // internal-inconsistency exception.
    String characters() const;
    String charactersIgnoringModifiers() const;

    // The area of an entered or exited event; nullptr for other events.
    std::shared_ptr<NSTrackingArea> trackingArea() const { return trackingArea_; }
    NSInteger eventNumber() const { return eventNumber_; }
    NSInteger clickCount() const { return clickCount_; }
    // 0 for the left button, 1 for the right one, 2 and up for the others.
    NSInteger buttonNumber() const;
    float pressure() const { return pressure_; }

    // The modifier keys held right now (the platform's class property
    // +modifierFlags; the name differs because C++ can't overload a static
    // and a member function alike). The simulated keyboard keeps it current.
    static NSEventModifierFlags currentModifierFlags();
    static void setCurrentModifierFlags(NSEventModifierFlags flags);

    // Application-wide monitors of the program's own events, run by
    // NSApplication::sendEvent before the event goes to any window, in the
    // order they were added. The answer is the token to remove the monitor
    // with; removing one that was removed already does nothing.
    static Id addLocalMonitorForEventsMatchingMask(NSEventMask mask, MonitorHandler handler);
    static void removeMonitor(const Id& monitor);

    String description() const override;

    NSEvent(NSEventType type, NSPoint location, NSEventModifierFlags flags, double timestamp, NSInteger windowNumber);

private:
    const String& readCharacters(const String& value, const char* selector) const;

    NSEventType type_;
    NSPoint location_;
    NSEventModifierFlags modifierFlags_ = 0;
    double timestamp_ = 0;
    NSInteger windowNumber_ = 0;
    std::weak_ptr<NSWindow> window_;
    String characters_;
    String charactersIgnoringModifiers_;
    bool isARepeat_ = false;
    unsigned short keyCode_ = 0;
    NSInteger eventNumber_ = 0;
    NSInteger clickCount_ = 0;
    float pressure_ = 0;
    std::shared_ptr<NSTrackingArea> trackingArea_;
};
