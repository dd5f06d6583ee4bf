#pragma once

#include "foundation/Id.h"
#include "shortcut-library/SRShortcutMonitor.h"

#include <memory>

class NSEvent;

// The monitor of the key events the application itself receives: the caller
// hands it events and it performs the matching enabled actions, most recent
// first. Made with std::make_shared and filled with addAction.
//
// The presets are monitors of the standard text-editing and menu commands,
// made afresh on every call. Their actions have no target, so they act on the
// target given to handleEvent, or on the shared application object.
class SRLocalShortcutMonitor : public SRShortcutMonitor {
    KS_OBJECT(SRLocalShortcutMonitor, SRShortcutMonitor)

public:
    // True when an action answered true. The characters of the event are not
    // read, so an event of another keyboard layout with the same key code and
    // modifier flags matches too.
    bool handleEvent(const NSEvent& event, const std::shared_ptr<NSObject>& target = nullptr);

    // Adds key-down actions from the system's and the user's key-binding
    // dictionaries, read afresh on every call. A binding to "noop:" (or to
    // the empty string) stops the fixed-shortcut actions already listed for
    // its key from firing; any other selector name adds an action with that
    // selector, which takes precedence over those listed before it.
    void updateWithCocoaTextKeyBindings();

    // Text navigation and editing, then the key bindings.
    static std::shared_ptr<SRLocalShortcutMonitor> standardShortcuts();
    static std::shared_ptr<SRLocalShortcutMonitor> mainMenuShortcuts();
    static std::shared_ptr<SRLocalShortcutMonitor> clipboardShortcuts();
    static std::shared_ptr<SRLocalShortcutMonitor> windowShortcuts();
    static std::shared_ptr<SRLocalShortcutMonitor> documentShortcuts();
    static std::shared_ptr<SRLocalShortcutMonitor> appShortcuts();

    // Where the system key bindings come from: the resource
    // "StandardKeyBinding.dict" of the bundle with this identifier, the
    // application framework's.
    static constexpr const char* applicationFrameworkBundleIdentifier = "com.apple.AppKit";

private:
    // The dictionaries; empty when they can't be read.
    static Dictionary parseSystemKeyBindings();
    static Dictionary parseUserKeyBindings();
};
