#pragma once

#include "foundation/NSObject.h"
#include "foundation/String.h"
#include "shortcut-library/SRShortcut.h"

#include <memory>
#include <mutex>
#include <optional>

class NSError;
class NSMenu;
class NSMenuItem;
class NSView;
class SRShortcutValidator;

// What a validator asks the one who knows the application's own shortcuts.
// Every method is optional: the defaults are what the validator assumes
// when it is not asked.
//
// The two questions share their first name; a delegate that answers one of
// them brings the other in with `using SRShortcutValidatorDelegate::shortcutValidator;`.
class SRShortcutValidatorDelegate {
public:
    virtual ~SRShortcutValidatorDelegate() = default;

    // False refuses the shortcut; `reason` (empty on the way in) may say why,
    // as the end of "... can't be used because <reason>.". Not answering
    // (nullopt) lets the next question decide.
    virtual std::optional<bool> shortcutValidator(SRShortcutValidator& /*validator*/, const SRShortcut& /*shortcut*/,
                                                  String& /*reason*/)
    {
        return std::nullopt;
    }
    // Asked only when the question above is not answered: true means the key
    // code and flags are taken, which refuses the shortcut.
    virtual bool shortcutValidator(SRShortcutValidator& /*validator*/, SRKeyCode /*keyCode*/,
                                   NSEventModifierFlags /*flags*/, String& /*reason*/)
    {
        return false;
    }
    // False skips the check against the system's own shortcuts.
    virtual bool shortcutValidatorShouldCheckSystemShortcuts(SRShortcutValidator& /*validator*/) { return true; }
    // False skips the check against the main menu.
    virtual bool shortcutValidatorShouldCheckMenu(SRShortcutValidator& /*validator*/) { return true; }
    // Whether error texts name the key as the ASCII-capable layout has it.
    virtual bool shortcutValidatorShouldUseASCIIStringForKeyCodes(SRShortcutValidator& /*validator*/) { return true; }
};

// Decides whether a shortcut may be used and says why not: first its
// delegate is asked, then the system-wide keyboard shortcuts are checked,
// then the key equivalents of the application's main menu. A refusal comes
// with an error (Cocoa domain, code 0) whose failure reason and description
// name the shortcut and what uses it.
//
// Set as a recorder control's delegate, it refuses a recorded shortcut that
// is in use and presents the error from the control.
//
// Validation runs on the caller's thread; the menu walk and presenting
// errors belong on the main thread.
class SRShortcutValidator : public NSObject {
    KS_OBJECT(SRShortcutValidator, NSObject)

public:
    explicit SRShortcutValidator(const std::shared_ptr<SRShortcutValidatorDelegate>& delegate = nullptr);

    // Held weakly; one that is gone counts as none.
    std::shared_ptr<SRShortcutValidatorDelegate> delegate() const;
    void setDelegate(const std::shared_ptr<SRShortcutValidatorDelegate>& delegate);

    // True when every check passes. `error`, when given, receives the error
    // of the check that refused (none when the system's shortcuts can't be
    // read).
    bool validateShortcut(const SRShortcut& shortcut, std::shared_ptr<NSError>* error = nullptr);
    bool validateShortcutAgainstDelegate(const SRShortcut& shortcut, std::shared_ptr<NSError>* error = nullptr);
    bool validateShortcutAgainstSystemShortcuts(const SRShortcut& shortcut, std::shared_ptr<NSError>* error = nullptr);
    // Items count whatever their state; a submenu is searched before the
    // item that holds it.
    bool validateShortcut(const SRShortcut& shortcut, const NSMenu& menu, std::shared_ptr<NSError>* error = nullptr);

    // The recorder-control delegate question: validates, and when the
    // shortcut is refused presents the error from the control (as a sheet
    // on its window when it is in one).
    bool recorderControl(NSView& control, const SRShortcut& shortcut);

protected:
    static void describe(ClassDescriptor& d);

private:
    String shortcutText(const SRShortcut& shortcut);
    static std::shared_ptr<NSError> makeError(const String& failureReason, const String& description);

    mutable std::mutex mutex_;
    std::weak_ptr<SRShortcutValidatorDelegate> delegate_;
};

// The item's place in its menus: the titles from the top-most item down to
// the item, joined by " → ".
String SR_path(const NSMenuItem& item);
