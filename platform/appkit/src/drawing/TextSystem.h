#pragma once

#include "foundation/String.h"

#include <pango/pangocairo.h>

#include <memory>

namespace detail {

// The thread's pango context for laying text out. Its font options leave
// glyphs and metrics unhinted, so a layout has the same size whatever
// backing scale it is drawn at.
PangoContext* pangoContext();

struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, GObjectUnref>;

// The family every system font is drawn in.
inline constexpr const char* kSystemFontFamily = "DejaVu Sans";
inline constexpr const char* kMonospacedFontFamily = "DejaVu Sans Mono";

}  // namespace detail
