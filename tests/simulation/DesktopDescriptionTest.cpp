#include "simulation/DesktopDescription.h"

#include "TemporaryFolder.h"
#include "simulation/SimulatedDesktop.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace simulation;

namespace {

const SimulatedApplication* byName(const std::vector<SimulatedApplication>& applications, const char* name)
{
    for (const auto& application : applications) {
        if (application.localizedName == String(name))
            return &application;
    }
    return nullptr;
}

TEST(DesktopDescriptionTest, EmbeddedDefaultHasTheDocumentedDesktop)
{
    auto desktop = SimulatedDesktop::makeDefault();
    auto running = desktop->runningApplications();
    struct Row {
        const char* name;
        std::size_t windows;
        ActivationPolicy policy;
    };
    const Row rows[] = {
        {.name = "Finder", .windows = 1, .policy = ActivationPolicy::Regular},
        {.name = "Safari", .windows = 3, .policy = ActivationPolicy::Regular},
        {.name = "Mail", .windows = 1, .policy = ActivationPolicy::Regular},
        {.name = "Notes", .windows = 2, .policy = ActivationPolicy::Regular},
        {.name = "Terminal", .windows = 0, .policy = ActivationPolicy::Regular},
        {.name = "Kestrova", .windows = 0, .policy = ActivationPolicy::Accessory},
        {.name = "Dock", .windows = 0, .policy = ActivationPolicy::Prohibited},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto* application = byName(running, row.name);
        ASSERT_NE(application, nullptr);
        EXPECT_EQ(application->windows.size(), row.windows);
        EXPECT_EQ(application->activationPolicy, row.policy);
    }
    const auto* kestrova = byName(running, "Kestrova");
    EXPECT_EQ(desktop->ownProcess(), kestrova->pid);
    EXPECT_EQ(kestrova->bundleIdentifier, String("com.kestrova.Kestrova"));
    EXPECT_EQ(desktop->frontmostApplication(), byName(running, "Finder")->pid);
    EXPECT_TRUE(desktop->isTrusted());
    EXPECT_EQ(desktop->screens().size(), 1u);
    EXPECT_EQ(desktop->operatingSystemVersion().majorVersion, 14);
    ASSERT_TRUE(desktop->loginItem("com.kestrova.KestrovaHelper"));
    EXPECT_FALSE(desktop->loginItem("com.kestrova.KestrovaHelper")->enabled);
    EXPECT_TRUE(desktop->bundlePathForIdentifier("com.kestrova.KestrovaHelper"));
}

TEST(DesktopDescriptionTest, LeftOutValuesAreFilledIn)
{
    auto result = DesktopDescription::parse(R"({
      "applications": [
        {"pid": 7, "name": "Accessory", "activationPolicy": "accessory"},
        {"name": "A", "windows": [{"title": "first", "minimized": true}, {"number": 2000}, {"subrole": null}]},
        {"name": "B", "windows": [{"title": "x"}, {"title": "y", "main": true}]}
      ]
    })");
    ASSERT_TRUE(result.ok()) << result.error();
    SimulatedDesktop desktop(std::move(*result));
    auto running = desktop.runningApplications();
    ASSERT_EQ(running.size(), 3u);
    const auto& a = running[1];
    const auto& b = running[2];
    // Fresh pids and numbers never collide with the ones given.
    EXPECT_GT(a.pid, 7);
    EXPECT_NE(a.pid, b.pid);
    EXPECT_GT(a.windows[0].number, 2000u);
    EXPECT_GT(a.windows[2].number, 2000u);
    EXPECT_NE(a.windows[0].number, a.windows[2].number);
    EXPECT_FALSE(a.windows[1].title);
    EXPECT_FALSE(a.windows[2].subrole);
    EXPECT_EQ(a.windows[1].subrole, String("AXStandardWindow"));
    // The front window that isn't minimised is main and focused by default.
    EXPECT_EQ(a.mainWindow, 2000u);
    EXPECT_EQ(a.focusedWindow, 2000u);
    EXPECT_EQ(b.mainWindow, b.windows[1].number);
    // The first regular application is frontmost when none is said to be.
    EXPECT_EQ(desktop.frontmostApplication(), a.pid);
}

