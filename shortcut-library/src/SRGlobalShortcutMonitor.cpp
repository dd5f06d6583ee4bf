#include "shortcut-library/SRGlobalShortcutMonitor.h"

#include "SRActivity.h"
#include "foundation/Log.h"

#include <mutex>
#include <vector>

namespace {

// Process-wide, shared by every instance and never reset: an id is never
// handed out twice, not even after a failed registration.
std::atomic<UInt32> SRHotKeyIdCounter{0};

const EventTypeSpec hotKeyEventTypes[] = {
    {kEventClassKeyboard, kEventHotKeyPressed},
    {kEventClassKeyboard, kEventHotKeyReleased},
};

Id keyCodeValue(const SRShortcut& shortcut)
{
    return Id::number(shortcut.keyCode());
}

Id modifierFlagsValue(const SRShortcut& shortcut)
{
    return Id::number(shortcut.modifierFlags());
}

}  // namespace

// MARK: - Life

const std::shared_ptr<SRGlobalShortcutMonitor>& SRGlobalShortcutMonitor::sharedMonitor()
{
    // Function-local statics are initialised once, thread-safely; the
    // monitor lives as long as the process.
    static const auto* monitor =
        new std::shared_ptr<SRGlobalShortcutMonitor>(std::make_shared<SRGlobalShortcutMonitor>());
    return *monitor;
}

SRGlobalShortcutMonitor::SRGlobalShortcutMonitor() = default;

SRGlobalShortcutMonitor::~SRGlobalShortcutMonitor()
{
    // Nobody else can reach a monitor that is being released, so the lock
    // isn't needed; the base class then stops observing without hooks.
    std::vector<std::shared_ptr<SRShortcut>> registered;
    registered.reserve(hotKeyIdToShortcut_.size());
    for (const auto& [identifier, shortcut] : hotKeyIdToShortcut_)
        registered.push_back(shortcut);
    for (const auto& shortcut : registered)
        unregisterHotKeyForShortcutIfNeeded(*shortcut);
    removeEventHandlerIfNeeded();
}

// MARK: - Hooks

void SRGlobalShortcutMonitor::didAddShortcut(const std::shared_ptr<SRShortcut>& shortcut)
{
    registerHotKeyForShortcutIfNeeded(shortcut);
    installEventHandlerIfNeeded();
}

void SRGlobalShortcutMonitor::willRemoveShortcut(const std::shared_ptr<SRShortcut>& shortcut)
{
    unregisterHotKeyForShortcutIfNeeded(*shortcut);
    removeEventHandlerIfNeeded();
}

void SRGlobalShortcutMonitor::didAddEventHandler()
{
    Log::debug("Added Carbon HotKey Event Handler");
}

void SRGlobalShortcutMonitor::didRemoveEventHandler()
{
    Log::debug("Removed Carbon HotKey Event Handler");
}

// MARK: - Hot keys

void SRGlobalShortcutMonitor::registerHotKeyForShortcutIfNeeded(const std::shared_ptr<SRShortcut>& shortcut)
{
    // Not looking at the pause counter is deliberate: a shortcut that gets
    // its first action during a pause is registered at once, and its events
    // are refused by handleEvent until the pause ends.
    if (shortcutToHotKey_.contains(detail::SRShortcutKey(*shortcut)))
        return;
    // Carbon has no way to express a modifier-only hot key.
    if (shortcut->keyCode() == SRKeyCodeNone) {
        Log::error("#Error Shortcut without a key code cannot be registered as Carbon hot key");
        return;
    }

    const UInt32 identifier = SRHotKeyIdCounter.fetch_add(1, std::memory_order_relaxed) + 1;
    Log::info("Registering Carbon hot key");
    EventHotKeyRef reference = nullptr;
    const OSStatus status = RegisterEventHotKey(shortcut->carbonKeyCode(), shortcut->carbonModifierFlags(),
                                                EventHotKeyID{SRHotKeySignature, identifier},
                                                GetEventDispatcherTarget(), kEventHotKeyNoOptions, &reference);
    if (status != noErr || !reference) {
        Log::write(LogLevel::Error,
                   {{"keyCode", keyCodeValue(*shortcut)}, {"modifierFlags", modifierFlagsValue(*shortcut)}},
                   "#Critical Failed to register Carbon hot key: %d", static_cast<int>(status));
        return;
    }
    Log::write(LogLevel::Default,
               {{"keyCode", keyCodeValue(*shortcut)}, {"modifierFlags", modifierFlagsValue(*shortcut)}},
               "Registered Carbon hot key %u", identifier);
    shortcutToHotKey_[detail::SRShortcutKey(*shortcut)] = HotKey{.reference = reference, .identifier = identifier};
    hotKeyIdToShortcut_[identifier] = shortcut;
}

