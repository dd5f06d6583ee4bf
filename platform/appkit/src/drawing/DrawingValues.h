#pragma once

#include "foundation/Id.h"

#include <memory>

class NSColor;
class NSFont;

namespace detail {

// A colour as storyboards and key-value coding give it: an NSColor, the
// name of a system colour ("labelColor"), or an array of red, green, blue
// and optional alpha. nullptr for anything else.
std::shared_ptr<NSColor> colorFromValue(const Id& value);
// A font: an NSFont, a size (the system font), or a dictionary with
// "size", and "name" or "weight" ("bold", "regular" or a number). nullptr
// for anything else.
std::shared_ptr<NSFont> fontFromValue(const Id& value);

}  // namespace detail
