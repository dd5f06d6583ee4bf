#include "simulation/SimulatedDesktop.h"

#include "TestDesktops.h"
#include "foundation/NSException.h"
#include "foundation/NSProcessInfo.h"
#include "simulation/DesktopDescription.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace simulation;
using Kind = DesktopChange::Kind;

namespace {

// Three regular applications (A frontmost with two windows, B with one, C
// hidden with none), an accessory (our process), a background helper that
// can be installed, and a bundle that can be launched.
constexpr const char* kDesktop = R"({
  "applications": [
    {"pid": 10, "bundleIdentifier": "org.a", "name": "A", "frontmost": true, "windows": [
      {"number": 100, "title": "a1", "frame": {"x": 0, "y": 0, "width": 400, "height": 300}},
      {"number": 101, "title": "a2", "frame": {"x": 500, "y": 0, "width": 400, "height": 300}}
    ]},
    {"pid": 20, "bundleIdentifier": "org.b", "name": "B", "windows": [
      {"number": 200, "title": "b1", "frame": {"x": 0, "y": 0, "width": 900, "height": 900}}
    ]},
    {"pid": 30, "bundleIdentifier": "org.c", "name": "C", "hidden": true},
    {"pid": 40, "bundleIdentifier": "org.self", "name": "Self", "activationPolicy": "accessory", "self": true},
    {"pid": 50, "bundleIdentifier": "org.daemon", "activationPolicy": "prohibited"}
  ],
  "installed": [
    {"bundleIdentifier": "org.helper", "bundlePath": "/Self.app/Contents/Library/LoginItems/Helper.app",
     "activationPolicy": "prohibited"},
    {"bundleIdentifier": "org.editor", "name": "Editor", "bundlePath": "/Editor.app",
     "windows": [{"title": "Untitled"}, {"title": "Other"}]}
  ],
  "loginItems": [
    {"bundleIdentifier": "org.helper"},
    {"bundleIdentifier": "org.broken", "refuses": true}
  ]
})";

DesktopState state()
{
    return test_desktops::fromJson(kDesktop);
}

// Records every change the desktop announces, in order.
struct ChangeRecorder {
    explicit ChangeRecorder(SimulatedDesktop& desktop)
        : token(desktop.addListener([this](const DesktopChange& change) { changes.push_back(change); }))
    {
    }

    std::vector<DesktopChange> changes;
    DesktopListenerToken token;
};

std::vector<CGWindowID> windowNumbers(const SimulatedDesktop& desktop, pid_t pid)
{
    std::vector<CGWindowID> numbers;
    auto application = desktop.application(pid);
    for (const auto& window : application->windows)
        numbers.push_back(window.number);
    return numbers;
}

TEST(SimulatedDesktopTest, ActivationMakesFrontmostUnhidesAndIsLogged)
{
    SimulatedDesktop desktop(state());
    ChangeRecorder recorder(desktop);

    EXPECT_TRUE(desktop.activate(30, ActivationRecord{.requester = 40, .options = 2, .via = "activateWithOptions:"}));
    EXPECT_EQ(desktop.frontmostApplication(), 30);
    EXPECT_FALSE(desktop.application(30)->hidden);
    ASSERT_EQ(recorder.changes.size(), 2u);
    EXPECT_EQ(recorder.changes[0].kind, Kind::ApplicationUnhidden);
    EXPECT_EQ(recorder.changes[1].kind, Kind::FrontmostApplicationChanged);
    EXPECT_EQ(recorder.changes[1].pid, 30);
    EXPECT_EQ(recorder.changes[1].previousPid, 10);

    // Activating the frontmost application again changes nothing but is
    // still a request on record.
    EXPECT_TRUE(desktop.activate(30));
    EXPECT_EQ(recorder.changes.size(), 2u);

    auto log = desktop.activations();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].target, 30);
    EXPECT_EQ(log[0].requester, 40);
    EXPECT_EQ(log[0].options, 2u);
    EXPECT_EQ(log[0].via, String("activateWithOptions:"));
    EXPECT_TRUE(log[0].honoured);
}

TEST(SimulatedDesktopTest, ActivationsThatCantBeHonouredAreLoggedAndChangeNothing)
{
    SimulatedDesktop desktop(state());
    ChangeRecorder recorder(desktop);
    for (pid_t target : {50, 99, 0}) {
        SCOPED_TRACE(target);
        EXPECT_FALSE(desktop.activate(target));
    }
    EXPECT_EQ(desktop.frontmostApplication(), 10);
    EXPECT_TRUE(recorder.changes.empty());
    ASSERT_EQ(desktop.activations().size(), 3u);
    EXPECT_FALSE(desktop.activations()[0].honoured);
}