void SRGlobalShortcutMonitor::unregisterHotKeyForShortcutIfNeeded(const SRShortcut& shortcut)
{
    auto it = shortcutToHotKey_.find(detail::SRShortcutKey(shortcut));
    if (it == shortcutToHotKey_.end())
        return;
    const HotKey hotKey = it->second;
    Log::info("Removing Carbon hot key %u", hotKey.identifier);
    const OSStatus status = UnregisterEventHotKey(hotKey.reference);
    if (status != noErr)
        Log::write(LogLevel::Error,
                   {{"keyCode", keyCodeValue(shortcut)}, {"modifierFlags", modifierFlagsValue(shortcut)}},
                   "#Critical Failed to unregister Carbon hot key %u: %d", hotKey.identifier, static_cast<int>(status));
    else
        Log::write(LogLevel::Default,
                   {{"keyCode", keyCodeValue(shortcut)}, {"modifierFlags", modifierFlagsValue(shortcut)}},
                   "Unregistered Carbon hot key %u", hotKey.identifier);
    // Forgotten either way: keeping a reference the system refused to let go
    // of would only make the next registration of the shortcut a no-op.
    shortcutToHotKey_.erase(it);
    hotKeyIdToShortcut_.erase(hotKey.identifier);
}

// MARK: - Event handler

void SRGlobalShortcutMonitor::installEventHandlerIfNeeded()
{
    if (carbonEventHandler_ || disableCounter_.load(std::memory_order_acquire) > 0 || shortcutToHotKey_.empty())
        return;
    Log::info("Installing Carbon hot key event handler");
    const OSStatus status =
        InstallEventHandler(GetEventDispatcherTarget(), SRCarbonHotKeyEventHandler, std::size(hotKeyEventTypes),
                            hotKeyEventTypes, this, &carbonEventHandler_);
    if (status != noErr) {
        Log::error("#Critical Failed to install event handler: %d", static_cast<int>(status));
        carbonEventHandler_ = nullptr;
        return;
    }
    didAddEventHandler();
}

void SRGlobalShortcutMonitor::removeEventHandlerIfNeeded()
{
    if (!carbonEventHandler_)
        return;
    // Still needed: not paused and something to deliver.
    if (disableCounter_.load(std::memory_order_acquire) <= 0 && !shortcutToHotKey_.empty())
        return;
    Log::info("Removing Carbon hot key event handler");
    const OSStatus status = RemoveEventHandler(carbonEventHandler_);
    if (status != noErr)
        Log::error("#Error Failed to remove event handler: %d", static_cast<int>(status));
    carbonEventHandler_ = nullptr;
    didRemoveEventHandler();
}

// MARK: - Pause and resume

void SRGlobalShortcutMonitor::pause()
{
    SR_METHOD_ACTIVITY("pause");
    std::lock_guard lock(actionsLock());
    const std::int64_t before = disableCounter_.fetch_add(1, std::memory_order_acq_rel);
    Log::debug("Global Shortcut Monitor counter: %ld -> %ld", static_cast<long>(before), static_cast<long>(before + 1));
    // Only the outermost pause takes the hot keys away; a pause from below
    // zero (an unbalanced resume earlier) leaves them, as nothing re-registers
    // them on the way back up.
    if (before == 0) {
        for (const auto& shortcut : shortcuts())
            unregisterHotKeyForShortcutIfNeeded(*shortcut);
    }
    removeEventHandlerIfNeeded();
}

