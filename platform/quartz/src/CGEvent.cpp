#include "quartz/CGEvent.h"

#include "simulation/SimulatedDesktop.h"

bool CGEvent::isMouseEvent() const
{
    switch (type_) {
    case kCGEventLeftMouseDown:
    case kCGEventLeftMouseUp:
    case kCGEventRightMouseDown:
    case kCGEventRightMouseUp:
    case kCGEventMouseMoved:
    case kCGEventLeftMouseDragged:
    case kCGEventRightMouseDragged:
    case kCGEventOtherMouseDown:
    case kCGEventOtherMouseUp:
    case kCGEventOtherMouseDragged:
        return true;
    default:
        return false;
    }
}

bool CGEvent::pressesButton() const
{
    return type_ == kCGEventLeftMouseDown || type_ == kCGEventRightMouseDown || type_ == kCGEventOtherMouseDown;
}

CGEventType CGEventGetType(const CGEventRef& event)
{
    return event ? event->type() : kCGEventNull;
}

void CGEventSetType(const CGEventRef& event, CGEventType type)
{
    if (event)
        event->setType(type);
}

CGPoint CGEventGetLocation(const CGEventRef& event)
{
    return event ? event->location() : CGPointZero;
}

void CGEventSetLocation(const CGEventRef& event, CGPoint location)
{
    if (event)
        event->setLocation(location);
}

CGEventFlags CGEventGetFlags(const CGEventRef& event)
{
    return event ? event->flags() : 0;
}

void CGEventSetFlags(const CGEventRef& event, CGEventFlags flags)
{
    if (event)
        event->setFlags(flags);
}

std::int64_t CGEventGetIntegerValueField(const CGEventRef& event, CGEventField field)
{
    if (!event)
        return 0;
    switch (field) {
    case kCGMouseEventButtonNumber:
        return event->mouseButton();
    case kCGMouseEventClickState:
        return event->clickState();
    case kCGKeyboardEventKeycode:
        return event->keyCode();
    case kCGKeyboardEventAutorepeat:
        return event->autorepeat() ? 1 : 0;
    default:
        return 0;
    }
}

void CGEventSetIntegerValueField(const CGEventRef& event, CGEventField field, std::int64_t value)
{
    if (!event)
        return;
    switch (field) {
    case kCGMouseEventButtonNumber:
        event->setMouseButton(static_cast<CGMouseButton>(value));
        break;
    case kCGMouseEventClickState:
        event->setClickState(value);
        break;
    case kCGKeyboardEventKeycode:
        event->setKeyCode(static_cast<CGKeyCode>(value));
        break;
    case kCGKeyboardEventAutorepeat:
        event->setAutorepeat(value != 0);
        break;
    default:
        break;
    }
}

void CGEventPost(CGEventTapLocation tap, const CGEventRef& event)
{
    if (!event)
        return;
    simulation::SimulatedDesktop::current()->postEvent({
        .type = event->type(),
        .location = event->location(),
        .mouseButton = event->mouseButton(),
        .keyCode = event->keyCode(),
        .flags = event->flags(),
        .tap = tap,
        .mouse = event->isMouseEvent(),
        .pressesButton = event->pressesButton(),
    });
}