TEST(SimulatedDesktopTest, QuittingTheFrontmostHandsOverToTheMostRecentlyActive)
{
    SimulatedDesktop desktop(state());
    desktop.activate(20);
    desktop.activate(40);
    desktop.activate(10);
    ChangeRecorder recorder(desktop);

    EXPECT_TRUE(desktop.quitApplication(10));
    EXPECT_EQ(desktop.frontmostApplication(), 40);
    ASSERT_EQ(recorder.changes.size(), 2u);
    EXPECT_EQ(recorder.changes[0].kind, Kind::ApplicationTerminated);
    EXPECT_EQ(recorder.changes[1].kind, Kind::FrontmostApplicationChanged);
    EXPECT_EQ(recorder.changes[1].previousPid, 10);

    // The process that quit still answers, marked terminated and without
    // windows, but the workspace no longer lists it and it can't come back.
    auto quit = desktop.application(10);
    ASSERT_TRUE(quit);
    EXPECT_TRUE(quit->terminated);
    EXPECT_TRUE(quit->windows.empty());
    EXPECT_FALSE(desktop.isRunning(10));
    EXPECT_EQ(desktop.runningApplications().size(), 4u);
    EXPECT_FALSE(desktop.activate(10));
    EXPECT_FALSE(desktop.quitApplication(10));
    EXPECT_FALSE(desktop.window(100));
}

TEST(SimulatedDesktopTest, HidingTheFrontmostHandsOverAsTheSystemDoes)
{
    SimulatedDesktop desktop(state());
    desktop.activate(20);
    desktop.activate(40);
    ChangeRecorder recorder(desktop);

    EXPECT_TRUE(desktop.setHidden(40, true));
    EXPECT_EQ(desktop.frontmostApplication(), 20);
    ASSERT_EQ(recorder.changes.size(), 2u);
    EXPECT_EQ(recorder.changes[0].kind, Kind::ApplicationHidden);
    EXPECT_EQ(recorder.changes[1].kind, Kind::FrontmostApplicationChanged);

    // Hiding one that is hidden already is no change.
    EXPECT_TRUE(desktop.setHidden(40, true));
    EXPECT_EQ(recorder.changes.size(), 2u);
}

TEST(SimulatedDesktopTest, LaunchingStartsFromTheBundleOrAnswersTheRunningInstance)
{
    SimulatedDesktop desktop(state());
    ChangeRecorder recorder(desktop);

    auto editor = desktop.launchApplication("org.editor", {.requester = 40});
    ASSERT_TRUE(editor);
    auto launched = desktop.application(*editor);
    EXPECT_EQ(launched->localizedName, String("Editor"));
    ASSERT_EQ(launched->windows.size(), 2u);
    EXPECT_NE(launched->windows[0].number, 0u);
    EXPECT_EQ(launched->mainWindow, launched->windows[0].number);
    EXPECT_EQ(desktop.frontmostApplication(), *editor);
    EXPECT_EQ(desktop.runningApplications().back().pid, *editor);
    ASSERT_EQ(recorder.changes.size(), 2u);
    EXPECT_EQ(recorder.changes[0].kind, Kind::ApplicationLaunched);
    EXPECT_EQ(recorder.changes[1].kind, Kind::FrontmostApplicationChanged);
    EXPECT_EQ(desktop.activations().back().via, String("launch"));
    EXPECT_EQ(desktop.activations().back().requester, 40);

    // A second launch finds the running one; a new instance is asked for
    // explicitly.
    EXPECT_EQ(desktop.launchApplication("org.editor"), editor);
    auto second = desktop.launchApplication("org.editor", {.activates = false, .newInstance = true});
    ASSERT_TRUE(second);
    EXPECT_NE(*second, *editor);
    EXPECT_EQ(desktop.frontmostApplication(), *editor);
    // Each launch opens windows of its own.
    EXPECT_NE(desktop.application(*second)->windows[0].number, launched->windows[0].number);

    EXPECT_FALSE(desktop.launchApplication("org.unknown"));
    EXPECT_EQ(desktop.launchApplicationAtPath("/Editor.app", {}), editor);
    EXPECT_FALSE(desktop.launchApplicationAtPath("/Nowhere.app", {}));
}

