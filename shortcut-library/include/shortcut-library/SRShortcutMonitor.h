#pragma once

#include "shortcut-library/SRShortcut.h"
#include "shortcut-library/SRShortcutAction.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

// The base of every monitor: which actions are registered for which key
// event kind, and the enabled ones indexed by their current shortcut in the
// order they were registered. It follows each action's "enabled" flag and
// shortcut through key-value observation and tells subclasses through four
// hooks when a shortcut gains its first or loses its last enabled action.
//
// It receives no events itself. A subclass turns an event into a shortcut
// and a key event kind, takes enabledActionsForShortcut (a copy) and tries
// the actions from the most recently registered to the oldest; the first one
// that answers true ends the search and the event counts as handled
// (performActions does exactly that).
//
// Make monitors with std::make_shared: they observe their actions, and
// observers are held weakly.
//
// Threads: one recursive lock per monitor guards everything it holds. The
// hooks are sent with it held, on the thread that caused the change. The
// actions are performed without it, over a copy, so an action may add or
// remove actions (itself included) while it runs. The monitor reads its
// actions while it holds its lock; actions never make their readers wait on
// a setter (see SRShortcutAction), so setters on one thread and monitor
// operations on another can't deadlock.
class SRShortcutMonitor : public NSObject {
    KS_OBJECT(SRShortcutMonitor, NSObject)

public:
    using ActionList = std::vector<std::shared_ptr<SRShortcutAction>>;

    SRShortcutMonitor();
    ~SRShortcutMonitor() override;

    // The distinct registered actions, in the order they were first added.
    ActionList actions() const;
    // The distinct shortcuts that have at least one enabled action, in the
    // order they got their first.
    std::vector<std::shared_ptr<SRShortcut>> shortcuts() const;
    ActionList actionsForKeyEvent(SRKeyEventType keyEvent) const;
    // A copy of the shortcut's enabled actions for the kind, oldest first;
    // empty when there are none.
    ActionList enabledActionsForShortcut(const SRShortcut& shortcut, SRKeyEventType keyEvent) const;

    // Registers the action for the kind. Adding it again for the same kind
    // moves it to the most recent place of its shortcut; adding an action
    // that is registered for both kinds is a programmer error.
    void addAction(const std::shared_ptr<SRShortcutAction>& action, SRKeyEventType keyEvent);
    // A key-down action with a nil target for the key equivalent (such as
    // "⇧⌘S"); nil, and nothing added, when the key equivalent doesn't parse.
    std::shared_ptr<SRShortcutAction> addAction(Selector selector, const String& keyEquivalent, NSInteger tag);
    // Nothing happens when the action is not registered for the kind.
    void removeAction(const std::shared_ptr<SRShortcutAction>& action, SRKeyEventType keyEvent);
    // Both kinds: key down, then key up.
    void removeAction(const std::shared_ptr<SRShortcutAction>& action);
    void removeAllActions();

    // Every shortcut with its actions, per kind; "No Shortcuts" when empty.
    String debugDescription() const;

    void observeValueForKeyPath(const String& keyPath, NSObject* object, const KeyValueChange& change,
                                void* context) override;
    bool automaticallyNotifiesObserversForKey(const String& key) const override;

protected:
    static void describe(ClassDescriptor& d);

    // Sent with the monitor's lock held. A shortcut counts as added from its
    // first enabled registration (either kind) to its last: an action
    // registered for key down and key up under one shortcut makes one
    // add/remove pair, not two. So by the time willRemoveShortcut arrives the
    // shortcut is about to have no enabled action at all, and a subclass that
    // holds something for it (a hot key, an enabled event tap) releases it
    // there and acquires it in didAddShortcut. The shortcut is among
    // shortcuts() from didAddShortcut to willRemoveShortcut inclusive, so
    // "is this the last one" is shortcutCount() == 1 in willRemoveShortcut.
    // removeAllActions is the exception: it sends willRemoveShortcut for
    // every shortcut before any has gone, and didRemoveShortcut once none is
    // left, so "nothing is left" is shortcutCount() == 0 in didRemoveShortcut
    // whichever way they went.
    virtual void willAddShortcut(const std::shared_ptr<SRShortcut>& shortcut);
    virtual void didAddShortcut(const std::shared_ptr<SRShortcut>& shortcut);
    virtual void willRemoveShortcut(const std::shared_ptr<SRShortcut>& shortcut);
    virtual void didRemoveShortcut(const std::shared_ptr<SRShortcut>& shortcut);

