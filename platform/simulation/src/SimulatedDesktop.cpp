#include "simulation/SimulatedDesktop.h"

#include "DesktopListeners.h"
#include "foundation/CFNotificationCenter.h"
#include "foundation/NSException.h"
#include "foundation/NSProcessInfo.h"
#include "simulation/DesktopDescription.h"
#include "textinput/KeyboardLayoutRegistry.h"
#include "textinput/TISInputSource.h"

#include <algorithm>
#include <limits>
#include <set>
#include <utility>

namespace simulation {

namespace {

// Where fresh numbers start when a state names none: well clear of the small
// numbers tests like to write by hand.
constexpr pid_t kFirstPid = 400;

// The pid after `pid`, starting over at the first at the top of the range
// rather than overflowing.
pid_t pidAfter(pid_t pid)
{
    return pid == std::numeric_limits<pid_t>::max() ? kFirstPid : pid + 1;
}
constexpr CGWindowID kFirstWindowNumber = 1000;

std::mutex& currentMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::shared_ptr<SimulatedDesktop>& currentDesktop()
{
    static auto* desktop = new std::shared_ptr<SimulatedDesktop>;
    return *desktop;
}

// Once there is a desktop, it is the system the process runs on: the process
// information reads the version of whichever desktop is current.
void answerForTheSystem()
{
    static std::once_flag once;
    std::call_once(once, [] {
        NSProcessInfo::setOperatingSystemVersionSource([] {
            auto version = SimulatedDesktop::current()->operatingSystemVersion();
            return NSOperatingSystemVersion{version.majorVersion, version.minorVersion, version.patchVersion};
        });
    });
}

bool canBeActive(const SimulatedApplication& application)
{
    return !application.terminated && application.activationPolicy != ActivationPolicy::Prohibited;
}

// What a new launch of an application starts with: an installed bundle's
// windows are the ones a launch opens; a process's windows are its own.
SimulatedApplication bundleOf(const SimulatedApplication& application)
{
    SimulatedApplication bundle = application;
    bundle.pid = 0;
    bundle.hidden = false;
    bundle.terminated = false;
    bundle.ownProcess = false;
    if (application.pid != 0)
        bundle.windows.clear();
    bundle.mainWindow = 0;
    bundle.focusedWindow = 0;
    return bundle;
}

}  // namespace

SimulatedDesktop::SimulatedDesktop(DesktopState state)
    : state_(std::move(state))
    , listeners_(std::make_shared<detail::DesktopListeners>())
{
    std::set<pid_t> pids;
    std::set<CGWindowID> numbers;
    int ownProcesses = 0;
    for (const auto& application : state_.applications) {
        if (application.pid != 0 && !pids.insert(application.pid).second)
            NSException::raise(NSInvalidArgumentException, "pid %d is used twice", int(application.pid));
        for (const auto& window : application.windows) {
            if (window.number != 0 && !numbers.insert(window.number).second)
                NSException::raise(NSInvalidArgumentException, "window number %u is used twice", window.number);
        }
        if (application.ownProcess)
            ++ownProcesses;
    }
    if (ownProcesses > 1)
        NSException::raise(NSInvalidArgumentException, "more than one application is the own process");

    nextPid_ = pids.empty() ? kFirstPid : std::max(kFirstPid, pidAfter(*pids.rbegin()));
    nextWindowNumber_ = numbers.empty() ? kFirstWindowNumber : std::max(kFirstWindowNumber, *numbers.rbegin() + 1);
    for (auto& application : state_.applications) {
        if (application.pid == 0)
            application.pid = freshPid();
        for (auto& window : application.windows) {
            if (window.number == 0)
                window.number = freshWindowNumber();
        }
        settleMainAndFocus(application);
    }

    if (state_.frontmostApplication == 0) {
        auto it = std::find_if(state_.applications.begin(), state_.applications.end(), [](const auto& application) {
            return !application.terminated && !application.hidden &&
                   application.activationPolicy == ActivationPolicy::Regular;
        });
        if (it != state_.applications.end())
            state_.frontmostApplication = it->pid;
    } else {
        const auto* frontmost = findRunning(state_.frontmostApplication);
        if (!frontmost || !canBeActive(*frontmost))
            NSException::raise(NSInvalidArgumentException, "the frontmost application %d can't be active",
                               int(state_.frontmostApplication));
    }
    if (state_.frontmostApplication != 0)
        recency_.push_back(state_.frontmostApplication);

    useKeyboardLayouts(std::make_shared<textinput::KeyboardLayoutRegistry>(
        state_.keyboardLayout.value_or(std::string(textinput::InputSourceID::US))));
    keyboard_ = SimulatedKeyboard::create(*this, eventTaps_, hotKeys_);
}

SimulatedDesktop::~SimulatedDesktop()
{
    if (keyboard_)
        keyboard_->detach();
    if (keyboardLayouts_)
        keyboardLayouts_->removeSelectionChangeHandler(layoutHandler_);
}

void SimulatedDesktop::useKeyboardLayouts(std::shared_ptr<textinput::KeyboardLayoutRegistry> registry)
{
    if (keyboardLayouts_)
        keyboardLayouts_->removeSelectionChangeHandler(layoutHandler_);
    keyboardLayouts_ = std::move(registry);
    // Programs learn of a layout change from the distributed centre, whoever
    // selected it (the input menu, a text-input call, a driver command).
    layoutHandler_ = keyboardLayouts_->addSelectionChangeHandler([](const TISInputSourceRef&) {
        CFNotificationCenterPostNotification(CFNotificationCenterGetDistributedCenter(),
                                             String(kTISNotifySelectedKeyboardInputSourceChanged), Id(), Id(), false);
    });
}

std::shared_ptr<SimulatedDesktop> SimulatedDesktop::current()
{
    answerForTheSystem();
    std::lock_guard lock(currentMutex());
    auto& desktop = currentDesktop();
    if (!desktop) {
        desktop = makeDefault();
        // Made behind everyone's back: it types with the layouts the
        // text-input calls answer from anyway, rather than installing its own
        // over whatever a test put in place.
        desktop->useKeyboardLayouts(std::shared_ptr<textinput::KeyboardLayoutRegistry>(
            &textinput::KeyboardLayoutRegistry::shared(), [](textinput::KeyboardLayoutRegistry*) {}));
    }
    return desktop;
}

void SimulatedDesktop::setCurrent(std::shared_ptr<SimulatedDesktop> desktop)
{
    exchangeCurrent(std::move(desktop));
}

std::shared_ptr<SimulatedDesktop> SimulatedDesktop::exchangeCurrent(std::shared_ptr<SimulatedDesktop> desktop)
{
    answerForTheSystem();
    std::shared_ptr<SimulatedDesktop> previous;
    {
        std::lock_guard lock(currentMutex());
        textinput::KeyboardLayoutRegistry::setCurrent(desktop ? desktop->keyboardLayouts_ : nullptr);
        previous = std::exchange(currentDesktop(), std::move(desktop));
    }
    return previous;
}

std::shared_ptr<SimulatedDesktop> SimulatedDesktop::makeDefault()
{
    auto result =
        DesktopDescription::parse(DesktopDescription::embeddedDefault(), DesktopDescription::OwnProcess::Required);
    if (!result)
        NSException::raise(NSInternalInconsistencyException, "the default desktop is broken: %s",
                           result.error().c_str());
    return std::make_shared<SimulatedDesktop>(std::move(*result));
}

// --- Lookups (called with the lock held) ---

SimulatedApplication* SimulatedDesktop::findRunning(pid_t pid)
{
    return const_cast<SimulatedApplication*>(static_cast<const SimulatedDesktop&>(*this).findRunning(pid));
}

const SimulatedApplication* SimulatedDesktop::findRunning(pid_t pid) const
{
    if (pid == 0)
        return nullptr;
    for (const auto& application : state_.applications) {
        if (application.pid == pid)
            return &application;
    }
    return nullptr;
}

SimulatedApplication* SimulatedDesktop::findWindowOwner(CGWindowID number)
{
    return const_cast<SimulatedApplication*>(static_cast<const SimulatedDesktop&>(*this).findWindowOwner(number));
}

const SimulatedApplication* SimulatedDesktop::findWindowOwner(CGWindowID number) const
{
    if (number == 0)
        return nullptr;
    for (const auto& application : state_.applications) {
        if (application.window(number))
            return &application;
    }
    return nullptr;
}

const SimulatedApplication* SimulatedDesktop::findBundle(const String& key, bool byPath) const
{
    auto matches = [&](const SimulatedApplication& application) {
        const auto& field = byPath ? application.bundlePath : application.bundleIdentifier;
        return field && *field == key;
    };
    // Installed bundles first: they say which windows a launch opens.
    for (const auto* list : {&state_.installedApplications, &state_.applications, &quit_}) {
        for (const auto& application : *list) {
            if (matches(application))
                return &application;
        }
    }
    return nullptr;
}

bool SimulatedDesktop::numberInUse(CGWindowID number) const
{
    return findWindowOwner(number) != nullptr;
}

CGWindowID SimulatedDesktop::freshWindowNumber()
{
    while (numberInUse(nextWindowNumber_) || nextWindowNumber_ == 0)
        ++nextWindowNumber_;
    return nextWindowNumber_++;
}

pid_t SimulatedDesktop::freshPid()
{
    while (findRunning(nextPid_))
        nextPid_ = pidAfter(nextPid_);
    return std::exchange(nextPid_, pidAfter(nextPid_));
}

void SimulatedDesktop::noteActive(pid_t pid)
{
    std::erase(recency_, pid);
    recency_.insert(recency_.begin(), pid);
}

void SimulatedDesktop::settleMainAndFocus(SimulatedApplication& application)
{
    auto firstShown = [&]() -> CGWindowID {
        for (const auto& window : application.windows) {
            if (!window.minimized)
                return window.number;
        }
        return 0;
    };
    auto usable = [&](CGWindowID number) {
        const auto* window = application.window(number);
        return window && !window->minimized;
    };
    if (!usable(application.mainWindow))
        application.mainWindow = firstShown();
    if (!usable(application.focusedWindow))
        application.focusedWindow = application.mainWindow;
}

void SimulatedDesktop::deliver(const std::vector<DesktopChange>& changes)
{
    if (!changes.empty())
        listeners_->deliver(changes);
}

// --- Applications ---

std::vector<SimulatedApplication> SimulatedDesktop::runningApplications() const
{
    std::lock_guard lock(mutex_);
    return state_.applications;
}

std::optional<SimulatedApplication> SimulatedDesktop::application(pid_t pid) const
{
    std::lock_guard lock(mutex_);
    if (const auto* application = findRunning(pid))
        return *application;
    // The latest process of that pid, should one ever be reused.
    for (auto it = quit_.rbegin(); it != quit_.rend(); ++it) {
        if (it->pid == pid)
            return *it;
    }
    return std::nullopt;
}

std::vector<SimulatedApplication> SimulatedDesktop::runningApplications(const String& bundleIdentifier) const
{
    std::lock_guard lock(mutex_);
    std::vector<SimulatedApplication> result;
    for (const auto& application : state_.applications) {
        if (!application.terminated && application.bundleIdentifier == bundleIdentifier)
            result.push_back(application);
    }
    return result;
}

bool SimulatedDesktop::isRunning(pid_t pid) const
{
    std::lock_guard lock(mutex_);
    const auto* application = findRunning(pid);
    return application && !application->terminated;
}

pid_t SimulatedDesktop::frontmostApplication() const
{
    std::lock_guard lock(mutex_);
    return state_.frontmostApplication;
}

pid_t SimulatedDesktop::ownProcess() const
{
    std::lock_guard lock(mutex_);
    for (const auto& application : state_.applications) {
        if (application.ownProcess)
            return application.pid;
    }
    return 0;
}

std::optional<String> SimulatedDesktop::bundlePathForIdentifier(const String& bundleIdentifier) const
{
    std::lock_guard lock(mutex_);
    const auto* bundle = findBundle(bundleIdentifier, false);
    if (!bundle)
        return std::nullopt;
    return bundle->bundlePath;
}

bool SimulatedDesktop::activateLocked(pid_t target, ActivationRecord request, std::vector<DesktopChange>& changes)
{
    request.target = target;
    auto* application = findRunning(target);
    request.honoured = application && canBeActive(*application);
    activations_.push_back(request);
    if (!request.honoured)
        return false;
    if (application->hidden) {
        application->hidden = false;
        changes.push_back({.kind = DesktopChange::Kind::ApplicationUnhidden, .pid = target});
    }
    pid_t previous = state_.frontmostApplication;
    if (previous != target) {
        state_.frontmostApplication = target;
        changes.push_back(
            {.kind = DesktopChange::Kind::FrontmostApplicationChanged, .pid = target, .previousPid = previous});
    }
    noteActive(target);
    return true;
}

bool SimulatedDesktop::activate(pid_t target, ActivationRecord request)
{
    std::vector<DesktopChange> changes;
    bool honoured;
    {
        std::lock_guard lock(mutex_);
        honoured = activateLocked(target, std::move(request), changes);
    }
    deliver(changes);
    return honoured;
}

std::optional<pid_t> SimulatedDesktop::launchLocked(const SimulatedApplication& bundle, const LaunchOptions& options,
                                                    std::vector<DesktopChange>& changes)
{
    SimulatedApplication process = bundleOf(bundle);
    process.pid = freshPid();
    // Numbers of the windows a bundle opens are reassigned: each launch opens
    // new windows.
    for (auto& window : process.windows)
        window.number = freshWindowNumber();
    settleMainAndFocus(process);
    pid_t pid = process.pid;
    state_.applications.push_back(std::move(process));
    changes.push_back({.kind = DesktopChange::Kind::ApplicationLaunched, .pid = pid});
    if (options.activates)
        activateLocked(pid, ActivationRecord{.requester = options.requester, .via = "launch"}, changes);
    return pid;
}

std::optional<pid_t> SimulatedDesktop::launchIdentifierLocked(const String& bundleIdentifier,
                                                              const LaunchOptions& options,
                                                              std::vector<DesktopChange>& changes)
{
    if (!options.newInstance) {
        for (const auto& application : state_.applications) {
            if (!application.terminated && application.bundleIdentifier == bundleIdentifier) {
                if (options.activates)
                    activateLocked(application.pid, ActivationRecord{.requester = options.requester, .via = "launch"},
                                   changes);
                return application.pid;
            }
        }
    }
    const auto* bundle = findBundle(bundleIdentifier, false);
    if (!bundle)
        return std::nullopt;
    return launchLocked(*bundle, options, changes);
}

std::optional<pid_t> SimulatedDesktop::launchApplication(const String& bundleIdentifier, LaunchOptions options)
{
    std::vector<DesktopChange> changes;
    std::optional<pid_t> pid;
    {
        std::lock_guard lock(mutex_);
        pid = launchIdentifierLocked(bundleIdentifier, options, changes);
    }
    deliver(changes);
    return pid;
}

std::optional<pid_t> SimulatedDesktop::launchApplicationAtPath(const String& bundlePath, LaunchOptions options)
{
    std::vector<DesktopChange> changes;
    std::optional<pid_t> pid;
    {
        std::lock_guard lock(mutex_);
        const auto* bundle = findBundle(bundlePath, true);
        if (!bundle)
            return std::nullopt;
        if (bundle->bundleIdentifier) {
            pid = launchIdentifierLocked(*bundle->bundleIdentifier, options, changes);
        } else {
            // A bundle without an identifier can only be told apart by its
            // path, so it always starts a new process.
            pid = launchLocked(*bundle, options, changes);
        }
    }
    deliver(changes);
    return pid;
}

bool SimulatedDesktop::quitApplication(pid_t pid)
{
    std::vector<DesktopChange> changes;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(state_.applications.begin(), state_.applications.end(),
                               [&](const auto& application) { return application.pid == pid; });
        if (pid == 0 || it == state_.applications.end())
            return false;
        SimulatedApplication process = std::move(*it);
        state_.applications.erase(it);
        process.terminated = true;
        process.windows.clear();
        process.mainWindow = 0;
        process.focusedWindow = 0;
        quit_.push_back(std::move(process));
        std::erase(recency_, pid);
        changes.push_back({.kind = DesktopChange::Kind::ApplicationTerminated, .pid = pid});
        if (state_.frontmostApplication == pid)
            handActivationOn(pid, changes);
    }
    deliver(changes);
    return true;
}