TEST(SimulatedDesktopTest, AnApplicationThatQuitCanBeLaunchedAgain)
{
    SimulatedDesktop desktop(state());
    desktop.quitApplication(20);
    auto relaunched = desktop.launchApplication("org.b");
    ASSERT_TRUE(relaunched);
    EXPECT_NE(*relaunched, 20);
    EXPECT_EQ(desktop.application(*relaunched)->localizedName, String("B"));
    EXPECT_EQ(desktop.bundlePathForIdentifier("org.helper"),
              String("/Self.app/Contents/Library/LoginItems/Helper.app"));
}

// Launched processes get fresh pids even when the largest pid in use is at
// the top of the range: counting on from it would overflow.
TEST(SimulatedDesktopTest, PidsStartOverAtTheTopOfTheirRange)
{
    auto result = DesktopDescription::parse(R"({
      "applications": [{"pid": 2147483647, "name": "Last"}, {"pid": 400, "name": "First"}],
      "installed": [{"bundleIdentifier": "org.editor", "name": "Editor"}]
    })");
    ASSERT_TRUE(result.ok()) << result.error();
    SimulatedDesktop desktop(std::move(*result));
    auto editor = desktop.launchApplication("org.editor", {.activates = false});
    auto another = desktop.launchApplication("org.editor", {.activates = false, .newInstance = true});
    ASSERT_TRUE(editor && another);
    EXPECT_EQ(*editor, 401);
    EXPECT_EQ(*another, 402);
}

TEST(SimulatedDesktopTest, WindowsOpenInFrontAndMainPassesOnWhenTheyGo)
{
    SimulatedDesktop desktop(state());
    ChangeRecorder recorder(desktop);

    auto opened = desktop.openWindow(10, SimulatedWindow{.title = String("a3")});
    ASSERT_TRUE(opened);
    EXPECT_EQ(windowNumbers(desktop, 10), (std::vector<CGWindowID>{*opened, 100, 101}));
    EXPECT_EQ(desktop.application(10)->mainWindow, *opened);
    EXPECT_EQ(desktop.application(10)->focusedWindow, *opened);
    EXPECT_FALSE(desktop.openWindow(10, SimulatedWindow{.number = 200}));  // in use by B
    EXPECT_FALSE(desktop.openWindow(99, SimulatedWindow{}));

    EXPECT_TRUE(desktop.setWindowMinimized(100, true));
    EXPECT_TRUE(desktop.closeWindow(*opened));
    // The next window that isn't minimised takes over.
    EXPECT_EQ(desktop.application(10)->mainWindow, 101u);
    EXPECT_EQ(desktop.application(10)->focusedWindow, 101u);
    EXPECT_TRUE(desktop.closeWindow(101));
    EXPECT_EQ(desktop.application(10)->mainWindow, 0u);
    EXPECT_FALSE(desktop.closeWindow(101));

    std::vector<Kind> kinds;
    for (const auto& change : recorder.changes)
        kinds.push_back(change.kind);
    EXPECT_EQ(kinds,
              (std::vector<Kind>{Kind::WindowOpened, Kind::WindowChanged, Kind::WindowClosed, Kind::WindowClosed}));
}

TEST(SimulatedDesktopTest, RaisingReordersWithinTheApplicationOnly)
{
    SimulatedDesktop desktop(state());
    ChangeRecorder recorder(desktop);
    EXPECT_TRUE(desktop.raiseWindow(101));
    EXPECT_EQ(windowNumbers(desktop, 10), (std::vector<CGWindowID>{101, 100}));
    EXPECT_EQ(desktop.application(10)->mainWindow, 101u);
    EXPECT_EQ(desktop.application(10)->focusedWindow, 101u);
    ASSERT_EQ(recorder.changes.size(), 1u);
    EXPECT_EQ(recorder.changes[0].kind, Kind::WindowRaised);
    EXPECT_EQ(recorder.changes[0].window, 101u);
    // Raising it again changes nothing, and nothing is told.
    EXPECT_TRUE(desktop.raiseWindow(101));
    EXPECT_EQ(recorder.changes.size(), 1u);

    // Raising a window of a background application doesn't activate it.
    EXPECT_TRUE(desktop.raiseWindow(200));
    EXPECT_EQ(desktop.frontmostApplication(), 10);
    EXPECT_FALSE(desktop.raiseWindow(999));

    // A window coming back from the Dock comes to the front.
    desktop.setWindowMinimized(100, true);
    desktop.setWindowMinimized(100, false);
    EXPECT_EQ(windowNumbers(desktop, 10), (std::vector<CGWindowID>{100, 101}));
    EXPECT_EQ(desktop.application(10)->mainWindow, 100u);
}

