#include "Kestrova/SwitcherShortcuts.h"

#include "Kestrova/ApplicationLists.h"
#include "Kestrova/RunningAppObject.h"
#include "Kestrova/ShortcutRegistry.h"
#include "Kestrova/SystemVersion.h"
#include "Kestrova/WindowManager.h"
#include "appkit/NSApplication.h"
#include "appkit/NSEvent.h"
#include "appkit/NSStoryboard.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWorkspace.h"
#include "shortcut-library/SRLocalShortcutMonitor.h"
#include "shortcut-library/SRShortcutAction.h"

std::vector<RunningApp> switcherApplications()
{
    auto applications = regularApplications(NSWorkspace::sharedWorkspace());
    sortShortcutsFirst(applications);
    return runningAppsOf(applications);
}

bool selectApp(const RunningApp& runningApp, const std::weak_ptr<NSViewController>& owner)
{
    const auto& application = runningApp.runningApplication;
    if (!application || application->isTerminated())
        return false;
    WindowManager::shared().refreshWindows(*application, *runningApp.a11yElement);
    std::size_t windows = titledWindows(*runningApp.a11yElement).size();
    if (windows < 2) {
        if (isMacOS14OrLater()) {
            NSApplication::sharedApplication()->yieldActivationToApplication(application);
            application->activateWithOptions(0);
        } else {
            application->activateWithOptions(NSApplicationActivateIgnoringOtherApps);
        }
    } else if (auto controller = owner.lock()) {
        NSStoryboard::performSegue(*controller, "Windows", Id(std::make_shared<RunningAppObject>(runningApp)));
    }
    return true;
}

void addShortcutActions(SRLocalShortcutMonitor& monitor, const std::vector<RunningApp>& applications,
                        const std::weak_ptr<NSViewController>& owner)
{
    auto& registry = ShortcutRegistry::shared();
    for (const auto& runningApp : applications) {
        auto shortcut = registry.shortcut(applicationName(*runningApp.runningApplication));
        if (!shortcut)
            continue;
        auto action = SRShortcutAction::shortcutActionWithShortcut(
            shortcut, [runningApp, owner](SRShortcutAction&) { return selectApp(runningApp, owner); });
        monitor.addAction(action, SRKeyEventTypeDown);
    }
}

Id installKeyDownMonitor(std::function<bool(const NSEvent&)> handles)
{
    return NSEvent::addLocalMonitorForEventsMatchingMask(
        NSEventMaskKeyDown,
        [handles = std::move(handles)](const std::shared_ptr<NSEvent>& event) -> std::shared_ptr<NSEvent> {
            if (event && handles(*event))
                return nullptr;
            return event;
        });
}

Id installShortcutKeyMonitor(const std::weak_ptr<NSViewController>& owner,
                             const std::weak_ptr<SRLocalShortcutMonitor>& monitor)
{
    return installKeyDownMonitor([owner, monitor](const NSEvent& event) {
        auto controller = owner.lock();
        auto shortcuts = monitor.lock();
        return controller && shortcuts && shortcuts->handleEvent(event, nullptr);
    });
}
