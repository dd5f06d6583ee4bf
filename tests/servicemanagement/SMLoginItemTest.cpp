#include "servicemanagement/SMLoginItem.h"

#include "simulation/DesktopDescription.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

using namespace simulation;

namespace {

TEST(SMLoginItemTest, RegistrationIsRecordedAndStartsTheHelperAtTheNextLogin)
{
    ScopedDesktop desktop(SimulatedDesktop::makeDefault());
    const String helper = "com.kestrova.KestrovaHelper";

    EXPECT_TRUE(SMLoginItemSetEnabled(helper, true));
    EXPECT_TRUE(desktop->loginItem(helper)->enabled);
    // Registering doesn't start it.
    EXPECT_TRUE(desktop->runningApplications(helper).empty());
    auto started = desktop->logIn();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(desktop->application(started[0])->bundleIdentifier, helper);

    EXPECT_TRUE(SMLoginItemSetEnabled(helper, false));
    EXPECT_FALSE(desktop->loginItem(helper)->enabled);
    EXPECT_FALSE(SMLoginItemSetEnabled("com.kestrova.Unknown", true));

    auto history = desktop->loginItemHistory();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_TRUE(history[0].enabled && history[0].accepted);
    EXPECT_TRUE(!history[1].enabled && history[1].accepted);
    EXPECT_EQ(history[2].bundleIdentifier, String("com.kestrova.Unknown"));
    EXPECT_FALSE(history[2].accepted);
}

TEST(SMLoginItemTest, AHelperTheSystemRefusesIsNotRegistered)
{
    auto result = DesktopDescription::parse(R"({"loginItems": [{"bundleIdentifier": "org.helper", "refuses": true}]})");
    ASSERT_TRUE(result.ok()) << result.error();
    ScopedDesktop desktop(std::move(*result));
    EXPECT_FALSE(SMLoginItemSetEnabled("org.helper", true));
    EXPECT_FALSE(desktop->loginItem("org.helper")->enabled);
    EXPECT_EQ(desktop->loginItemHistory().size(), 1u);
}

}  // namespace
