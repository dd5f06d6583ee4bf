#include "Kestrova/MiniViewController.h"

#include "Kestrova/NavigationController.h"
#include "Kestrova/RunningAppObject.h"
#include "Kestrova/SwitcherShortcuts.h"
#include "Kestrova/WindowManager.h"
#include "Kestrova/WindowsViewController.h"
#include "appkit/NSApplication.h"
#include "appkit/NSEvent.h"
#include "appkit/NSStoryboardSegue.h"
#include "appkit/NSView.h"
#include "shortcut-library/SRLocalShortcutMonitor.h"

#include <algorithm>
#include <utility>

namespace {

constexpr CGFloat kWindowsListWidth = 250;
constexpr CGFloat kWindowRowHeight = 36;
constexpr std::size_t kWindowRowsShown = 5;
constexpr CGFloat kWindowsListChrome = 64;

}  // namespace

MiniViewController::MiniViewController()
    : shortcutMonitor_(std::make_shared<SRLocalShortcutMonitor>())
{
}

MiniViewController::~MiniViewController()
{
    if (eventMonitor_)
        NSEvent::removeMonitor(eventMonitor_);
}

void MiniViewController::viewDidLoad()
{
    NSViewController::viewDidLoad();
    setPreferredContentSize(view()->fittingSize());
    registerShortcuts();
}

void MiniViewController::viewDidAppear()
{
    NSViewController::viewDidAppear();
    installKeyMonitor();
}

void MiniViewController::viewWillDisappear()
{
    NSViewController::viewWillDisappear();
    if (eventMonitor_)
        NSEvent::removeMonitor(std::exchange(eventMonitor_, Id()));
    // Pushing the windows list adds it before this view leaves, so only
    // the popover going away finds this view alone.
    auto parent = std::dynamic_pointer_cast<NavigationController>(parentViewController());
    if (parent && parent->childViewControllers().size() == 1)
        NSApplication::sharedApplication()->hide(Id());
}

void MiniViewController::registerShortcuts()
{
    addShortcutActions(*shortcutMonitor_, switcherApplications(),
                       std::static_pointer_cast<NSViewController>(shared_from_this()));
}

void MiniViewController::installKeyMonitor()
{
    eventMonitor_ =
        installShortcutKeyMonitor(std::static_pointer_cast<NSViewController>(shared_from_this()), shortcutMonitor_);
}

void MiniViewController::prepareForSegue(NSStoryboardSegue& segue, const Id& sender)
{
    auto chosen = sender.object<RunningAppObject>();
    auto destination = segue.destinationController().object<WindowsViewController>();
    if (!chosen || !destination || segue.identifier() != String("Windows"))
        return;
    const auto& application = chosen->runningApp().runningApplication;
    std::size_t count = application ? WindowManager::shared().windows(application->processIdentifier()).size() : 0;
    CGFloat rows = CGFloat(std::min(count, kWindowRowsShown));
    destination->setPreferredContentSize({kWindowsListWidth, rows * kWindowRowHeight + kWindowsListChrome});
    destination->setRunningApp(chosen->runningApp());
}
