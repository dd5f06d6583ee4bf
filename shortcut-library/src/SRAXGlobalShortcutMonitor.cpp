#include "shortcut-library/SRAXGlobalShortcutMonitor.h"

#include "SRActivity.h"
#include "foundation/CFRunLoop.h"
#include "foundation/Log.h"
#include "foundation/NSException.h"

namespace {

// Key down, key up and flags changed.
constexpr CGEventMask keyboardEvents =
    CGEventMaskBit(kCGEventKeyDown) | CGEventMaskBit(kCGEventKeyUp) | CGEventMaskBit(kCGEventFlagsChanged);
static_assert(keyboardEvents == 0x1C00);

}  // namespace

// MARK: - Life

std::shared_ptr<SRAXGlobalShortcutMonitor> SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop& runLoop,
                                                                                      std::uint32_t tapOptions)
{
    LogActivity activity("-[SRAXGlobalShortcutMonitor initWithRunLoop:tapOptions:]");
    auto heldRunLoop = std::static_pointer_cast<NSRunLoop>(runLoop.weak_from_this().lock());
    NSAssert(heldRunLoop, String("aRunLoop must be owned by a shared pointer"));
    if (!heldRunLoop)
        return nullptr;
    // The monitor is made first so that the tap can be given its address;
    // without a tap it goes again before anyone sees it.
    auto monitor = std::make_shared<SRAXGlobalShortcutMonitor>(Passkey(), std::move(heldRunLoop));
    monitor->eventTap_ =
        CGEventTapCreate(kCGSessionEventTap, kCGHeadInsertEventTap, static_cast<CGEventTapOptions>(tapOptions),
                         keyboardEvents, SRAXEventTapCallback, monitor.get());
    if (!monitor->eventTap_) {
        Log::error("#Critical Unable to create event tap: make sure Accessibility is enabled");
        return nullptr;
    }
    monitor->eventTapSource_ = CFMachPortCreateRunLoopSource(kCFAllocatorDefault, monitor->eventTap_, 0);
    monitor->canActivelyFilterEvents_ = (tapOptions & kCGEventTapOptionListenOnly) == 0;
    CFRunLoopAddSource(runLoop.getCFRunLoop(), monitor->eventTapSource_, kCFRunLoopDefaultMode);
    return monitor;
}

std::shared_ptr<SRAXGlobalShortcutMonitor> SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop& runLoop)
{
    LogActivity activity("-[SRAXGlobalShortcutMonitor initWithRunLoop:]");
    return initWithRunLoop(runLoop, kCGEventTapOptionListenOnly);
}

std::shared_ptr<SRAXGlobalShortcutMonitor> SRAXGlobalShortcutMonitor::create()
{
    LogActivity activity("-[SRAXGlobalShortcutMonitor init]");
    return initWithRunLoop(NSRunLoop::currentRunLoop());
}

SRAXGlobalShortcutMonitor::SRAXGlobalShortcutMonitor(Passkey, std::shared_ptr<NSRunLoop> runLoop)
    : eventTapRunLoop_(std::move(runLoop))
{
}

SRAXGlobalShortcutMonitor::~SRAXGlobalShortcutMonitor()
{
    // The tap's user info is this object: invalidating the port takes the tap
    // out of the system, so events waiting for it go on unchanged instead of
    // reaching a monitor that is gone.
    if (eventTapSource_) {
        CFRunLoopRemoveSource(eventTapRunLoop_->getCFRunLoop(), eventTapSource_, kCFRunLoopDefaultMode);
        CFRunLoopSourceInvalidate(eventTapSource_);
    }
    if (eventTap_)
        CFMachPortInvalidate(eventTap_);
}

// MARK: - Hooks

void SRAXGlobalShortcutMonitor::didAddShortcut(const std::shared_ptr<SRShortcut>&)
{
    if (shortcutCount() > 0)
        CGEventTapEnable(eventTap_, true);
}

void SRAXGlobalShortcutMonitor::willRemoveShortcut(const std::shared_ptr<SRShortcut>&)
{
    // The base class pairs the hooks with a shortcut's first and last enabled
    // registration, so the shortcut on its way out is still counted, once:
    // a single one means nothing will be left to look for.
    if (shortcutCount() == 1)
        CGEventTapEnable(eventTap_, false);
}

void SRAXGlobalShortcutMonitor::didRemoveShortcut(const std::shared_ptr<SRShortcut>&)
{
    // Removing every action announces each shortcut's removal while all of
    // them are still there, so none was the last one above: what is left
    // decides, or the tap would stay on for every keystroke with nothing to
    // look for.
    if (shortcutCount() == 0)
        CGEventTapEnable(eventTap_, false);
}

// MARK: - Events

CGEventRef SRAXGlobalShortcutMonitor::handleEvent(const CGEventRef& event)
{
    SR_METHOD_ACTIVITY("handleEvent:");
    CGEventRef result = event;

    const auto keyCode = static_cast<SRKeyCode>(CGEventGetIntegerValueField(event, kCGKeyboardEventKeycode));
    const CGEventType type = CGEventGetType(event);
    const NSEventModifierFlags flags = CGEventGetFlags(event) & SRCocoaModifierFlagsMask;

    // A modifier change is a shortcut of modifiers only. Only key code and
    // flags take part in the lookup, so no shortcut object is made (nor its
    // texts translated) on every keystroke of the user.
    const detail::SRShortcutKey shortcut(type == kCGEventFlagsChanged ? SRKeyCodeNone : keyCode, flags);
    const bool isKeyboardType = type == kCGEventKeyDown || type == kCGEventKeyUp || type == kCGEventFlagsChanged;
    // The key code as read: for a modifier change it names the modifier key,
    // which decides between down and up.
    const SRKeyEventType keyEvent = detail::SRKeyEventTypeForEventType(
        isKeyboardType ? static_cast<NSEventType>(type) : NSEventType(0), keyCode, flags);

    // A copy taken under the lock; the actions run without it.
    if (performActions(enabledActionsForShortcutKey(shortcut, keyEvent), nullptr))
        result = nullptr;

    if (!result && !canActivelyFilterEvents_)
        Log::error("#Developer #Error The monitor is not configured to actively filter events");
    return result;
}

CGEventRef SRAXEventTapCallback(CGEventTapProxy, CGEventType type, CGEventRef event, void* userInfo)
{
    auto* monitor = static_cast<SRAXGlobalShortcutMonitor*>(userInfo);
    switch (type) {
    case kCGEventTapDisabledByTimeout:
    case kCGEventTapDisabledByUserInput:
        Log::error("#Error #Developer The system disabled event tap due to %u", static_cast<unsigned>(type));
        CGEventTapEnable(monitor->eventTap(), true);
        return event;
    case kCGEventKeyDown:
    case kCGEventKeyUp:
    case kCGEventFlagsChanged:
        return monitor->handleEvent(event);
    default:
        Log::error("#Error #Developer Unexpected event of type %u", static_cast<unsigned>(type));
        return event;
    }
}