bool SimulatedDesktop::addRunningApplication(SimulatedApplication application)
{
    std::vector<DesktopChange> changes;
    {
        std::lock_guard lock(mutex_);
        if (application.pid == 0 || findRunning(application.pid))
            return false;
        application.terminated = false;
        application.ownProcess = false;
        for (auto& window : application.windows) {
            if (window.number == 0 || numberInUse(window.number))
                window.number = freshWindowNumber();
        }
        settleMainAndFocus(application);
        pid_t pid = application.pid;
        // A pid comes round again: the process that had it before is gone.
        std::erase_if(quit_, [pid](const SimulatedApplication& gone) { return gone.pid == pid; });
        state_.applications.push_back(std::move(application));
        changes.push_back({.kind = DesktopChange::Kind::ApplicationLaunched, .pid = pid});
    }
    deliver(changes);
    return true;
}

bool SimulatedDesktop::setOwnProcessIdentity(std::optional<String> bundleIdentifier,
                                             std::optional<String> localizedName, std::optional<String> bundlePath,
                                             ActivationPolicy policy)
{
    std::vector<DesktopChange> changes;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(state_.applications.begin(), state_.applications.end(),
                               [](const auto& application) { return application.ownProcess; });
        if (it == state_.applications.end())
            return false;
        it->bundleIdentifier = std::move(bundleIdentifier);
        it->localizedName = std::move(localizedName);
        it->bundlePath = std::move(bundlePath);
        if (it->activationPolicy != policy) {
            it->activationPolicy = policy;
            changes.push_back({.kind = DesktopChange::Kind::ActivationPolicyChanged, .pid = it->pid});
        }
        if (!canBeActive(*it) && state_.frontmostApplication == it->pid)
            handActivationOn(it->pid, changes);
    }
    deliver(changes);
    return true;
}

