#include "Kestrova/AppDelegate.h"

#include "Kestrova/AboutWindow.h"
#include "Kestrova/AppState.h"
#include "Kestrova/BundleIdentifiers.h"
#include "Kestrova/FatalError.h"
#include "Kestrova/InactiveState.h"
#include "Kestrova/MainWindowController.h"
#include "Kestrova/PreferencesKey.h"
#include "Kestrova/ProgramActivation.h"
#include "Kestrova/StoryboardContract.h"
#include "Kestrova/WelcomeWindow.h"
#include "Kestrova/WelcomeWindowController.h"
#include "accessibility/AXUIElement.h"
#include "appkit/NSApplication.h"
#include "appkit/NSImage.h"
#include "appkit/NSMenu.h"
#include "appkit/NSPopover.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSStatusBar.h"
#include "appkit/NSStatusBarButton.h"
#include "appkit/NSStatusItem.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindow.h"
#include "appkit/NSWindowController.h"
#include "appkit/NSWorkspace.h"
#include "foundation/NSBundle.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/NSUserDefaultsController.h"

namespace {

const String kStatusItemImage = "Status Item";
const String kGlobalShortcutKeyPath = "values.shortcut-Kestrova";
const String kFirstLaunchKeyPath = "values.firstLaunch";
const String kKillLauncherNotification = "killLauncher";

bool miniMode()
{
    return NSUserDefaults::standardUserDefaults().boolForKey(raw(PreferencesKey::miniMode));
}

std::shared_ptr<NSApplication> sharedApplication()
{
    auto application = NSApp();
    if (!application)
        fatalError("Expect the shared application to exist");
    return application;
}

// The scene as a view controller, or nothing when the storyboard or the
// scene's class lets the caller down.
std::shared_ptr<NSViewController> optionalViewController(const String& identifier)
{
    auto storyboard = NSStoryboard::mainStoryboard();
    if (!storyboard)
        return nullptr;
    return storyboard->instantiateControllerWithIdentifier(identifier).object<NSViewController>();
}

}  // namespace

const String AppDelegate::defaultGlobalShortcut = String(u"^\t");

AppDelegate::AppDelegate()
    : statusItem_(NSStatusBar::systemStatusBar().statusItemWithLength(NSVariableStatusItemLength))
{
}

AppDelegate::~AppDelegate()
{
    NSStatusBar::systemStatusBar().removeStatusItem(statusItem_);
}

void AppDelegate::describe(ClassDescriptor& d)
{
    d.property<AppDelegate>(
        "menu", [](AppDelegate& self) { return Id(self.menu()); },
        [](AppDelegate& self, const Id& value) { self.setMenu(value.object<NSMenu>()); });
    d.property<AppDelegate>("supportsGentleScheduledUpdateReminders", [](AppDelegate& self) {
        return Id::boolean(self.supportsGentleScheduledUpdateReminders());
    });

    d.method<AppDelegate>("performShortcutAction:", ReturnKind::Boolean, [](AppDelegate& self, std::span<const Id>) {
        self.handleGlobalShortcut();
        return Id::boolean(true);
    });
    auto menuAction = [&d](const char* selector, void (AppDelegate::*method)(const Id&)) {
        d.method<AppDelegate>(selector, ReturnKind::Void, [method](AppDelegate& self, std::span<const Id> arguments) {
            (self.*method)(arguments[0]);
            return Id();
        });
    };
    menuAction("openPreferencesWithSender:", &AppDelegate::openPreferences);
    menuAction("openAssignShortcutsWithSender:", &AppDelegate::openAssignShortcuts);
    menuAction("openAboutWithSender:", &AppDelegate::openAbout);

    d.method<AppDelegate>("supportsGentleScheduledUpdateReminders", ReturnKind::Boolean,
                          [](AppDelegate& self, std::span<const Id>) {
                              return Id::boolean(self.supportsGentleScheduledUpdateReminders());
                          });
    d.method<AppDelegate>("standardUserDriverWillHandleShowingUpdate:forUpdate:state:", ReturnKind::Void,
                          [](AppDelegate& self, std::span<const Id> arguments) {
                              self.standardUserDriverWillHandleShowingUpdate(arguments[0].boolValue(), arguments[1],
                                                                             arguments[2]);
                              return Id();
                          });
    d.method<AppDelegate>("standardUserDriverWillFinishUpdateSession", ReturnKind::Void,
                          [](AppDelegate& self, std::span<const Id>) {
                              self.standardUserDriverWillFinishUpdateSession();
                              return Id();
                          });
}

