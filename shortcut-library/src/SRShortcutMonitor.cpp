#include "shortcut-library/SRShortcutMonitor.h"

#include "SRActivity.h"
#include "SRKeyPaths.h"
#include "foundation/NSException.h"

#include <algorithm>
#include <iterator>

namespace {

namespace keys = detail::keys;

// Tells our observations of the actions apart from anything a subclass
// observes.
char SRShortcutMonitorContext;

constexpr unsigned observingOptions =
    NSKeyValueObservingOptionInitial | NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld;

// The entries of a map that `keep` accepts, in the order they were added.
template <class Map, class Keep> std::vector<const typename Map::mapped_type*> inOrderAdded(const Map& map, Keep keep)
{
    std::vector<const typename Map::mapped_type*> entries;
    entries.reserve(map.size());
    for (const auto& [key, entry] : map) {
        if (keep(entry))
            entries.push_back(&entry);
    }
    std::sort(entries.begin(), entries.end(), [](auto* a, auto* b) { return a->order < b->order; });
    return entries;
}

constexpr auto everyEntry = [](const auto&) { return true; };

bool sameShortcut(const std::shared_ptr<SRShortcut>& a, const std::shared_ptr<SRShortcut>& b)
{
    if (a == b)
        return true;
    return a && b && a->isEqualToShortcut(b.get());
}

}  // namespace

SRShortcutMonitor::SRShortcutMonitor() = default;

SRShortcutMonitor::~SRShortcutMonitor()
{
    std::lock_guard lock(lock_);
    stopObservingEverything();
}

void SRShortcutMonitor::stopObservingEverything()
{
    for (auto& [pointer, record] : actions_) {
        record.action->removeObserver(*this, keys::enabled(), &SRShortcutMonitorContext);
        if (record.enabled)
            record.action->removeObserver(*this, keys::shortcut(), &SRShortcutMonitorContext);
    }
}

int SRShortcutMonitor::kindIndex(SRKeyEventType keyEvent)
{
    switch (keyEvent) {
    case SRKeyEventTypeDown:
        return 0;
    case SRKeyEventTypeUp:
        return 1;
    }
    NSException::raise(NSInvalidArgumentException, "Unexpected keyboard event type %lu",
                       static_cast<unsigned long>(keyEvent));
}

SRShortcutMonitor::ActionRecord* SRShortcutMonitor::recordFor(const NSObject* action)
{
    auto it = actions_.find(action);
    return it == actions_.end() ? nullptr : &it->second;
}

std::size_t SRShortcutMonitor::countOfShortcut(const ShortcutKey& key) const
{
    auto it = shortcuts_.find(key);
    return it == shortcuts_.end() ? 0 : it->second.count;
}

// MARK: - Queries

SRShortcutMonitor::ActionList SRShortcutMonitor::actions() const
{
    std::lock_guard lock(lock_);
    ActionList result;
    for (const ActionRecord* record : inOrderAdded(actions_, everyEntry))
        result.push_back(record->action);
    return result;
}

std::vector<std::shared_ptr<SRShortcut>> SRShortcutMonitor::shortcuts() const
{
    std::lock_guard lock(lock_);
    std::vector<std::shared_ptr<SRShortcut>> result;
    for (const ShortcutEntry* entry : inOrderAdded(shortcuts_, everyEntry))
        result.push_back(entry->shortcut);
    return result;
}

std::size_t SRShortcutMonitor::shortcutCount() const
{
    std::lock_guard lock(lock_);
    return shortcuts_.size();
}

SRShortcutMonitor::ActionList SRShortcutMonitor::actionsForKeyEvent(SRKeyEventType keyEvent) const
{
    SR_METHOD_ACTIVITY("actionsForKeyEvent:");
    int kind = kindIndex(keyEvent);
    std::lock_guard lock(lock_);
    ActionList result;
    for (const ActionRecord* record : inOrderAdded(actions_, [&](const auto& r) { return r.registered[kind]; }))
        result.push_back(record->action);
    return result;
}

