#include "appkit/NSApplication.h"

#include "appkit/NSApplicationDelegate.h"
#include "appkit/NSColor.h"
#include "appkit/NSDraggingSystem.h"
#include "appkit/NSError.h"
#include "appkit/NSEvent.h"
#include "appkit/NSMenu.h"
#include "appkit/NSPopover.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSWindow.h"
#include "appkit/NSWindowDelegate.h"
#include "application/ApplicationDesktop.h"
#include "application/DesktopRecord.h"
#include "events/LocalEventMonitors.h"
#include "foundation/DispatchQueue.h"
#include "foundation/NSException.h"
#include "foundation/NSNotification.h"
#include "foundation/NSNotificationCenter.h"
#include "foundation/NSRunLoop.h"
#include "simulation/SimulatedDesktop.h"
#include "windows/WindowList.h"

#include <algorithm>
#include <mutex>

const String NSApplicationWillFinishLaunchingNotification = "NSApplicationWillFinishLaunchingNotification";
const String NSApplicationDidFinishLaunchingNotification = "NSApplicationDidFinishLaunchingNotification";
const String NSApplicationWillBecomeActiveNotification = "NSApplicationWillBecomeActiveNotification";
const String NSApplicationDidBecomeActiveNotification = "NSApplicationDidBecomeActiveNotification";
const String NSApplicationWillResignActiveNotification = "NSApplicationWillResignActiveNotification";
const String NSApplicationDidResignActiveNotification = "NSApplicationDidResignActiveNotification";
const String NSApplicationWillHideNotification = "NSApplicationWillHideNotification";
const String NSApplicationDidHideNotification = "NSApplicationDidHideNotification";
const String NSApplicationWillUnhideNotification = "NSApplicationWillUnhideNotification";
const String NSApplicationDidUnhideNotification = "NSApplicationDidUnhideNotification";
const String NSApplicationWillTerminateNotification = "NSApplicationWillTerminateNotification";

