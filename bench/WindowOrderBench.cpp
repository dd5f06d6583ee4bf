// The window order as each choice of an application brings it up to date:
// an application with 50 titled windows, whose saved order the user changed,
// merged with the windows it has now. Every window is read through the
// Accessibility interface (its title, then its number) on each refresh.

#include "Kestrova/A11yElement.h"
#include "Kestrova/WindowManager.h"
#include "appkit/NSRunningApplication.h"
#include "simulation/ScopedDesktop.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kWindows = 50;
constexpr pid_t kApplication = 10;

simulation::DesktopState fiftyWindows(bool numbersReadable)
{
    simulation::DesktopState state;
    state.applications.push_back({.pid = 1,
                                  .localizedName = String("Kestrova"),
                                  .activationPolicy = simulation::ActivationPolicy::Accessory,
                                  .ownProcess = true});
    simulation::SimulatedApplication application{.pid = kApplication, .localizedName = String("Safari")};
    for (int i = 0; i < kWindows; ++i)
        application.windows.push_back({.number = static_cast<CGWindowID>(100 + i),
                                       .title = String("Window " + std::to_string(i)),
                                       .failures = {.windowNumber = !numbersReadable}});
    state.applications.push_back(std::move(application));
    return state;
}

void refreshFifty(benchmark::State& state, bool numbersReadable, bool saved)
{
    simulation::ScopedDesktop desktop(fiftyWindows(numbersReadable));
    auto application = NSRunningApplication::runningApplicationWithProcessIdentifier(kApplication);
    auto element = A11yElement::forApplication(kApplication);
    WindowManager manager;
    if (saved) {
        manager.refreshWindows(*application, *element);
        // The user's order differs from the interface's.
        manager.moveWindow(NSIndexPath(kWindows - 1, 0), NSIndexPath(0, 0), *application);
    }
    for (auto _ : state) {
        if (!saved)
            manager.pruneWindows({});
        manager.refreshWindows(*application, *element);
        benchmark::DoNotOptimize(manager.windows(kApplication).data());
    }
    if (manager.windows(kApplication).size() != kWindows)
        state.SkipWithError("the merge lost windows");
}

void BM_RefreshFiftyWindows(benchmark::State& state)
{
    refreshFifty(state, true, true);
}
BENCHMARK(BM_RefreshFiftyWindows);

// No saved order yet: the first choice of the application.
void BM_FirstRefreshOfFiftyWindows(benchmark::State& state)
{
    refreshFifty(state, true, false);
}
BENCHMARK(BM_FirstRefreshOfFiftyWindows);

// None of the numbers can be read, so windows are told apart by their
// elements.
void BM_RefreshFiftyWindowsWithoutNumbers(benchmark::State& state)
{
    refreshFifty(state, false, true);
}
BENCHMARK(BM_RefreshFiftyWindowsWithoutNumbers);

}  // namespace
