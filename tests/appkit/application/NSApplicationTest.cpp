#include "AppKitTestFixture.h"
#include "NotificationRecorder.h"
#include "appkit/NSApplicationDelegate.h"
#include "appkit/NSError.h"
#include "appkit/NSView.h"
#include "appkit/NSWindow.h"

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

class RecordingApplicationDelegate : public NSApplicationDelegate {
public:
    explicit RecordingApplicationDelegate(Log& log)
        : log_(log)
    {
    }
    void applicationWillFinishLaunching(NSNotification&) override { log_.push_back("delegate willFinishLaunching"); }
    void applicationDidFinishLaunching(NSNotification&) override { log_.push_back("delegate didFinishLaunching"); }
    void applicationWillBecomeActive(NSNotification&) override { log_.push_back("delegate willBecomeActive"); }
    void applicationDidBecomeActive(NSNotification&) override { log_.push_back("delegate didBecomeActive"); }
    void applicationWillResignActive(NSNotification&) override { log_.push_back("delegate willResignActive"); }
    void applicationDidResignActive(NSNotification&) override { log_.push_back("delegate didResignActive"); }
    void applicationDidHide(NSNotification&) override { log_.push_back("delegate didHide"); }
    void applicationDidUnhide(NSNotification&) override { log_.push_back("delegate didUnhide"); }
    void applicationWillTerminate(NSNotification&) override { log_.push_back("delegate willTerminate"); }

private:
    Log& log_;
};

class ApplicationTest : public AppKitTest {
protected:
    explicit ApplicationTest(simulation::DesktopState state = standardDesktop())
        : AppKitTest(std::move(state))
        , delegate(std::make_shared<RecordingApplicationDelegate>(log))
        , recorder(log,
                   {NSApplicationDidBecomeActiveNotification, NSApplicationDidResignActiveNotification,
                    NSApplicationDidHideNotification, NSApplicationDidUnhideNotification},
                   [this](const Id& object) { return object.objectPointer() == app().get() ? "app" : "other"; })
    {
        app()->setDelegate(delegate);
    }

    Log log;
    std::shared_ptr<RecordingApplicationDelegate> delegate;
    NotificationRecorder recorder;
};

TEST_F(ApplicationTest, ActivationNoticesComeOnALaterTurnOfTheMainQueue)
{
    EXPECT_FALSE(app()->isActive());
    app()->activateIgnoringOtherApps(true);
    // The desktop changed at once; the program hears of it later.
    EXPECT_EQ(desktop().frontmostApplication(), kOwn);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(app()->isActive());

    drain();
    EXPECT_EQ(log, (Log{"delegate willBecomeActive", "delegate didBecomeActive",
                        "NSApplicationDidBecomeActiveNotification app"}));
    EXPECT_TRUE(app()->isActive());

    log.clear();
    app()->activateIgnoringOtherApps(true);
    drain();
    EXPECT_TRUE(log.empty()) << "activating an active program tells nobody";
}

TEST_F(ApplicationTest, AnotherApplicationComingForwardMakesTheProgramResign)
{
    activateProgram();
    log.clear();
    desktop().activate(kSafari);
    EXPECT_TRUE(app()->isActive());
    drain();
    EXPECT_EQ(log, (Log{"delegate willResignActive", "delegate didResignActive",
                        "NSApplicationDidResignActiveNotification app"}));
    EXPECT_FALSE(app()->isActive());
}

TEST_F(ApplicationTest, HidingGivesTheFrontBackAndUnhidingTakesItAgain)
{
    activateProgram();
    log.clear();
    app()->hide(Id());
    EXPECT_TRUE(desktop().application(kOwn)->hidden);
    EXPECT_EQ(desktop().frontmostApplication(), kFinder) << "the application active before takes over";
    drain();
    EXPECT_EQ(log, (Log{"delegate didHide", "NSApplicationDidHideNotification app", "delegate willResignActive",
                        "delegate didResignActive", "NSApplicationDidResignActiveNotification app"}));
    EXPECT_TRUE(app()->isHidden());

    log.clear();
    std::size_t requests = desktop().activations().size();
    app()->unhide(Id());
    drain();
    EXPECT_EQ(log, (Log{"delegate didUnhide", "NSApplicationDidUnhideNotification app", "delegate willBecomeActive",
                        "delegate didBecomeActive", "NSApplicationDidBecomeActiveNotification app"}));
    ASSERT_EQ(desktop().activations().size(), requests + 1);
    EXPECT_EQ(desktop().activations().back().via, String("unhide:"));

    // Unhiding a program that isn't hidden asks for nothing.
    app()->unhide(Id());
    EXPECT_EQ(desktop().activations().size(), requests + 1);
}