// --- Launch ---

void AppDelegate::applicationDidFinishLaunching(NSNotification&)
{
    auto image = NSImage::imageForResource(*NSBundle::mainBundle(), kStatusItemImage);
    if (!image)
        fatalError(String("Expect image resource `").appending(kStatusItemImage).appending("` in the main bundle"));
    statusItem_->setMenu(menu());
    if (auto button = statusItem_->button())
        button->setImage(image);

    writeMissingDefaults();

    for (const auto& application : NSWorkspace::sharedWorkspace().runningApplications()) {
        if (application->bundleIdentifier() != String(kLoginHelperBundleIdentifier))
            continue;
        String identifier = NSBundle::mainBundle()->bundleIdentifier();
        if (identifier.empty())
            fatalError("Expect the main bundle to have a bundle identifier");
        NSDistributedNotificationCenter::defaultCenter().postNotificationName(kKillLauncherNotification, Id(identifier),
                                                                              Id(), false);
        break;
    }

    appState_ = std::make_shared<InactiveState>(*this);

    // Absent, or anything but a Boolean, counts as a first launch: only the
    // welcome window writes the value.
    Id firstLaunch = NSUserDefaultsController::sharedUserDefaultsController().valueForKeyPath(kFirstLaunchKeyPath);
    if (!firstLaunch.isBoolean() || firstLaunch.boolValue())
        requireController<WelcomeWindowController>(*requireMainStoryboard(), "Welcome")->showWindow(Id());
}

void AppDelegate::writeMissingDefaults()
{
    auto& controller = NSUserDefaultsController::sharedUserDefaultsController();
    if (controller.valueForKeyPath(kGlobalShortcutKeyPath).isNilOrNull())
        controller.setValueForKeyPath(Id(defaultGlobalShortcut), kGlobalShortcutKeyPath);
    String rememberShortcuts = String("values.").appending(raw(PreferencesKey::rememberShortcuts));
    if (controller.valueForKeyPath(rememberShortcuts).isNilOrNull())
        controller.setValueForKeyPath(Id::boolean(true), rememberShortcuts);
}

// --- Application notices ---

void AppDelegate::applicationWillBecomeActive(NSNotification&)
{
    updateActivationPolicy(*sharedApplication());
}

void AppDelegate::applicationWillResignActive(NSNotification&)
{
    updateActivationPolicy(*sharedApplication());
}

void AppDelegate::requireState() const
{
    if (!appState_)
        fatalError("Expect a switcher state once launching has finished");
}

void AppDelegate::applicationDidResignActive(NSNotification&)
{
    requireState();
    // The state replaces itself in the call; this copy keeps it alive until
    // the call returns.
    auto state = appState_;
    state->handleResignActive();
}

void AppDelegate::updateActivationPolicy(NSApplication& application)
{
    for (const auto& window : application.windows()) {
        if (window->isKindOf<AboutWindow>() || window->isKindOf<WelcomeWindow>()) {
            application.setActivationPolicy(NSApplicationActivationPolicyRegular);
            return;
        }
    }
    application.setActivationPolicy(NSApplicationActivationPolicyAccessory);
}

// --- The global shortcut ---

bool AppDelegate::performShortcutAction(SRShortcutAction&)
{
    handleGlobalShortcut();
    return true;
}

