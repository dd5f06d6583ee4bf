#pragma once

// The Carbon Event Manager calls for system-wide hot keys: registering them,
// the event targets, event handlers and their chain, and reading the events.
//
// Hot keys live in the simulated desktop's hot-key service, one registry for
// every process: a combination held by anyone can't be registered again. A
// press of a registered hot key reaches this process on the main run loop as
// a keyboard-class event of kind pressed or released, carrying the hot key's
// identity as its direct object. It is dispatched as the platform's event
// loop does: to the handlers of the event dispatcher target, then, when none
// of those handles it, to those of the application target.
//
// On one target, handlers are called from the most recently installed to the
// oldest, each only for the event types it was installed for. A handler that
// answers eventNotHandledErr passes the event on; any other status ends the
// dispatch with that status. CallNextEventHandler runs the rest of the chain
// at once and answers its status; the rest isn't run a second time when the
// handler returns.
//
// The calls may be made from any thread; handlers run on the thread that
// dispatches (the main thread, for hot keys).

#include "foundation/CFRunLoop.h"
#include "textinput/CarbonTypes.h"

#include <cstdint>

using OSType = std::uint32_t;
using UInt32 = std::uint32_t;
using ByteCount = unsigned long;
using ItemCount = unsigned long;
using EventParamName = OSType;
using EventParamType = OSType;
using EventTime = double;
using EventAttributes = UInt32;

// A four-character code as a number: "keyb" is 0x6B657962.
constexpr OSType fourCharCode(const char (&code)[5])
{
    return (OSType(std::uint8_t(code[0])) << 24) | (OSType(std::uint8_t(code[1])) << 16) |
           (OSType(std::uint8_t(code[2])) << 8) | OSType(std::uint8_t(code[3]));
}

inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus paramErr = -50;
inline constexpr OSStatus eventParameterNotFoundErr = -9870;
inline constexpr OSStatus eventNotHandledErr = -9874;
inline constexpr OSStatus eventHotKeyExistsErr = -9878;
inline constexpr OSStatus eventHotKeyInvalidErr = -9879;

inline constexpr UInt32 kEventClassKeyboard = fourCharCode("keyb");
inline constexpr UInt32 kEventHotKeyPressed = 5;
inline constexpr UInt32 kEventHotKeyReleased = 6;

inline constexpr EventParamName kEventParamDirectObject = fourCharCode("----");
inline constexpr EventParamType typeEventHotKeyID = fourCharCode("hkid");

inline constexpr OptionBits kEventHotKeyNoOptions = 0;
// Accepted; every hot key is exclusive here anyway.
inline constexpr OptionBits kEventHotKeyExclusive = 1;

// Carbon modifier bits of a hot key.
inline constexpr UInt32 cmdKey = 0x100;
inline constexpr UInt32 shiftKey = 0x200;
inline constexpr UInt32 alphaLock = 0x400;
inline constexpr UInt32 optionKey = 0x800;
inline constexpr UInt32 controlKey = 0x1000;

struct EventHotKeyID {
    OSType signature = 0;
    UInt32 id = 0;
};

struct EventTypeSpec {
    OSType eventClass = 0;
    UInt32 eventKind = 0;
};

// Opaque references, as the platform hands them out: plain pointers that
// stay valid until released (an event), removed (a handler) or unregistered
// (a hot key). The targets are never released.
struct OpaqueEventRef;
struct OpaqueEventTargetRef;
struct OpaqueEventHandlerRef;
struct OpaqueEventHandlerCallRef;
struct OpaqueEventHotKeyRef;
using EventRef = OpaqueEventRef*;
using EventTargetRef = OpaqueEventTargetRef*;
using EventHandlerRef = OpaqueEventHandlerRef*;
using EventHandlerCallRef = OpaqueEventHandlerCallRef*;
using EventHotKeyRef = OpaqueEventHotKeyRef*;

using EventHandlerProcPtr = OSStatus (*)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent, void* inUserData);
using EventHandlerUPP = EventHandlerProcPtr;

EventTargetRef GetEventDispatcherTarget();
EventTargetRef GetApplicationEventTarget();

// paramErr for a missing target or handler, or types missing while counted;
// the desktop's injected status when it makes installation fail. The
// reference may be left out (the handler then stays for good).
OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler, ItemCount inNumTypes,
                             const EventTypeSpec* inList, void* inUserData, EventHandlerRef* outRef);
// paramErr for a handler that isn't installed (any more).
OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef);
OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent);

// Events made here are released with ReleaseEvent; those a handler is given
// belong to the dispatcher.
OSStatus CreateEvent(CFAllocatorRef inAllocator, UInt32 inClassID, UInt32 inKind, EventTime inWhen,
                     EventAttributes inAttributes, EventRef* outEvent);
void ReleaseEvent(EventRef inEvent);
// 0 for no event.
UInt32 GetEventClass(EventRef inEvent);
UInt32 GetEventKind(EventRef inEvent);
OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType, ByteCount inSize,
                           const void* inDataPtr);
// Copies a parameter stored under that name and type: eventParameterNotFoundErr
// when there is none, paramErr for no event, no buffer or one too small, the
// desktop's injected status when it makes reading fail.
OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, ByteCount inBufferSize, ByteCount* outActualSize,
                           void* outData);
// Dispatches as a hot-key event is (see above) when sent to the dispatcher
// target; only the application target's handlers when sent to it. Answers
// eventNotHandledErr when no handler handles it.
OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget);

// Registers a system-wide hot key for this process: eventHotKeyExistsErr when
// anyone holds the combination (the key code with command, shift, option and
// control; other bits are ignored), paramErr for a missing target or place,
// the desktop's injected status when it makes registration fail. The
// reference is null whenever the status isn't noErr.
OSStatus RegisterEventHotKey(UInt32 inHotKeyCode, UInt32 inHotKeyModifiers, EventHotKeyID inHotKeyID,
                             EventTargetRef inTarget, OptionBits inOptions, EventHotKeyRef* outRef);
// eventHotKeyInvalidErr for a reference that isn't registered (any more). An
// injected failure leaves the hot key registered.
OSStatus UnregisterEventHotKey(EventHotKeyRef inHotKey);
