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
inline const String& shortcut()
{
    return interned<"shortcut">();
}
inline const String& enabled()
{
    return interned<"enabled">();
}
inline const String& actionHandler()
{
    return interned<"actionHandler">();
}
inline const String& target()
{
    return interned<"target">();
}
inline const String& observedObject()
{
    return interned<"observedObject">();
}
inline const String& observedKeyPath()
{
    return interned<"observedKeyPath">();
}

// SRShortcutMonitor
inline const String& actions()
{
    return interned<"actions">();
}
inline const String& shortcuts()
{
    return interned<"shortcuts">();
}

// SRShortcutController
inline const String& selection()
{
    return interned<"selection">();
}
inline const String& shortcutActionTarget()
{
    return interned<"shortcutActionTarget">();
}
inline const String& shortcutAction()
{
    return interned<"shortcutAction">();
}

}  // namespace detail::keys