void SimulatedDesktop::handActivationOn(pid_t leaving, std::vector<DesktopChange>& changes)
{
    // The most recently active application that can take it over, as the
    // system picks one when the active application goes away.
    pid_t next = 0;
    for (pid_t candidate : recency_) {
        const auto* application = findRunning(candidate);
        if (candidate != leaving && application && canBeActive(*application) && !application->hidden) {
            next = candidate;
            break;
        }
    }
    state_.frontmostApplication = next;
    if (next != 0)
        noteActive(next);
    changes.push_back({.kind = DesktopChange::Kind::FrontmostApplicationChanged, .pid = next, .previousPid = leaving});
}

bool SimulatedDesktop::setHidden(pid_t pid, bool hidden)
{
    std::vector<DesktopChange> changes;
    {
        std::lock_guard lock(mutex_);
        auto* application = findRunning(pid);
        if (!application || application->terminated)
            return false;
        if (application->hidden == hidden)
            return true;
        application->hidden = hidden;
        changes.push_back(
            {.kind = hidden ? DesktopChange::Kind::ApplicationHidden : DesktopChange::Kind::ApplicationUnhidden,
             .pid = pid});
        // Hiding the active application hands activation to the one that was
        // active before it, as the system does.
        if (hidden && state_.frontmostApplication == pid)
            handActivationOn(pid, changes);
    }
    deliver(changes);
    return true;
}

