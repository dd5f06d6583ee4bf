#include "shortcut-library/SRShortcutMonitor.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int registeredActions = 10'000;

// Texts are given, so no keyboard layout is consulted; key codes beyond the
// keyboard's are fine for a monitor, which compares code and flags only.
std::shared_ptr<SRShortcut> shortcutNumber(int n)
{
    static const NSEventModifierFlags flags[] = {
        0,
        NSEventModifierFlagCommand,
        NSEventModifierFlagShift | NSEventModifierFlagCommand,
        NSEventModifierFlagControl,
        NSEventModifierFlagOption | NSEventModifierFlagCommand,
    };
    return std::make_shared<SRShortcut>(static_cast<SRKeyCode>(n / 5), flags[n % 5], String(), String());
}

class BenchMonitor : public SRShortcutMonitor {
public:
    bool dispatch(const SRShortcut& shortcut, SRKeyEventType keyEvent)
    {
        return performActions(enabledActionsForShortcut(shortcut, keyEvent), nullptr);
    }
};

// A monitor with `count` key-down actions spread over count / perShortcut
// shortcuts, every action answering NO so that a dispatch walks them all.
struct Fixture {
    Fixture(int count, int perShortcut)
    {
        for (int i = 0; i < count / perShortcut; ++i)
            shortcuts.push_back(shortcutNumber(i));
        for (int i = 0; i < count; ++i) {
            auto action = SRShortcutAction::shortcutActionWithShortcut(shortcuts[i % shortcuts.size()],
                                                                       [](SRShortcutAction&) { return false; });
            monitor->addAction(action, SRKeyEventTypeDown);
            actions.push_back(action);
        }
    }
    std::shared_ptr<BenchMonitor> monitor = std::make_shared<BenchMonitor>();
    std::vector<std::shared_ptr<SRShortcut>> shortcuts;
    std::vector<std::shared_ptr<SRShortcutAction>> actions;
};

// The part of every dispatch that the monitor owns: finding the shortcut's
// actions among 10,000 and copying them out under the lock.
void BM_LookupAndCopyAmongTenThousand(benchmark::State& state)
{
    Fixture fixture(registeredActions, static_cast<int>(state.range(0)));
    const SRShortcut& probe = *fixture.shortcuts[fixture.shortcuts.size() / 2];
    for (auto _ : state) {
        auto actions = fixture.monitor->enabledActionsForShortcut(probe, SRKeyEventTypeDown);
        benchmark::DoNotOptimize(actions.data());
    }
    state.SetLabel(std::to_string(state.range(0)) + " actions per shortcut");
}
BENCHMARK(BM_LookupAndCopyAmongTenThousand)->Arg(1)->Arg(4)->Arg(16);

// A shortcut nobody registered: the lookup alone.
void BM_LookupMissAmongTenThousand(benchmark::State& state)
{
    Fixture fixture(registeredActions, 4);
    auto probe = std::make_shared<SRShortcut>(SRKeyCode(0xFFF0), 0, String(), String());
    for (auto _ : state) {
        auto actions = fixture.monitor->enabledActionsForShortcut(*probe, SRKeyEventTypeDown);
        benchmark::DoNotOptimize(actions.data());
    }
}
BENCHMARK(BM_LookupMissAmongTenThousand);

// Lookup, copy and performing every action of the shortcut (each answers NO).
void BM_DispatchAmongTenThousand(benchmark::State& state)
{
    Fixture fixture(registeredActions, 4);
    const SRShortcut& probe = *fixture.shortcuts[fixture.shortcuts.size() / 2];
    for (auto _ : state)
        benchmark::DoNotOptimize(fixture.monitor->dispatch(probe, SRKeyEventTypeDown));
}
BENCHMARK(BM_DispatchAmongTenThousand);

// One action in and out of a monitor that holds 10,000: registration,
// observation of its flag and shortcut, and the hooks of a new shortcut.
void BM_AddAndRemoveAmongTenThousand(benchmark::State& state)
{
    Fixture fixture(registeredActions, 4);
    auto shortcut = state.range(0) ? fixture.shortcuts.front() : shortcutNumber(registeredActions);
    auto action = SRShortcutAction::shortcutActionWithShortcut(shortcut, [](SRShortcutAction&) { return false; });
    for (auto _ : state) {
        fixture.monitor->addAction(action, SRKeyEventTypeDown);
        fixture.monitor->removeAction(action, SRKeyEventTypeDown);
    }
    state.SetLabel(state.range(0) ? "shortcut already held" : "new shortcut");
}
BENCHMARK(BM_AddAndRemoveAmongTenThousand)->Arg(1)->Arg(0);

// Filling a monitor with 10,000 actions and emptying it again.
void BM_AddTenThousandThenRemoveAll(benchmark::State& state)
{
    std::vector<std::shared_ptr<SRShortcut>> shortcuts;
    for (int i = 0; i < registeredActions / 4; ++i)
        shortcuts.push_back(shortcutNumber(i));
    std::vector<std::shared_ptr<SRShortcutAction>> actions;
    for (int i = 0; i < registeredActions; ++i)
        actions.push_back(SRShortcutAction::shortcutActionWithShortcut(shortcuts[i % shortcuts.size()],
                                                                       [](SRShortcutAction&) { return false; }));
    auto monitor = std::make_shared<BenchMonitor>();
    for (auto _ : state) {
        for (const auto& action : actions)
            monitor->addAction(action, SRKeyEventTypeDown);
        monitor->removeAllActions();
    }
    state.SetItemsProcessed(state.iterations() * registeredActions);
}
BENCHMARK(BM_AddTenThousandThenRemoveAll)->Unit(benchmark::kMillisecond);

}  // namespace
