#pragma once

#include "coregraphics/CGGeometry.h"
#include "foundation/String.h"
#include "simulation/DesktopChange.h"
#include "simulation/DesktopListenerToken.h"
#include "simulation/DesktopLogs.h"
#include "simulation/DesktopState.h"
#include "simulation/SimulatedEventTaps.h"
#include "simulation/SimulatedHotKeys.h"
#include "simulation/SimulatedKeyboard.h"

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textinput {
class KeyboardLayoutRegistry;
}

namespace simulation {

namespace detail {
class DesktopListeners;
}

// The state of the simulated operating system: its processes and their
// windows, which one is frontmost, the screens and the pointer, Accessibility
// trust, the login items, the version, and logs of what was asked of it
// (activations, synthetic events, trust prompts, login-item changes) and of
// what programs showed that it keeps no state of (alerts, beeps, menus).
//
// The framework stand-ins consult `current()`; tests put their own desktop in
// place with ScopedDesktop. Reads answer copies, commands report whether they
// were carried out, and listeners hear about every change after it is made,
// with no lock held, so they may call back in.
class SimulatedDesktop {
public:
    // Fills what the state leaves open: pids and window numbers of 0, the
    // main and focused window of each application (its front window that
    // isn't minimised), the frontmost application. Duplicate pids or window
    // numbers, more than one own process, or a frontmost pid that doesn't run
    // raise an invalid-argument exception: a description that gets here has
    // been checked already, so only code can make such a state.
    explicit SimulatedDesktop(DesktopState state = {});
    SimulatedDesktop(const SimulatedDesktop&) = delete;
    SimulatedDesktop& operator=(const SimulatedDesktop&) = delete;
    ~SimulatedDesktop();

    // The desktop the frameworks consult; made from the embedded default
    // description on first use.
    static std::shared_ptr<SimulatedDesktop> current();
    // nullptr: the next current() makes a fresh default desktop. The
    // desktop's keyboard layouts become those the text-input calls answer
    // from (nullptr: the shared ones); a default desktop made on first use
    // leaves alone layouts that someone else installed.
    static void setCurrent(std::shared_ptr<SimulatedDesktop> desktop);
    // Puts `desktop` in place and answers the one before it (nullptr when
    // none had been made yet).
    static std::shared_ptr<SimulatedDesktop> exchangeCurrent(std::shared_ptr<SimulatedDesktop> desktop);
    static std::shared_ptr<SimulatedDesktop> makeDefault();

    // --- Applications ---

    // The applications the workspace reports, in its order.
    std::vector<SimulatedApplication> runningApplications() const;
    // A running application, or one that has quit (its last state, marked
    // terminated), so that objects standing for it keep answering.
    std::optional<SimulatedApplication> application(pid_t pid) const;
    // Running (not terminated) applications with that bundle identifier.
    std::vector<SimulatedApplication> runningApplications(const String& bundleIdentifier) const;
    bool isRunning(pid_t pid) const;
    // 0: none.
    pid_t frontmostApplication() const;
    pid_t ownProcess() const;
    // Where the bundle with that identifier lies, whether it runs or not.
    std::optional<String> bundlePathForIdentifier(const String& bundleIdentifier) const;

    // Makes the target frontmost and unhides it, when it runs and its policy
    // allows activation. The request is logged either way.
    bool activate(pid_t target, ActivationRecord request);
    bool activate(pid_t target) { return activate(target, ActivationRecord{}); }

    struct LaunchOptions {
        bool activates = true;
        // Launch although an instance already runs.
        bool newInstance = false;
        std::optional<pid_t> requester = std::nullopt;
    };
    // Starts the application from its bundle, or answers the running
    // instance (activating it, unless asked not to). None when no bundle of
    // that identifier or at that path is known.
    std::optional<pid_t> launchApplication(const String& bundleIdentifier, LaunchOptions options);
    std::optional<pid_t> launchApplication(const String& bundleIdentifier)
    {
        return launchApplication(bundleIdentifier, LaunchOptions{});
    }
    std::optional<pid_t> launchApplicationAtPath(const String& bundlePath, LaunchOptions options);
    // Ends the process: its windows close, it leaves the running list, and
    // when it was frontmost the most recently active application still
    // running takes its place.
    bool quitApplication(pid_t pid);
    bool setHidden(pid_t pid, bool hidden);
    bool setActivationPolicy(pid_t pid, ActivationPolicy policy);
    bool setOwnProcess(pid_t pid);
    // A process that started outside the desktop (a real program of the
    // session) joins the running list as it is, with its own pid, without
    // activation. False, and nothing changes, for pid 0 or a pid in use.
    bool addRunningApplication(SimulatedApplication application);
    // The program the desktop runs is another one than described: its own
    // process takes that program's bundle identifier, name, bundle and
    // policy, keeping its pid and windows. False without an own process.
    bool setOwnProcessIdentity(std::optional<String> bundleIdentifier, std::optional<String> localizedName,
                               std::optional<String> bundlePath, ActivationPolicy policy);
    bool setApplicationFailures(pid_t pid, AccessibilityFailures failures);

