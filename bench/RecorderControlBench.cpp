// A recorder in every row of the assign-shortcuts list: each one's style
// makes a pass over the environment whenever the look, contrast, tint or
// direction changes, and each one is laid out and drawn with its list.

#include "appkit/NSApplication.h"
#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSWindow.h"
#include "foundation/ScopedVirtualClock.h"
#include "shortcut-library/SRRecorderControl.h"
#include "shortcut-library/SRRecorderControlStyle.h"
#include "shortcut-library/SRShortcut.h"
#include "simulation/ScopedDesktop.h"
#include "simulation/SimulatedDesktop.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A window of one recorder, 200 points wide, laid out by its constraints.
struct RecorderWindow {
    explicit RecorderWindow(NSSize size = {240, 42})
    {
        window = std::make_shared<NSWindow>(NSMakeRect(0, 0, size.width, size.height));
        auto content = std::make_shared<NSView>(NSMakeRect(0, 0, size.width, size.height));
        window->setContentView(content);
        recorder = std::make_shared<SRRecorderControl>();
        content->addSubview(recorder);
        NSLayoutConstraint::activateConstraints({
            recorder->leftAnchor()->constraintEqualToAnchor(content->leftAnchor(), 20),
            recorder->topAnchor()->constraintEqualToAnchor(content->topAnchor(), 10),
            recorder->widthAnchor()->constraintEqualToConstant(200),
        });
        recorder->setObjectValue(SRShortcut::shortcutWithCode(0, 0x120000));
        window->display();
    }
    std::shared_ptr<NSWindow> window;
    std::shared_ptr<SRRecorderControl> recorder;
};

// Nothing changed: the pass works out the components, finds the same
// prefixes and stops.
void BM_AppearancePassUnchanged(benchmark::State& state)
{
    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop(simulation::DesktopState{});
    RecorderWindow shown;
    auto& style = *shown.recorder->style();
    for (auto _ : state)
        style.recorderControlAppearanceDidChange(Id());
}
BENCHMARK(BM_AppearancePassUnchanged)->Unit(benchmark::kMicrosecond);

// Light and dark in turn: every pass loads the sixteen images of the other
// look (from the loader's cache) and resizes the buttons.
void BM_AppearancePassLookChanged(benchmark::State& state)
{
    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop(simulation::DesktopState{});
    RecorderWindow shown;
    auto& style = *shown.recorder->style();
    bool dark = false;
    for (auto _ : state) {
        state.PauseTiming();
        dark = !dark;
        desktop->setAppearance(dark ? simulation::Appearance::Dark : simulation::Appearance::Light);
        state.ResumeTiming();
        style.recorderControlAppearanceDidChange(Id());
    }
}
BENCHMARK(BM_AppearancePassLookChanged)->Unit(benchmark::kMicrosecond);

// A new value: the label's width, the constraint pass, the layout and the
// control drawn again, as a row does when its shortcut changes.
void BM_LayOutAndDrawRecorder(benchmark::State& state)
{
    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop(simulation::DesktopState{});
    RecorderWindow shown;
    auto& recorder = *shown.recorder;
    const std::shared_ptr<SRShortcut> values[] = {SRShortcut::shortcutWithCode(0, 0x120000),
                                                  SRShortcut::shortcutWithCode(49, 0x1E0000)};
    std::size_t turn = 0;
    for (auto _ : state) {
        recorder.setObjectValue(values[++turn % 2]);
        recorder.setNeedsUpdateConstraints(true);
        recorder.setNeedsDisplay(true);
        shown.window->displayIfNeeded();
    }
}
BENCHMARK(BM_LayOutAndDrawRecorder)->Unit(benchmark::kMicrosecond);

// The whole of a list-sized key window drawn again while its recorder has
// the keyboard focus, so its ring is drawn around it.
void BM_DrawWindowWithFocusedRecorder(benchmark::State& state)
{
    ScopedVirtualClock clock;
    // Only an active program has a key window.
    simulation::DesktopState withProgram;
    withProgram.applications.push_back(
        {.pid = 100, .bundleIdentifier = String("com.example.recorder"), .ownProcess = true});
    simulation::ScopedDesktop desktop(std::move(withProgram));
    NSApplication::sharedApplication()->activateIgnoringOtherApps(true);
    clock.advance(0);
    RecorderWindow shown({400, 300});
    shown.window->makeKeyAndOrderFront(Id());
    shown.window->makeFirstResponder(shown.recorder);
    clock.advance(0);
    shown.window->displayIfNeeded();
    if (!shown.recorder->showsFocusRing()) {
        state.SkipWithError("the recorder shows no focus ring");
        return;
    }
    auto content = shown.window->contentView();
    for (auto _ : state) {
        content->setNeedsDisplay(true);
        shown.window->displayIfNeeded();
    }
}
BENCHMARK(BM_DrawWindowWithFocusedRecorder)->Unit(benchmark::kMicrosecond);

}  // namespace
