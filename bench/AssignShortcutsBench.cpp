// One shortcut recorded in the assign-shortcuts list, from the key event to
// the stored default: the keyboard hands the chord to the program, the
// recorder in Safari's row validates it (the list's duplicate check among
// the rest), writes it through its binding into the registry, ends
// recording (the global hot keys come back), the list updates the parsed
// shortcuts and signals the change, and the registry writes the whole
// dictionary to the user defaults on disk. Two chords take turns, since the
// list refuses the one the row already has. The desktop runs 20
// applications.

#include "Kestrova/AssignShortcutViewItem.h"
#include "Kestrova/AssignShortcutsViewController.h"
#include "LaunchedProgram.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSPopover.h"
#include "appkit/NSRunningApplication.h"
#include "simulation/SimulatedKeyboard.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

simulation::DesktopState twentyApplications()
{
    simulation::DesktopState state;
    state.applications.push_back(kestrovaProcess());
    pid_t own = state.applications.front().pid;
    for (int i = 1; i < 20; ++i)
        state.applications.push_back({.pid = own + i,
                                      .bundleIdentifier = String("com.example.app" + std::to_string(i)),
                                      .localizedName = String(i == 1 ? "Safari" : "Application " + std::to_string(i))});
    state.frontmostApplication = own + 1;
    return state;
}

void BM_RecordedChordToStoredDefault(benchmark::State& state)
{
    if (!LaunchedProgram::bundleIsBuilt()) {
        state.SkipWithError("build the Kestrova target first: its bundle holds the storyboard and the row's nib");
        return;
    }
    // Each run starts from the empty home, as a first launch would.
    LaunchedProgram program(twentyApplications(), "kestrova-assign-bench");
    auto& delegate = program.delegate();
    delegate.openAssignShortcuts(Id());
    program.desktop().activate(kestrovaProcess().pid);
    program.drain();

    auto list = std::dynamic_pointer_cast<AssignShortcutsViewController>(delegate.popover()->contentViewController());
    // Safari's row, scrolled into view as the user would.
    std::shared_ptr<SRRecorderControl> recorder;
    const auto& listed = list->runningApps();
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (listed[i].runningApplication->localizedName() != String("Safari"))
            continue;
        NSIndexPath indexPath(NSInteger(i), 0);
        list->collectionView()->scrollToItemsAtIndexPaths({indexPath},
                                                          NSCollectionViewScrollPositionNearestHorizontalEdge);
        if (auto row =
                std::dynamic_pointer_cast<AssignShortcutViewItem>(list->collectionView()->itemAtIndexPath(indexPath)))
            recorder = row->recordControl();
    }
    if (!recorder) {
        state.SkipWithError("Safari's row is not on screen");
        return;
    }

    auto& keyboard = *program.desktop().keyboard();
    constexpr std::uint16_t kS = 1;
    constexpr std::uint16_t kD = 2;
    constexpr std::uint64_t kControlOption = 0x40000 | 0x80000;
    const Id expected[] = {Id(String("^~s")), Id(String("^~d"))};
    std::size_t turn = 0;
    for (auto _ : state) {
        state.PauseTiming();
        recorder->beginRecording();
        state.ResumeTiming();

        keyboard.pressKey(turn % 2 ? kD : kS, kControlOption);
        program.drain();

        state.PauseTiming();
        Id storedValue = NSUserDefaults::standardUserDefaults().objectForKey("shortcuts");
        const Dictionary* stored = storedValue.dictionary();
        if (recorder->isRecording() || !stored || stored->objectForKey(Id(String("Safari"))) != expected[turn % 2]) {
            state.SkipWithError("the chord was not stored");
            break;
        }
        ++turn;
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_RecordedChordToStoredDefault);
