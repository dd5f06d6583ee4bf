#pragma once

// Brings the program to the front with all its windows: unhides it, lets the
// application that was frontmost at the global shortcut hand its activation
// over (on macOS 14 and later, where activation is cooperative), then asks
// for the activation itself.
//
// The shared application must exist and its delegate must be the program's
// AppDelegate; anything else stops the program.
void activateProgram();