TEST(SimulatedDesktopTest, WindowStackPutsTheActiveApplicationsFirst)
{
    SimulatedDesktop desktop(state());
    EXPECT_EQ(desktop.windowStack(), (std::vector<std::pair<pid_t, CGWindowID>>{{10, 100}, {10, 101}, {20, 200}}));
    desktop.activate(20);
    desktop.setWindowMinimized(101, true);
    EXPECT_EQ(desktop.windowStack(), (std::vector<std::pair<pid_t, CGWindowID>>{{20, 200}, {10, 100}}));
    desktop.setHidden(20, true);
    EXPECT_EQ(desktop.windowStack(), (std::vector<std::pair<pid_t, CGWindowID>>{{10, 100}}));

    // Hiding B handed activation back to A; showing it again doesn't take
    // it back.
    desktop.setHidden(20, false);
    EXPECT_EQ(desktop.windowAtPoint({10, 10}), std::make_pair(pid_t(10), CGWindowID(100)));
    desktop.activate(20);
    EXPECT_EQ(desktop.windowAtPoint({10, 10}), std::make_pair(pid_t(20), CGWindowID(200)));
    EXPECT_FALSE(desktop.windowAtPoint({1500, 950}));
}

TEST(SimulatedDesktopTest, AButtonPressActivatesAndRaisesWhatLiesUnderIt)
{
    SimulatedDesktop desktop(state());
    desktop.warpPointer({1, 1});
    desktop.postEvent({.type = 1, .location = {600, 10}, .mouse = true, .pressesButton = true});
    desktop.postEvent({.type = 2, .location = {600, 10}, .mouse = true});
    desktop.postEvent({.type = 10, .keyCode = 36});

    EXPECT_EQ(desktop.frontmostApplication(), 10);
    EXPECT_EQ(windowNumbers(desktop, 10), (std::vector<CGWindowID>{101, 100}));
    EXPECT_EQ(desktop.pointerLocation(), (CGPoint{600, 10}));
    EXPECT_EQ(desktop.postedEvents().size(), 3u);
    auto log = desktop.pointerLog();
    ASSERT_EQ(log.size(), 3u);  // the key event is not the pointer's
    EXPECT_EQ(log[0].kind, PointerLogEntry::Kind::Warp);
    EXPECT_EQ(log[1].event.type, 1u);
    EXPECT_EQ(log[2].event.type, 2u);

    // A press over B's window (behind A's windows, but A has none there)
    // makes B frontmost; the activation says it came from a click.
    desktop.postEvent({.type = 1, .location = {450, 500}, .mouse = true, .pressesButton = true});
    EXPECT_EQ(desktop.frontmostApplication(), 20);
    EXPECT_EQ(desktop.activations().back().via, String("click"));
    EXPECT_FALSE(desktop.activations().back().requester);
}

TEST(SimulatedDesktopTest, LoginItemsAcceptOnlyKnownHelpersAndKeepAHistory)
{
    SimulatedDesktop desktop(state());
    ChangeRecorder recorder(desktop);
    EXPECT_TRUE(desktop.setLoginItemEnabled("org.helper", true));
    EXPECT_TRUE(desktop.setLoginItemEnabled("org.helper", true));
    EXPECT_FALSE(desktop.setLoginItemEnabled("org.broken", true));
    EXPECT_FALSE(desktop.setLoginItemEnabled("org.unknown", false));
    EXPECT_TRUE(desktop.loginItem("org.helper")->enabled);
    EXPECT_FALSE(desktop.loginItem("org.broken")->enabled);
    // Only the first request changed anything.
    EXPECT_EQ(recorder.changes.size(), 1u);

    auto history = desktop.loginItemHistory();
    ASSERT_EQ(history.size(), 4u);
    EXPECT_EQ(history[2].bundleIdentifier, String("org.broken"));
    EXPECT_TRUE(history[2].enabled);
    EXPECT_FALSE(history[2].accepted);
    EXPECT_FALSE(history[3].enabled);
}

TEST(SimulatedDesktopTest, LoggingInStartsEnabledHelpersThatDontRunYet)
{
    SimulatedDesktop desktop(state());
    EXPECT_TRUE(desktop.logIn().empty());
    desktop.setLoginItemEnabled("org.helper", true);
    auto started = desktop.logIn();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(desktop.application(started[0])->bundleIdentifier, String("org.helper"));
    // Helpers start in the background.
    EXPECT_EQ(desktop.frontmostApplication(), 10);
    EXPECT_TRUE(desktop.logIn().empty());
}