void SRGlobalShortcutMonitor::resume()
{
    SR_METHOD_ACTIVITY("resume");
    std::lock_guard lock(actionsLock());
    const std::int64_t before = disableCounter_.fetch_sub(1, std::memory_order_acq_rel);
    Log::debug("Global Shortcut Monitor counter: %ld -> %ld", static_cast<long>(before), static_cast<long>(before - 1));
    if (before - 1 == 0) {
        for (const auto& shortcut : shortcuts())
            registerHotKeyForShortcutIfNeeded(shortcut);
    }
    installEventHandlerIfNeeded();
}

// MARK: - Events

OSStatus SRGlobalShortcutMonitor::handleEvent(EventRef event)
{
    SR_METHOD_ACTIVITY("handleEvent:");

    if (disableCounter_.load(std::memory_order_acquire) > 0) {
        Log::debug("Monitoring is currently disabled");
        return eventNotHandledErr;
    }

    EventHotKeyID hotKeyID;
    static_assert(sizeof hotKeyID == 8);
    const OSStatus status = GetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, nullptr,
                                              sizeof hotKeyID, nullptr, &hotKeyID);
    if (status != noErr) {
        Log::error("#Critical Failed to get hot key ID: %d", static_cast<int>(status));
        return eventNotHandledErr;
    }
    if (hotKeyID.id == 0 || hotKeyID.signature != SRHotKeySignature) {
        Log::error("#Error Unexpected hot key with id %u and signature: %u", hotKeyID.id, hotKeyID.signature);
        return eventNotHandledErr;
    }

    ActionList actions;
    {
        std::lock_guard lock(actionsLock());
        auto it = hotKeyIdToShortcut_.find(hotKeyID.id);
        if (it == hotKeyIdToShortcut_.end()) {
            // A press that was on its way while the hot key went away.
            Log::info("Unregistered hot key with id %u and signature %u", hotKeyID.id, hotKeyID.signature);
            return eventNotHandledErr;
        }
        SRKeyEventType keyEvent;
        switch (const UInt32 kind = GetEventKind(event)) {
        case kEventHotKeyPressed:
            keyEvent = SRKeyEventTypeDown;
            break;
        case kEventHotKeyReleased:
            keyEvent = SRKeyEventTypeUp;
            break;
        default:
            Log::info("#Error Unexpected key event of type %u", kind);
            return eventNotHandledErr;
        }
        actions = enabledActionsForShortcutKey(detail::SRShortcutKey(*it->second), keyEvent);
    }
    if (actions.empty()) {
        Log::info("No actions for the shortcut");
        return eventNotHandledErr;
    }
    // Performed without the lock: the target may open windows, add shortcuts
    // or wait on other threads that want the monitor.
    return performActions(actions, nullptr) ? noErr : eventNotHandledErr;
}

OSStatus SRCarbonHotKeyEventHandler(EventHandlerCallRef, EventRef inEvent, void* inUserData)
{
    if (!inEvent) {
        Log::error("#Error Event is NULL");
        return eventNotHandledErr;
    }
    if (GetEventClass(inEvent) != kEventClassKeyboard) {
        Log::error("#Error Not a keyboard event");
        return eventNotHandledErr;
    }
    return static_cast<SRGlobalShortcutMonitor*>(inUserData)->handleEvent(inEvent);
}

// MARK: - Inspection

std::optional<UInt32> SRGlobalShortcutMonitor::hotKeyIdForShortcut(const SRShortcut& shortcut) const
{
    std::lock_guard lock(actionsLock());
    auto it = shortcutToHotKey_.find(detail::SRShortcutKey(shortcut));
    if (it == shortcutToHotKey_.end())
        return std::nullopt;
    return it->second.identifier;
}

bool SRGlobalShortcutMonitor::hasEventHandler() const
{
    std::lock_guard lock(actionsLock());
    return carbonEventHandler_ != nullptr;
}

void SRGlobalShortcutMonitor::describe(ClassDescriptor& d)
{
    d.method<SRGlobalShortcutMonitor>("pause", ReturnKind::Void,
                                      [](SRGlobalShortcutMonitor& self, std::span<const Id>) {
                                          self.pause();
                                          return Id();
                                      });
    d.method<SRGlobalShortcutMonitor>("resume", ReturnKind::Void,
                                      [](SRGlobalShortcutMonitor& self, std::span<const Id>) {
                                          self.resume();
                                          return Id();
                                      });
}
