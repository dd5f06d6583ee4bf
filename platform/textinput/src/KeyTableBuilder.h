#pragma once

#include "textinput/UCKeyboardLayout.h"

#include <memory>
#include <string>

struct xkb_context;

namespace textinput::detail {

// Compiles the xkb keymap of a layout (rules evdev, model pc105) and reads off
// the text of every virtual key code under each modifier combination. The
// keymap is dropped afterwards: the table is all a translation needs.
// nullptr when xkb cannot build the layout. The caller serialises use of `context`.
std::shared_ptr<const UCKeyboardLayout> buildKeyLayout(xkb_context* context, const std::string& xkbLayout,
                                                       const std::string& xkbVariant);

std::string xkbLayoutName(const std::string& xkbLayout, const std::string& xkbVariant);

}  // namespace textinput::detail