TEST(DesktopDescriptionTest, InjectedAnswersKeepTheirKinds)
{
    auto result = DesktopDescription::parse(R"({"applications": [{"windows": [{"failures": {
      "read": {"AXTitle": "cannotComplete", "*": "noValue"},
      "raise": "failure", "windowNumber": true,
      "values": {"AXSize": null, "AXPosition": [1, true, null, {"k": "v"}], "AXMain": 1.5}
    }}]}]})");
    ASSERT_TRUE(result.ok()) << result.error();
    const auto& failures = result->applications[0].windows[0].failures;
    EXPECT_EQ(failures.readFailure("AXTitle"), AccessibilityFailure::CannotComplete);
    EXPECT_EQ(failures.readFailure("AXRole"), AccessibilityFailure::NoValue);
    EXPECT_EQ(failures.raise, AccessibilityFailure::Failure);
    EXPECT_TRUE(failures.windowNumber);
    ASSERT_NE(failures.valueOverride("AXSize"), nullptr);
    EXPECT_TRUE(failures.valueOverride("AXSize")->isNil());
    EXPECT_EQ(*failures.valueOverride("AXPosition"),
              Id(Array{Id::number(1), Id::boolean(true), Id::null(), Id(Dictionary{{"k", "v"}})}));
    EXPECT_EQ(*failures.valueOverride("AXMain"), Id::number(1.5));
    EXPECT_EQ(failures.valueOverride("AXTitle"), nullptr);
}

TEST(DesktopDescriptionTest, VersionsAreReadFromNumbersAndTexts)
{
    struct Row {
        const char* json;
        OperatingSystemVersion version;
    };
    const Row rows[] = {
        {.json = R"({"osVersion": 13})", .version = {13, 0, 0}},
        {.json = R"({"osVersion": "14.2"})", .version = {14, 2, 0}},
        {.json = R"({"osVersion": "13.6.7"})", .version = {13, 6, 7}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.json);
        auto result = DesktopDescription::parse(row.json);
        ASSERT_TRUE(result.ok()) << result.error();
        EXPECT_EQ(result->operatingSystemVersion, row.version);
    }
}

TEST(DesktopDescriptionTest, TheLookIsLightUnlessDark)
{
    EXPECT_EQ(DesktopDescription::parse("{}")->appearance, Appearance::Light);
    auto dark = DesktopDescription::parse(R"({"appearance": "dark"})");
    ASSERT_TRUE(dark.ok()) << dark.error();
    SimulatedDesktop desktop(std::move(*dark));
    EXPECT_EQ(desktop.appearance(), Appearance::Dark);
    int told = 0;
    auto token = desktop.addListener(
        [&](const DesktopChange& change) { told += change.kind == DesktopChange::Kind::AppearanceChanged; });
    desktop.setAppearance(Appearance::Light);
    desktop.setAppearance(Appearance::Light);
    EXPECT_EQ(desktop.appearance(), Appearance::Light);
    EXPECT_EQ(told, 1) << "only a change is told";
}