TEST_F(ApplicationTest, ActivationRequestsAreLoggedOnTheDesktop)
{
    struct Case {
        const char* name;
        void (*ask)(NSApplication&);
        std::uint64_t options;
        const char* via;
    } cases[] = {
        {.name = "ignoring",
         .ask = [](NSApplication& a) { a.activateIgnoringOtherApps(true); },
         .options = NSApplicationActivateIgnoringOtherApps,
         .via = "activateIgnoringOtherApps:"},
        {.name = "polite",
         .ask = [](NSApplication& a) { a.activateIgnoringOtherApps(false); },
         .options = 0,
         .via = "activateIgnoringOtherApps:"},
        {.name = "cooperative", .ask = [](NSApplication& a) { a.activate(); }, .options = 0, .via = "activate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop().activate(kFinder);
        c.ask(*app());
        auto record = desktop().activations().back();
        EXPECT_EQ(record.target, kOwn);
        EXPECT_EQ(record.requester, std::optional<pid_t>(kOwn));
        EXPECT_EQ(record.options, c.options);
        EXPECT_EQ(record.via, String(c.via));
        EXPECT_TRUE(record.honoured);
    }
}

TEST_F(ApplicationTest, ActivationPolicyLivesOnTheDesktop)
{
    EXPECT_EQ(app()->activationPolicy(), NSApplicationActivationPolicyAccessory);
    EXPECT_TRUE(app()->setActivationPolicy(NSApplicationActivationPolicyRegular));
    EXPECT_EQ(desktop().application(kOwn)->activationPolicy, simulation::ActivationPolicy::Regular);
    EXPECT_EQ(app()->activationPolicy(), NSApplicationActivationPolicyRegular);
    EXPECT_FALSE(app()->setActivationPolicy(static_cast<NSApplicationActivationPolicy>(7)));
    EXPECT_EQ(app()->activationPolicy(), NSApplicationActivationPolicyRegular);
}

TEST_F(ApplicationTest, TerminateTellsEveryoneAndEndsTheProcess)
{
    app()->terminate(Id());
    EXPECT_EQ(log, (Log{"delegate willTerminate"}));
    EXPECT_TRUE(app()->isTerminated());
    EXPECT_FALSE(desktop().isRunning(kOwn));
    drain();
    EXPECT_EQ(log.size(), 1u) << "a terminated program hears nothing more";
}

TEST_F(ApplicationTest, ErrorsTravelUpToTheApplicationWhichShowsThemAsAlerts)
{
    auto window = std::make_shared<NSWindow>();
    auto content = std::make_shared<NSView>();
    auto control = std::make_shared<NSView>();
    window->setContentView(content);
    content->addSubview(control);
    auto error =
        NSError::errorWithDomain(NSCocoaErrorDomain, 0,
                                 Dictionary{{NSLocalizedFailureReasonErrorKey, Id("The shortcut can't be used!")},
                                            {NSLocalizedDescriptionKey, Id("It is already in use.")}});
    EXPECT_FALSE(control->presentError(error));
    control->presentErrorModalForWindow(error, window, Id(), Selector(), nullptr);
    auto alerts = desktop().programRecords();
    ASSERT_EQ(alerts.size(), 2u);
    for (const auto& alert : alerts) {
        EXPECT_EQ(alert.kind, simulation::ProgramRecord::Kind::Alert);
        EXPECT_EQ(alert.process, kOwn);
        EXPECT_EQ(alert.text, String("It is already in use."));
        EXPECT_EQ(alert.informativeText, std::optional<String>("The shortcut can't be used!"));
    }
    EXPECT_EQ(error->localizedDescription(), String("It is already in use."));
    EXPECT_EQ(error->localizedFailureReason(), std::optional<String>("The shortcut can't be used!"));
    EXPECT_EQ(error->localizedRecoverySuggestion(), std::nullopt);
    EXPECT_EQ(NSError::errorWithDomain("Domain", 7)->localizedDescription(),
              String("The operation couldn\u2019t be completed. (Domain error 7.)"));
}

class LaunchTest : public ApplicationTest {
protected:
    static simulation::DesktopState ownProcessFrontmost()
    {
        auto state = standardDesktop();
        state.frontmostApplication = kOwn;
        return state;
    }
    LaunchTest()
        : ApplicationTest(ownProcessFrontmost())
    {
    }
};

TEST_F(LaunchTest, LaunchNoticesComeFirstThenTheActivation)
{
    app()->finishLaunching();
    app()->finishLaunching();
    EXPECT_EQ(log, (Log{"delegate willFinishLaunching", "delegate didFinishLaunching"}));
    EXPECT_FALSE(app()->isActive());
    drain();
    EXPECT_EQ(log, (Log{"delegate willFinishLaunching", "delegate didFinishLaunching", "delegate willBecomeActive",
                        "delegate didBecomeActive", "NSApplicationDidBecomeActiveNotification app"}));
    EXPECT_TRUE(app()->isActive());
}

}  // namespace
