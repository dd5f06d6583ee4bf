#pragma once

#include "Kestrova/AppStateContext.h"
#include "Kestrova/SPUStandardUserDriverDelegate.h"
#include "appkit/NSApplicationDelegate.h"
#include "appkit/NSPopoverDelegate.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"
#include "shortcut-library/SRShortcutAction.h"

#include <memory>

class AppState;
class MainWindowController;
class NSApplication;
class NSMenu;
class NSPopover;
class NSRunningApplication;
class NSStatusItem;
class NSViewController;

// The program's application delegate, made by the main storyboard together
// with the status menu and the global-shortcut controller. It owns the
// menu-bar item, the popover under it, the current switcher state, the main
// window's controller while the switcher uses it, and the application that
// was frontmost at the last press of the global shortcut.
class AppDelegate : public NSObject,
                    public NSApplicationDelegate,
                    public NSPopoverDelegate,
                    public SRShortcutActionTarget,
                    public SPUStandardUserDriverDelegate,
                    public AppStateContext {
    KS_OBJECT(AppDelegate, NSObject)

public:
    // The key-binding string of Control-Tab, the global shortcut until the
    // user picks another.
    static const String defaultGlobalShortcut;

    AppDelegate();
    ~AppDelegate() override;

    // The status menu outlet; held weakly, the storyboard's objects keep it.
    std::shared_ptr<NSMenu> menu() const { return menu_.lock(); }
    void setMenu(const std::shared_ptr<NSMenu>& menu) { menu_ = menu; }
    const std::shared_ptr<NSStatusItem>& statusItem() const { return statusItem_; }
    const std::shared_ptr<NSPopover>& popover() const { return popover_; }

    // AppStateContext
    std::shared_ptr<AppState> appState() const override { return appState_; }
    void setAppState(std::shared_ptr<AppState> state) override { appState_ = std::move(state); }
    std::shared_ptr<MainWindowController> mainWindowController() const override { return mainWindowController_; }
    void setMainWindowController(std::shared_ptr<MainWindowController> controller) override
    {
        mainWindowController_ = std::move(controller);
    }
    std::shared_ptr<NSRunningApplication> previousApplication() const override { return previousApplication_; }
    void setPreviousApplication(std::shared_ptr<NSRunningApplication> application) override
    {
        previousApplication_ = std::move(application);
    }
    void showSwitcher() override;
    void hideSwitcher() override;

    // NSApplicationDelegate
    void applicationDidFinishLaunching(NSNotification& notification) override;
    void applicationWillBecomeActive(NSNotification& notification) override;
    void applicationWillResignActive(NSNotification& notification) override;
    void applicationDidResignActive(NSNotification& notification) override;

    // NSPopoverDelegate of the mini-mode popover: its going away while the
    // program is still in front hides the program, whatever it showed.
    void popoverDidClose(NSNotification& notification) override;

    // The global shortcut: remembers the frontmost application and hands the
    // press to the current state. Always handled.
    bool performShortcutAction(SRShortcutAction& action) override;

    // The status menu's actions; the sender is not read.
    void openPreferences(const Id& sender);
    void openAssignShortcuts(const Id& sender);
    void openAbout(const Id& sender);

    // SPUStandardUserDriverDelegate: an update dialog is a window of its own
    // that needs the Dock icon while it is shown.
    bool supportsGentleScheduledUpdateReminders() const override { return true; }
    void standardUserDriverWillHandleShowingUpdate(bool handleShowingUpdate, const Id& update,
                                                   const Id& state) override;
    void standardUserDriverWillFinishUpdateSession() override;

    // Writes the global shortcut (Control-Tab) and "rememberShortcuts" (true)
    // where they have no value yet. Real writes, so they persist.
    void writeMissingDefaults();
    // A new transient popover for the controller, sized to the view's
    // fitting size or to its frame. The previous popover is let go, not
    // closed.
    void setPopoverContent(const std::shared_ptr<NSViewController>& controller, bool sizeToFit);
    // Shows the popover under the status item's button and makes its window
    // key; nothing without a button.
    void showPopover(bool animated);
    // Regular (a Dock icon) while a welcome or about window is open,
    // otherwise an accessory.
    void updateActivationPolicy(NSApplication& application);

protected:
    static void describe(ClassDescriptor& d);

private:
    // What performShortcutAction does, for callers without an action object.
    void handleGlobalShortcut();
    void requireState() const;

    std::weak_ptr<NSMenu> menu_;
    std::shared_ptr<NSStatusItem> statusItem_;
    std::shared_ptr<NSPopover> popover_;
    std::shared_ptr<AppState> appState_;
    std::shared_ptr<MainWindowController> mainWindowController_;
    std::shared_ptr<NSRunningApplication> previousApplication_;
};
