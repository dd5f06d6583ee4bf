#include "servicemanagement/SMLoginItem.h"

#include "TemporaryFolder.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"
#include "simulation/DesktopState.h"
#include "simulation/ScopedDesktop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace simulation;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

const String helper = "com.kestrova.KestrovaHelper";

std::string infoPlist(const std::string& identifier, const std::string& extra = "")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>" +
           identifier + "</string>" + extra + "</dict></plist>\n";
}

// A home and an application bundle that carries the helper, as the build
// lays them out, in a folder whose name the entry must quote.
class SMLoginItemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousHome_ = NSHomeDirectory();
        setHomeDirectory(String(folder_ / "home"));
        useApplicationIn("Apps");
    }
    void TearDown() override
    {
        setHomeDirectory(previousHome_);
        NSBundle::resetForTesting();
    }

    // The main bundle becomes <folder>/<place>/Kestrova.app.
    std::string useApplicationIn(const std::string& place)
    {
        std::string app = place + "/Kestrova.app";
        folder_.write(app + "/Contents/Info.plist", infoPlist("com.kestrova.Kestrova"));
        folder_.write(app + "/Contents/Library/LoginItems/KestrovaHelper.app/Contents/Info.plist",
                      infoPlist(helper.utf8()));
        NSBundle::resetForTesting();
        NSBundle::setMainBundle(NSBundle::bundleWithPath(String(folder_ / app)));
        return folder_ / app;
    }

    std::string autostart() const { return folder_ / "home/.config/autostart"; }
    std::string entry() const { return autostart() + "/" + helper.utf8() + ".desktop"; }

    TemporaryFolder folder_;
    String previousHome_;
    ScopedDesktop desktop_{SimulatedDesktop::makeDefault()};
};

TEST_F(SMLoginItemTest, RegisteringWritesTheAutostartEntryAndUnregisteringRemovesIt)
{
    EXPECT_EQ(SMLoginItemAutostartEntryPath(helper).utf8(), entry());
    ASSERT_TRUE(SMLoginItemSetEnabled(helper, true));
    const std::string expected = "[Desktop Entry]\n"
                                 "Type=Application\n"
                                 "Version=1.5\n"
                                 "Name=KestrovaHelper\n"
                                 "Exec=\"" +
                                 folder_.path() +
                                 "/Apps/Kestrova.app/Contents/Library/LoginItems/KestrovaHelper.app/Contents/MacOS/"
                                 "KestrovaHelper\"\n"
                                 "Terminal=false\n"
                                 "NoDisplay=true\n"
                                 "X-Kestrova-BundleIdentifier=com.kestrova.KestrovaHelper\n";
    EXPECT_EQ(TemporaryFolder::read(entry()), expected);
    // Written in one piece: nothing else is left in the folder.
    EXPECT_THAT(TemporaryFolder::list(autostart()), ElementsAre(helper.utf8() + ".desktop"));
    EXPECT_TRUE(desktop_->loginItem(helper)->enabled);
    // Registering doesn't start it.
    EXPECT_TRUE(desktop_->runningApplications(helper).empty());
    ASSERT_EQ(desktop_->logIn().size(), 1u);

    // Again: the same entry, replaced whole.
    ASSERT_TRUE(SMLoginItemSetEnabled(helper, true));
    EXPECT_EQ(TemporaryFolder::read(entry()), expected);

    ASSERT_TRUE(SMLoginItemSetEnabled(helper, false));
    EXPECT_THAT(TemporaryFolder::list(autostart()), IsEmpty());
    EXPECT_FALSE(desktop_->loginItem(helper)->enabled);
    // Nothing to remove is no failure.
    EXPECT_TRUE(SMLoginItemSetEnabled(helper, false));
    EXPECT_EQ(desktop_->loginItemHistory().size(), 4u);
}

