#pragma once

#include "appkit/NSEvent.h"
#include "foundation/NSObject.h"
#include "foundation/Selector.h"
#include "shortcut-library/SRShortcut.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// The two kinds of key event an action is registered for, with the same
// numbers as the event types they stand for.
enum SRKeyEventType : NSUInteger {
    SRKeyEventTypeDown = NSEventTypeKeyDown,
    SRKeyEventTypeUp = NSEventTypeKeyUp,
};

class SRShortcutAction;

// A target that takes shortcut actions without naming a selector.
class SRShortcutActionTarget {
public:
    virtual ~SRShortcutActionTarget() = default;
    // True when the shortcut was handled.
    virtual bool performShortcutAction(SRShortcutAction& action) = 0;
};

// What should happen when a shortcut is pressed: a handler, a target with an
// action selector, or a target that adopts SRShortcutActionTarget. The
// shortcut is either fixed or follows a value observed on another object's
// key path.
//
// Make actions with std::make_shared or the factories: key-value observation
// holds its observers weakly, and both the action (as observer of its
// observed object) and the monitors that observe it rely on that.
//
// Locking: `shortcut`, `actionHandler`, `target` and the observation are
// changed under a recursive lock on the action, held while the change
// notifications go out, so observers always see one change at a time. Reads
// take only a short inner lock that nothing is ever called under; a monitor
// can therefore read an action while it holds its own lock without ever
// waiting on a setter that holds the action's lock and is telling that very
// monitor about the change.
class SRShortcutAction : public NSObject {
    KS_OBJECT(SRShortcutAction, NSObject)

public:
    using ActionHandler = std::function<bool(SRShortcutAction& action)>;

    static std::shared_ptr<SRShortcutAction> shortcutActionWithShortcut(const std::shared_ptr<SRShortcut>& shortcut,
                                                                        const std::shared_ptr<NSObject>& target,
                                                                        Selector action, NSInteger tag);
    static std::shared_ptr<SRShortcutAction> shortcutActionWithShortcut(const std::shared_ptr<SRShortcut>& shortcut,
                                                                        ActionHandler actionHandler);
    static std::shared_ptr<SRShortcutAction> shortcutActionWithKeyPath(const String& keyPath,
                                                                       const std::shared_ptr<NSObject>& object,
                                                                       const std::shared_ptr<NSObject>& target,
                                                                       Selector action, NSInteger tag);
    static std::shared_ptr<SRShortcutAction> shortcutActionWithKeyPath(const String& keyPath,
                                                                       const std::shared_ptr<NSObject>& object,
                                                                       ActionHandler actionHandler);

    // Enabled, with no shortcut, handler or target.
    SRShortcutAction();
    ~SRShortcutAction() override;

    std::shared_ptr<SRShortcut> shortcut() const;
    // Fixes the shortcut; ends the observation of a key path, also when the
    // shortcut is equal to the current one.
    void setShortcut(const std::shared_ptr<SRShortcut>& shortcut);
    // Follows `keyPath` of `object` (held weakly) from now on, starting with
    // its current value.
    void setObservedObject(const std::shared_ptr<NSObject>& object, const String& keyPath);
    std::shared_ptr<NSObject> observedObject() const;
    String observedKeyPath() const;

    // A handler and a target exclude each other: setting one clears the other.
    ActionHandler actionHandler() const;
    void setActionHandler(ActionHandler actionHandler);
    // Held weakly; without one, the shared application object.
    std::shared_ptr<NSObject> target() const;
    void setTarget(const std::shared_ptr<NSObject>& target);

    Selector action() const { return action_.load(std::memory_order_relaxed); }
    void setAction(Selector action);
    NSInteger tag() const { return tag_.load(std::memory_order_relaxed); }
    void setTag(NSInteger tag);
    String identifier() const;
    void setIdentifier(const String& identifier);
    bool isEnabled() const { return enabled_.load(std::memory_order_acquire); }
    void setEnabled(bool enabled);

    // Runs the action: the handler, or the target (`target` when given, else
    // the action's own) by selector or protocol. True when the shortcut
    // counts as handled.
    bool performActionOnTarget(const std::shared_ptr<NSObject>& target = nullptr);

    void observeValueForKeyPath(const String& keyPath, NSObject* object, const KeyValueChange& change,
                                void* context) override;
    bool automaticallyNotifiesObserversForKey(const String& key) const override;

protected:
    static void describe(ClassDescriptor& d);

private:
    // Stops observing the observed object (when it still exists) and forgets
    // it; announces nothing itself. Called with lock_ held.
    void invalidateObserving();

    // Serialises changes and their notifications; recursive because the
    // initial value of a new observation arrives inside setObservedObject.
    mutable std::recursive_mutex lock_;
    // Guards the fields below for reads and stores only.
    mutable std::mutex fieldsMutex_;
    std::shared_ptr<SRShortcut> shortcut_;
    ActionHandler actionHandler_;
    std::weak_ptr<NSObject> target_;
    std::weak_ptr<NSObject> observedObject_;
    // Which object the observation was registered on, also after it is gone.
    NSObject* observedObjectPointer_ = nullptr;
    String observedKeyPath_;
    String identifier_;

    std::atomic<bool> enabled_{true};
    std::atomic<NSInteger> tag_{0};
    std::atomic<Selector> action_{Selector()};
};

// Keyboard events as key event kinds (the SRShortcutAction category of NSEvent).
//
// 10 and 11 are themselves; a flags-changed event (12) is a key down when the
// modifier of its key is now set and a key up when it is not. Any other event
// type is a programmer error and raises an internal-inconsistency exception.
SRKeyEventType SR_keyEventTypeForEventType(NSEventType eventType, unsigned short keyCode,
                                           NSEventModifierFlags modifierFlags);
SRKeyEventType SR_keyEventType(const NSEvent& event);

namespace detail {
// SR_keyEventTypeForEventType for the library's own event paths, which run in
// activities of their own.
SRKeyEventType SRKeyEventTypeForEventType(NSEventType eventType, unsigned short keyCode,
                                          NSEventModifierFlags modifierFlags);
}  // namespace detail