SRShortcutMonitor::ActionList SRShortcutMonitor::enabledActionsForShortcut(const SRShortcut& shortcut,
                                                                           SRKeyEventType keyEvent) const
{
    SR_METHOD_ACTIVITY("enabledActionsForShortcut:keyEvent:");
    return enabledActionsForShortcutKey(ShortcutKey(shortcut), keyEvent);
}

SRShortcutMonitor::ActionList SRShortcutMonitor::enabledActionsForShortcutKey(const ShortcutKey& key,
                                                                              SRKeyEventType keyEvent) const
{
    int kind = kindIndex(keyEvent);
    std::lock_guard lock(lock_);
    const auto& map = shortcutToEnabledActions_[kind];
    auto it = map.find(key);
    if (it == map.end())
        return {};
    return ActionList(it->second.begin(), it->second.end());
}

bool SRShortcutMonitor::performActions(const ActionList& actions, const std::shared_ptr<NSObject>& target)
{
    for (auto it = actions.rbegin(); it != actions.rend(); ++it) {
        if ((*it)->performActionOnTarget(target))
            return true;
    }
    return false;
}

// MARK: - Adding and removing

void SRShortcutMonitor::addAction(const std::shared_ptr<SRShortcutAction>& action, SRKeyEventType keyEvent)
{
    SR_METHOD_ACTIVITY("addAction:forKeyEvent:");
    NSParameterAssert(action);
    if (!action)
        return;
    int kind = kindIndex(keyEvent);
    std::lock_guard lock(lock_);
    ActionRecord* record = recordFor(action.get());
    if (record && record->count() == 2)
        NSAssertFailure(__func__, __FILE__, __LINE__, "Action is added too many times");

    if (record && record->registered[kind]) {
        // Adding again refreshes: the action becomes the most recent one of
        // its shortcut, the first to be tried.
        if (record->enabled && record->listing[kind]) {
            Listing& listing = *record->listing[kind];
            ActionOrder& order = shortcutToEnabledActions_[kind].at(listing.key);
            order.splice(order.end(), order, listing.position);
        }
        return;
    }

    if (!record) {
        willChangeValueForKey(keys::actions());
        ActionRecord& created = actions_[action.get()];
        created.action = action;
        created.order = nextOrder_++;
        created.registered[kind] = true;
        // The initial notification registers the action as enabled when it
        // is, and that in turn lists it under its shortcut.
        action->addObserver(*this, keys::enabled(), observingOptions, &SRShortcutMonitorContext);
        didChangeValueForKey(keys::actions());
        return;
    }

    record->registered[kind] = true;
    if (record->enabled) {
        // Listed under a shortcut for the other kind already, so the shortcut
        // gains an entry but no hook is due.
        if (auto shortcut = shortcutForEnabledAction(*record, nullptr))
            addEnabledAction(*record, shortcut, kind);
    }
}

std::shared_ptr<SRShortcutAction> SRShortcutMonitor::addAction(Selector selector, const String& keyEquivalent,
                                                               NSInteger tag)
{
    SR_METHOD_ACTIVITY("addAction:forKeyEquivalent:tag:");
    auto shortcut = SRShortcut::shortcutWithKeyEquivalent(keyEquivalent);
    if (!shortcut)
        return nullptr;
    auto action = SRShortcutAction::shortcutActionWithShortcut(shortcut, nullptr, selector, tag);
    addAction(action, SRKeyEventTypeDown);
    return action;
}