TEST_F(SMLoginItemTest, TheExecutableIsQuotedAndEscapedAsDesktopEntriesRead)
{
    struct Case {
        const char* place;
        // How the folder appears inside Exec's quotes.
        const char* written;
    };
    const Case cases[] = {
        {.place = "My Apps", .written = "My Apps"},
        {.place = "say \"hi\"", .written = R"(say \\"hi\\")"},
        {.place = "$HOME`x`", .written = R"(\\$HOME\\`x\\`)"},
        {.place = "back\\slash", .written = R"(back\\\\slash)"},
        {.place = "100%", .written = "100%%"},
        {.place = "tab\there", .written = R"(tab\there)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.place);
        useApplicationIn(c.place);
        ASSERT_TRUE(SMLoginItemSetEnabled(helper, true));
        std::string exec =
            "Exec=\"" + folder_.path() + "/" + c.written +
            "/Kestrova.app/Contents/Library/LoginItems/KestrovaHelper.app/Contents/MacOS/KestrovaHelper\"\n";
        EXPECT_THAT(TemporaryFolder::read(entry()), HasSubstr(exec));
    }
}

TEST_F(SMLoginItemTest, TheExecutableIsTheOneTheHelpersInformationNames)
{
    folder_.write("Apps/Kestrova.app/Contents/Library/LoginItems/KestrovaHelper.app/Contents/Info.plist",
                  infoPlist(helper.utf8(), "<key>CFBundleExecutable</key><string>helper-main</string>"));
    NSBundle::resetForTesting();
    NSBundle::setMainBundle(NSBundle::bundleWithPath(String(folder_ / "Apps/Kestrova.app")));
    ASSERT_TRUE(SMLoginItemSetEnabled(helper, true));
    EXPECT_THAT(TemporaryFolder::read(entry()), HasSubstr("KestrovaHelper.app/Contents/MacOS/helper-main\"\n"));
}

TEST_F(SMLoginItemTest, WhatTheSystemDoesNotKnowOrRefusesIsNotRegistered)
{
    EXPECT_FALSE(SMLoginItemSetEnabled("com.kestrova.Unknown", true));
    auto history = desktop_->loginItemHistory();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].bundleIdentifier, String("com.kestrova.Unknown"));
    EXPECT_FALSE(history[0].accepted);

    DesktopState state;
    state.loginItems.push_back({.bundleIdentifier = "org.helper", .refuses = true});
    ScopedDesktop refusing(std::move(state));
    folder_.write("Apps/Kestrova.app/Contents/Library/LoginItems/Other.app/Contents/Info.plist",
                  infoPlist("org.helper"));
    EXPECT_FALSE(SMLoginItemSetEnabled("org.helper", true));
    EXPECT_FALSE(refusing->loginItem("org.helper")->enabled);
    EXPECT_EQ(refusing->loginItemHistory().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(autostart()));
}

TEST_F(SMLoginItemTest, FailuresOnDiskLeaveTheRegistrationAsItWas)
{
    struct Case {
        const char* label;
        std::function<void()> prepare;
        bool enabled;
        std::string said;
    };
    const Case cases[] = {
        {.label = "helper not in the bundle",
         .prepare = [&] { std::filesystem::remove_all(folder_ / "Apps/Kestrova.app/Contents/Library"); },
         .enabled = true,
         .said = "No login item with the bundle identifier com.kestrova.KestrovaHelper in " + folder_.path() +
                 "/Apps/Kestrova.app/Contents/Library/LoginItems"},
        {.label = "no folder for the entry",
         .prepare = [&] { folder_.write("home/.config", "a file where the folder should be"); },
         .enabled = true,
         .said = "Could not write the autostart entry " + entry()},
        {.label = "entry can't be removed",
         .prepare =
             [&] {
                 std::filesystem::create_directories(entry());
                 folder_.write(entry().substr(folder_.path().size() + 1) + "/inside", "");
             },
         .enabled = false,
         .said = "Could not remove the autostart entry " + entry()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove_all(folder_ / "home");
        useApplicationIn("Apps");
        desktop_->setLoginItemEnabled(helper, !c.enabled);
        auto recorded = desktop_->loginItemHistory().size();
        c.prepare();
        ScopedLogCapture log;
        EXPECT_FALSE(SMLoginItemSetEnabled(helper, c.enabled));
        EXPECT_EQ(desktop_->loginItem(helper)->enabled, !c.enabled);
        EXPECT_EQ(desktop_->loginItemHistory().size(), recorded);
        ASSERT_EQ(log.sink().entries().size(), 1u);
        EXPECT_EQ(log.sink().entries()[0].level, LogLevel::Error);
        EXPECT_THAT(log.sink().entries()[0].text, HasSubstr(c.said));
    }
}

}  // namespace
