// The helper's launch routine in this process, on a simulated desktop: what
// it finds running, what it opens, and which "killLauncher" ends it.

#include "KestrovaHelper/AppDelegate.h"

#include "TestDesktops.h"
#include "appkit/NSApplication.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSNotification.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr pid_t kHelperPid = 50;

simulation::SimulatedApplication helperProcess()
{
    return {.pid = kHelperPid,
            .bundleIdentifier = String("com.kestrova.KestrovaHelper"),
            .localizedName = String("KestrovaHelper"),
            .activationPolicy = simulation::ActivationPolicy::Prohibited,
            .ownProcess = true};
}

simulation::SimulatedApplication switcherBundle()
{
    return {.bundleIdentifier = String("com.kestrova.Kestrova"),
            .localizedName = String("Kestrova"),
            .bundlePath = String("/Applications/Kestrova.app"),
            .activationPolicy = simulation::ActivationPolicy::Accessory};
}

class HelperTest : public ::testing::Test {
protected:
    void start(simulation::DesktopState state)
    {
        NSApplication::resetForTesting();
        desktop_.emplace(std::move(state));
        application_ = NSApplication::sharedApplication();
        application_->setDelegate(delegate_);
        application_->finishLaunching();
        clock_.advance(0);
    }

    void TearDown() override
    {
        NSDistributedNotificationCenter::defaultCenter().removeObserver(*delegate_);
        application_.reset();
        NSApplication::resetForTesting();
    }

    std::vector<pid_t> running(const char* bundleIdentifier)
    {
        std::vector<pid_t> pids;
        for (const auto& application : (*desktop_)->runningApplications(String(bundleIdentifier)))
            pids.push_back(application.pid);
        return pids;
    }

    void post(const Id& object)
    {
        NSDistributedNotificationCenter::defaultCenter().postNotificationName("killLauncher", object, Id(), false);
        clock_.advance(0);
    }

    ScopedVirtualClock clock_;
    std::optional<simulation::ScopedDesktop> desktop_;
    std::shared_ptr<NSApplication> application_;
    std::shared_ptr<AppDelegate> delegate_ = std::make_shared<AppDelegate>();
};

TEST_F(HelperTest, QuitsAtOnceWhenTheSwitcherRunsAlready)
{
    simulation::DesktopState state;
    auto switcher = switcherBundle();
    switcher.pid = 70;
    // Applications without an identifier, or with one that only begins
    // like the switcher's, are passed over.
    state.applications = {{.pid = 60, .localizedName = String("Nameless")},
                          {.pid = 65, .bundleIdentifier = String("com.kestrova.Kestrova.Tool")},
                          switcher,
                          helperProcess()};
    start(state);

    EXPECT_TRUE(application_->isTerminated());
    EXPECT_EQ(running("com.kestrova.Kestrova"), std::vector<pid_t>{70}) << "nothing more was opened";
    EXPECT_TRUE((*desktop_)->activations().empty());
}

TEST_F(HelperTest, OpensTheSwitcherOnceAndQuitsOnlyOnItsKillLauncher)
{
    simulation::DesktopState state;
    state.applications = {{.pid = 65, .bundleIdentifier = String("com.kestrova.Kestrova.Tool")}, helperProcess()};
    state.installedApplications = {switcherBundle()};
    start(state);

    ASSERT_FALSE(application_->isTerminated());
    auto opened = running("com.kestrova.Kestrova");
    ASSERT_EQ(opened.size(), 1u);

    struct Case {
        const char* label;
        Id object;
    };
    const Case others[] = {
        {.label = "another program's", .object = Id(String("com.example.Other"))},
        {.label = "the helper's own identifier", .object = Id(String("com.kestrova.KestrovaHelper"))},
        {.label = "no object", .object = Id()},
    };
    for (const Case& c : others) {
        SCOPED_TRACE(c.label);
        post(c.object);
        EXPECT_FALSE(application_->isTerminated());
    }

    post(Id(String("com.kestrova.Kestrova")));
    EXPECT_TRUE(application_->isTerminated());
    EXPECT_EQ(running("com.kestrova.Kestrova"), opened) << "opened once only";
}

TEST_F(HelperTest, WaitsIdleWhenTheSwitcherCantBeFoundAndStillListens)
{
    simulation::DesktopState state;
    state.applications = {helperProcess()};
    start(state);

    EXPECT_FALSE(application_->isTerminated());
    EXPECT_TRUE(running("com.kestrova.Kestrova").empty());
    clock_.advance(3600);
    EXPECT_FALSE(application_->isTerminated());

    post(Id(String("com.kestrova.Kestrova")));
    EXPECT_TRUE(application_->isTerminated());
}

}  // namespace