void SRShortcutMonitor::removeAction(const std::shared_ptr<SRShortcutAction>& action, SRKeyEventType keyEvent)
{
    SR_METHOD_ACTIVITY("removeAction:forKeyEvent:");
    if (!action)
        return;
    int kind = kindIndex(keyEvent);
    std::lock_guard lock(lock_);
    ActionRecord* record = recordFor(action.get());
    if (!record || !record->registered[kind])
        return;

    bool last = record->count() == 1;
    if (last) {
        willChangeValueForKey(keys::actions());
        action->removeObserver(*this, keys::enabled(), &SRShortcutMonitorContext);
    }

    std::shared_ptr<SRShortcut> released;
    if (record->enabled) {
        if (last)
            action->removeObserver(*this, keys::shortcut(), &SRShortcutMonitorContext);
        if (record->listing[kind]) {
            ShortcutKey key = record->listing[kind]->key;
            if (countOfShortcut(key) == 1) {
                released = shortcuts_.at(key).shortcut;
                willChangeValueForKey(keys::shortcuts());
                willRemoveShortcut(released);
            }
            if ((record = recordFor(action.get())) && record->listing[kind])
                removeEnabledAction(*record, key, kind);
        }
        if (record && last)
            record->enabled = false;
    }

    if ((record = recordFor(action.get()))) {
        record->registered[kind] = false;
        if (record->count() == 0)
            actions_.erase(action.get());
    }

    if (released) {
        didRemoveShortcut(released);
        didChangeValueForKey(keys::shortcuts());
    }
    if (last)
        didChangeValueForKey(keys::actions());
}

void SRShortcutMonitor::removeAction(const std::shared_ptr<SRShortcutAction>& action)
{
    SR_METHOD_ACTIVITY("removeAction:");
    removeAction(action, SRKeyEventTypeDown);
    removeAction(action, SRKeyEventTypeUp);
}

void SRShortcutMonitor::removeAllActions()
{
    SR_METHOD_ACTIVITY("removeAllActions");
    // Released after the lock, so that actions going away don't run their
    // clean-up under it.
    decltype(actions_) released;
    std::lock_guard lock(lock_);
    stopObservingEverything();
    willChangeValueForKey(keys::actions());
    willChangeValueForKey(keys::shortcuts());
    auto shortcuts = this->shortcuts();
    for (const auto& shortcut : shortcuts)
        willRemoveShortcut(shortcut);
    released.swap(actions_);
    shortcuts_.clear();
    shortcutToEnabledActions_[0].clear();
    shortcutToEnabledActions_[1].clear();
    for (auto it = shortcuts.rbegin(); it != shortcuts.rend(); ++it)
        didRemoveShortcut(*it);
    didChangeValueForKey(keys::shortcuts());
    didChangeValueForKey(keys::actions());
}

// MARK: - Lists of enabled actions

std::shared_ptr<SRShortcut> SRShortcutMonitor::shortcutForEnabledAction(const ActionRecord& record,
                                                                        const std::shared_ptr<SRShortcut>& hint) const
{
    NSAssert(record.enabled, "[_enabledActions containsObject:anAction]");
    if (hint) {
        ShortcutKey hintKey(*hint);
        for (const auto& listing : record.listing) {
            if (listing && listing->key == hintKey)
                return shortcuts_.at(hintKey).shortcut;
        }
    }
    for (const auto& listing : record.listing) {
        if (listing)
            return shortcuts_.at(listing->key).shortcut;
    }
    return nullptr;
}

void SRShortcutMonitor::addEnabledAction(ActionRecord& record, const std::shared_ptr<SRShortcut>& shortcut, int kind)
{
    NSAssert(!record.listing[kind], "![actions containsObject:anAction]");
    if (record.listing[kind])
        return;
    ShortcutKey key(*shortcut);
    ShortcutEntry& entry = shortcuts_[key];
    if (entry.count++ == 0) {
        entry.shortcut = shortcut;
        entry.order = nextOrder_++;
    }
    ActionOrder& order = shortcutToEnabledActions_[kind][key];
    order.push_back(record.action);
    record.listing[kind] = Listing{key, std::prev(order.end())};
}

void SRShortcutMonitor::removeEnabledAction(ActionRecord& record, const ShortcutKey& key, int kind)
{
    bool listed = record.listing[kind] && record.listing[kind]->key == key;
    NSAssert(listed, "[actions containsObject:anAction]");
    if (!listed)
        return;
    auto& map = shortcutToEnabledActions_[kind];
    auto it = map.find(key);
    it->second.erase(record.listing[kind]->position);
    if (it->second.empty())
        map.erase(it);
    record.listing[kind].reset();
    auto entry = shortcuts_.find(key);
    if (--entry->second.count == 0)
        shortcuts_.erase(entry);
}

