// Choosing an application with 30 windows in the switcher, to its windows
// list on screen: the saved window order refreshed through Accessibility,
// the "Windows" segue made from the storyboard, the list's scene and rows
// loaded from their nibs, pushed onto the navigation, laid out and drawn
// into the main window. The back button takes the list off again between
// runs, outside the timing.

#include "Kestrova/MainViewController.h"
#include "Kestrova/MainWindowController.h"
#include "Kestrova/WindowsViewController.h"
#include "LaunchedProgram.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSWindow.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

namespace {

constexpr pid_t kBrowser = 300;
constexpr int kWindows = 30;

simulation::DesktopState browserWithThirtyWindows()
{
    simulation::DesktopState state;
    state.applications.push_back(kestrovaProcess());
    state.applications.push_back(
        {.pid = 200, .bundleIdentifier = String("com.apple.finder"), .localizedName = String("Finder")});
    simulation::SimulatedApplication browser{
        .pid = kBrowser, .bundleIdentifier = String("com.example.browser"), .localizedName = String("Browser")};
    for (int i = 0; i < kWindows; ++i)
        browser.windows.push_back({.number = CGWindowID(3000 + i),
                                   .title = String("Article " + std::to_string(i + 1) + " of the morning's reading")});
    state.applications.push_back(std::move(browser));
    state.frontmostApplication = 200;
    return state;
}

void BM_ChooseApplicationToWindowsListOnScreen(benchmark::State& state)
{
    if (!LaunchedProgram::bundleIsBuilt()) {
        state.SkipWithError("build the Kestrova target first: its bundle holds the storyboard and nibs");
        return;
    }
    LaunchedProgram program(browserWithThirtyWindows(), "kestrova-windows-list-bench");
    program.pressGlobalShortcut();
    auto controller = program.delegate().mainWindowController();
    auto window = controller ? controller->window() : nullptr;
    auto navigation = window ? window->contentViewController() : nullptr;
    auto list =
        navigation ? std::dynamic_pointer_cast<MainViewController>(navigation->childViewControllers().at(0)) : nullptr;
    if (!list) {
        state.SkipWithError("the switcher did not come up");
        return;
    }
    window->displayIfNeeded();
    auto collectionView = std::dynamic_pointer_cast<NSCollectionView>(list->collectionView());
    const auto& apps = list->runningApps();
    auto browser = std::find_if(apps.begin(), apps.end(), [](const RunningApp& app) {
        return app.runningApplication->processIdentifier() == kBrowser;
    });
    const NSIndexPath browserTile(browser - apps.begin(), 0);

    auto push = [&]() -> std::shared_ptr<WindowsViewController> {
        list->chooseItem(*collectionView, browserTile);
        window->displayIfNeeded();
        auto windows = std::dynamic_pointer_cast<WindowsViewController>(navigation->childViewControllers().back());
        auto rows = windows ? std::dynamic_pointer_cast<NSCollectionView>(windows->collectionView()) : nullptr;
        return rows && !rows->visibleItems().empty() ? windows : nullptr;
    };
    auto back = [&](WindowsViewController& windows) {
        windows.backButtonDidAction(Id());
        window->displayIfNeeded();
        program.drain();
    };
    // The first opening also reads the row's nib and warms the text
    // caches: what is timed is every opening after it.
    if (auto windows = push())
        back(*windows);

    for (auto _ : state) {
        auto windows = push();
        if (!windows) {
            state.SkipWithError("the windows list did not come up");
            break;
        }
        state.PauseTiming();
        back(*windows);
        state.ResumeTiming();
    }
}

BENCHMARK(BM_ChooseApplicationToWindowsListOnScreen)->Unit(benchmark::kMicrosecond);

}  // namespace
