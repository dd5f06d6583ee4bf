// The switcher's list as each opening builds it: the regular applications of
// the workspace, stably sorted with stored shortcuts first and by name. The
// desktop runs 200 applications (a few accessory and background ones among
// them), and every fourth has a shortcut in the registry.

#include "Kestrova/ApplicationLists.h"
#include "Kestrova/ShortcutRegistry.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSWorkspace.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/NSUserDefaults.h"
#include "simulation/ScopedDesktop.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

constexpr int kApplications = 200;

// Names in mixed case and a few with accents, so that the order has to
// lower-case and compose; some names repeat, as several instances do.
std::string nameFor(int i)
{
    static const char* const stems[] = {"Safari",   "mail",  "Xcode", "\u00e9diteur",
                                        "Terminal", "notes", "Zed",   "Finder"};
    return std::string(stems[i % 8]) + " " + std::to_string(i % 60);
}

simulation::DesktopState twoHundredApplications()
{
    simulation::DesktopState state;
    state.applications.push_back({.pid = 100,
                                  .bundleIdentifier = String("com.kestrova.Kestrova"),
                                  .localizedName = String("Kestrova"),
                                  .activationPolicy = simulation::ActivationPolicy::Accessory,
                                  .ownProcess = true});
    for (int i = 1; i < kApplications; ++i) {
        auto policy = i % 25 == 0   ? simulation::ActivationPolicy::Accessory
                      : i % 33 == 0 ? simulation::ActivationPolicy::Prohibited
                                    : simulation::ActivationPolicy::Regular;
        state.applications.push_back({.pid = 100 + i,
                                      .bundleIdentifier = String("com.example.app" + std::to_string(i)),
                                      .localizedName = String(nameFor(i)),
                                      .activationPolicy = policy});
    }
    return state;
}

// A home of its own with the stored shortcuts, and a registry loaded from it.
struct Setup {
    Setup()
        : desktop(twoHundredApplications())
    {
        std::filesystem::remove_all(home);
        setHomeDirectory(String(home.string()));
        NSUserDefaults::resetStandardUserDefaults(String(home.string()), "com.kestrova.Kestrova");
        Dictionary shortcuts;
        static const char* const keys = "abcdefghijklmnopqrstuvwxyz";
        for (int i = 1; i < kApplications; i += 4)
            shortcuts.setObject(Id(std::string("@") + keys[i % 26]),
                                ShortcutRegistry::applicationKey(String(nameFor(i))));
        NSUserDefaults::standardUserDefaults().setObject(Id(shortcuts), "shortcuts");
        ShortcutRegistry::resetSharedForTesting();
        ShortcutRegistry::shared();
    }
    ~Setup()
    {
        ShortcutRegistry::resetSharedForTesting();
        std::filesystem::remove_all(home);
    }

    std::filesystem::path home = std::filesystem::temp_directory_path() / "kestrova-lists-bench";
    simulation::ScopedDesktop desktop;
};

using Applications = std::vector<std::shared_ptr<NSRunningApplication>>;

void unsorted(Applications&) { }
void comparatorShortcutsFirst(Applications& applications)
{
    std::stable_sort(applications.begin(), applications.end(), shortcutsFirst);
}
void comparatorNamesAscending(Applications& applications)
{
    std::stable_sort(applications.begin(), applications.end(), namesAscending);
}

void BM_RegularApplications(benchmark::State& state, void (*order)(Applications&))
{
    Setup setup;
    for (auto _ : state) {
        auto applications = regularApplications(NSWorkspace::sharedWorkspace());
        order(applications);
        benchmark::DoNotOptimize(applications.data());
    }
}
BENCHMARK_CAPTURE(BM_RegularApplications, unsorted, unsorted)->Unit(benchmark::kMicrosecond);
// The stable sort with the comparator, which reads names and shortcuts at
// every comparison, and the whole-list sort, which reads each once.
BENCHMARK_CAPTURE(BM_RegularApplications, shortcutsFirst, comparatorShortcutsFirst)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RegularApplications, sortShortcutsFirst, sortShortcutsFirst)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RegularApplications, namesAscending, comparatorNamesAscending)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RegularApplications, sortNamesAscending, sortNamesAscending)->Unit(benchmark::kMicrosecond);

}  // namespace