    // How many distinct shortcuts have an enabled action: shortcuts().size()
    // without making the list.
    std::size_t shortcutCount() const;

    // enabledActionsForShortcut for the key of a shortcut, for subclasses
    // that turn an event into one without making a shortcut object.
    ActionList enabledActionsForShortcutKey(const detail::SRShortcutKey& key, SRKeyEventType keyEvent) const;

    // The monitor's lock, for subclasses whose own state goes with it.
    std::recursive_mutex& actionsLock() const { return lock_; }

    // Tries the actions from the last to the first with the target; true at
    // the first that answers true. Takes no lock.
    static bool performActions(const ActionList& actions, const std::shared_ptr<NSObject>& target);

    // Takes the shortcut's enabled actions of the kind that match out of its
    // list, leaving them registered and enabled: they no longer fire for the
    // shortcut until their shortcut or enabled flag changes. The hooks are
    // sent as for any other removal.
    void withdrawEnabledActions(const SRShortcut& shortcut, SRKeyEventType keyEvent,
                                const std::function<bool(const SRShortcutAction&)>& matches);

private:
    // Shortcuts are compared by value: key code and modifier flags.
    using ShortcutKey = detail::SRShortcutKey;
    using ShortcutKeyHash = detail::SRShortcutKeyHash;

    // One shortcut's enabled actions of one kind, oldest first.
    using ActionOrder = std::list<std::shared_ptr<SRShortcutAction>>;
    // Where an enabled action is listed for one kind.
    struct Listing {
        ShortcutKey key;
        ActionOrder::iterator position;
    };
    // One registered action: the kinds it is registered for (its count in
    // the counted set of actions), whether the monitor holds it as enabled,
    // and where it is listed.
    struct ActionRecord {
        std::shared_ptr<SRShortcutAction> action;
        std::uint64_t order = 0;
        bool registered[2] = {false, false};
        bool enabled = false;
        std::optional<Listing> listing[2];

        int count() const { return int(registered[0]) + int(registered[1]); }
        int listingCount() const { return int(listing[0].has_value()) + int(listing[1].has_value()); }
    };
    // The counted set of shortcuts: one count per listing of an action.
    struct ShortcutEntry {
        std::shared_ptr<SRShortcut> shortcut;
        std::size_t count = 0;
        std::uint64_t order = 0;
    };

    static int kindIndex(SRKeyEventType keyEvent);
    ActionRecord* recordFor(const NSObject* action);
    std::size_t countOfShortcut(const ShortcutKey& key) const;

    // The shortcut an enabled action is listed under (the hint first when it
    // is one of them); nil when it is listed nowhere.
    std::shared_ptr<SRShortcut> shortcutForEnabledAction(const ActionRecord& record,
                                                         const std::shared_ptr<SRShortcut>& hint) const;
    void addEnabledAction(ActionRecord& record, const std::shared_ptr<SRShortcut>& shortcut, int kind);
    void removeEnabledAction(ActionRecord& record, const ShortcutKey& key, int kind);
    // Moves an enabled action from the shortcut it is listed under to
    // `to`, with the hooks.
    void enabledActionDidChangeShortcut(const NSObject* action, const std::shared_ptr<SRShortcut>& from,
                                        const std::shared_ptr<SRShortcut>& to);
    // Takes the action out of the lists of `kinds`, with the hooks when that
    // leaves its shortcut without entries.
    void unlistEnabledAction(const NSObject* action, const bool (&kinds)[2]);

    void enabledDidChange(const NSObject* action);
    void shortcutDidChange(const NSObject* action);

    void stopObservingEverything();

    mutable std::recursive_mutex lock_;
    // Registered actions by identity: the counted set of actions, the
    // enabled set and the two per-kind sets in one place.
    std::unordered_map<const NSObject*, ActionRecord> actions_;
    // Enabled actions by shortcut, key down [0] and key up [1].
    std::unordered_map<ShortcutKey, ActionOrder, ShortcutKeyHash> shortcutToEnabledActions_[2];
    std::unordered_map<ShortcutKey, ShortcutEntry, ShortcutKeyHash> shortcuts_;
    std::uint64_t nextOrder_ = 0;
};
