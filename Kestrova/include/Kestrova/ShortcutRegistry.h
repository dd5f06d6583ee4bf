#pragma once

#include "foundation/NSObject.h"
#include "foundation/String.h"
#include "reactive/DisposeBag.h"
#include "reactive/PublishSubject.h"
#include "reactive/Unit.h"

#include <map>
#include <memory>
#include <optional>

class NSObjectController;
class NSRunningApplication;
class SRShortcut;
class SRShortcutFormatter;

// The shortcut the user gave each application, in two forms: a dictionary
// from application key to key-binding string, which recorder controls bind
// to and which is what the user default "shortcuts" stores, and a map of
// parsed shortcuts that the assign-shortcuts list keeps to refuse
// duplicates.
//
// The stored dictionary is read once, when the registry is made. It is
// written back (or removed, with "rememberShortcuts" off) on every change
// signal and every change of "rememberShortcuts", but only once the first
// change signal of this run has come: until the user assigns something, what
// an earlier run stored is left as it is.
//
// Main thread only.
class ShortcutRegistry : public NSObject {
    KS_OBJECT(ShortcutRegistry, NSObject)

public:
    using Shortcuts = std::map<String, std::shared_ptr<SRShortcut>>;

    // Made on first use, over the standard user defaults as they are then,
    // and never released.
    static ShortcutRegistry& shared();
    // Lets go of the shared registry, so that the next shared() reads the
    // user defaults afresh, as a new run of the program would. For tests:
    // references to the old one must not be used afterwards.
    static void resetSharedForTesting();
    // A registry of its own: loaded, with its save subscribed. shared() is
    // one of these.
    static std::shared_ptr<ShortcutRegistry> create();

    // The name an application's entry goes by: its localized name with every
    // "." replaced by "-", since the entry is a single key below "content.".
    // So "Alpha.Beta" and "Alpha-Beta" share one entry.
    static String applicationKey(const String& localizedName);
    // A missing localized name gives the empty key.
    static String applicationKey(const std::optional<String>& localizedName);
    static String applicationKey(const NSRunningApplication& application);

    // Emitted by whoever changed an application's shortcut, after it did.
    reactive::PublishSubject<reactive::Unit>& shortcutsChanged() { return shortcutsChanged_; }
    // Its content is the dictionary of key-binding strings; an application's
    // entry is at "content." + its application key.
    const std::shared_ptr<NSObjectController>& shortcutController() const { return shortcutController_; }
    // The parsed shortcuts by application key, kept up to date by the
    // assign-shortcuts list.
    Shortcuts& shortcuts() { return shortcuts_; }
    const Shortcuts& shortcuts() const { return shortcuts_; }
    // The one formatter that shows shortcuts in the switcher: modifier
    // glyphs, then the key.
    const SRShortcutFormatter& shortcutFormatter() const { return *shortcutFormatter_; }

    using NSObject::bind;
    // Binds the control's value to the entry of the application named
    // `appName`, through a key-binding transformer of its own: the control
    // shows the stored string as a shortcut, what it writes back is stored
    // as a string, and writing no value removes the entry.
    void bind(NSObject& control, const String& appName);
    // The stored shortcut of the application named `appName`; nullptr when
    // its entry is missing, not a string, or not a readable key binding.
    std::shared_ptr<SRShortcut> shortcut(const String& appName) const;
    // The key of an application that holds a shortcut equal to `shortcut`
    // (same key code and flags) in `shortcuts()`, if any.
    std::optional<String> appKey(const SRShortcut& shortcut) const;

    // Reads the stored dictionary into the content. Only entries with a
    // string key free of "." and a readable key-binding string become
    // shortcuts; every entry stays in the content, so a save writes back
    // unchanged what could not be read.
    void loadShortcuts();
    // Subscribes the save to the change signal combined with
    // "rememberShortcuts" (absent counts as off).
    void saveShortcutsOnChange();
    // Writes the whole content as "shortcuts", or removes it.
    void saveShortcuts(bool remember);

    ShortcutRegistry();
    ~ShortcutRegistry() override;

private:
    reactive::PublishSubject<reactive::Unit> shortcutsChanged_;
    std::shared_ptr<NSObjectController> shortcutController_;
    reactive::DisposeBag disposeBag_;
    Shortcuts shortcuts_;
    std::shared_ptr<SRShortcutFormatter> shortcutFormatter_;
};