bool SimulatedDesktop::setActivationPolicy(pid_t pid, ActivationPolicy policy)
{
    std::vector<DesktopChange> changes;
    {
        std::lock_guard lock(mutex_);
        auto* application = findRunning(pid);
        if (!application)
            return false;
        if (application->activationPolicy == policy)
            return true;
        application->activationPolicy = policy;
        changes.push_back({.kind = DesktopChange::Kind::ActivationPolicyChanged, .pid = pid});
    }
    deliver(changes);
    return true;
}

bool SimulatedDesktop::setOwnProcess(pid_t pid)
{
    std::vector<DesktopChange> changes;
    {
        std::lock_guard lock(mutex_);
        auto* application = findRunning(pid);
        if (!application)
            return false;
        if (application->ownProcess)
            return true;
        for (auto& other : state_.applications)
            other.ownProcess = false;
        application->ownProcess = true;
        changes.push_back({.kind = DesktopChange::Kind::OwnProcessChanged, .pid = pid});
    }
    deliver(changes);
    return true;
}

bool SimulatedDesktop::setApplicationFailures(pid_t pid, AccessibilityFailures failures)
{
    std::lock_guard lock(mutex_);
    auto* application = findRunning(pid);
    if (!application)
        return false;
    application->failures = std::move(failures);
    return true;
}

