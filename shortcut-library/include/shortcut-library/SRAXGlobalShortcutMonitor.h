#pragma once

#include "foundation/NSRunLoop.h"
#include "quartz/CGEventTap.h"
#include "shortcut-library/SRShortcutMonitor.h"

#include <cstdint>
#include <memory>

// A system-wide monitor that looks at every key down, key up and modifier
// change through a Quartz event tap, before any application gets the event.
// Unlike hot keys it sees modifier-only shortcuts, and a tap made with the
// default options swallows the events its actions handle. Reading everyone's
// keystrokes needs the Accessibility permission: without it there is no tap
// and no monitor.
//
// The tap is enabled while the monitor holds a shortcut (and from its
// creation until the first one comes and goes); when the system turns it off
// for being slow, or for secure input, it is turned on again at once.
//
// Threads: events, and so the actions, are handled on the thread of the run
// loop given at creation, without the monitor's lock. Release the monitor on
// that thread (or while its run loop isn't running): releasing it takes the
// tap out of the system, so no event reaches it afterwards. The monitor keeps
// its run loop alive, so it may outlive the run loop's thread.
class SRAXGlobalShortcutMonitor : public SRShortcutMonitor {
    KS_OBJECT(SRAXGlobalShortcutMonitor, SRShortcutMonitor)

    struct Passkey {
        explicit Passkey() = default;
    };

public:
    // The tap options are kCGEventTapOptionDefault (0, may swallow events)
    // or kCGEventTapOptionListenOnly (1). nullptr, with a critical log line,
    // when the system gives no tap. The run loop must be owned by a shared
    // pointer, as every run loop the platform hands out is.
    static std::shared_ptr<SRAXGlobalShortcutMonitor> initWithRunLoop(NSRunLoop& runLoop, std::uint32_t tapOptions);
    // Listen only.
    static std::shared_ptr<SRAXGlobalShortcutMonitor> initWithRunLoop(NSRunLoop& runLoop);
    // Listen only, on the calling thread's run loop.
    static std::shared_ptr<SRAXGlobalShortcutMonitor> create();

    // For the factories only.
    SRAXGlobalShortcutMonitor(Passkey, std::shared_ptr<NSRunLoop> runLoop);
    ~SRAXGlobalShortcutMonitor() override;

    // The event to pass on, or nullptr to swallow it.
    CGEventRef handleEvent(const CGEventRef& event);

    const CFMachPortRef& eventTap() const { return eventTap_; }
    const CFRunLoopSourceRef& eventTapSource() const { return eventTapSource_; }
    NSRunLoop& eventTapRunLoop() const { return *eventTapRunLoop_; }
    // False for a listen-only tap, whose answer can't change the event.
    bool canActivelyFilterEvents() const { return canActivelyFilterEvents_; }

protected:
    void didAddShortcut(const std::shared_ptr<SRShortcut>& shortcut) override;
    void willRemoveShortcut(const std::shared_ptr<SRShortcut>& shortcut) override;
    void didRemoveShortcut(const std::shared_ptr<SRShortcut>& shortcut) override;

private:
    bool canActivelyFilterEvents_ = false;
    CFMachPortRef eventTap_;
    CFRunLoopSourceRef eventTapSource_;
    // Held strongly: a worker thread's run loop would otherwise go with its
    // thread, while the monitor still has to take its source out of it.
    std::shared_ptr<NSRunLoop> eventTapRunLoop_;
};

// The tap's callback; the user info is the monitor.
CGEventRef SRAXEventTapCallback(CGEventTapProxy proxy, CGEventType type, CGEventRef event, void* userInfo);