void SRShortcutMonitor::enabledActionDidChangeShortcut(const NSObject* action, const std::shared_ptr<SRShortcut>& from,
                                                       const std::shared_ptr<SRShortcut>& to)
{
    NSAssert(!sameShortcut(from, to), "![anOldShortcut isEqual:aNewShortcut]");
    ActionRecord* record = recordFor(action);
    if (!record)
        return;
    bool registered[2] = {record->registered[0], record->registered[1]};
    bool listedUnderOld[2] = {false, false};
    std::size_t listings = 0;
    std::optional<ShortcutKey> oldKey;
    if (from) {
        oldKey.emplace(*from);
        for (int kind = 0; kind < 2; ++kind) {
            listedUnderOld[kind] = record->listing[kind] && record->listing[kind]->key == *oldKey;
            listings += listedUnderOld[kind];
        }
    }
    // Released when these listings are all the old shortcut has left: an
    // action listed for both kinds takes both of its entries along at once.
    bool released = oldKey && listings > 0 && countOfShortcut(*oldKey) == listings;
    bool isNew = to && countOfShortcut(ShortcutKey(*to)) == 0;

    if (released || isNew)
        willChangeValueForKey(keys::shortcuts());
    if (released)
        willRemoveShortcut(from);
    if (oldKey && (record = recordFor(action))) {
        for (int kind = 0; kind < 2; ++kind) {
            if (listedUnderOld[kind])
                removeEnabledAction(*record, *oldKey, kind);
        }
    }
    if (released)
        didRemoveShortcut(from);
    if (isNew)
        willAddShortcut(to);
    if (to && (record = recordFor(action)) && record->enabled) {
        for (int kind = 0; kind < 2; ++kind) {
            if (registered[kind] && record->registered[kind] && !record->listing[kind])
                addEnabledAction(*record, to, kind);
        }
    }
    if (isNew)
        didAddShortcut(to);
    if (released || isNew)
        didChangeValueForKey(keys::shortcuts());
}

void SRShortcutMonitor::unlistEnabledAction(const NSObject* action, const bool (&kinds)[2])
{
    ActionRecord* record = recordFor(action);
    if (!record)
        return;
    // Listings under one shortcut leave together, so that the hooks come once.
    for (int first = 0; first < 2; ++first) {
        if (!kinds[first] || !record->listing[first])
            continue;
        ShortcutKey key = record->listing[first]->key;
        bool leaving[2] = {false, false};
        std::size_t listings = 0;
        for (int kind = first; kind < 2; ++kind) {
            leaving[kind] = kinds[kind] && record->listing[kind] && record->listing[kind]->key == key;
            listings += leaving[kind];
        }
        std::shared_ptr<SRShortcut> released;
        if (countOfShortcut(key) == listings) {
            released = shortcuts_.at(key).shortcut;
            willChangeValueForKey(keys::shortcuts());
            willRemoveShortcut(released);
        }
        if ((record = recordFor(action))) {
            for (int kind = first; kind < 2; ++kind) {
                if (leaving[kind] && record->listing[kind])
                    removeEnabledAction(*record, key, kind);
            }
        }
        if (released) {
            didRemoveShortcut(released);
            didChangeValueForKey(keys::shortcuts());
        }
        if (!(record = recordFor(action)))
            return;
    }
}

void SRShortcutMonitor::withdrawEnabledActions(const SRShortcut& shortcut, SRKeyEventType keyEvent,
                                               const std::function<bool(const SRShortcutAction&)>& matches)
{
    int kind = kindIndex(keyEvent);
    std::lock_guard lock(lock_);
    auto it = shortcutToEnabledActions_[kind].find(ShortcutKey(shortcut));
    if (it == shortcutToEnabledActions_[kind].end())
        return;
    ActionList candidates(it->second.begin(), it->second.end());
    bool kinds[2] = {false, false};
    kinds[kind] = true;
    for (const auto& action : candidates) {
        if (matches(*action))
            unlistEnabledAction(action.get(), kinds);
    }
}

// MARK: - Observation of the actions