// --- Windows ---

std::optional<SimulatedDesktop::WindowLocation> SimulatedDesktop::window(CGWindowID number) const
{
    std::lock_guard lock(mutex_);
    const auto* owner = findWindowOwner(number);
    if (!owner)
        return std::nullopt;
    return WindowLocation{.pid = owner->pid, .window = *owner->window(number)};
}

std::vector<std::pair<pid_t, CGWindowID>> SimulatedDesktop::windowStackLocked() const
{
    std::vector<pid_t> order;
    if (state_.frontmostApplication != 0)
        order.push_back(state_.frontmostApplication);
    for (pid_t pid : recency_) {
        if (std::find(order.begin(), order.end(), pid) == order.end())
            order.push_back(pid);
    }
    for (const auto& application : state_.applications) {
        if (std::find(order.begin(), order.end(), application.pid) == order.end())
            order.push_back(application.pid);
    }
    std::vector<std::pair<pid_t, CGWindowID>> stack;
    for (pid_t pid : order) {
        const auto* application = findRunning(pid);
        if (!application || application->hidden || application->terminated)
            continue;
        for (const auto& window : application->windows) {
            if (!window.minimized)
                stack.emplace_back(pid, window.number);
        }
    }
    return stack;
}

std::vector<std::pair<pid_t, CGWindowID>> SimulatedDesktop::windowStack() const
{
    std::lock_guard lock(mutex_);
    return windowStackLocked();
}

std::optional<std::pair<pid_t, CGWindowID>> SimulatedDesktop::windowAtPointLocked(CGPoint point) const
{
    for (const auto& [pid, number] : windowStackLocked()) {
        if (CGRectContainsPoint(findRunning(pid)->window(number)->frame, point))
            return std::make_pair(pid, number);
    }
    return std::nullopt;
}

std::optional<std::pair<pid_t, CGWindowID>> SimulatedDesktop::windowAtPoint(CGPoint point) const
{
    std::lock_guard lock(mutex_);
    return windowAtPointLocked(point);
}

