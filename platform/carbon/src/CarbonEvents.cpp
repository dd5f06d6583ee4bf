#include "carbon/CarbonEvents.h"

#include "CarbonObjects.h"
#include "EventDispatcher.h"
#include "simulation/SimulatedDesktop.h"

#include <cstring>

using carbon::detail::EventDispatcher;

EventTargetRef GetEventDispatcherTarget()
{
    return EventDispatcher::shared().dispatcherTarget();
}

EventTargetRef GetApplicationEventTarget()
{
    return EventDispatcher::shared().applicationTarget();
}

OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler, ItemCount inNumTypes,
                             const EventTypeSpec* inList, void* inUserData, EventHandlerRef* outRef)
{
    if (inNumTypes > 0 && !inList) {
        if (outRef)
            *outRef = nullptr;
        return paramErr;
    }
    std::vector<EventTypeSpec> types(inList, inList + inNumTypes);
    return EventDispatcher::shared().install(inTarget, inHandler, std::move(types), inUserData, outRef);
}

OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef)
{
    return EventDispatcher::shared().remove(inHandlerRef);
}

OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent)
{
    return EventDispatcher::shared().callNext(inCallRef, inEvent);
}

OSStatus CreateEvent(CFAllocatorRef, UInt32 inClassID, UInt32 inKind, EventTime inWhen, EventAttributes,
                     EventRef* outEvent)
{
    if (!outEvent)
        return paramErr;
    auto* event = new OpaqueEventRef;
    event->eventClass = inClassID;
    event->eventKind = inKind;
    event->when = inWhen;
    *outEvent = event;
    return noErr;
}

void ReleaseEvent(EventRef inEvent)
{
    delete inEvent;
}

UInt32 GetEventClass(EventRef inEvent)
{
    return inEvent ? inEvent->eventClass : 0;
}

UInt32 GetEventKind(EventRef inEvent)
{
    return inEvent ? inEvent->eventKind : 0;
}

OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType, ByteCount inSize,
                           const void* inDataPtr)
{
    if (!inEvent || (inSize > 0 && !inDataPtr))
        return paramErr;
    auto& parameter = inEvent->parameters[inName];
    parameter.type = inType;
    const auto* bytes = static_cast<const std::uint8_t*>(inDataPtr);
    parameter.bytes.assign(bytes, bytes + inSize);
    return noErr;
}

OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, ByteCount inBufferSize, ByteCount* outActualSize,
                           void* outData)
{
    if (!inEvent)
        return paramErr;
    if (auto failure = simulation::SimulatedDesktop::current()->hotKeys()->failures().getEventParameter)
        return failure;
    auto it = inEvent->parameters.find(inName);
    if (it == inEvent->parameters.end() || it->second.type != inDesiredType)
        return eventParameterNotFoundErr;
    const auto& bytes = it->second.bytes;
    if (!outData || inBufferSize < bytes.size())
        return paramErr;
    std::memcpy(outData, bytes.data(), bytes.size());
    if (outActualType)
        *outActualType = it->second.type;
    if (outActualSize)
        *outActualSize = bytes.size();
    return noErr;
}

OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget)
{
    return EventDispatcher::shared().send(inEvent, inTarget);
}

OSStatus RegisterEventHotKey(UInt32 inHotKeyCode, UInt32 inHotKeyModifiers, EventHotKeyID inHotKeyID,
                             EventTargetRef inTarget, OptionBits, EventHotKeyRef* outRef)
{
    return EventDispatcher::shared().registerHotKey(inHotKeyCode, inHotKeyModifiers, inHotKeyID, inTarget, outRef);
}

OSStatus UnregisterEventHotKey(EventHotKeyRef inHotKey)
{
    return EventDispatcher::shared().unregisterHotKey(inHotKey);
}
