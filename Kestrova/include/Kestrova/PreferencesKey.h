#pragma once

#include "foundation/String.h"

#include <optional>

// The user defaults the preferences scene lets the user change. Two keys are
// the same key exactly when their names are the same.
enum class PreferencesKey {
    launchAtLogin,
    rememberShortcuts,
    miniMode,
    // Named, but the global shortcut is stored under "shortcut-Kestrova".
    globalShortcut,
};

// The default's name.
inline String raw(PreferencesKey key)
{
    switch (key) {
    case PreferencesKey::launchAtLogin:
        return "launchAtLogin";
    case PreferencesKey::rememberShortcuts:
        return "rememberShortcuts";
    case PreferencesKey::miniMode:
        return "miniMode";
    case PreferencesKey::globalShortcut:
        return "globalShortcut";
    }
    return String();
}

// The key of that name; nothing for any other string.
inline std::optional<PreferencesKey> preferencesKeyFromRaw(const String& name)
{
    for (PreferencesKey key : {PreferencesKey::launchAtLogin, PreferencesKey::rememberShortcuts,
                               PreferencesKey::miniMode, PreferencesKey::globalShortcut})
        if (raw(key) == name)
            return key;
    return std::nullopt;
}