std::optional<CGWindowID> SimulatedDesktop::openWindow(pid_t pid, SimulatedWindow window)
{
    std::vector<DesktopChange> changes;
    CGWindowID number;
    {
        std::lock_guard lock(mutex_);
        auto* application = findRunning(pid);
        if (!application || application->terminated)
            return std::nullopt;
        if (window.number == 0)
            window.number = freshWindowNumber();
        else if (numberInUse(window.number))
            return std::nullopt;
        number = window.number;
        bool minimized = window.minimized;
        application->windows.insert(application->windows.begin(), std::move(window));
        if (!minimized) {
            application->mainWindow = number;
            application->focusedWindow = number;
        }
        changes.push_back({.kind = DesktopChange::Kind::WindowOpened, .pid = pid, .window = number});
    }
    deliver(changes);
    return number;
}

bool SimulatedDesktop::closeWindow(CGWindowID number)
{
    std::vector<DesktopChange> changes;
    {
        std::lock_guard lock(mutex_);
        auto* application = findWindowOwner(number);
        if (!application)
            return false;
        std::erase_if(application->windows, [&](const auto& window) { return window.number == number; });
        settleMainAndFocus(*application);
        changes.push_back({.kind = DesktopChange::Kind::WindowClosed, .pid = application->pid, .window = number});
    }
    deliver(changes);
    return true;
}

void SimulatedDesktop::raiseLocked(SimulatedApplication& application, CGWindowID number,
                                   std::vector<DesktopChange>& changes)
{
    auto it = std::find_if(application.windows.begin(), application.windows.end(),
                           [&](const auto& window) { return window.number == number; });
    if (it == application.windows.end())
        return;
    // Raising the window that is in front already, main and focused, changes
    // nothing, and nothing is told.
    if (it == application.windows.begin() && application.mainWindow == number && application.focusedWindow == number)
        return;
    std::rotate(application.windows.begin(), it, it + 1);
    application.mainWindow = number;
    application.focusedWindow = number;
    changes.push_back({.kind = DesktopChange::Kind::WindowRaised, .pid = application.pid, .window = number});
}

bool SimulatedDesktop::raiseWindow(CGWindowID number)
{
    std::vector<DesktopChange> changes;
    {
        std::lock_guard lock(mutex_);
        auto* application = findWindowOwner(number);
        if (!application)
            return false;
        raiseLocked(*application, number, changes);
    }
    deliver(changes);
    return true;
}

template <class F> bool SimulatedDesktop::changeWindow(CGWindowID number, DesktopChange::Kind kind, F&& change)
{
    std::vector<DesktopChange> changes;
    {
        std::lock_guard lock(mutex_);
        auto* application = findWindowOwner(number);
        if (!application)
            return false;
        if (change(*application, *application->window(number), changes))
            changes.insert(changes.begin(), {.kind = kind, .pid = application->pid, .window = number});
    }
    deliver(changes);
    return true;
}

bool SimulatedDesktop::focusWindow(CGWindowID number)
{
    return changeWindow(number, DesktopChange::Kind::WindowFocused, [&](auto& application, auto&, auto&) {
        if (application.focusedWindow == number)
            return false;
        application.focusedWindow = number;
        return true;
    });
}

bool SimulatedDesktop::setWindowMinimized(CGWindowID number, bool minimized)
{
    return changeWindow(number, DesktopChange::Kind::WindowChanged,
                        [&](auto& application, auto& window, auto& changes) {
                            if (window.minimized == minimized)
                                return false;
                            window.minimized = minimized;
                            if (minimized) {
                                // The next window takes over, as when the main window closes.
                                settleMainAndFocus(application);
                            } else {
                                // A window coming back from the Dock comes to the front.
                                raiseLocked(application, number, changes);
                            }
                            return true;
                        });
}

bool SimulatedDesktop::setWindowFrame(CGWindowID number, CGRect frame)
{
    return changeWindow(number, DesktopChange::Kind::WindowChanged, [&](auto&, auto& window, auto&) {
        if (window.frame == frame)
            return false;
        window.frame = frame;
        return true;
    });
}

bool SimulatedDesktop::setWindowTitle(CGWindowID number, std::optional<String> title)
{
    return changeWindow(number, DesktopChange::Kind::WindowChanged, [&](auto&, auto& window, auto&) {
        if (window.title == title)
            return false;
        window.title = std::move(title);
        return true;
    });
}

bool SimulatedDesktop::setWindowFailures(CGWindowID number, AccessibilityFailures failures)
{
    std::lock_guard lock(mutex_);
    auto* application = findWindowOwner(number);
    if (!application)
        return false;
    application->window(number)->failures = std::move(failures);
    return true;
}

