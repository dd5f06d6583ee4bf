#pragma once

#include "foundation/NSObjectController.h"
#include "shortcut-library/SRShortcut.h"
#include "shortcut-library/SRShortcutAction.h"

#include <array>
#include <memory>

// An object controller whose content is one SRShortcut, made to be bound:
// its content follows where a shortcut is stored, and it offers, under
// "selection.", eight values computed from that shortcut for display
// bindings:
//
//   keyEquivalent, keyEquivalentModifierMask   (for a menu item)
//   literalKeyCode, symbolicKeyCode            (key names in the current layout)
//   literalASCIIKeyCode, symbolicASCIIKeyCode  (key names in the ASCII layout)
//   literalModifierFlags, symbolicModifierFlags
//
// They follow the content and the selected keyboard layout. While there is
// no single shortcut they are the controller marker the selection answers.
//
// Giving it a shortcut action target makes the stored shortcut system-wide:
// the controller keeps one key-down action, following its own "content", in
// the shared global monitor, and pressing the shortcut sends
// performShortcutAction: to the target. The action leaves the monitor when
// the target is cleared and when the controller goes.
//
// A recorder control can be attached; it is then bound to the same stored
// value as the controller's content, through the same value transformer.
//
// Made with std::make_shared, used on the main thread.
class SRShortcutController : public NSObjectController {
    KS_OBJECT(SRShortcutController, NSObjectController)

public:
    SRShortcutController();
    explicit SRShortcutController(Id content);
    ~SRShortcutController() override;

    // SRShortcut; the controller never makes content itself.
    const ClassDescriptor* objectClass() const override;
    // A programmer error: raises an internal-inconsistency exception.
    Id newObject() override;
    // The content is one shortcut: adding replaces it (anything but a
    // shortcut or nil is refused with a log line); removing clears it when it
    // is the content.
    void addObject(const Id& object) override;
    void removeObject(const Id& object) override;

    // Held by the action, weakly; nil while there is none. Once the target is
    // gone the action answers the shared application object.
    std::shared_ptr<NSObject> shortcutActionTarget() const;
    void setShortcutActionTarget(const std::shared_ptr<NSObject>& target);
    // Nil while there is no target.
    const std::shared_ptr<SRShortcutAction>& shortcutAction() const { return shortcutAction_; }

    // Any object with a "value" binding; held weakly.
    std::shared_ptr<NSObject> recorderControl() const { return recorderControl_.lock(); }
    void setRecorderControl(const std::shared_ptr<NSObject>& control);

    const String& identifier() const { return identifier_; }
    void setIdentifier(const String& identifier);

    Id valueForKeyPath(const String& keyPath) override;
    Id singleValueForKey(const String& key) override;
    void bind(const String& binding, const Id& observable, const String& keyPath, const Dictionary& options) override;
    void didChangeValueForKey(const String& key) override;
    bool automaticallyNotifiesObserversForKey(const String& key) const override;

    void addSelectedKeyboardInputSourceObserverIfNeeded();
    void removeSelectedKeyboardInputSourceObserverIfNeeded();
    void onSelectedKeyboardInputSourceObserverChange();
    void updateComputedKeyPaths();

protected:
    static void describe(ClassDescriptor& d);

private:
    void updateRecorderControlValueBinding();
    // The cached field of a computed key ("keyEquivalent", ...), or nullptr.
    const Id* computedValueForKey(const String& key) const;

    // keyEquivalent, keyEquivalentModifierMask, the four key-code texts
    // (literal, symbolic, ASCII literal, ASCII symbolic) and the two
    // modifier texts (literal, symbolic), in that order.
    std::array<Id, 8> computedValues_;
    bool isSelectedKeyboardInputSourceObserved_ = false;
    std::weak_ptr<NSObject> recorderControl_;
    String identifier_;
    std::shared_ptr<SRShortcutAction> shortcutAction_;
};