void SRShortcutMonitor::observeValueForKeyPath(const String& keyPath, NSObject* object, const KeyValueChange& change,
                                               void* context)
{
    SR_METHOD_ACTIVITY("observeValueForKeyPath:ofObject:change:context:");
    if (context != &SRShortcutMonitorContext) {
        NSObject::observeValueForKeyPath(keyPath, object, change, context);
        return;
    }
    // Both handlers bring the monitor in line with what the action says now
    // rather than with the old and new values of the change: changes made on
    // several threads at once may arrive in any order, and a late one must
    // not undo a newer state.
    std::lock_guard lock(lock_);
    if (keyPath == keys::enabled())
        enabledDidChange(object);
    else if (keyPath == keys::shortcut())
        shortcutDidChange(object);
}

void SRShortcutMonitor::enabledDidChange(const NSObject* pointer)
{
    ActionRecord* record = recordFor(pointer);
    if (!record)
        return;
    auto action = record->action;
    bool enabled = action->isEnabled();
    if (enabled == record->enabled)
        return;
    if (enabled) {
        record->enabled = true;
        // The initial notification lists the action under its shortcut.
        action->addObserver(*this, keys::shortcut(), observingOptions, &SRShortcutMonitorContext);
        return;
    }
    action->removeObserver(*this, keys::shortcut(), &SRShortcutMonitorContext);
    const bool both[2] = {true, true};
    unlistEnabledAction(pointer, both);
    if ((record = recordFor(pointer)))
        record->enabled = false;
}

void SRShortcutMonitor::shortcutDidChange(const NSObject* pointer)
{
    ActionRecord* record = recordFor(pointer);
    if (!record || !record->enabled)
        return;
    auto action = record->action;
    auto current = action->shortcut();
    auto listed = shortcutForEnabledAction(*record, nullptr);
    if (sameShortcut(listed, current))
        return;
    enabledActionDidChangeShortcut(pointer, listed, current);
}

// MARK: - Hooks

void SRShortcutMonitor::willAddShortcut(const std::shared_ptr<SRShortcut>&) { }
void SRShortcutMonitor::didAddShortcut(const std::shared_ptr<SRShortcut>&) { }
void SRShortcutMonitor::willRemoveShortcut(const std::shared_ptr<SRShortcut>&) { }
void SRShortcutMonitor::didRemoveShortcut(const std::shared_ptr<SRShortcut>&) { }

// MARK: - Description

String SRShortcutMonitor::debugDescription() const
{
    std::lock_guard lock(lock_);
    if (shortcutToEnabledActions_[0].empty() && shortcutToEnabledActions_[1].empty())
        return "No Shortcuts";
    std::string text;
    const char* titles[2] = {"Key Down Shortcuts: {\n", "Key Up Shortcuts: {\n"};
    auto shortcuts = this->shortcuts();
    for (int kind = 0; kind < 2; ++kind) {
        const auto& map = shortcutToEnabledActions_[kind];
        if (map.empty())
            continue;
        text += titles[kind];
        for (const auto& shortcut : shortcuts) {
            auto it = map.find(ShortcutKey(*shortcut));
            if (it == map.end())
                continue;
            text += String::format("\t%s: {\n", shortcut->description().utf8().c_str()).utf8();
            for (const auto& action : it->second)
                text += String::format("\t\t%s\n", action->description().utf8().c_str()).utf8();
            text += "\t}\n";
        }
        text += "}\n";
    }
    return String(text);
}

// MARK: - Key-value coding

bool SRShortcutMonitor::automaticallyNotifiesObserversForKey(const String& key) const
{
    if (key == keys::actions() || key == keys::shortcuts())
        return false;
    return NSObject::automaticallyNotifiesObserversForKey(key);
}

void SRShortcutMonitor::describe(ClassDescriptor& d)
{
    d.property<SRShortcutMonitor>("actions", [](SRShortcutMonitor& self) {
        Array result;
        for (const auto& action : self.actions())
            result.add(Id(action));
        return Id(result);
    });
    d.property<SRShortcutMonitor>("shortcuts", [](SRShortcutMonitor& self) {
        Array result;
        for (const auto& shortcut : self.shortcuts())
            result.add(Id(shortcut));
        return Id(result);
    });
}