    // --- Windows ---

    struct WindowLocation {
        pid_t pid = 0;
        SimulatedWindow window;
    };
    std::optional<WindowLocation> window(CGWindowID number) const;
    // Every open window, front to back: the frontmost application's first,
    // then the others from the most recently active; applications never
    // active come last, in workspace order. Hidden applications and
    // minimised windows are left out.
    std::vector<std::pair<pid_t, CGWindowID>> windowStack() const;
    // The window a click at that point lands on, from windowStack().
    std::optional<std::pair<pid_t, CGWindowID>> windowAtPoint(CGPoint point) const;

    // Opens in front of its application's windows and becomes main and
    // focused. A number of 0 gets a fresh one; a number in use, or an
    // application that doesn't run, opens nothing.
    std::optional<CGWindowID> openWindow(pid_t pid, SimulatedWindow window);
    // The next window that isn't minimised takes over main and focus.
    bool closeWindow(CGWindowID number);
    // Brings the window to the front of its application and makes it main
    // and focused. It doesn't activate the application, and a minimised
    // window stays minimised. Listeners hear of it only when something
    // changed.
    bool raiseWindow(CGWindowID number);
    bool focusWindow(CGWindowID number);
    bool setWindowMinimized(CGWindowID number, bool minimized);
    bool setWindowFrame(CGWindowID number, CGRect frame);
    bool setWindowTitle(CGWindowID number, std::optional<String> title);
    bool setWindowFailures(CGWindowID number, AccessibilityFailures failures);

    // --- Screens, pointer and synthetic events ---

    std::vector<Screen> screens() const;
    void setScreens(std::vector<Screen> screens);
    CGPoint pointerLocation() const;
    bool pointerAssociated() const;
    // Moves the pointer without an event.
    void warpPointer(CGPoint location);
    void setPointerAssociated(bool associated);
    // Logs the event. A mouse event moves the pointer to its location; one
    // that presses a button activates the application of the window under it
    // and raises that window, as a real click does.
    void postEvent(PostedEvent event);
    bool refusesEventType(std::uint32_t type) const;
    void setRefusedEventTypes(std::vector<std::uint32_t> types);
    std::vector<PostedEvent> postedEvents() const;
    std::vector<PointerLogEntry> pointerLog() const;

    // --- Accessibility trust ---

    bool isTrusted() const;
    void setTrusted(bool trusted);
    // Shows the dialog that asks for trust: logged, and told to listeners,
    // which may grant it.
    void promptForTrust(std::optional<pid_t> process);
    std::vector<TrustPrompt> trustPrompts() const;

    // --- Login items ---

    std::vector<LoginItem> loginItems() const;
    std::optional<LoginItem> loginItem(const String& bundleIdentifier) const;
    // Fails for a helper the system doesn't know or one that refuses; every
    // request is logged.
    bool setLoginItemEnabled(const String& bundleIdentifier, bool enabled);
    std::vector<LoginItemChange> loginItemHistory() const;
    // The user logs in: every enabled login item that doesn't run yet is
    // launched, without activation. Answers the new pids.
    std::vector<pid_t> logIn();

    // --- System ---

    OperatingSystemVersion operatingSystemVersion() const;
    void setOperatingSystemVersion(OperatingSystemVersion version);
    std::optional<String> homeDirectory() const;
    // Light or dark: what the frameworks draw with unless a window or view
    // asks for another look.
    Appearance appearance() const;
    void setAppearance(Appearance appearance);
    // Display settings that controls are drawn by; a change is told to the
    // listeners.
    bool increaseContrast() const;
    void setIncreaseContrast(bool increaseContrast);
    ControlTint controlTint() const;
    void setControlTint(ControlTint tint);

