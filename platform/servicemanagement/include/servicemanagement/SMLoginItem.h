#pragma once

#include "foundation/String.h"

// Registers (enabled true) or unregisters the helper program with that bundle
// identifier to start at login. The helper is the application bundle inside
// the main bundle's Contents/Library/LoginItems whose bundle identifier this
// is; registering writes a freedesktop autostart entry for it,
// <home>/.config/autostart/<identifier>.desktop, whose Exec names the
// helper's executable, and unregistering removes that entry. Registering
// doesn't start the helper: it starts when the user logs in.
//
// False when the system doesn't know the helper or refuses it, when the
// helper isn't in the main bundle, or when the entry can't be written or
// removed (each said in the log); every request the system gets is recorded
// on the simulated desktop.
bool SMLoginItemSetEnabled(const String& identifier, bool enabled);

// Where the autostart entry of a helper lies in the current home.
String SMLoginItemAutostartEntryPath(const String& identifier);
