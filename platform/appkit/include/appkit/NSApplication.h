#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSResponder.h"
#include "foundation/String.h"

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <vector>

class NSApplicationDelegate;
class NSError;
class NSEvent;
class NSMenu;
class NSNotification;
class NSRunningApplication;
class NSWindow;

namespace detail {
class ApplicationDesktop;
}

enum NSApplicationActivationPolicy : NSInteger {
    NSApplicationActivationPolicyRegular = 0,
    NSApplicationActivationPolicyAccessory = 1,
    NSApplicationActivationPolicyProhibited = 2,
};

using NSApplicationActivationOptions = NSUInteger;
inline constexpr NSApplicationActivationOptions NSApplicationActivateAllWindows = 1UL << 0;
inline constexpr NSApplicationActivationOptions NSApplicationActivateIgnoringOtherApps = 1UL << 1;

enum NSUserInterfaceLayoutDirection : NSInteger {
    NSUserInterfaceLayoutDirectionLeftToRight = 0,
    NSUserInterfaceLayoutDirectionRightToLeft = 1,
};

extern const String NSApplicationWillFinishLaunchingNotification;
extern const String NSApplicationDidFinishLaunchingNotification;
extern const String NSApplicationWillBecomeActiveNotification;
extern const String NSApplicationDidBecomeActiveNotification;
extern const String NSApplicationWillResignActiveNotification;
extern const String NSApplicationDidResignActiveNotification;
extern const String NSApplicationWillHideNotification;
extern const String NSApplicationDidHideNotification;
extern const String NSApplicationWillUnhideNotification;
extern const String NSApplicationDidUnhideNotification;
extern const String NSApplicationWillTerminateNotification;

// The program's application object: its delegate, its windows, the way
// events come in, and its standing on the simulated desktop, where it is the
// desktop's own process.
//
// Active, hidden and frontmost follow the desktop: asking to activate or
// hide changes the desktop at once, and whatever changes the desktop (this
// program, another one, the user) reaches the application as a notice on
// the main queue. So the will/did notifications and the delegate calls come
// on a later turn of the main run loop, never inside the call that caused
// them, and isActive / isHidden change when they are delivered.
class NSApplication : public NSResponder {
    KS_OBJECT(NSApplication, NSResponder)

public:
    NSApplication();
    ~NSApplication() override;

    // Made on first use and kept for the life of the program.
    static std::shared_ptr<NSApplication> sharedApplication();
    // Tests: forgets the shared application, its windows' standing and the
    // local event monitors, so the next test starts from a fresh one.
    static void resetForTesting();

    std::shared_ptr<NSApplicationDelegate> delegate() const { return delegate_.lock(); }
    // Held weakly, as on the platform: the program keeps its delegate alive.
    void setDelegate(const std::shared_ptr<NSApplicationDelegate>& delegate) { delegate_ = delegate; }

    // Launch: will-finish and did-finish notifications (and delegate calls),
    // once.
    void finishLaunching();
    bool isRunning() const { return running_; }
    // Finishes launching, then runs the main run loop until stop or
    // terminate.
    void run();
    void stop(const Id& sender);
    // Tells everyone the program ends (will-terminate), quits its process on
    // the desktop and stops the run loop. The program itself decides whether
    // to exit; tests read isTerminated.
    void terminate(const Id& sender);
    bool isTerminated() const { return terminated_; }

    bool isActive() const { return active_; }
    bool isHidden() const { return hidden_; }
    void activateIgnoringOtherApps(bool ignoreOtherApps);
    // The cooperative form of macOS 14 and later.
    void activate();
    void hide(const Id& sender);
    void unhide(const Id& sender);
    void unhideWithoutActivation();
    void hideOtherApplications(const Id& sender);
    void unhideAllApplications(const Id& sender);
    // Lets `application` take activation from this one (macOS 14 and later;
    // earlier systems don't know the message and raise). Nothing is
    // activated: the permission goes into the desktop's log of what
    // programs did.
    void yieldActivationToApplication(const std::shared_ptr<NSRunningApplication>& application);

    NSApplicationActivationPolicy activationPolicy() const;
    bool setActivationPolicy(NSApplicationActivationPolicy policy);

