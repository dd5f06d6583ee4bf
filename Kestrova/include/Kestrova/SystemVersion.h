#pragma once

// Whether the system is macOS 14 or later, where activation is cooperative:
// the active application yields and the next one activates from it.
bool isMacOS14OrLater();
