#include "simulation/DesktopDescription.h"

namespace simulation {

// The desktop the programs start on when no description is given: enough to
// show every road of the switcher (an application with several windows, one
// with one, one with none, accessory and background processes that the lists
// leave out) on a single screen with trust granted.
std::string_view DesktopDescription::embeddedDefault()
{
    static constexpr std::string_view kDescription = R"json({
  "osVersion": "14.4.1",
  "trusted": true,
  "screens": [{"x": 0, "y": 0, "width": 1512, "height": 982}],
  "pointer": {"x": 756, "y": 491},
  "applications": [
    {
      "pid": 180, "bundleIdentifier": "com.apple.dock", "name": "Dock",
      "bundlePath": "/System/Library/CoreServices/Dock.app", "activationPolicy": "prohibited", "icon": "Dock"
    },
    {
      "pid": 412, "bundleIdentifier": "com.apple.finder", "name": "Finder",
      "bundlePath": "/System/Library/CoreServices/Finder.app", "icon": "Finder", "frontmost": true,
      "windows": [
        {"number": 4120, "title": "Recents", "frame": {"x": 160, "y": 120, "width": 920, "height": 540}}
      ]
    },
    {
      "pid": 533, "bundleIdentifier": "com.apple.Safari", "name": "Safari",
      "bundlePath": "/Applications/Safari.app", "icon": "Safari",
      "windows": [
        {"number": 5330, "title": "Start Page", "frame": {"x": 80, "y": 60, "width": 1200, "height": 800}},
        {"number": 5331, "title": "Release Notes", "frame": {"x": 240, "y": 110, "width": 1100, "height": 760}},
        {"number": 5332, "title": "Weather Forecast", "frame": {"x": 320, "y": 150, "width": 1000, "height": 700}}
      ]
    },
    {
      "pid": 548, "bundleIdentifier": "com.apple.mail", "name": "Mail",
      "bundlePath": "/System/Applications/Mail.app", "icon": "Mail",
      "windows": [
        {"number": 5480, "title": "Inbox", "frame": {"x": 100, "y": 80, "width": 1280, "height": 820}}
      ]
    },
    {
      "pid": 561, "bundleIdentifier": "com.apple.Notes", "name": "Notes",
      "bundlePath": "/System/Applications/Notes.app", "icon": "Notes",
      "windows": [
        {"number": 5610, "title": "Shopping List", "frame": {"x": 400, "y": 200, "width": 700, "height": 500}},
        {"number": 5611, "title": "Ideas", "frame": {"x": 460, "y": 240, "width": 700, "height": 500}}
      ]
    },
    {
      "pid": 590, "bundleIdentifier": "com.apple.Terminal", "name": "Terminal",
      "bundlePath": "/System/Applications/Utilities/Terminal.app", "icon": "Terminal"
    },
    {
      "pid": 702, "bundleIdentifier": "com.kestrova.Kestrova", "name": "Kestrova",
      "bundlePath": "/Applications/Kestrova.app", "activationPolicy": "accessory", "icon": "Kestrova",
      "self": true
    }
  ],
  "installed": [
    {
      "bundleIdentifier": "com.kestrova.KestrovaHelper", "name": "KestrovaHelper",
      "bundlePath": "/Applications/Kestrova.app/Contents/Library/LoginItems/KestrovaHelper.app",
      "activationPolicy": "prohibited"
    },
    {
      "bundleIdentifier": "com.apple.TextEdit", "name": "TextEdit",
      "bundlePath": "/System/Applications/TextEdit.app", "icon": "TextEdit",
      "windows": [{"title": "Untitled", "frame": {"x": 300, "y": 160, "width": 640, "height": 480}}]
    }
  ],
  "loginItems": [{"bundleIdentifier": "com.kestrova.KestrovaHelper", "enabled": false}]
})json";
    return kDescription;
}

}  // namespace simulation
