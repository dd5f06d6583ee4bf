#pragma once

#include "carbon/CarbonEvents.h"
#include "shortcut-library/SRShortcutMonitor.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

// The signature every hot key of the library carries ("SRSR"), so that a
// hot-key event of someone else's in the same process is told apart.
inline constexpr OSType SRHotKeySignature = fourCharCode("SRSR");
static_assert(SRHotKeySignature == 0x53525352);

// Makes the shortcuts of a monitor work system-wide, whichever application
// is frontmost: each shortcut with an enabled action is registered as a
// Carbon hot key, and one event handler on the event dispatcher hands the
// pressed and released events to the actions (most recent first).
//
// The program uses the shared instance. A recorder pauses it while it
// records so that pressing a shortcut that is already taken reaches the
// recorder instead of firing; pauses nest: only the first pause takes the
// hot keys away and only the resume that ends the last pause brings them
// back.
//
// Hot-key ids come from one process-wide counter that starts at 1 and never
// goes back, also across instances and failed registrations, so that an
// event that arrives late for a hot key that was replaced can never be taken
// for its successor.
//
// Threads: pause, resume, the hooks and the lookup of an event run under the
// monitor's lock; the actions are performed without it, over a copy. Hot-key
// events arrive on the main thread.
class SRGlobalShortcutMonitor : public SRShortcutMonitor {
    KS_OBJECT(SRGlobalShortcutMonitor, SRShortcutMonitor)

public:
    // Made once, never released; the same object when asked through a
    // subclass.
    static const std::shared_ptr<SRGlobalShortcutMonitor>& sharedMonitor();

    SRGlobalShortcutMonitor();
    // Takes the hot keys of its shortcuts and the event handler with it.
    ~SRGlobalShortcutMonitor() override;

    void pause();
    void resume();
    // More pauses than resumes so far.
    bool isPaused() const { return disableCounter_.load(std::memory_order_acquire) > 0; }

    // noErr when an action handled the event; eventNotHandledErr otherwise,
    // so that the event goes on to the next handler.
    OSStatus handleEvent(EventRef event);

    // What is registered for the shortcut right now, for tests and the
    // debugger: the hot key's id, or nothing.
    std::optional<UInt32> hotKeyIdForShortcut(const SRShortcut& shortcut) const;
    bool hasEventHandler() const;

protected:
    static void describe(ClassDescriptor& d);

    void didAddShortcut(const std::shared_ptr<SRShortcut>& shortcut) override;
    void willRemoveShortcut(const std::shared_ptr<SRShortcut>& shortcut) override;

    // Sent right after the Carbon handler was installed or removed.
    virtual void didAddEventHandler();
    virtual void didRemoveEventHandler();

private:
    struct HotKey {
        EventHotKeyRef reference = nullptr;
        UInt32 identifier = 0;
    };

    void registerHotKeyForShortcutIfNeeded(const std::shared_ptr<SRShortcut>& shortcut);
    void unregisterHotKeyForShortcutIfNeeded(const SRShortcut& shortcut);
    void installEventHandlerIfNeeded();
    void removeEventHandlerIfNeeded();

    // Both maps change together, under the monitor's lock: a shortcut is in
    // them exactly while its hot key is registered.
    std::unordered_map<UInt32, std::shared_ptr<SRShortcut>> hotKeyIdToShortcut_;
    // Shortcuts by value: key code and modifier flags.
    std::unordered_map<detail::SRShortcutKey, HotKey, detail::SRShortcutKeyHash> shortcutToHotKey_;
    EventHandlerRef carbonEventHandler_ = nullptr;
    // Pause depth; read without the lock by handleEvent.
    std::atomic<std::int64_t> disableCounter_{0};
};

// The Carbon event handler the monitor installs, with the monitor as its
// user data. Anything but a keyboard event is passed on.
OSStatus SRCarbonHotKeyEventHandler(EventHandlerCallRef inHandlerCallRef, EventRef inEvent, void* inUserData);
