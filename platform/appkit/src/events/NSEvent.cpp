#include "appkit/NSEvent.h"

#include "events/LocalEventMonitors.h"
#include "foundation/NSBundle.h"
#include "foundation/NSException.h"
#include "foundation/NSThread.h"
#include "windows/WindowList.h"

#include <atomic>

namespace {

bool isKeyType(NSEventType type)
{
    return type == NSEventTypeKeyDown || type == NSEventTypeKeyUp || type == NSEventTypeFlagsChanged;
}

bool isMouseType(NSEventType type)
{
    switch (type) {
    case NSEventTypeLeftMouseDown:
    case NSEventTypeLeftMouseUp:
    case NSEventTypeRightMouseDown:
    case NSEventTypeRightMouseUp:
    case NSEventTypeMouseMoved:
    case NSEventTypeLeftMouseDragged:
    case NSEventTypeRightMouseDragged:
    case NSEventTypeMouseEntered:
    case NSEventTypeMouseExited:
    case NSEventTypeOtherMouseDown:
    case NSEventTypeOtherMouseUp:
    case NSEventTypeOtherMouseDragged:
        return true;
    default:
        return false;
    }
}

std::atomic<NSEventModifierFlags>& heldModifierFlags()
{
    static std::atomic<NSEventModifierFlags> flags{0};
    return flags;
}

}  // namespace

NSEvent::NSEvent(NSEventType type, NSPoint location, NSEventModifierFlags flags, double timestamp,
                 NSInteger windowNumber)
    : type_(type)
    , location_(location)
    , modifierFlags_(flags)
    , timestamp_(timestamp)
    , windowNumber_(windowNumber)
    , window_(detail::WindowList::shared().windowWithNumber(windowNumber))
{
}

std::shared_ptr<NSEvent> NSEvent::keyEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags,
                                                   double timestamp, NSInteger windowNumber, const Id&,
                                                   const String& characters, const String& charactersIgnoringModifiers,
                                                   bool isARepeat, unsigned short keyCode)
{
    if (!isKeyType(type))
        NSException::raise(NSInternalInconsistencyException, "Invalid parameter not satisfying: %s",
                           "type is a key event type");
    auto event = std::make_shared<NSEvent>(type, location, flags, timestamp, windowNumber);
    event->characters_ = characters;
    event->charactersIgnoringModifiers_ = charactersIgnoringModifiers;
    event->isARepeat_ = isARepeat;
    event->keyCode_ = keyCode;
    return event;
}

std::shared_ptr<NSEvent> NSEvent::mouseEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags,
                                                     double timestamp, NSInteger windowNumber, const Id&,
                                                     NSInteger eventNumber, NSInteger clickCount, float pressure)
{
    if (!isMouseType(type))
        NSException::raise(NSInternalInconsistencyException, "Invalid parameter not satisfying: %s",
                           "type is a mouse event type");
    auto event = std::make_shared<NSEvent>(type, location, flags, timestamp, windowNumber);
    event->eventNumber_ = eventNumber;
    event->clickCount_ = clickCount;
    event->pressure_ = pressure;
    return event;
}

std::shared_ptr<NSEvent> NSEvent::enterExitEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags,
                                                         double timestamp, NSInteger windowNumber,
                                                         const std::shared_ptr<NSTrackingArea>& trackingArea)
{
    if (type != NSEventTypeMouseEntered && type != NSEventTypeMouseExited)
        NSException::raise(NSInternalInconsistencyException, "Invalid parameter not satisfying: %s",
                           "type is mouse entered or exited");
    auto event = std::make_shared<NSEvent>(type, location, flags, timestamp, windowNumber);
    event->trackingArea_ = trackingArea;
    return event;
}

const String& NSEvent::readCharacters(const String& value, const char* selector) const
{
    if (type_ != NSEventTypeKeyDown && type_ != NSEventTypeKeyUp)
        NSException::raise(NSInternalInconsistencyException, "%s valid only for key down and key up events, got %lu",
                           selector, static_cast<unsigned long>(type_));
    if (!NSThread::isMainThread())
        NSException::raise(NSInternalInconsistencyException, "%s must be used from the main thread only", selector);
    return value;
}

String NSEvent::characters() const
{
    return readCharacters(characters_, "-[NSEvent characters]");
}

String NSEvent::charactersIgnoringModifiers() const
{
    return readCharacters(charactersIgnoringModifiers_, "-[NSEvent charactersIgnoringModifiers]");
}

NSInteger NSEvent::buttonNumber() const
{
    switch (type_) {
    case NSEventTypeRightMouseDown:
    case NSEventTypeRightMouseUp:
    case NSEventTypeRightMouseDragged:
        return 1;
    case NSEventTypeOtherMouseDown:
    case NSEventTypeOtherMouseUp:
    case NSEventTypeOtherMouseDragged:
        return 2;
    default:
        return 0;
    }
}

NSEventModifierFlags NSEvent::currentModifierFlags()
{
    return heldModifierFlags().load();
}

void NSEvent::setCurrentModifierFlags(NSEventModifierFlags flags)
{
    heldModifierFlags().store(flags);
}

Id NSEvent::addLocalMonitorForEventsMatchingMask(NSEventMask mask, MonitorHandler handler)
{
    return Id(detail::LocalEventMonitors::shared().add(mask, std::move(handler)));
}

void NSEvent::removeMonitor(const Id& monitor)
{
    if (auto local = monitor.object<detail::LocalEventMonitor>())
        detail::LocalEventMonitors::shared().remove(local);
}

String NSEvent::description() const
{
    if (isKeyType(type_))
        return String::format("NSEvent: type=%lu keyCode=%u modifierFlags=0x%lx window=%ld",
                              static_cast<unsigned long>(type_), static_cast<unsigned>(keyCode_), modifierFlags_,
                              windowNumber_);
    return String::format("NSEvent: type=%lu location=(%g, %g) modifierFlags=0x%lx window=%ld",
                          static_cast<unsigned long>(type_), location_.x, location_.y, modifierFlags_, windowNumber_);
}

namespace {

// Loading the framework makes its bundle findable by identifier, as the
// system's loader does; the key-binding presets of the shortcut library read
// the standard bindings from it.
const bool frameworkBundleRegistered = [] {
    NSBundle::addBundleSearchPath(APPKIT_FRAMEWORKS_DIR);
    return true;
}();

}  // namespace