    std::vector<ActivationRecord> activations() const;

    // --- What programs did without the desktop's state changing ---

    void record(ProgramRecord record);
    std::vector<ProgramRecord> programRecords() const;
    std::size_t countProgramRecords(ProgramRecord::Kind kind) const;

    // --- Keyboard ---

    const std::shared_ptr<SimulatedKeyboard>& keyboard() const { return keyboard_; }
    const std::shared_ptr<SimulatedHotKeys>& hotKeys() const { return hotKeys_; }
    const std::shared_ptr<SimulatedEventTaps>& eventTaps() const { return eventTaps_; }
    // The selected and ASCII-capable layouts. Every change of the selection
    // posts kTISNotifySelectedKeyboardInputSourceChanged on the distributed
    // notification centre, as the input menu does.
    const std::shared_ptr<textinput::KeyboardLayoutRegistry>& keyboardLayouts() const { return keyboardLayouts_; }
    // Selects a layout of the catalog (such as "com.apple.keylayout.German");
    // false, and nothing changes, for an unknown one.
    bool selectKeyboardLayout(std::string_view identifier);

    // Listeners hear every change, in the order made.
    [[nodiscard]] DesktopListenerToken addListener(std::function<void(const DesktopChange&)> listener);

private:
    SimulatedApplication* findRunning(pid_t pid);
    const SimulatedApplication* findRunning(pid_t pid) const;
    SimulatedApplication* findWindowOwner(CGWindowID number);
    const SimulatedApplication* findWindowOwner(CGWindowID number) const;
    const SimulatedApplication* findBundle(const String& key, bool byPath) const;
    CGWindowID freshWindowNumber();
    pid_t freshPid();
    bool numberInUse(CGWindowID number) const;
    void noteActive(pid_t pid);
    // With the lock held: the active application `leaving` goes away (quits
    // or hides); activation moves on.
    void handActivationOn(pid_t leaving, std::vector<DesktopChange>& changes);
    void settleMainAndFocus(SimulatedApplication& application);
    bool activateLocked(pid_t target, ActivationRecord request, std::vector<DesktopChange>& changes);
    void raiseLocked(SimulatedApplication& application, CGWindowID number, std::vector<DesktopChange>& changes);
    std::optional<pid_t> launchIdentifierLocked(const String& bundleIdentifier, const LaunchOptions& options,
                                                std::vector<DesktopChange>& changes);
    std::optional<pid_t> launchLocked(const SimulatedApplication& bundle, const LaunchOptions& options,
                                      std::vector<DesktopChange>& changes);
    std::vector<std::pair<pid_t, CGWindowID>> windowStackLocked() const;
    std::optional<std::pair<pid_t, CGWindowID>> windowAtPointLocked(CGPoint point) const;
    template <class F> bool changeWindow(CGWindowID number, DesktopChange::Kind kind, F&& change);
    void deliver(const std::vector<DesktopChange>& changes);
    void useKeyboardLayouts(std::shared_ptr<textinput::KeyboardLayoutRegistry> registry);

    mutable std::mutex mutex_;
    DesktopState state_;
    // Applications that quit, in the order they quit, with their last state.
    std::vector<SimulatedApplication> quit_;
    // Most recently active first.
    std::vector<pid_t> recency_;
    bool pointerAssociated_ = true;
    std::vector<ActivationRecord> activations_;
    std::vector<PostedEvent> postedEvents_;
    std::vector<PointerLogEntry> pointerLog_;
    std::vector<TrustPrompt> trustPrompts_;
    std::vector<LoginItemChange> loginItemHistory_;
    std::vector<ProgramRecord> programRecords_;
    pid_t nextPid_ = 0;
    CGWindowID nextWindowNumber_ = 0;
    std::shared_ptr<detail::DesktopListeners> listeners_;
    std::shared_ptr<textinput::KeyboardLayoutRegistry> keyboardLayouts_;
    std::uint64_t layoutHandler_ = 0;
    std::shared_ptr<SimulatedHotKeys> hotKeys_ = std::make_shared<SimulatedHotKeys>();
    std::shared_ptr<SimulatedEventTaps> eventTaps_ = std::make_shared<SimulatedEventTaps>();
    std::shared_ptr<SimulatedKeyboard> keyboard_;
};

}  // namespace simulation
