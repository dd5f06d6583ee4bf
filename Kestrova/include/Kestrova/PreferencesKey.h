#pragma once

#include "foundation/String.h"

#include <optional>

// The user defaults the preferences scene lets the user change.
enum class PreferencesKey {
    launchAtLogin,
    rememberShortcuts,
    miniMode,
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
    }
    return String();
}

inline std::optional<PreferencesKey> preferencesKeyFromRaw(const String& name)
{
    for (PreferencesKey key :
         {PreferencesKey::launchAtLogin, PreferencesKey::rememberShortcuts, PreferencesKey::miniMode})
        if (raw(key) == name)
            return key;
    return std::nullopt;
}
