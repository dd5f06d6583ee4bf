// Which running applications the lists show, and the switcher's and the
// assign-shortcuts list's orders over them, sorted as the views sort them.

#include "Kestrova/ApplicationLists.h"

#include "KestrovaTestFixture.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSWorkspace.h"
#include "foundation/NSObjectController.h"

#include <algorithm>

namespace {

class ApplicationListsTest : public KestrovaTest {
protected:
    static std::vector<pid_t> pids(const std::vector<std::shared_ptr<NSRunningApplication>>& applications)
    {
        std::vector<pid_t> result;
        for (const auto& application : applications)
            result.push_back(application->processIdentifier());
        return result;
    }
};

TEST_F(ApplicationListsTest, OnlyRegularApplicationsAreListedInTheWorkspacesOrder)
{
    simulation::DesktopState state;
    state.applications = {
        {.pid = 100,
         .localizedName = String("Kestrova"),
         .activationPolicy = simulation::ActivationPolicy::Regular,
         .ownProcess = true},
        {.pid = 200, .localizedName = String("Finder")},
        {.pid = 300, .localizedName = String("Helper"), .activationPolicy = simulation::ActivationPolicy::Prohibited},
        {.pid = 400, .localizedName = String("Hidden"), .hidden = true},
        {.pid = 500,
         .localizedName = String("Menu Extra"),
         .activationPolicy = simulation::ActivationPolicy::Accessory},
        {.pid = 600, .localizedName = String("Gone"), .terminated = true},
        {.pid = 700},
    };
    state.applications[1].windows.push_back({.title = String("Home")});
    simulation::ScopedDesktop scoped(state);

    EXPECT_EQ(pids(regularApplications(NSWorkspace::sharedWorkspace())), (std::vector<pid_t>{100, 200, 400, 600, 700}));

    // The program's own policy is read as it is now.
    app()->setActivationPolicy(NSApplicationActivationPolicyAccessory);
    EXPECT_EQ(pids(regularApplications(NSWorkspace::sharedWorkspace())), (std::vector<pid_t>{200, 400, 600, 700}));
}

TEST_F(ApplicationListsTest, TheSwitcherPutsStoredShortcutsFirstAndTheAssignListSortsByNameWithCaseKept)
{
    struct Listed {
        std::optional<String> name;
        Id stored = Id();  // under the application key in "shortcuts"
    };
    struct Case {
        const char* what;
        std::vector<Listed> applications;
        std::vector<pid_t> switcher;  // indices into the applications, as sorted
        std::vector<pid_t> assign;
    };
    const Case cases[] = {
        {"a shortcut comes first", {{String("Alpha")}, {String("beta"), "@b"}}, {1, 0}, {0, 1}},
        {"without shortcuts, names without regard to case", {{String("beta")}, {String("Alpha")}}, {1, 0}, {1, 0}},
        {"upper case before lower case in the assign list", {{String("alpha")}, {String("Zed")}}, {0, 1}, {1, 0}},
        {"both with a shortcut: by name", {{String("Zed"), "@z"}, {String("alpha"), "@a"}}, {1, 0}, {0, 1}},
        {"two instances keep the workspace's order",
         {{String("Mail"), "@m"}, {String("Mail"), "@m"}, {String("Alpha")}},
         {0, 1, 2},
         {2, 0, 1}},
        {"equal when lower-cased keeps the workspace's order", {{String("apple")}, {String("Apple")}}, {0, 1}, {1, 0}},
        {"no name sorts first in its group",
         {{String("Bravo")}, {std::nullopt}, {String("Alpha"), "@a"}},
         {2, 1, 0},
         {1, 2, 0}},
        {"a nameless application's shortcut is under the empty key",
         {{String("Alpha")}, {std::nullopt, "@n"}},
         {1, 0},
         {1, 0}},
        {"an unreadable or non-string entry is no shortcut",
         {{String("Broken"), "??"}, {String("Number"), Id::number(3)}, {String("Alpha")}},
         {2, 0, 1},
         {2, 0, 1}},
        {"a dotted name finds its entry", {{String("Alpha")}, {String("Zulu.App"), "@z"}}, {1, 0}, {0, 1}},
        {"a prefix sorts first", {{String("Safari Technology Preview")}, {String("Safari")}}, {1, 0}, {1, 0}},
        {"not numeric", {{String("Item 9")}, {String("Item 10")}}, {1, 0}, {1, 0}},
        {"not tailored to a locale", {{String("\u00e9clair")}, {String("Zebra")}}, {1, 0}, {1, 0}},
        {"composed and decomposed are one name", {{String("\u00e9")}, {String("e\u0301")}}, {0, 1}, {0, 1}},
        {"scalar order, not UTF-16 order", {{String("\U0001F600")}, {String("\uFF21")}}, {1, 0}, {1, 0}},
        {"the full lower-case mapping", {{String("\u0130a")}, {String("ib")}}, {1, 0}, {1, 0}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        simulation::DesktopState state;
        Dictionary stored;
        for (std::size_t i = 0; i < row.applications.size(); ++i) {
            const Listed& listed = row.applications[i];
            state.applications.push_back({.pid = static_cast<pid_t>(i + 1), .localizedName = listed.name});
            if (listed.stored)
                stored.setObject(listed.stored, ShortcutRegistry::applicationKey(listed.name));
        }
        simulation::ScopedDesktop scoped(state);
        defaults().setObject(Id(stored), "shortcuts");
        ShortcutRegistry::resetSharedForTesting();

        auto listed = regularApplications(NSWorkspace::sharedWorkspace());
        auto bySwitcher = listed;
        std::stable_sort(bySwitcher.begin(), bySwitcher.end(), shortcutsFirst);
        auto byAssign = listed;
        std::stable_sort(byAssign.begin(), byAssign.end(), namesAscending);
        auto indices = [](std::vector<pid_t> pidList) {
            for (pid_t& pid : pidList)
                --pid;
            return pidList;
        };
        EXPECT_EQ(indices(pids(bySwitcher)), row.switcher);
        EXPECT_EQ(indices(pids(byAssign)), row.assign);

        // The whole-list sorts read each application once and agree.
        auto sortedOnce = listed;
        sortShortcutsFirst(sortedOnce);
        EXPECT_EQ(pids(sortedOnce), pids(bySwitcher));
        sortedOnce = listed;
        sortNamesAscending(sortedOnce);
        EXPECT_EQ(pids(sortedOnce), pids(byAssign));
    }
}

TEST_F(ApplicationListsTest, TheSwitcherOrderReadsTheRegistryWhenItSorts)
{
    defaults().setBool(true, "rememberShortcuts");
    auto listed = regularApplications(NSWorkspace::sharedWorkspace());
    ASSERT_EQ(pids(listed), (std::vector<pid_t>{kFinder, kSafari}));
    EXPECT_FALSE(shortcutsFirst(listed[1], listed[0]));

    ShortcutRegistry::shared().shortcutController()->setValueForKeyPath(Id("@s"), "content.Safari");
    EXPECT_TRUE(shortcutsFirst(listed[1], listed[0]));
}

}  // namespace
