#pragma once

#include "foundation/String.h"

// Registers (enabled true) or unregisters the helper program with that bundle
// identifier to start at login. False when the system doesn't know the
// helper or refuses it; every request is recorded on the simulated desktop.
// Registering doesn't start the helper: it starts when the user logs in.
bool SMLoginItemSetEnabled(const String& identifier, bool enabled);