namespace {

std::mutex& sharedMutex()
{
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

// Replaced only by resetForTesting; the application itself lives as long as
// the program.
std::shared_ptr<NSApplication>& sharedSlot()
{
    static auto* slot = new std::shared_ptr<NSApplication>;
    return *slot;
}

bool isOperatingSystem14OrLater(const simulation::SimulatedDesktop& desktop)
{
    return desktop.operatingSystemVersion().majorVersion >= 14;
}

simulation::ActivationRecord request(pid_t requester, std::uint64_t options, const char* via)
{
    simulation::ActivationRecord record;
    record.requester = requester;
    record.options = options;
    record.via = via;
    return record;
}

}  // namespace

std::shared_ptr<NSApplication> NSApp()
{
    std::lock_guard lock(sharedMutex());
    return sharedSlot();
}

void NSBeep()
{
    detail::recordOnDesktop({.kind = simulation::ProgramRecord::Kind::Beep});
}

NSApplication::NSApplication()
    : desktop_(std::make_unique<detail::ApplicationDesktop>(*this))
{
}

NSApplication::~NSApplication() = default;

std::shared_ptr<NSApplication> NSApplication::sharedApplication()
{
    std::shared_ptr<NSApplication> application;
    {
        std::lock_guard lock(sharedMutex());
        if (!sharedSlot())
            sharedSlot() = std::make_shared<NSApplication>();
        application = sharedSlot();
    }
    application->desktop_->current();
    return application;
}

void NSApplication::resetForTesting()
{
    std::shared_ptr<NSApplication> old;
    {
        std::lock_guard lock(sharedMutex());
        old = std::move(sharedSlot());
    }
    detail::LocalEventMonitors::shared().removeAll();
    NSPopover::forgetShownPopovers();
    NSEvent::setCurrentModifierFlags(0);
}

void NSApplication::describe(ClassDescriptor& d)
{
    auto action = [&d](const char* selector, void (NSApplication::*method)(const Id&)) {
        d.method<NSApplication>(selector, ReturnKind::Void, [method](NSApplication& a, std::span<const Id> arguments) {
            (a.*method)(arguments[0]);
            return Id();
        });
    };
    action("terminate:", &NSApplication::terminate);
    action("stop:", &NSApplication::stop);
    action("hide:", &NSApplication::hide);
    action("unhide:", &NSApplication::unhide);
    action("hideOtherApplications:", &NSApplication::hideOtherApplications);
    action("unhideAllApplications:", &NSApplication::unhideAllApplications);
    action("orderFrontStandardAboutPanel:", &NSApplication::orderFrontStandardAboutPanel);
    // The application has no window of its own to close: it closes the key
    // window, as the menu item would through the responder chain.
    d.method<NSApplication>("performClose:", ReturnKind::Void, [](NSApplication& a, std::span<const Id> arguments) {
        if (auto window = a.keyWindow())
            window->performClose(arguments[0]);
        else
            NSBeep();
        return Id();
    });
    d.property<NSApplication>("active", [](NSApplication& a) { return Id::boolean(a.isActive()); });
    d.property<NSApplication>("hidden", [](NSApplication& a) { return Id::boolean(a.isHidden()); });
}

// --- Notices ---

void NSApplication::notify(const String& name, void (NSApplicationDelegate::*method)(NSNotification&))
{
    auto notification = NSNotification::notificationWithName(name, Id(shared_from_this()));
    if (auto delegate = this->delegate())
        ((*delegate).*method)(*notification);
    NSNotificationCenter::defaultCenter().postNotification(notification);
}

void NSApplication::deliverActive(bool active)
{
    if (active_ == active)
        return;
    auto self = shared_from_this();
    if (active) {
        notify(NSApplicationWillBecomeActiveNotification, &NSApplicationDelegate::applicationWillBecomeActive);
        willChangeValueForKey("active");
        active_ = true;
        didChangeValueForKey("active");
        auto key = keyWindow_.lock();
        if (!key || !key->isVisible()) {
            key = nextKeyCandidate(nullptr, false);
            keyWindow_ = key;
        }
        auto main = mainWindow_.lock();
        if (!main || !main->isVisible()) {
            main = key && key->canBecomeMainWindow() ? key : nextKeyCandidate(nullptr, true);
            mainWindow_ = main;
        }
        if (key)
            key->becomeKeyWindow();
        if (main)
            main->becomeMainWindow();
        notify(NSApplicationDidBecomeActiveNotification, &NSApplicationDelegate::applicationDidBecomeActive);
    } else {
        notify(NSApplicationWillResignActiveNotification, &NSApplicationDelegate::applicationWillResignActive);
        willChangeValueForKey("active");
        active_ = false;
        didChangeValueForKey("active");
        // The windows keep their standing for the next activation; they
        // only stop being key and main meanwhile.
        if (auto key = keyWindow_.lock(); key && key->isVisible())
            key->resignKeyWindow();
        if (auto main = mainWindow_.lock(); main && main->isVisible())
            main->resignMainWindow();
        notify(NSApplicationDidResignActiveNotification, &NSApplicationDelegate::applicationDidResignActive);
    }
}

void NSApplication::deliverHidden(bool hidden)
{
    if (hidden_ == hidden)
        return;
    auto self = shared_from_this();
    if (hidden) {
        notify(NSApplicationWillHideNotification, &NSApplicationDelegate::applicationWillHide);
        willChangeValueForKey("hidden");
        hidden_ = true;
        didChangeValueForKey("hidden");
        notify(NSApplicationDidHideNotification, &NSApplicationDelegate::applicationDidHide);
    } else {
        notify(NSApplicationWillUnhideNotification, &NSApplicationDelegate::applicationWillUnhide);
        willChangeValueForKey("hidden");
        hidden_ = false;
        didChangeValueForKey("hidden");
        notify(NSApplicationDidUnhideNotification, &NSApplicationDelegate::applicationDidUnhide);
    }
}

// --- Launching and ending ---

void NSApplication::finishLaunching()
{
    if (launched_)
        return;
    launched_ = true;
    auto current = desktop_->current();
    // A program isn't active before it has launched; if the desktop has it
    // frontmost, the activation reaches it after the launch notices, as the
    // system's launch activation does.
    bool frontmost = active_;
    active_ = false;
    notify(NSApplicationWillFinishLaunchingNotification, &NSApplicationDelegate::applicationWillFinishLaunching);
    notify(NSApplicationDidFinishLaunchingNotification, &NSApplicationDelegate::applicationDidFinishLaunching);
    if (frontmost) {
        std::weak_ptr<NSApplication> weak = std::static_pointer_cast<NSApplication>(shared_from_this());
        DispatchQueue::main().async([weak] {
            auto application = weak.lock();
            if (!application || application->terminated_)
                return;
            auto desktop = application->desktop_->current();
            if (desktop->frontmostApplication() == desktop->ownProcess())
                application->deliverActive(true);
        });
    }
}

void NSApplication::run()
{
    finishLaunching();
    if (terminated_)
        return;
    running_ = true;
    NSRunLoop::mainRunLoop().run();
    running_ = false;
}

void NSApplication::stop(const Id&)
{
    running_ = false;
    NSRunLoop::mainRunLoop().stop();
}

void NSApplication::terminate(const Id&)
{
    if (terminated_)
        return;
    notify(NSApplicationWillTerminateNotification, &NSApplicationDelegate::applicationWillTerminate);
    terminated_ = true;
    auto current = desktop_->current();
    if (pid_t own = current->ownProcess())
        current->quitApplication(own);
    stop(Id());
}

// --- Activation ---

void NSApplication::activateIgnoringOtherApps(bool ignoreOtherApps)
{
    auto current = desktop_->current();
    pid_t own = current->ownProcess();
    current->activate(
        own, request(own, ignoreOtherApps ? NSApplicationActivateIgnoringOtherApps : 0, "activateIgnoringOtherApps:"));
}

void NSApplication::activate()
{
    auto current = desktop_->current();
    pid_t own = current->ownProcess();
    current->activate(own, request(own, 0, "activate"));
}

void NSApplication::hide(const Id&)
{
    auto current = desktop_->current();
    current->setHidden(current->ownProcess(), true);
}

void NSApplication::unhide(const Id&)
{
    // Unhiding brings the program back to the front; a program that isn't
    // hidden is left as it is.
    auto current = desktop_->current();
    pid_t own = current->ownProcess();
    auto process = current->application(own);
    if (!process || !process->hidden)
        return;
    current->setHidden(own, false);
    current->activate(own, request(own, NSApplicationActivateIgnoringOtherApps, "unhide:"));
}

void NSApplication::unhideWithoutActivation()
{
    auto current = desktop_->current();
    current->setHidden(current->ownProcess(), false);
}

void NSApplication::hideOtherApplications(const Id&)
{
    auto current = desktop_->current();
    pid_t own = current->ownProcess();
    for (const auto& application : current->runningApplications())
        if (application.pid != own && !application.terminated)
            current->setHidden(application.pid, true);
}

void NSApplication::unhideAllApplications(const Id&)
{
    auto current = desktop_->current();
    for (const auto& application : current->runningApplications())
        if (!application.terminated)
            current->setHidden(application.pid, false);
}

void NSApplication::yieldActivationToApplication(const std::shared_ptr<NSRunningApplication>& application)
{
    auto current = desktop_->current();
    if (!isOperatingSystem14OrLater(*current))
        NSException::raise(NSInvalidArgumentException,
                           "-[NSApplication yieldActivationToApplication:]: "
                           "unrecognized selector sent to instance %p",
                           static_cast<void*>(this));
    if (application)
        detail::recordOnDesktop(
            {.kind = simulation::ProgramRecord::Kind::ActivationYielded, .target = application->processIdentifier()});
}

NSApplicationActivationPolicy NSApplication::activationPolicy() const
{
    auto current = desktop_->current();
    if (auto process = current->application(current->ownProcess()))
        return static_cast<NSApplicationActivationPolicy>(process->activationPolicy);
    return NSApplicationActivationPolicyRegular;
}

bool NSApplication::setActivationPolicy(NSApplicationActivationPolicy policy)
{
    if (policy < NSApplicationActivationPolicyRegular || policy > NSApplicationActivationPolicyProhibited)
        return false;
    auto current = desktop_->current();
    return current->setActivationPolicy(current->ownProcess(), static_cast<simulation::ActivationPolicy>(policy));
}

// --- Windows ---

std::vector<std::shared_ptr<NSWindow>> NSApplication::windows() const
{
    return detail::WindowList::shared().windows();
}

std::vector<std::shared_ptr<NSWindow>> NSApplication::orderedWindows() const
{
    return visibleWindows_;
}

std::shared_ptr<NSWindow> NSApplication::windowWithWindowNumber(NSInteger number) const
{
    return detail::WindowList::shared().windowWithNumber(number);
}

std::shared_ptr<NSWindow> NSApplication::keyWindow() const
{
    return active_ ? keyWindow_.lock() : nullptr;
}

std::shared_ptr<NSWindow> NSApplication::mainWindow() const
{
    return active_ ? mainWindow_.lock() : nullptr;
}

bool NSApplication::isKey(const NSWindow& window) const
{
    return active_ && keyWindow_.lock().get() == &window;
}

bool NSApplication::isMain(const NSWindow& window) const
{
    return active_ && mainWindow_.lock().get() == &window;
}

std::shared_ptr<NSWindow> NSApplication::nextKeyCandidate(const NSWindow* excluding, bool forMain) const
{
    for (const auto& window : visibleWindows_)
        if (window.get() != excluding && (forMain ? window->canBecomeMainWindow() : window->canBecomeKeyWindow()))
            return window;
    return nullptr;
}

void NSApplication::changeKeyWindow(const std::shared_ptr<NSWindow>& window)
{
    auto old = keyWindow_.lock();
    if (old == window)
        return;
    keyWindow_ = window;
    if (!active_)
        return;
    if (old)
        old->resignKeyWindow();
    if (window)
        window->becomeKeyWindow();
}

void NSApplication::changeMainWindow(const std::shared_ptr<NSWindow>& window)
{
    auto old = mainWindow_.lock();
    if (old == window)
        return;
    mainWindow_ = window;
    if (!active_)
        return;
    if (old)
        old->resignMainWindow();
    if (window)
        window->becomeMainWindow();
}

void NSApplication::windowDidOrderIn(const std::shared_ptr<NSWindow>& window)
{
    std::erase(visibleWindows_, window);
    visibleWindows_.insert(visibleWindows_.begin(), window);
}

void NSApplication::windowDidOrderOut(const std::shared_ptr<NSWindow>& window)
{
    std::erase(visibleWindows_, window);
    if (keyWindow_.lock() == window)
        changeKeyWindow(nextKeyCandidate(window.get(), false));
    if (mainWindow_.lock() == window)
        changeMainWindow(nextKeyCandidate(window.get(), true));
}

void NSApplication::windowWantsKey(const std::shared_ptr<NSWindow>& window)
{
    if (!window->isVisible())
        return;
    changeKeyWindow(window);
    if (window->canBecomeMainWindow())
        changeMainWindow(window);
}

void NSApplication::windowWantsMain(const std::shared_ptr<NSWindow>& window)
{
    if (window->isVisible())
        changeMainWindow(window);
}

// --- Events and actions ---

void NSApplication::sendEvent(const std::shared_ptr<NSEvent>& event)
{
    if (!event)
        return;
    auto self = shared_from_this();
    auto previous = std::exchange(currentEvent_, event);
    struct Restore {
        NSApplication& application;
        std::shared_ptr<NSEvent> previous;
        ~Restore() { application.currentEvent_ = std::move(previous); }
    } restore{*this, std::move(previous)};

    // A drag in progress takes the keyboard: Escape cancels it, and no key
    // reaches the program's monitors or windows meanwhile.
    auto type = event->type();
    if (auto& dragging = NSDraggingSystem::shared();
        dragging.isDragging() &&
        (type == NSEventTypeKeyDown || type == NSEventTypeKeyUp || type == NSEventTypeFlagsChanged)) {
        constexpr unsigned short escapeKeyCode = 53;
        if (type == NSEventTypeKeyDown && event->keyCode() == escapeKeyCode)
            dragging.cancel();
        return;
    }

    auto delivered = detail::LocalEventMonitors::shared().dispatch(event);
    if (!delivered)
        return;
    currentEvent_ = delivered;
    // Keys reach the designated key window even before a pending activation
    // notice has been delivered: the keyboard only sends keys to the
    // frontmost program, so they are ours.
    auto key = keyWindow_.lock();
    if (key && !key->isVisible())
        key.reset();
    switch (delivered->type()) {
    case NSEventTypeKeyDown:
        if (key && key->performKeyEquivalent(*delivered))
            return;
        if (mainMenu_ && mainMenu_->performKeyEquivalent(*delivered))
            return;
        if (key)
            key->sendEvent(*delivered);
        break;
    case NSEventTypeKeyUp:
    case NSEventTypeFlagsChanged:
        if (key)
            key->sendEvent(*delivered);
        break;
    case NSEventTypeLeftMouseDown:
    case NSEventTypeRightMouseDown:
    case NSEventTypeOtherMouseDown:
        // A click elsewhere closes the popovers that close on outside actions.
        NSPopover::closePopoversForClickIn(delivered->window().get());
        [[fallthrough]];
    default:
        if (auto window = delivered->window())
            window->sendEvent(*delivered);
        else if (key)
            key->sendEvent(*delivered);
        break;
    }
}

namespace {

Id respondingAlongChain(std::shared_ptr<NSResponder> responder, Selector action)
{
    for (; responder; responder = responder->nextResponder())
        if (responder->respondsToSelector(action))
            return Id(responder);
    return Id();
}

Id respondingDelegate(const std::shared_ptr<NSWindow>& window, Selector action)
{
    auto object = std::dynamic_pointer_cast<NSObject>(window->delegate());
    return object && object->respondsToSelector(action) ? Id(object) : Id();
}

}  // namespace

Id NSApplication::targetForAction(Selector action, const Id& target, const Id&) const
{
    if (target) {
        NSObject* object = target.objectPointer();
        return object && object->respondsToSelector(action) ? target : Id();
    }
    std::vector<std::shared_ptr<NSWindow>> windows;
    if (auto key = keyWindow_.lock(); key && key->isVisible())
        windows.push_back(key);
    if (auto main = mainWindow_.lock(); main && main->isVisible() && (windows.empty() || windows[0] != main))
        windows.push_back(main);
    for (const auto& window : windows) {
        if (Id found = respondingAlongChain(window->firstResponder(), action))
            return found;
        if (Id found = respondingDelegate(window, action))
            return found;
    }
    if (respondsToSelector(action))
        return Id(std::const_pointer_cast<NSObject>(shared_from_this()));
    auto delegate = std::dynamic_pointer_cast<NSObject>(this->delegate());
    if (delegate && delegate->respondsToSelector(action))
        return Id(delegate);
    return Id();
}

bool NSApplication::sendAction(Selector action, const Id& target, const Id& sender)
{
    if (!action)
        return false;
    Id receiver = targetForAction(action, target, sender);
    NSObject* object = receiver.objectPointer();
    return object && NSPerformAction(*object, action, sender);
}

// --- What the program shows ---

namespace {

void showAlert(const std::shared_ptr<NSError>& error)
{
    if (!error)
        return;
    detail::recordOnDesktop({.kind = simulation::ProgramRecord::Kind::Alert,
                             .text = error->localizedDescription(),
                             .informativeText = error->localizedFailureReason()});
}

}  // namespace

bool NSApplication::presentError(const std::shared_ptr<NSError>& error)
{
    if (error)
        showAlert(willPresentError(error));
    return false;
}

void NSApplication::presentErrorModalForWindow(const std::shared_ptr<NSError>& error, const std::shared_ptr<NSWindow>&,
                                               const Id&, Selector, void*)
{
    if (error)
        showAlert(willPresentError(error));
}

void NSApplication::orderFrontStandardAboutPanel(const Id&)
{
    detail::recordOnDesktop({.kind = simulation::ProgramRecord::Kind::AboutPanel});
}
