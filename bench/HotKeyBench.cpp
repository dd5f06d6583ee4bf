#include "carbon/CarbonEvents.h"
#include "foundation/Log.h"
#include "foundation/ScopedVirtualClock.h"
#include "quartz/CGEventTap.h"
#include "shortcut-library/SRAXGlobalShortcutMonitor.h"
#include "shortcut-library/SRGlobalShortcutMonitor.h"
#include "simulation/ScopedDesktop.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr SRKeyCode kTab = 48;
constexpr SRKeyCode kA = 0;
constexpr NSEventModifierFlags control = NSEventModifierFlagControl;

simulation::DesktopState desktopState()
{
    simulation::DesktopState state;
    state.trusted = true;
    state.applications.push_back({.pid = 10, .localizedName = String("Other")});
    state.applications.push_back({.pid = 40,
                                  .localizedName = String("Self"),
                                  .activationPolicy = simulation::ActivationPolicy::Accessory,
                                  .ownProcess = true});
    state.frontmostApplication = 10;
    return state;
}

// Takes every shortcut it is sent and counts them.
class CountingTarget : public NSObject, public SRShortcutActionTarget {
    KS_OBJECT(CountingTarget, NSObject)
public:
    std::size_t count = 0;
    bool performShortcutAction(SRShortcutAction&) override
    {
        ++count;
        return true;
    }
};

// A desktop, a virtual clock and the log out of the way (a released hot key
// without key-up actions writes a line every time).
struct World {
    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop{desktopState()};
    ScopedLogCapture log{false};
    std::shared_ptr<CountingTarget> target = std::make_shared<CountingTarget>();
};

// The whole road of the global switcher shortcut: the simulated keyboard
// finds the hot key, Carbon delivers pressed and released on the main run
// loop, the monitor looks the id up and performs the action, which sends
// performShortcutAction: to its target.
void BM_HotKeyPressToPerformShortcutAction(benchmark::State& state)
{
    World world;
    auto monitor = std::make_shared<SRGlobalShortcutMonitor>();
    auto shortcut = std::make_shared<SRShortcut>(kTab, control, String(), String());
    monitor->addAction(SRShortcutAction::shortcutActionWithShortcut(shortcut, world.target, Selector(), 0),
                       SRKeyEventTypeDown);
    for (auto _ : state) {
        world.desktop->keyboard()->pressKey(kTab, control);
        world.clock.advance(0);
    }
    if (world.target->count != static_cast<std::size_t>(state.iterations()))
        state.SkipWithError("a press did not reach the target");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HotKeyPressToPerformShortcutAction);

// The monitor's own share of a press: reading the event, the lookup under
// the lock and the dispatch.
void BM_HotKeyHandleEvent(benchmark::State& state)
{
    World world;
    auto monitor = std::make_shared<SRGlobalShortcutMonitor>();
    auto shortcut = std::make_shared<SRShortcut>(kTab, control, String(), String());
    monitor->addAction(SRShortcutAction::shortcutActionWithShortcut(shortcut, world.target, Selector(), 0),
                       SRKeyEventTypeDown);
    EventRef event = nullptr;
    CreateEvent(nullptr, kEventClassKeyboard, kEventHotKeyPressed, 0, 0, &event);
    const EventHotKeyID identity{SRHotKeySignature, *monitor->hotKeyIdForShortcut(*shortcut)};
    SetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, sizeof identity, &identity);
    for (auto _ : state)
        benchmark::DoNotOptimize(monitor->handleEvent(event));
    ReleaseEvent(event);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HotKeyHandleEvent);

// What an event tap costs every keystroke of the user that is not a
// shortcut: the key goes through the tap's callback and on to the frontmost
// application.
void BM_EventTapKeystrokePassesThrough(benchmark::State& state)
{
    World world;
    auto monitor = SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop::mainRunLoop(), kCGEventTapOptionDefault);
    if (!monitor) {
        state.SkipWithError("no event tap");
        return;
    }
    auto shortcut = std::make_shared<SRShortcut>(kTab, control, String(), String());
    monitor->addAction(SRShortcutAction::shortcutActionWithShortcut(shortcut, world.target, Selector(), 0),
                       SRKeyEventTypeDown);
    auto event = std::make_shared<CGEvent>(kCGEventKeyDown, CGPoint{});
    CGEventSetIntegerValueField(event, kCGKeyboardEventKeycode, kA);
    for (auto _ : state)
        benchmark::DoNotOptimize(monitor->handleEvent(event));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EventTapKeystrokePassesThrough);

}  // namespace
