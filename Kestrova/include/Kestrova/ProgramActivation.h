#pragma once

class AppStateContext;

// Brings the program to the front with all its windows: unhides it, lets the
// application that was frontmost at the global shortcut (the context's
// previous application) hand its activation over, on macOS 14 and later
// where activation is cooperative, then asks for the activation itself.
//
// The shared application must exist; without it the program stops.
void activateProgram(const AppStateContext& context);
