// From the global shortcut to the switcher's window on screen: the delegate
// records the frontmost application, the inactive state activates the
// program, the main scene is made from the storyboard (window, navigation
// controller, main list, background panel), and the window is shown and
// made key. The desktop runs 50 applications. The second benchmark goes on
// to what the user sees: the window laid out and drawn into its backing
// image at the screen's scale of 2, as a snapshot shows it.

#include "Kestrova/MainWindowController.h"
#include "LaunchedProgram.h"
#include "appkit/NSWindow.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

simulation::DesktopState fiftyApplications()
{
    simulation::DesktopState state;
    state.applications.push_back(kestrovaProcess());
    for (int i = 1; i < 50; ++i) {
        std::string name = "Application " + std::to_string(i);
        simulation::SimulatedApplication application{.pid = 100 + i,
                                                     .bundleIdentifier = String("com.example.app" + std::to_string(i)),
                                                     .localizedName = String(name)};
        application.windows.push_back({.title = String(name + " window")});
        state.applications.push_back(std::move(application));
    }
    state.frontmostApplication = 101;
    return state;
}

void BM_GlobalShortcutToShownMainWindow(benchmark::State& state)
{
    if (!LaunchedProgram::bundleIsBuilt()) {
        state.SkipWithError("build the Kestrova target first: its bundle holds the storyboard");
        return;
    }
    LaunchedProgram program(fiftyApplications(), "kestrova-switcher-bench");

    for (auto _ : state) {
        program.pressGlobalShortcut();
        auto controller = program.delegate().mainWindowController();
        if (!controller || !controller->window()->isKeyWindow()) {
            state.SkipWithError("the switcher did not come up");
            break;
        }
        state.PauseTiming();
        // Back to where the next press starts: another application in
        // front, the switcher hidden.
        program.desktop().activate(101);
        program.drain();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_GlobalShortcutToShownMainWindow)->Unit(benchmark::kMicrosecond);

void BM_GlobalShortcutToDrawnMainWindow(benchmark::State& state)
{
    if (!LaunchedProgram::bundleIsBuilt()) {
        state.SkipWithError("build the Kestrova target first: its bundle holds the storyboard");
        return;
    }
    LaunchedProgram program(fiftyApplications(), "kestrova-switcher-drawn-bench");
    auto backOut = [&] {
        program.desktop().activate(101);
        program.drain();
    };
    // The first opening reads the tile's nib and warms the text and image
    // caches, as the program's first opening after its launch does: what
    // is timed is every opening after it.
    program.pressGlobalShortcut();
    auto first = program.delegate().mainWindowController();
    if (first)
        first->window()->displayIfNeeded();
    if (!first || !first->window()->backingImage()) {
        state.SkipWithError("the switcher's window was not drawn");
        return;
    }
    first = nullptr;
    backOut();

    for (auto _ : state) {
        program.pressGlobalShortcut();
        auto controller = program.delegate().mainWindowController();
        auto window = controller ? controller->window() : nullptr;
        if (!window || !window->isKeyWindow() || window->backingScaleFactor() != 2) {
            state.SkipWithError("the switcher did not come up on a screen of scale 2");
            break;
        }
        // The layout passes and the drawing of every view into the
        // backing image: what a snapshot at the window's scale shows.
        window->displayIfNeeded();
        state.PauseTiming();
        bool drawn = !window->viewsNeedDisplay();
        // Closed and gone outside the timing.
        window = nullptr;
        controller = nullptr;
        backOut();
        state.ResumeTiming();
        if (!drawn) {
            state.SkipWithError("the switcher's window was not drawn");
            break;
        }
    }
}

BENCHMARK(BM_GlobalShortcutToDrawnMainWindow)->Unit(benchmark::kMicrosecond);

}  // namespace