    // Every live window that has been shown or numbered, in the order they
    // were first.
    std::vector<std::shared_ptr<NSWindow>> windows() const;
    // The visible windows, front to back.
    std::vector<std::shared_ptr<NSWindow>> orderedWindows() const;
    std::shared_ptr<NSWindow> windowWithWindowNumber(NSInteger number) const;
    // nullptr while the application is inactive.
    std::shared_ptr<NSWindow> keyWindow() const;
    std::shared_ptr<NSWindow> mainWindow() const;

    // An event of this program, as the keyboard and the mouse deliver them:
    // the local monitors first (one may swallow it or put another event in
    // its place); a key down then goes to the key window's key equivalents,
    // then the main menu's; what is left goes to the key window (keys) or
    // the event's window (clicks) and from there along the responder chain.
    virtual void sendEvent(const std::shared_ptr<NSEvent>& event);
    // The event being handled by sendEvent, if any.
    std::shared_ptr<NSEvent> currentEvent() const { return currentEvent_; }

    // Sends an action to `target`, or with a nil target to the first object
    // that responds to it: the key window's responder chain, its delegate,
    // the main window's chain and delegate, the application, its delegate.
    bool sendAction(Selector action, const Id& target, const Id& sender);
    Id targetForAction(Selector action, const Id& target = Id(), const Id& sender = Id()) const;

    std::shared_ptr<NSMenu> mainMenu() const { return mainMenu_; }
    void setMainMenu(const std::shared_ptr<NSMenu>& menu) { mainMenu_ = menu; }

    // What the program shows the user here has no window of its own: the
    // alert of an error (its description, and its failure reason as the
    // informative text) and the about panel go into the desktop's log of
    // what programs did.
    bool presentError(const std::shared_ptr<NSError>& error) override;
    void presentErrorModalForWindow(const std::shared_ptr<NSError>& error, const std::shared_ptr<NSWindow>& window,
                                    const Id& delegate, Selector didPresentSelector, void* contextInfo) override;
    void orderFrontStandardAboutPanel(const Id& sender);

    bool isFullKeyboardAccessEnabled() const { return fullKeyboardAccessEnabled_; }
    void setFullKeyboardAccessEnabled(bool enabled) { fullKeyboardAccessEnabled_ = enabled; }
    NSUserInterfaceLayoutDirection userInterfaceLayoutDirection() const { return layoutDirection_; }
    void setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirection direction) { layoutDirection_ = direction; }

    // Internal: windows tell the application as they are shown, ordered out
    // and asked to become key or main.
    void windowDidOrderIn(const std::shared_ptr<NSWindow>& window);
    void windowDidOrderOut(const std::shared_ptr<NSWindow>& window);
    void windowWantsKey(const std::shared_ptr<NSWindow>& window);
    void windowWantsMain(const std::shared_ptr<NSWindow>& window);
    bool isKey(const NSWindow& window) const;
    bool isMain(const NSWindow& window) const;

protected:
    static void describe(ClassDescriptor& d);

private:
    friend class detail::ApplicationDesktop;

    void deliverActive(bool active);
    void deliverHidden(bool hidden);
    void notify(const String& name, void (NSApplicationDelegate::*method)(NSNotification&));
    std::shared_ptr<NSWindow> nextKeyCandidate(const NSWindow* excluding, bool forMain) const;
    void changeKeyWindow(const std::shared_ptr<NSWindow>& window);
    void changeMainWindow(const std::shared_ptr<NSWindow>& window);

    std::weak_ptr<NSApplicationDelegate> delegate_;
    // Every entry point asks it for the current desktop, so a desktop put in
    // place by a test is picked up on first use.
    std::unique_ptr<detail::ApplicationDesktop> desktop_;
    bool launched_ = false;
    bool running_ = false;
    bool terminated_ = false;
    bool active_ = false;
    bool hidden_ = false;
    // Front to back; these are kept alive while shown.
    std::vector<std::shared_ptr<NSWindow>> visibleWindows_;
    std::weak_ptr<NSWindow> keyWindow_;
    std::weak_ptr<NSWindow> mainWindow_;
    std::shared_ptr<NSEvent> currentEvent_;
    std::shared_ptr<NSMenu> mainMenu_;
    bool fullKeyboardAccessEnabled_ = false;
    NSUserInterfaceLayoutDirection layoutDirection_ = NSUserInterfaceLayoutDirectionLeftToRight;
};

// The shared application when one has been made, else nullptr (the
// platform's NSApp global).
std::shared_ptr<NSApplication> NSApp();

// The system beep, written into the desktop's log of what programs did, so
// that refused input can be seen.
void NSBeep();
