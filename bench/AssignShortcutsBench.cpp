// One shortcut recorded in the assign-shortcuts list, from the key event to
// the stored default: the keyboard hands the chord to the program, the
// recorder in Safari's row validates it (the list's duplicate check among
// the rest), writes it through its binding into the registry, ends
// recording (the global hot keys come back), the list updates the parsed
// shortcuts and signals the change, and the registry writes the whole
// dictionary to the user defaults on disk. Two chords take turns, since the
// list refuses the one the row already has. The desktop runs 20
// applications.

#include "Kestrova/AppDelegate.h"
#include "Kestrova/AssignShortcutViewItem.h"
#include "Kestrova/AssignShortcutsViewController.h"
#include "Kestrova/ShortcutRegistry.h"
#include "Kestrova/StoryboardClasses.h"
#include "appkit/NSApplication.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSPopover.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSStoryboard.h"
#include "appkit/NSTextField.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"
#include "simulation/SimulatedDesktop.h"
#include "simulation/SimulatedKeyboard.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

constexpr pid_t kOwn = 100;

simulation::DesktopState twentyApplications()
{
    simulation::DesktopState state;
    state.applications.push_back({.pid = kOwn,
                                  .bundleIdentifier = String("com.kestrova.Kestrova"),
                                  .localizedName = String("Kestrova"),
                                  .activationPolicy = simulation::ActivationPolicy::Accessory,
                                  .ownProcess = true});
    for (int i = 1; i < 20; ++i)
        state.applications.push_back({.pid = kOwn + i,
                                      .bundleIdentifier = String("com.example.app" + std::to_string(i)),
                                      .localizedName = String(i == 1 ? "Safari" : "Application " + std::to_string(i))});
    state.frontmostApplication = kOwn + 1;
    return state;
}

void BM_RecordedChordToStoredDefault(benchmark::State& state)
{
    std::string bundlePath = KESTROVA_BINARY_DIR "/Kestrova/Kestrova.app";
    if (!std::filesystem::exists(bundlePath + "/Contents/Info.plist")) {
        state.SkipWithError("build the Kestrova target first: its bundle holds the storyboard and the row's nib");
        return;
    }
    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop(twentyApplications());
    std::filesystem::path home = std::filesystem::temp_directory_path() / "kestrova-assign-bench";
    std::filesystem::remove_all(home);
    setHomeDirectory(String(home.string()));
    NSUserDefaults::resetStandardUserDefaults(String(home.string()), "com.kestrova.Kestrova");
    auto& defaults = NSUserDefaults::standardUserDefaults();
    defaults.setBool(false, "firstLaunch");
    NSBundle::setMainBundle(NSBundle::bundleWithPath(String(bundlePath)));
    registerStoryboardClasses();
    NSApplication::resetForTesting();
    // Each run starts from the empty home, as a first launch would.
    ShortcutRegistry::resetSharedForTesting();

    auto application = NSApplication::sharedApplication();
    auto objects = NSStoryboard::mainStoryboard()->instantiateApplicationScene(application);
    auto delegate = std::dynamic_pointer_cast<AppDelegate>(objects->objectWithIdentifier("delegate"));
    application->finishLaunching();
    clock.advance(0);
    delegate->openAssignShortcuts(Id());
    desktop.desktop().activate(kOwn);
    clock.advance(0);

    auto list = std::dynamic_pointer_cast<AssignShortcutsViewController>(delegate->popover()->contentViewController());
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

    auto& keyboard = *desktop.desktop().keyboard();
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
        clock.advance(0);

        state.PauseTiming();
        Id storedValue = defaults.objectForKey("shortcuts");
        const Dictionary* stored = storedValue.dictionary();
        if (recorder->isRecording() || !stored || stored->objectForKey(Id(String("Safari"))) != expected[turn % 2]) {
            state.SkipWithError("the chord was not stored");
            break;
        }
        ++turn;
        state.ResumeTiming();
    }
    NSApplication::resetForTesting();
    ShortcutRegistry::resetSharedForTesting();
    NSBundle::setMainBundle(nullptr);
    std::filesystem::remove_all(home);
}

}  // namespace

BENCHMARK(BM_RecordedChordToStoredDefault);
