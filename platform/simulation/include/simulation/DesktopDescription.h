#pragma once

#include "simulation/DesktopState.h"

#include <optional>
#include <string>
#include <string_view>

namespace simulation {

// Reads a desktop from its JSON description. Every key is optional unless
// marked; unknown keys are refused, so that a misspelt one doesn't pass
// silently. Coordinates are in the global space (top left of the main screen,
// y downwards).
//
//   {
//     "osVersion": 14,                  // a major version, or "14.2.1"
//     "home": "/tmp/home",              // the user's home folder
//     "trusted": true,                  // Accessibility trust of our process
//     "appearance": "light",            // "light" or "dark"
//     "screens": [{"x": 0, "y": 0, "width": 1512, "height": 982}],   // at least one
//     "pointer": {"x": 10, "y": 10},
//     "refusedEventTypes": [1],         // synthetic events that can't be created
//     "keyboardLayout": "com.apple.keylayout.German",   // the selected layout; default: U.S.
//     "applications": [                 // running, in workspace order
//       {
//         "pid": 412,                   // positive, unique; default: a fresh one
//         "bundleIdentifier": "com.apple.Safari",   // string or null
//         "name": "Safari",             // the localized name; string or null
//         "bundlePath": "/Applications/Safari.app",
//         "activationPolicy": "regular",   // "regular", "accessory" or "prohibited"
//         "icon": "Safari",             // string or null
//         "hidden": false, "terminated": false,
//         "self": false,                // our own process; at most one
//         "frontmost": false,           // at most one; default: the first regular one shown
//         "failures": { ... },          // see below
//         "windows": [                  // front to back
//           {
//             "number": 3001,           // positive, unique on the desktop; default: fresh
//             "title": "Start Page",    // string or null (no title)
//             "frame": {"x": 0, "y": 25, "width": 800, "height": 600},
//             "minimized": false,
//             "role": "AXWindow", "subrole": "AXStandardWindow",  // subrole may be null
//             "main": false, "focused": false,   // at most one of each per application
//             "failures": { ... }
//           }
//         ]
//       }
//     ],
//     "installed": [ ... ],             // launchable bundles: the application keys
//                                       // but pid, hidden, terminated, self, frontmost
//     "loginItems": [{"bundleIdentifier": "com.kestrova.KestrovaHelper",   // required
//                     "enabled": false, "refuses": false}]
//   }
//
// Failures, for an application or a window element:
//
//   {
//     "unresponsive": true,             // every call: "cannotComplete"
//     "read": {"AXTitle": "cannotComplete", "*": "failure"},   // "*": every attribute
//     "write": {"AXMain": "cannotComplete"},
//     "raise": "cannotComplete",        // every way of raising a window
//     "windowNumber": true,             // windows only: the number can't be read
//     "values": {"AXTitle": 42, "AXPosition": null}   // answers in place of the real ones;
//                                                     // null: success without a value
//   }
//
// Failure names: "failure", "illegalArgument", "invalidUIElement",
// "cannotComplete", "attributeUnsupported", "actionUnsupported",
// "notImplemented", "apiDisabled", "noValue".
class DesktopDescription {
public:
    struct Result {
        std::optional<DesktopState> state;
        // Names what is wrong and where, such as
        // "applications[2].windows[0].title: expected a string".
        std::string error;
    };

    static Result parse(std::string_view json);
    static Result readFile(const std::string& path);
    // A handful of applications (Finder, Safari with three windows, Mail with
    // one, Notes with two, Terminal with none, and our own Kestrova as an
    // accessory), one screen, trusted, macOS 14, the login helper installed
    // and registrable.
    static std::string_view embeddedDefault();
};

}  // namespace simulation
