#include "application/ApplicationDesktop.h"

#include "appkit/NSApplication.h"
#include "appkit/NSColor.h"
#include "appkit/NSEvent.h"
#include "appkit/NSWorkspace.h"
#include "foundation/DispatchQueue.h"
#include "foundation/NSNotificationCenter.h"
#include "simulation/DesktopChange.h"
#include "simulation/SimulatedDesktop.h"
#include "simulation/SimulatedKeyboard.h"

namespace detail {

ApplicationDesktop::ApplicationDesktop(NSApplication& application)
    : application_(application)
{
}

std::shared_ptr<simulation::SimulatedDesktop> ApplicationDesktop::current()
{
    auto current = simulation::SimulatedDesktop::current();
    if (desktop_.lock() != current)
        takeUp(current);
    return current;
}

void ApplicationDesktop::takeUp(const std::shared_ptr<simulation::SimulatedDesktop>& desktop)
{
    desktop_ = desktop;
    std::weak_ptr<NSApplication> weak = std::static_pointer_cast<NSApplication>(application_.shared_from_this());
    listener_ = desktop->addListener([weak](const simulation::DesktopChange& change) {
        if (auto application = weak.lock())
            application->desktop_->changed(change);
    });
    // Keys typed on the simulated keyboard reach us when we're frontmost.
    desktop->keyboard()->setApplicationDelivery([weak](pid_t, const simulation::KeyEvent& key) {
        auto application = weak.lock();
        if (!application)
            return;
        NSEvent::setCurrentModifierFlags(key.flags);
        application->sendEvent(NSEvent::keyEventWithType(static_cast<NSEventType>(key.type), NSPoint{}, key.flags,
                                                         key.timestamp, 0, Id(), key.characters,
                                                         key.charactersIgnoringModifiers, key.isRepeat, key.keyCode));
    });
    pid_t own = desktop->ownProcess();
    application_.active_ = own != 0 && desktop->frontmostApplication() == own;
    auto process = own ? desktop->application(own) : std::nullopt;
    application_.hidden_ = process && process->hidden;
}

void ApplicationDesktop::changed(const simulation::DesktopChange& change)
{
    using Kind = simulation::DesktopChange::Kind;
    auto desktop = desktop_.lock();
    if (!desktop)
        return;
    // The display settings concern every program on the desktop alike.
    if (change.kind == Kind::AccessibilityDisplayOptionsChanged || change.kind == Kind::ControlTintChanged) {
        bool options = change.kind == Kind::AccessibilityDisplayOptionsChanged;
        DispatchQueue::main().async([options] {
            if (options) {
                auto& workspace = NSWorkspace::sharedWorkspace();
                workspace.notificationCenter().postNotificationName(
                    NSWorkspaceAccessibilityDisplayOptionsDidChangeNotification, Id(workspace.shared_from_this()));
            } else {
                NSNotificationCenter::defaultCenter().postNotificationName(NSControlTintDidChangeNotification, Id());
            }
        });
        return;
    }
    pid_t own = desktop->ownProcess();
    if (own == 0)
        return;
    // Whatever changed reaches the application on a later turn of the main
    // queue, never inside the call that caused it.
    std::weak_ptr<NSApplication> weak = std::static_pointer_cast<NSApplication>(application_.shared_from_this());
    auto later = [weak](auto work) {
        DispatchQueue::main().async([weak, work] {
            if (auto application = weak.lock(); application && !application->terminated_)
                work(*application);
        });
    };
    switch (change.kind) {
    case Kind::FrontmostApplicationChanged:
        if (change.pid == own)
            later([](NSApplication& a) { a.deliverActive(true); });
        else if (change.previousPid == own)
            later([](NSApplication& a) { a.deliverActive(false); });
        break;
    case Kind::ApplicationHidden:
        if (change.pid == own)
            later([](NSApplication& a) { a.deliverHidden(true); });
        break;
    case Kind::ApplicationUnhidden:
        if (change.pid == own)
            later([](NSApplication& a) { a.deliverHidden(false); });
        break;
    default:
        break;
    }
}

}  // namespace detail
