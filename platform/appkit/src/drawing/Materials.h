#pragma once

#include "appkit/NSColor.h"
#include "appkit/NSVisualEffectView.h"

class NSAppearance;

namespace detail {

// The colour a material shows in a look, as drawn with nothing behind the
// window: translucent panels come out as a slightly see-through tint.
NSColor::Components materialComponents(NSVisualEffectMaterial material, const NSAppearance& appearance);

}  // namespace detail