void AppDelegate::handleGlobalShortcut()
{
    previousApplication_ = NSWorkspace::sharedWorkspace().frontmostApplication();
    requireState();
    auto state = appState_;
    state->handleGlobalShortcut();
}

// --- Showing and hiding the switcher ---

void AppDelegate::showSwitcher()
{
    if (miniMode()) {
        String identifier = AXIsProcessTrusted() ? String("MiniNavigationController") : String("Permission");
        auto controller = optionalViewController(identifier);
        if (!controller)
            return;
        setPopoverContent(controller, true);
        popover_->setDelegate(std::dynamic_pointer_cast<NSPopoverDelegate>(shared_from_this()));
        showPopover(false);
        return;
    }
    auto controller = requireController<MainWindowController>(*requireMainStoryboard(), "Main");
    mainWindowController_ = controller;
    controller->showWindow(Id());
}

void AppDelegate::hideSwitcher()
{
    // Whatever "miniMode" says now decides what is closed, also when it
    // changed while the switcher was shown.
    if (miniMode()) {
        if (popover_)
            popover_->close();
        popover_ = nullptr;
        return;
    }
    if (mainWindowController_)
        mainWindowController_->close();
    mainWindowController_ = nullptr;
}

void AppDelegate::popoverDidClose(NSNotification&)
{
    // The mini view hides the program when it leaves the screen alone, but
    // the permission screen, or a windows list pushed over the mini view,
    // leave nobody to do it: the program would stay in front with nothing
    // shown, and the active state would ignore the next global shortcut. A
    // popover closed because the program resigned, or was hidden by the mini
    // view, needs nothing more.
    auto current = NSRunningApplication::currentApplication();
    if (current && current->isActive() && !current->isHidden())
        sharedApplication()->hide(Id());
}

void AppDelegate::setPopoverContent(const std::shared_ptr<NSViewController>& controller, bool sizeToFit)
{
    popover_ = std::make_shared<NSPopover>();
    popover_->setBehavior(NSPopoverBehaviorTransient);
    popover_->setContentViewController(controller);
    auto view = controller->view();
    popover_->setContentSize(sizeToFit ? view->fittingSize() : view->frame().size);
}

void AppDelegate::showPopover(bool animated)
{
    auto button = statusItem_->button();
    if (!button || !popover_)
        return;
    popover_->setAnimates(animated);
    popover_->showRelativeToRect(button->bounds(), button, NSRectEdgeMinY);
    auto content = popover_->contentViewController();
    if (auto window = content ? content->view()->window() : nullptr)
        window->makeKeyAndOrderFront(Id());
}

// --- Status menu ---

void AppDelegate::openPreferences(const Id&)
{
    if (auto controller = optionalViewController("PreferencesViewController")) {
        setPopoverContent(controller, false);
        showPopover(true);
    }
}

void AppDelegate::openAssignShortcuts(const Id&)
{
    if (auto controller = optionalViewController("AssignShortcutsViewController")) {
        setPopoverContent(controller, false);
        showPopover(true);
    }
}

void AppDelegate::openAbout(const Id&)
{
    activateProgram(*this);
    auto application = sharedApplication();
    for (const auto& window : application->windows()) {
        if (!window->isKindOf<AboutWindow>())
            continue;
        // The open about window is brought forward instead of a second one.
        if (auto controller = window->windowController())
            controller->showWindow(Id());
        return;
    }
    auto storyboard = NSStoryboard::mainStoryboard();
    if (!storyboard)
        return;
    if (auto controller =
            storyboard->instantiateControllerWithIdentifier("AboutWindowController").object<NSWindowController>())
        controller->showWindow(Id());
}

// --- The update framework ---

void AppDelegate::standardUserDriverWillHandleShowingUpdate(bool, const Id&, const Id&)
{
    sharedApplication()->setActivationPolicy(NSApplicationActivationPolicyRegular);
}

void AppDelegate::standardUserDriverWillFinishUpdateSession()
{
    sharedApplication()->setActivationPolicy(NSApplicationActivationPolicyAccessory);
}
