#pragma once

#include "foundation/String.h"

#include <algorithm>
#include <cstddef>

// The keys the library's objects observe and announce one another by, each
// made once for the life of the process: they are compared on every change
// notification, which then neither allocates nor converts.
namespace detail::keys {

template <std::size_t N> struct Text {
    char characters[N];
    constexpr Text(const char (&text)[N]) { std::copy_n(text, N, characters); }
};

template <Text text> const String& interned()
{
    static const String* key = new String(text.characters);
    return *key;
}

// SRShortcutAction
inline constexpr auto shortcut = &interned<"shortcut">;
inline constexpr auto enabled = &interned<"enabled">;
inline constexpr auto actionHandler = &interned<"actionHandler">;
inline constexpr auto target = &interned<"target">;
inline constexpr auto observedObject = &interned<"observedObject">;
inline constexpr auto observedKeyPath = &interned<"observedKeyPath">;

// SRShortcutMonitor
inline constexpr auto actions = &interned<"actions">;
inline constexpr auto shortcuts = &interned<"shortcuts">;

// SRShortcutController
inline constexpr auto selection = &interned<"selection">;
inline constexpr auto shortcutActionTarget = &interned<"shortcutActionTarget">;
inline constexpr auto shortcutAction = &interned<"shortcutAction">;

}  // namespace detail::keys
