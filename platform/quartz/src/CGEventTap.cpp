#include "quartz/CGEventTap.h"

#include "EventTapPort.h"
#include "simulation/SimulatedDesktop.h"

CFMachPortRef CGEventTapCreate(CGEventTapLocation tap, CGEventTapPlacement place, CGEventTapOptions options,
                               CGEventMask eventsOfInterest, CGEventTapCallBack callback, void* userInfo)
{
    if (!callback)
        return nullptr;
    auto desktop = simulation::SimulatedDesktop::current();
    // Reading everyone's keystrokes needs the user's consent.
    if (!desktop->isTrusted())
        return nullptr;
    const bool listenOnly = (options & kCGEventTapOptionListenOnly) != 0;
    auto port = std::make_shared<detail::EventTapPort>(
        detail::EventTapPort::Tap{.callback = callback, .userInfo = userInfo, .listenOnly = listenOnly},
        desktop->eventTaps());
    port->setTapIdentifier(desktop->eventTaps()->add(
        {
            .pid = desktop->ownProcess(),
            .location = tap,
            .placement = static_cast<simulation::EventTapPlacement>(place),
            .eventsOfInterest = eventsOfInterest,
            .listenOnly = listenOnly,
        },
        port));
    return std::make_shared<CFMachPort>(port);
}

void CGEventTapEnable(const CFMachPortRef& tap, bool enable)
{
    if (!tap || !tap->isValid())
        return;
    if (auto taps = tap->port().taps())
        taps->setEnabled(tap->port().tapIdentifier(), enable);
}

bool CGEventTapIsEnabled(const CFMachPortRef& tap)
{
    if (!tap || !tap->isValid())
        return false;
    auto taps = tap->port().taps();
    return taps && taps->isEnabled(tap->port().tapIdentifier());
}
