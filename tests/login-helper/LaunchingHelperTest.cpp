// The helper launching in this process over a private bus, while another
// program's "killLauncher" comes in before the helper has registered for it:
// the moment is the test's to choose, so it is the same on every run.

#include "KestrovaHelper/AppDelegate.h"

#include "PrivateSessionBus.h"
#include "RawBus.h"
#include "TemporaryFolder.h"
#include "appkit/NSApplication.h"
#include "driver/DesktopSession.h"
#include "foundation/DetachedProcess.h"
#include "foundation/NSBundle.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSRunLoop.h"
#include "foundation/SessionBus.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

namespace {

const String kSwitcher = "com.kestrova.Kestrova";

class LaunchingHelperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus_.running()) << bus_.error();
        ::setenv("DBUS_SESSION_BUS_ADDRESS", bus_.address().c_str(), 1);
        // A copy away from the switcher's bundle: the helper finds no switcher
        // to open, and waits for its word.
        std::filesystem::copy(KESTROVA_HELPER_BUNDLE, home_ / "KestrovaHelper.app",
                              std::filesystem::copy_options::recursive);
        NSBundle::setMainBundle(NSBundle::bundleWithPath(String(home_ / "KestrovaHelper.app")));
    }

    void TearDown() override
    {
        NSDistributedNotificationCenter::defaultCenter().removeObserver(*delegate_);
        NSApplication::resetForTesting();
        NSBundle::setMainBundle(nullptr);
        SessionBus::disconnect();
        DetachedProcess::setInheritedArguments({});
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    PrivateSessionBus bus_;
    TemporaryFolder home_;
    simulation::ScopedDesktop desktop_{simulation::DesktopState{
        .applications = {{.pid = 50, .localizedName = String("KestrovaHelper"), .ownProcess = true}},
    }};
    std::shared_ptr<AppDelegate> delegate_ = std::make_shared<AppDelegate>();
};

TEST_F(LaunchingHelperTest, AKillLauncherThatComesDuringLaunchIsMatchedOnceTheHelperListens)
{
    struct Case {
        const char* label;
        String object;
        bool quits;
    };
    const Case cases[] = {
        {.label = "the switcher's", .object = kSwitcher, .quits = true},
        {.label = "another program's", .object = "com.example.Other", .quits = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        NSApplication::resetForTesting();
        auto application = NSApplication::sharedApplication();
        application->setDelegate(delegate_);
        std::ostringstream out;
        std::istringstream in;
        DesktopSession session(out, in);
        std::string home = home_.path();
        char program[] = "KestrovaHelper";
        char homeOption[] = "--home";
        char* argv[] = {program, homeOption, home.data(), nullptr};
        ASSERT_FALSE(session.prepare(3, argv));
        ASSERT_TRUE(SessionBus::isConnected());

        // On the bus, not yet launched: the post is in this process's hands
        // once it has answered the ping that followed it.
        RawBus other(bus_.address());
        ASSERT_TRUE(other.ok());
        ASSERT_TRUE(other.postKillLauncher(c.object));
        ASSERT_TRUE(other.ping(SessionBus::uniqueName()));
        EXPECT_FALSE(application->isTerminated());

        session.launch(*application);
        EXPECT_EQ(application->isTerminated(), c.quits) << out.str();

        // Launch over, nothing is kept back any more.
        if (!c.quits) {
            ASSERT_TRUE(other.postKillLauncher(kSwitcher));
            ASSERT_TRUE(other.ping(SessionBus::uniqueName()));
            NSRunLoop::mainRunLoop().runUntilIdle();
            EXPECT_TRUE(application->isTerminated()) << out.str();
        }
        session.finish();
        NSDistributedNotificationCenter::defaultCenter().removeObserver(*delegate_);
    }
}

}  // namespace