// --- Screens, pointer and synthetic events ---

std::vector<Screen> SimulatedDesktop::screens() const
{
    std::lock_guard lock(mutex_);
    return state_.screens;
}

void SimulatedDesktop::setScreens(std::vector<Screen> screens)
{
    {
        std::lock_guard lock(mutex_);
        state_.screens = std::move(screens);
    }
    deliver({{.kind = DesktopChange::Kind::ScreensChanged}});
}

CGPoint SimulatedDesktop::pointerLocation() const
{
    std::lock_guard lock(mutex_);
    return state_.pointer;
}

bool SimulatedDesktop::pointerAssociated() const
{
    std::lock_guard lock(mutex_);
    return pointerAssociated_;
}

void SimulatedDesktop::warpPointer(CGPoint location)
{
    {
        std::lock_guard lock(mutex_);
        state_.pointer = location;
        pointerLog_.push_back({.kind = PointerLogEntry::Kind::Warp, .location = location});
    }
    deliver({{.kind = DesktopChange::Kind::PointerWarped}});
}

void SimulatedDesktop::setPointerAssociated(bool associated)
{
    std::lock_guard lock(mutex_);
    pointerAssociated_ = associated;
    pointerLog_.push_back(
        {.kind = PointerLogEntry::Kind::Associate, .location = state_.pointer, .associated = associated});
}

void SimulatedDesktop::postEvent(PostedEvent event)
{
    std::vector<DesktopChange> changes;
    {
        std::lock_guard lock(mutex_);
        postedEvents_.push_back(event);
        changes.push_back({.kind = DesktopChange::Kind::EventPosted});
        if (event.mouse) {
            state_.pointer = event.location;
            pointerLog_.push_back({.kind = PointerLogEntry::Kind::Post, .location = event.location, .event = event});
        }
        if (event.mouse && event.pressesButton) {
            if (auto hit = windowAtPointLocked(event.location)) {
                auto* application = findRunning(hit->first);
                if (state_.frontmostApplication != hit->first)
                    activateLocked(hit->first, ActivationRecord{.via = "click"}, changes);
                if (application->windows.front().number != hit->second || application->mainWindow != hit->second)
                    raiseLocked(*application, hit->second, changes);
            }
        }
    }
    deliver(changes);
}

bool SimulatedDesktop::refusesEventType(std::uint32_t type) const
{
    std::lock_guard lock(mutex_);
    return std::find(state_.refusedEventTypes.begin(), state_.refusedEventTypes.end(), type) !=
           state_.refusedEventTypes.end();
}

void SimulatedDesktop::setRefusedEventTypes(std::vector<std::uint32_t> types)
{
    std::lock_guard lock(mutex_);
    state_.refusedEventTypes = std::move(types);
}

std::vector<PostedEvent> SimulatedDesktop::postedEvents() const
{
    std::lock_guard lock(mutex_);
    return postedEvents_;
}

std::vector<PointerLogEntry> SimulatedDesktop::pointerLog() const
{
    std::lock_guard lock(mutex_);
    return pointerLog_;
}

// --- Accessibility trust ---

bool SimulatedDesktop::isTrusted() const
{
    std::lock_guard lock(mutex_);
    return state_.trusted;
}

void SimulatedDesktop::setTrusted(bool trusted)
{
    {
        std::lock_guard lock(mutex_);
        if (state_.trusted == trusted)
            return;
        state_.trusted = trusted;
    }
    deliver({{.kind = DesktopChange::Kind::TrustChanged}});
}

void SimulatedDesktop::promptForTrust(std::optional<pid_t> process)
{
    {
        std::lock_guard lock(mutex_);
        trustPrompts_.push_back({.process = process});
    }
    deliver({{.kind = DesktopChange::Kind::TrustPrompted, .pid = process.value_or(0)}});
}

std::vector<TrustPrompt> SimulatedDesktop::trustPrompts() const
{
    std::lock_guard lock(mutex_);
    return trustPrompts_;
}

// --- Login items ---

std::vector<LoginItem> SimulatedDesktop::loginItems() const
{
    std::lock_guard lock(mutex_);
    return state_.loginItems;
}

std::optional<LoginItem> SimulatedDesktop::loginItem(const String& bundleIdentifier) const
{
    std::lock_guard lock(mutex_);
    for (const auto& item : state_.loginItems) {
        if (item.bundleIdentifier == bundleIdentifier)
            return item;
    }
    return std::nullopt;
}

