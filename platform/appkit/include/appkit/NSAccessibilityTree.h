#pragma once

#include "foundation/String.h"

#include <string>
#include <vector>

class NSWindow;

// What a role is called to a listener ("button" for "AXButton"); the role
// itself for one this framework doesn't name.
String NSAccessibilityRoleDescription(const String& role);

// A window as assistive software reads it: the window, then each element of
// its visible views in the order of the view tree, an element's own
// elements indented under it. One line an element:
//
//   AXButton "label" (shortcut) value="Not set" help="..." disabled [AXPress, AXCancel]
//
// with the label, value and help in quotes only when not empty, the role
// description in parentheses, and the actions in brackets.
std::vector<std::string> NSAccessibilityTreeLines(NSWindow& window);
