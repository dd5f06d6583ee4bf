#pragma once

#include "accessibility/AXUIElement.h"
#include "coregraphics/CGBase.h"

// The window number of a window element: the private call a program declares
// itself to reach, since the public interface offers none. Elements other
// than windows answer kAXErrorIllegalArgument; a window whose number can't
// be read answers kAXErrorFailure. `windowNumber` is written on success only.
AXError _AXUIElementGetWindow(AXUIElementRef element, CGWindowID* windowNumber);