TEST(SimulatedDesktopTest, TrustChangesAndPromptsAreAnnounced)
{
    SimulatedDesktop desktop(state());
    ChangeRecorder recorder(desktop);
    desktop.setTrusted(true);  // no change
    desktop.setTrusted(false);
    desktop.promptForTrust(40);
    EXPECT_FALSE(desktop.isTrusted());
    ASSERT_EQ(desktop.trustPrompts().size(), 1u);
    EXPECT_EQ(desktop.trustPrompts()[0].process, 40);
    ASSERT_EQ(recorder.changes.size(), 2u);
    EXPECT_EQ(recorder.changes[0].kind, Kind::TrustChanged);
    EXPECT_EQ(recorder.changes[1].kind, Kind::TrustPrompted);
}

TEST(SimulatedDesktopTest, SystemSettingsCanBeChanged)
{
    SimulatedDesktop desktop(state());
    desktop.setOperatingSystemVersion({13, 6, 0});
    EXPECT_EQ(desktop.operatingSystemVersion().majorVersion, 13);
    desktop.setScreens({Screen{}, Screen{.frame = CGRectMake(1512, 0, 1920, 1080)}});
    EXPECT_EQ(desktop.screens().size(), 2u);
    EXPECT_TRUE(desktop.setActivationPolicy(40, ActivationPolicy::Regular));
    EXPECT_EQ(desktop.application(40)->activationPolicy, ActivationPolicy::Regular);
    EXPECT_TRUE(desktop.setOwnProcess(20));
    EXPECT_EQ(desktop.ownProcess(), 20);
    EXPECT_FALSE(desktop.application(40)->ownProcess);
    EXPECT_FALSE(desktop.setOwnProcess(99));
}

TEST(SimulatedDesktopTest, TheProcessInformationReadsTheVersionOfTheCurrentDesktop)
{
    auto& info = NSProcessInfo::processInfo();
    ScopedDesktop outer{state()};
    outer->setOperatingSystemVersion({13, 6, 1});
    auto version = info.operatingSystemVersion();
    EXPECT_EQ(version.majorVersion, 13);
    EXPECT_EQ(version.minorVersion, 6);
    EXPECT_EQ(version.patchVersion, 1);
    {
        ScopedDesktop inner{state()};
        inner->setOperatingSystemVersion({15, 0, 0});
        EXPECT_TRUE(info.isOperatingSystemAtLeastVersion({.majorVersion = 15}));
    }
    EXPECT_FALSE(info.isOperatingSystemAtLeastVersion({.majorVersion = 14}));
}

TEST(SimulatedDesktopTest, ListenersCanLeaveWhileBeingToldAndTokensOutliveTheDesktop)
{
    auto desktop = std::make_shared<SimulatedDesktop>(state());
    std::vector<std::string> heard;
    DesktopListenerToken second;
    auto first = desktop->addListener([&](const DesktopChange&) {
        heard.push_back("first");
        second.reset();
    });
    second = desktop->addListener([&](const DesktopChange&) { heard.push_back("second"); });
    desktop->activate(20);
    EXPECT_EQ(heard, (std::vector<std::string>{"first"}));
    desktop.reset();
    first.reset();  // the desktop is gone: nothing to remove from, no crash
}

TEST(SimulatedDesktopTest, StatesThatOnlyCodeCanMakeWrongAreRefused)
{
    struct Row {
        const char* what;
        DesktopState state;
    };
    Row rows[] = {
        {.what = "duplicate pid", .state = {.applications = {{.pid = 3}, {.pid = 3}}}},
        {.what = "duplicate window",
         .state = {.applications = {{.windows = {{.number = 5}}}, {.windows = {{.number = 5}}}}}},
        {.what = "two own processes", .state = {.applications = {{.ownProcess = true}, {.ownProcess = true}}}},
        {.what = "frontmost not running", .state = {.applications = {{.pid = 3}}, .frontmostApplication = 4}},
    };
    for (auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_THROW(SimulatedDesktop desktop(std::move(row.state)), NSException);
    }
}

TEST(SimulatedDesktopTest, ScopedDesktopPutsBackTheOneBefore)
{
    auto outer = std::make_shared<SimulatedDesktop>();
    SimulatedDesktop::setCurrent(outer);
    {
        ScopedDesktop scoped(state());
        EXPECT_EQ(SimulatedDesktop::current().get(), &scoped.desktop());
        EXPECT_EQ(scoped->frontmostApplication(), 10);
    }
    EXPECT_EQ(SimulatedDesktop::current(), outer);
    SimulatedDesktop::setCurrent(nullptr);
    // Without one in place, the default desktop is made again.
    EXPECT_EQ(SimulatedDesktop::current()->runningApplications().size(),
              SimulatedDesktop::makeDefault()->runningApplications().size());
}

}  // namespace