TEST(DesktopDescriptionTest, BadDescriptionsAreRefusedWithWhatAndWhere)
{
    struct Row {
        const char* json;
        const char* error;
    };
    const Row rows[] = {
        {.json = "[]", .error = "description: expected an object"},
        {.json = R"({"colour": 1})", .error = "colour: unknown key"},
        {.json = R"({"applications": {}})", .error = "applications: expected an array"},
        {.json = R"({"applications": [{}, {}, {"windows": [{"title": 5}]}]})",
         .error = "applications[2].windows[0].title: expected a string or null"},
        {.json = R"({"applications": [{"pid": 0}]})", .error = "applications[0].pid: expected a positive 32-bit pid"},
        {.json = R"({"applications": [{"pid": 4294967296}]})",
         .error = "applications[0].pid: expected a positive 32-bit pid"},
        {.json = R"({"applications": [{"pid": "1"}]})", .error = "applications[0].pid: expected a positive 32-bit pid"},
        {.json = R"({"applications": [{"pid": 5}, {"pid": 5}]})",
         .error = "applications[1].pid: 5 is used by applications[0] already"},
        {.json = R"({"applications": [{"windows": [{"number": 9}]}, {"windows": [{}, {"number": 9}]}]})",
         .error = "applications[1].windows[1].number: 9 is used by applications[0].windows[0] already"},
        {.json = R"({"applications": [{"windows": [{"number": -1}]}]})",
         .error = "applications[0].windows[0].number: expected a positive 32-bit window number"},
        {.json = R"({"applications": [{"self": true}, {"self": true}]})",
         .error = "applications[1].self: applications[0] is our own process already"},
        {.json = R"({"applications": [{"frontmost": true}, {"frontmost": true}]})",
         .error = "applications[1].frontmost: applications[0] is frontmost already"},
        {.json = R"({"applications": [{"frontmost": true, "activationPolicy": "prohibited"}]})",
         .error = "applications[0].frontmost: a prohibited application can't be frontmost"},
        {.json = R"({"applications": [{"frontmost": true, "terminated": true}]})",
         .error = "applications[0].frontmost: a terminated application can't be frontmost"},
        {.json = R"({"applications": [{"activationPolicy": "background"}]})",
         .error = "applications[0].activationPolicy: expected one of regular, accessory, prohibited"},
        {.json = R"({"applications": [{"hidden": "no"}]})", .error = "applications[0].hidden: expected true or false"},
        {.json = R"({"applications": [{"windows": [{"main": true}, {"main": true}]}]})",
         .error = "applications[0].windows[1].main: applications[0].windows[0] is main already"},
        {.json = R"({"applications": [{"windows": [{"focused": true, "minimized": true}]}]})",
         .error = "applications[0].windows[0].focused: a minimised window can't be focused"},
        {.json = R"({"applications": [{"windows": [{"frame": {"x": 0, "y": 0, "width": -1, "height": 1}}]}]})",
         .error = "applications[0].windows[0].frame.width: expected a number that isn't negative"},
        {.json = R"({"applications": [{"windows": [{"frame": {"x": 0, "y": 0, "width": 1}}]}]})",
         .error = "applications[0].windows[0].frame.height: missing"},
        {.json = R"({"applications": [{"windows": [{"failures": {"read": {"AXTitle": "broken"}}}]}]})",
         .error = "applications[0].windows[0].failures.read.AXTitle: expected one of failure, illegalArgument, "
                  "invalidUIElement, cannotComplete, attributeUnsupported, actionUnsupported, notImplemented, "
                  "apiDisabled, noValue"},
        {.json = R"({"applications": [{"failures": {"windowNumber": true}}]})",
         .error = "applications[0].failures.windowNumber: unknown key"},
        {.json =
             R"({"applications": [{"failures": {"values": {"AXTitle": [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]}}}]})",
         .error = "applications[0].failures.values.AXTitle[0][0][0][0][0][0][0][0][0][0][0][0][0][0][0][0][0][0][0][0]"
                  "[0][0][0][0][0][0][0][0][0][0][0][0]: nested too deeply"},
        {.json = R"({"screens": []})", .error = "screens: expected at least one screen"},
        {.json = R"({"screens": [{"x": 0, "y": 0, "width": 0, "height": 10}]})",
         .error = "screens[0].width: expected a positive number"},
        {.json = R"({"osVersion": "14.x"})",
         .error = "osVersion: expected a major version number or a text such as \"14.2.1\""},
        {.json = R"({"osVersion": "14.1.2.3"})",
         .error = "osVersion: expected a major version number or a text such as \"14.2.1\""},
        {.json = R"({"osVersion": 0})", .error = "osVersion: expected a major version from 1 to 999"},
        {.json = R"({"installed": [{"name": "Nameless"}]})",
         .error = "installed[0]: expected a bundleIdentifier or a bundlePath to launch it by"},
        {.json = R"({"installed": [{"bundlePath": "/A.app", "pid": 3}]})", .error = "installed[0].pid: unknown key"},
        {.json = R"({"loginItems": [{"enabled": true}]})", .error = "loginItems[0].bundleIdentifier: missing"},
        {.json = R"({"loginItems": [{"bundleIdentifier": "a"}, {"bundleIdentifier": "a"}]})",
         .error = "loginItems[1].bundleIdentifier: a is listed already"},
        {.json = R"({"refusedEventTypes": [-1]})",
         .error = "refusedEventTypes[0]: expected an event type from 0 to 4294967295"},
        {.json = R"({"pointer": {"x": 1}})", .error = "pointer.y: missing"},
        // Numbers handed out above the largest given would wrap round to
        // ones in use.
        {.json = R"({"applications": [{"windows": [{"number": 4294967295}, {"number": 1000}, {}]}]})",
         .error = "applications[0].windows: no window number is left to hand out"},
        {.json = R"({"applications": [{"pid": 2147483647}, {"pid": 400}, {}]})",
         .error = "applications[2].pid: no pid is left to hand out"},
        {.json = R"({"appearance": "sepia"})", .error = "appearance: expected \"light\" or \"dark\""},
        {.json = R"({"appearance": true})", .error = "appearance: expected a string"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.json);
        auto result = DesktopDescription::parse(row.json);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.error(), row.error);
    }
}

