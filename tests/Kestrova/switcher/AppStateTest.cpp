#include "Kestrova/ActiveState.h"
#include "Kestrova/InactiveState.h"

#include "Kestrova/AppStateContext.h"
#include "Kestrova/MainWindowController.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSApplicationDelegate.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSWindow.h"

namespace {

// A context that writes down what the states ask of it, with the program's
// activation requests so far at each step.
class RecordingContext : public AppStateContext {
public:
    explicit RecordingContext(KestrovaTest& test)
        : test_(test)
    {
    }

    std::shared_ptr<AppState> appState() const override { return state_; }
    void setAppState(std::shared_ptr<AppState> state) override
    {
        const char* kind = std::dynamic_pointer_cast<ActiveState>(state) ? "active" : "inactive";
        log.push_back(std::string("state ") + kind);
        state_ = std::move(state);
    }
    std::shared_ptr<MainWindowController> mainWindowController() const override { return controller_; }
    void setMainWindowController(std::shared_ptr<MainWindowController> controller) override
    {
        controller_ = std::move(controller);
    }
    std::shared_ptr<NSRunningApplication> previousApplication() const override { return previous_; }
    void setPreviousApplication(std::shared_ptr<NSRunningApplication> application) override
    {
        previous_ = std::move(application);
    }
    void showSwitcher() override { log.push_back("show after " + std::to_string(test_.programActivations().size())); }
    void hideSwitcher() override { log.push_back("hide"); }

    std::vector<std::string> log;

private:
    KestrovaTest& test_;
    std::shared_ptr<AppState> state_;
    std::shared_ptr<MainWindowController> controller_;
    std::shared_ptr<NSRunningApplication> previous_;
};

// The states reach the program only through their context, so they can be
// seen on their own; on macOS 13 the activation is a single request.
class AppStateTest : public KestrovaTest {
protected:
    AppStateTest()
        : KestrovaTest({.majorVersion = 13})
    {
        app();
    }

    RecordingContext context{*this};
};

TEST_F(AppStateTest, InactiveShortcutActivatesThenShowsThenBecomesActive)
{
    context.setAppState(std::make_shared<InactiveState>(context));
    context.log.clear();

    auto state = context.appState();
    state->handleGlobalShortcut();

    EXPECT_EQ(context.log, (std::vector<std::string>{"show after 1", "state active"}));
    EXPECT_EQ(programActivations(), (std::vector<std::string>{"100 activateWithOptions: 3"}));
}

TEST_F(AppStateTest, InactiveResignDoesNothing)
{
    auto state = std::make_shared<InactiveState>(context);
    context.setPreviousApplication(NSRunningApplication::runningApplicationWithProcessIdentifier(kFinder));
    context.log.clear();
    state->handleResignActive();
    EXPECT_TRUE(context.log.empty());
    EXPECT_TRUE(programActivations().empty());
}

TEST_F(AppStateTest, ActiveShortcutWithoutMainWindowDoesNothing)
{
    auto state = std::make_shared<ActiveState>(context);
    state->handleGlobalShortcut();
    EXPECT_TRUE(context.log.empty());
    EXPECT_TRUE(programActivations().empty());
}

TEST_F(AppStateTest, ActiveShortcutBringsTheMainWindowForward)
{
    auto controller = std::make_shared<MainWindowController>();
    auto window = std::make_shared<NSWindow>();
    controller->setWindow(window);
    context.setMainWindowController(controller);
    auto state = std::make_shared<ActiveState>(context);

    state->handleGlobalShortcut();
    drain();

    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_EQ(programActivations(), (std::vector<std::string>{"100 activateWithOptions: 3"}));
    EXPECT_TRUE(context.log.empty()) << "the state stays active";
}

TEST_F(AppStateTest, ActiveResignHidesAndBecomesInactive)
{
    context.setPreviousApplication(NSRunningApplication::runningApplicationWithProcessIdentifier(kFinder));
    context.setAppState(std::make_shared<ActiveState>(context));
    context.log.clear();

    auto state = context.appState();
    state->handleResignActive();

    EXPECT_EQ(context.log, (std::vector<std::string>{"hide", "state inactive"}));
    // Finder is frontmost: it gets the focus back, without options.
    EXPECT_EQ(programActivations(), (std::vector<std::string>{"200 activateWithOptions: 0"}));
}

TEST_F(AppStateTest, TwoMissingApplicationsCountAsTheSame)
{
    // A desktop without a process of the program: the current application
    // and the previous one are both missing, so nothing is activated.
    simulation::DesktopState state = switcherDesktop({.majorVersion = 13});
    state.applications.front().ownProcess = false;
    simulation::ScopedDesktop scoped(std::move(state));
    ASSERT_FALSE(NSRunningApplication::currentApplication());

    auto active = std::make_shared<ActiveState>(context);
    active->handleResignActive();
    EXPECT_EQ(context.log, (std::vector<std::string>{"hide", "state inactive"}));
    EXPECT_TRUE(desktop().activations().empty());
}

class AppStateOn14Test : public KestrovaTest { };

TEST_F(AppStateOn14Test, TheContextsPreviousApplicationHandsItsActivationOver)
{
    // Whatever the application's delegate is: the previous application is
    // the context's.
    struct OtherDelegate : NSObject, NSApplicationDelegate { };
    auto other = std::make_shared<OtherDelegate>();
    app()->setDelegate(other);
    RecordingContext context(*this);
    context.setPreviousApplication(NSRunningApplication::runningApplicationWithProcessIdentifier(kSafari));
    InactiveState state(context);
    state.handleGlobalShortcut();
    EXPECT_EQ(programActivations(), (std::vector<std::string>{"100 activateFromApplication:options: 3 from 300",
                                                              "100 activateWithOptions: 3"}));

    // Without a previous application there is nothing to hand over.
    context.setPreviousApplication(nullptr);
    InactiveState(context).handleGlobalShortcut();
    EXPECT_EQ(programActivations().back(), "100 activateWithOptions: 3");
    EXPECT_EQ(programActivations().size(), 3u);
}

}  // namespace
