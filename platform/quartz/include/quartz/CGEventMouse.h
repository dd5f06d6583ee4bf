#pragma once

#include "coregraphics/CGBase.h"
#include "coregraphics/CGGeometry.h"
#include "quartz/CGEvent.h"

// Synthetic mouse events and the pointer.

// A mouse event of a mouse type at a point in the global space; nullptr for
// any other type, or when the desktop refuses to create that type.
CGEventRef CGEventCreateMouseEvent(const CGEventSourceRef& source, CGEventType mouseType, CGPoint mouseCursorPosition,
                                   CGMouseButton mouseButton);

// Moves the pointer without an event.
CGError CGWarpMouseCursorPosition(CGPoint newCursorPosition);
// Whether mouse movement moves the pointer; a warp leaves them apart for a
// moment, which callers undo with true.
CGError CGAssociateMouseAndMouseCursorPosition(bool connected);
