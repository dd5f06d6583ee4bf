#pragma once

// The system's own keyboard shortcuts (Spotlight, screenshots, Mission
// Control, ...), as the simulated desktop lists them.

#include "foundation/Id.h"
#include "foundation/String.h"
#include "textinput/CarbonTypes.h"

// The keys of each entry: the key code (a number), its Carbon modifiers (a
// number) and whether the shortcut is switched on (a Boolean).
extern const String kHISymbolicHotKeyCode;
extern const String kHISymbolicHotKeyModifiers;
extern const String kHISymbolicHotKeyEnabled;

// Fills `outHotKeyArray` with one dictionary per shortcut, in the system's
// order: 0. The desktop's injected status when it makes reading fail, with
// an empty array; paramErr without a place for the array.
OSStatus CopySymbolicHotKeys(Array* outHotKeyArray);
