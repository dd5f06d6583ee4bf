#include "quartz/CGEventMouse.h"

#include "simulation/SimulatedDesktop.h"

CGEventRef CGEventCreateMouseEvent(const CGEventSourceRef&, CGEventType mouseType, CGPoint mouseCursorPosition,
                                   CGMouseButton mouseButton)
{
    auto event = std::make_shared<CGEvent>(mouseType, mouseCursorPosition);
    if (!event->isMouseEvent() || simulation::SimulatedDesktop::current()->refusesEventType(mouseType))
        return nullptr;
    // The left and right types name their button themselves, whatever the
    // caller passed.
    switch (mouseType) {
    case kCGEventLeftMouseDown:
    case kCGEventLeftMouseUp:
    case kCGEventLeftMouseDragged:
        event->setMouseButton(kCGMouseButtonLeft);
        break;
    case kCGEventRightMouseDown:
    case kCGEventRightMouseUp:
    case kCGEventRightMouseDragged:
        event->setMouseButton(kCGMouseButtonRight);
        break;
    default:
        event->setMouseButton(mouseButton);
        break;
    }
    if (event->pressesButton() || mouseType == kCGEventLeftMouseUp || mouseType == kCGEventRightMouseUp ||
        mouseType == kCGEventOtherMouseUp)
        event->setClickState(1);
    return event;
}

CGError CGWarpMouseCursorPosition(CGPoint newCursorPosition)
{
    simulation::SimulatedDesktop::current()->warpPointer(newCursorPosition);
    return kCGErrorSuccess;
}

CGError CGAssociateMouseAndMouseCursorPosition(bool connected)
{
    simulation::SimulatedDesktop::current()->setPointerAssociated(connected);
    return kCGErrorSuccess;
}