// A program runs on a desktop only as one of its processes: without it the
// program could never come to the front, hide or give the focus back.
TEST(DesktopDescriptionTest, ADesktopForAProgramHoldsItsRunningProcess)
{
    struct Row {
        const char* json;
        const char* error;
    };
    const Row rows[] = {
        {.json = "{}", .error = "applications: expected our own process, an application with \"self\": true"},
        {.json = R"({"applications": [{"name": "Finder"}, {"name": "Kestrova", "self": false}]})",
         .error = "applications: expected our own process, an application with \"self\": true"},
        {.json = R"({"applications": [{"name": "Finder"}, {"name": "Kestrova", "self": true, "terminated": true}]})",
         .error = "applications[1].terminated: our own process can't be terminated"},
        {.json = R"({"applications": [{"name": "Finder"}, {"name": "Kestrova", "self": true, "hidden": true}]})",
         .error = ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.json);
        EXPECT_TRUE(DesktopDescription::parse(row.json).ok()) << "tests of the frameworks may leave it out";
        auto result = DesktopDescription::parse(row.json, DesktopDescription::OwnProcess::Required);
        EXPECT_EQ(result.ok(), !*row.error);
        EXPECT_EQ(result.error(), row.error);
    }
}

TEST(DesktopDescriptionTest, TextThatIsNotJsonIsRefused)
{
    for (const char* text : {"", "{", "{\"a\": }", "\xff"}) {
        SCOPED_TRACE(text);
        auto result = DesktopDescription::parse(text);
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.error().starts_with("description: not valid JSON: ")) << result.error();
    }
}

TEST(DesktopDescriptionTest, FilesAreReadAndTheirErrorsNameThem)
{
    TemporaryFolder folder;
    auto good = folder.write("good.json",
                             R"({"osVersion": 13, "applications": [{"name": "Only", "iconFile": "icons/../Only.png"}],
                              "installed": [{"bundleIdentifier": "x.y", "iconFile": "/opt/Y.png"}]})");
    auto bad = folder.write("bad.json", R"({"trusted": "yes"})");

    auto result = DesktopDescription::readFile(good);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(result->operatingSystemVersion.majorVersion, 13);
    EXPECT_EQ(result->applications.size(), 1u);
    // Icon files are found beside the description, unless their path is whole.
    EXPECT_EQ(result->applications[0].iconFile, String(folder / "Only.png"));
    EXPECT_EQ(result->installedApplications[0].iconFile, String("/opt/Y.png"));

    EXPECT_EQ(DesktopDescription::readFile(bad).error(), bad + ": trusted: expected true or false");
    EXPECT_EQ(DesktopDescription::readFile(good, DesktopDescription::OwnProcess::Required).error(),
              good + ": applications: expected our own process, an application with \"self\": true");
    auto missing = folder / "missing.json";
    EXPECT_EQ(DesktopDescription::readFile(missing).error(), missing + ": can't be read");
    EXPECT_EQ(DesktopDescription::readFile(folder.path()).error(),
              folder.path() + ": is a folder, not a desktop description");
}

}  // namespace
