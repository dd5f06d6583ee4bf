#pragma once

#include "foundation/String.h"

#include <pango/pangocairo.h>

#include <memory>
#include <mutex>

namespace detail {

// Held around every call into pango and fontconfig. Text is laid out on
// the main thread almost always; one lock keeps the rare other thread from
// depending on how those libraries guard their shared caches.
std::recursive_mutex& textLock();

// The thread's pango context for laying text out. Its font options leave
// glyphs and metrics unhinted, so a layout has the same size whatever
// backing scale it is drawn at.
PangoContext* pangoContext();

struct GObjectUnref {
    void operator()(void* object) const
    {
        std::lock_guard lock(textLock());
        g_object_unref(object);
    }
};
using LayoutPtr = std::unique_ptr<PangoLayout, GObjectUnref>;

// The family every system font is drawn in.
inline constexpr const char* kSystemFontFamily = "DejaVu Sans";
inline constexpr const char* kMonospacedFontFamily = "DejaVu Sans Mono";

}  // namespace detail