bool SimulatedDesktop::setLoginItemEnabled(const String& bundleIdentifier, bool enabled)
{
    std::vector<DesktopChange> changes;
    bool accepted = false;
    {
        std::lock_guard lock(mutex_);
        for (auto& item : state_.loginItems) {
            if (item.bundleIdentifier == bundleIdentifier && !item.refuses) {
                accepted = true;
                if (item.enabled != enabled) {
                    item.enabled = enabled;
                    changes.push_back({.kind = DesktopChange::Kind::LoginItemChanged});
                }
                break;
            }
        }
        loginItemHistory_.push_back({.bundleIdentifier = bundleIdentifier, .enabled = enabled, .accepted = accepted});
    }
    deliver(changes);
    return accepted;
}

std::vector<LoginItemChange> SimulatedDesktop::loginItemHistory() const
{
    std::lock_guard lock(mutex_);
    return loginItemHistory_;
}

std::vector<pid_t> SimulatedDesktop::logIn()
{
    std::vector<DesktopChange> changes;
    std::vector<pid_t> launched;
    {
        std::lock_guard lock(mutex_);
        for (const auto& item : std::vector<LoginItem>(state_.loginItems)) {
            if (!item.enabled)
                continue;
            bool running = std::any_of(state_.applications.begin(), state_.applications.end(), [&](const auto& app) {
                return !app.terminated && app.bundleIdentifier == item.bundleIdentifier;
            });
            if (running)
                continue;
            if (auto pid = launchIdentifierLocked(item.bundleIdentifier, LaunchOptions{.activates = false}, changes))
                launched.push_back(*pid);
        }
    }
    deliver(changes);
    return launched;
}

// --- System ---

OperatingSystemVersion SimulatedDesktop::operatingSystemVersion() const
{
    std::lock_guard lock(mutex_);
    return state_.operatingSystemVersion;
}

void SimulatedDesktop::setOperatingSystemVersion(OperatingSystemVersion version)
{
    {
        std::lock_guard lock(mutex_);
        if (state_.operatingSystemVersion == version)
            return;
        state_.operatingSystemVersion = version;
    }
    deliver({{.kind = DesktopChange::Kind::OperatingSystemVersionChanged}});
}

Appearance SimulatedDesktop::appearance() const
{
    std::lock_guard lock(mutex_);
    return state_.appearance;
}

void SimulatedDesktop::setAppearance(Appearance appearance)
{
    {
        std::lock_guard lock(mutex_);
        if (state_.appearance == appearance)
            return;
        state_.appearance = appearance;
    }
    deliver({{.kind = DesktopChange::Kind::AppearanceChanged}});
}

bool SimulatedDesktop::increaseContrast() const
{
    std::lock_guard lock(mutex_);
    return state_.increaseContrast;
}

void SimulatedDesktop::setIncreaseContrast(bool increaseContrast)
{
    {
        std::lock_guard lock(mutex_);
        if (state_.increaseContrast == increaseContrast)
            return;
        state_.increaseContrast = increaseContrast;
    }
    deliver({{.kind = DesktopChange::Kind::AccessibilityDisplayOptionsChanged}});
}

ControlTint SimulatedDesktop::controlTint() const
{
    std::lock_guard lock(mutex_);
    return state_.controlTint;
}

void SimulatedDesktop::setControlTint(ControlTint tint)
{
    {
        std::lock_guard lock(mutex_);
        if (state_.controlTint == tint)
            return;
        state_.controlTint = tint;
    }
    deliver({{.kind = DesktopChange::Kind::ControlTintChanged}});
}

std::optional<String> SimulatedDesktop::homeDirectory() const
{
    std::lock_guard lock(mutex_);
    return state_.homeDirectory;
}

std::vector<ActivationRecord> SimulatedDesktop::activations() const
{
    std::lock_guard lock(mutex_);
    return activations_;
}

void SimulatedDesktop::record(ProgramRecord record)
{
    std::lock_guard lock(mutex_);
    programRecords_.push_back(std::move(record));
}

std::vector<ProgramRecord> SimulatedDesktop::programRecords() const
{
    std::lock_guard lock(mutex_);
    return programRecords_;
}

std::size_t SimulatedDesktop::countProgramRecords(ProgramRecord::Kind kind) const
{
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(programRecords_.begin(), programRecords_.end(),
                                                  [kind](const ProgramRecord& entry) { return entry.kind == kind; }));
}

bool SimulatedDesktop::selectKeyboardLayout(std::string_view identifier)
{
    return keyboardLayouts_->selectInputSource(identifier);
}

DesktopListenerToken SimulatedDesktop::addListener(std::function<void(const DesktopChange&)> listener)
{
    auto identifier = listeners_->add(std::move(listener));
    return DesktopListenerToken(listeners_, identifier);
}

}  // namespace simulation
