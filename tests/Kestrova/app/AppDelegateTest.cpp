#include "Kestrova/AppDelegate.h"

#include "Kestrova/AboutWindow.h"
#include "Kestrova/ActiveState.h"
#include "Kestrova/InactiveState.h"
#include "Kestrova/MainWindow.h"
#include "Kestrova/MainWindowController.h"
#include "Kestrova/NavigationController.h"
#include "Kestrova/PermissionViewController.h"
#include "Kestrova/PreferencesViewController.h"
#include "Kestrova/WelcomeWindow.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSImage.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSPopover.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSStatusBarButton.h"
#include "appkit/NSStatusItem.h"
#include "appkit/NSViewController.h"
#include "shortcut-library/SRShortcutAction.h"

namespace {

class AppDelegateTest : public KestrovaTest { };

TEST_F(AppDelegateTest, FirstLaunchWritesTheMissingDefaultsAndShowsWelcome)
{
    auto delegate = launch();
    ASSERT_TRUE(delegate);

    Dictionary stored = defaults().persistentDomain();
    EXPECT_EQ(stored.objectForKey(Id("shortcut-Kestrova")), Id(String(u"^\t")));
    Id remember = stored.objectForKey(Id("rememberShortcuts"));
    EXPECT_TRUE(remember.isBoolean());
    EXPECT_TRUE(remember.boolValue());
    // Written, not registered: another reader of the file sees them.
    auto fromDisk = NSUserDefaults::create(String(home().path()), "com.kestrova.Kestrova");
    EXPECT_EQ(fromDisk->objectForKey("shortcut-Kestrova"), Id(String(u"^\t")));

    EXPECT_EQ(visibleWindowsOf<WelcomeWindow>().size(), 1u);
    EXPECT_TRUE(std::dynamic_pointer_cast<InactiveState>(delegate->appState()));

    auto button = delegate->statusItem()->button();
    ASSERT_TRUE(button->image());
    EXPECT_TRUE(button->image()->path().hasSuffix("Status Item.png"));
    EXPECT_EQ(delegate->statusItem()->menu(), delegate->menu());
    EXPECT_EQ(delegate->statusItem()->length(), NSVariableStatusItemLength);
}

TEST_F(AppDelegateTest, LaterLaunchKeepsWhatIsStored)
{
    defaults().setObject(Id(String("@$a")), "shortcut-Kestrova");
    defaults().setBool(false, "rememberShortcuts");
    defaults().setBool(false, "firstLaunch");

    launch();

    EXPECT_EQ(defaults().objectForKey("shortcut-Kestrova"), Id(String("@$a")));
    EXPECT_EQ(defaults().objectForKey("rememberShortcuts"), Id::boolean(false));
    EXPECT_TRUE(visibleWindowsOf<WelcomeWindow>().empty());
}

TEST_F(AppDelegateTest, WelcomeShowsUnlessFirstLaunchIsAStoredFalse)
{
    struct Case {
        const char* name;
        Id stored;
        bool welcome;
    };
    const Case cases[] = {
        {.name = "absent", .stored = Id(), .welcome = true},
        {.name = "true", .stored = Id::boolean(true), .welcome = true},
        {.name = "false", .stored = Id::boolean(false), .welcome = false},
        {.name = "a text", .stored = Id(String("NO")), .welcome = true},
        {.name = "the number 0", .stored = Id::number(0), .welcome = true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetProgram();
        defaults().setObject(c.stored, "firstLaunch");
        launch();
        EXPECT_EQ(visibleWindowsOf<WelcomeWindow>().size(), c.welcome ? 1u : 0u);
    }
}

class KillLauncherTest : public KestrovaTest, public ::testing::WithParamInterface<int> {
protected:
    KillLauncherTest()
        : KestrovaTest({.loginHelpers = GetParam()})
    {
    }
};

TEST_P(KillLauncherTest, TellsARunningHelperToQuitOnce)
{
    launch();
    std::vector<std::string> expected;
    if (GetParam() > 0)
        expected.push_back("killLauncher com.kestrova.Kestrova");
    EXPECT_EQ(posted(), expected);
}

INSTANTIATE_TEST_SUITE_P(Helpers, KillLauncherTest, ::testing::Values(0, 1, 2));

TEST_F(AppDelegateTest, MissingStatusImageStopsTheProgram)
{
    // A bundle like the program's, without the image.
    TemporaryFolder bundle;
    bundle.write("Kestrova.app/Contents/Info.plist", readFile(builtAppBundle() + "/Contents/Info.plist"));
    bundle.write("Kestrova.app/Contents/Resources/Main.storyboard.json",
                 readFile(builtAppBundle() + "/Contents/Resources/Main.storyboard.json"));
    useBundle(bundle.path() + "/Kestrova.app");

    auto delegate = loadApplicationScene();
    ASSERT_TRUE(delegate);
    try {
        app()->finishLaunching();
        FAIL() << "launched without the status image";
    } catch (const ProgramStopped& stopped) {
        EXPECT_STREQ(stopped.what(), "Expect image resource `Status Item` in the main bundle");
    }
}

TEST_F(AppDelegateTest, AShortcutBeforeLaunchStopsTheProgram)
{
    auto delegate = loadApplicationScene();
    EXPECT_THROW(pressGlobalShortcut(*delegate), ProgramStopped);
}

TEST_F(AppDelegateTest, GlobalShortcutOpensTheSwitcherAndASecondPressBringsTheSameWindowForward)
{
    defaults().setBool(false, "firstLaunch");
    auto delegate = launch();

    pressGlobalShortcut(*delegate);
    EXPECT_EQ(delegate->previousApplication()->processIdentifier(), kFinder);
    EXPECT_TRUE(std::dynamic_pointer_cast<ActiveState>(delegate->appState()));
    auto controller = delegate->mainWindowController();
    ASSERT_TRUE(controller);
    auto window = controller->window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_TRUE(window->contentViewController()->isKindOf<NavigationController>());
    EXPECT_EQ(desktop().frontmostApplication(), kOwn);

    pressGlobalShortcut(*delegate);
    // The program was frontmost at the second press.
    EXPECT_EQ(delegate->previousApplication()->processIdentifier(), kOwn);
    EXPECT_EQ(delegate->mainWindowController(), controller);
    EXPECT_EQ(visibleWindowsOf<MainWindow>().size(), 1u);
    EXPECT_TRUE(std::dynamic_pointer_cast<ActiveState>(delegate->appState()));
}

TEST_F(AppDelegateTest, TheLibrarysShortcutActionReachesTheDelegate)
{
    defaults().setBool(false, "firstLaunch");
    auto delegate = launch();
    auto action = std::make_shared<SRShortcutAction>();
    action->setTarget(delegate);
    EXPECT_TRUE(action->performActionOnTarget());
    drain();
    EXPECT_TRUE(std::dynamic_pointer_cast<ActiveState>(delegate->appState()));
}

TEST_F(AppDelegateTest, ResigningGivesTheFocusBackOnlyToTheFrontmostPreviousApplication)
{
    struct Case {
        const char* name;
        // What happens between opening the switcher and resigning.
        std::function<void(KestrovaTest&, AppDelegate&)> between;
        // How the program is left.
        std::function<void(KestrovaTest&)> leave;
        bool finderActivated;
    };
    auto hide = [](KestrovaTest& t) { t.app()->hide(Id()); };
    const Case cases[] = {
        {.name = "hidden: back to Finder",
         .between = [](KestrovaTest&, AppDelegate&) {},
         .leave = hide,
         .finderActivated = true},
        {.name = "the user clicked Safari",
         .between = [](KestrovaTest&, AppDelegate&) {},
         .leave = [](KestrovaTest& t) { t.desktop().activate(kSafari); },
         .finderActivated = false},
        {.name = "the shortcut was pressed while the program was frontmost",
         .between = [](KestrovaTest& t, AppDelegate& d) { t.pressGlobalShortcut(d); },
         .leave = hide,
         .finderActivated = false},
        {.name = "no previous application",
         .between = [](KestrovaTest&, AppDelegate& d) { d.setPreviousApplication(nullptr); },
         .leave = hide,
         .finderActivated = false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetProgram();
        desktop().activate(kFinder);
        defaults().setBool(false, "firstLaunch");
        auto delegate = launch();
        pressGlobalShortcut(*delegate);
        c.between(*this, *delegate);
        auto before = programActivations().size();

        c.leave(*this);
        drain();

        auto after = programActivations();
        std::vector<std::string> requests(after.begin() + static_cast<std::ptrdiff_t>(before), after.end());
        std::vector<std::string> expected;
        if (c.finderActivated)
            expected.push_back("200 activateWithOptions: 0");
        EXPECT_EQ(requests, expected);
        EXPECT_TRUE(std::dynamic_pointer_cast<InactiveState>(delegate->appState()));
        EXPECT_FALSE(delegate->mainWindowController());
        EXPECT_TRUE(visibleWindowsOf<MainWindow>().empty());
    }
}

TEST_F(AppDelegateTest, EscapeAndCommandWHideTheSwitcher)
{
    struct Case {
        const char* name;
        unsigned short keyCode;
        const char* characters;
        NSEventModifierFlags flags;
    };
    const Case cases[] = {
        {.name = "escape", .keyCode = 53, .characters = "\x1b", .flags = 0},
        {.name = "command-w", .keyCode = 13, .characters = "w", .flags = NSEventModifierFlagCommand},
        {.name = "command-option-w",
         .keyCode = 13,
         .characters = "w",
         .flags = NSEventModifierFlagCommand | NSEventModifierFlagOption},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetProgram();
        desktop().activate(kFinder);
        defaults().setBool(false, "firstLaunch");
        auto delegate = launch();
        pressGlobalShortcut(*delegate);
        ASSERT_TRUE(delegate->mainWindowController());

        sendKey(c.keyCode, c.characters, c.flags);

        EXPECT_TRUE(app()->isHidden());
        EXPECT_EQ(desktop().frontmostApplication(), kFinder);
        EXPECT_TRUE(std::dynamic_pointer_cast<InactiveState>(delegate->appState()));
        EXPECT_TRUE(visibleWindowsOf<MainWindow>().empty());
    }
}

TEST_F(AppDelegateTest, MiniModeShowsThePopoverSizedToFitWithoutAnimation)
{
    struct Case {
        const char* name;
        bool trusted;
        bool permission;
    };
    const Case cases[] = {
        {.name = "trusted", .trusted = true, .permission = false},
        {.name = "not trusted", .trusted = false, .permission = true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetProgram();
        desktop().activate(kFinder);
        desktop().setTrusted(c.trusted);
        defaults().setBool(false, "firstLaunch");
        defaults().setBool(true, "miniMode");
        auto delegate = launch();

        pressGlobalShortcut(*delegate);

        auto popover = delegate->popover();
        ASSERT_TRUE(popover);
        EXPECT_TRUE(popover->isShown());
        EXPECT_FALSE(popover->animates());
        EXPECT_EQ(popover->behavior(), NSPopoverBehaviorTransient);
        auto content = popover->contentViewController();
        if (c.permission)
            EXPECT_TRUE(content->isKindOf<PermissionViewController>());
        else
            EXPECT_TRUE(content->isKindOf<NavigationController>());
        EXPECT_EQ(popover->contentSize(), content->view()->fittingSize());
        EXPECT_EQ(popover->positioningView(), delegate->statusItem()->button());
        EXPECT_EQ(popover->preferredEdge(), NSRectEdgeMinY);
        EXPECT_TRUE(popover->popoverWindow()->isKeyWindow());
        EXPECT_FALSE(delegate->mainWindowController());

        // A second press leaves mini mode as it is.
        auto activations = programActivations().size();
        pressGlobalShortcut(*delegate);
        EXPECT_EQ(delegate->popover(), popover);
        EXPECT_TRUE(popover->isShown());
        EXPECT_EQ(programActivations().size(), activations);
        EXPECT_TRUE(std::dynamic_pointer_cast<ActiveState>(delegate->appState()));
    }
}

TEST_F(AppDelegateTest, PreferencesReplaceTheMiniPopoverAndHidingClosesThem)
{
    defaults().setBool(false, "firstLaunch");
    defaults().setBool(true, "miniMode");
    auto delegate = launch();
    pressGlobalShortcut(*delegate);
    auto mini = delegate->popover();

    delegate->performSelector("openPreferencesWithSender:", Id());
    drain();
    auto preferences = delegate->popover();
    ASSERT_NE(preferences, mini);
    EXPECT_TRUE(preferences->contentViewController()->isKindOf<PreferencesViewController>());
    EXPECT_TRUE(preferences->animates());
    EXPECT_EQ(preferences->contentSize(), preferences->contentViewController()->view()->frame().size);
    EXPECT_TRUE(std::dynamic_pointer_cast<ActiveState>(delegate->appState()));

    delegate->hideSwitcher();
    EXPECT_FALSE(preferences->isShown());
    EXPECT_FALSE(delegate->popover());
}

TEST_F(AppDelegateTest, HidingFollowsMiniModeAsItIsThen)
{
    defaults().setBool(false, "firstLaunch");
    auto delegate = launch();
    pressGlobalShortcut(*delegate);
    ASSERT_TRUE(delegate->mainWindowController());

    defaults().setBool(true, "miniMode");
    delegate->hideSwitcher();
    // Mini mode closes a popover; the main window's controller is left.
    EXPECT_TRUE(delegate->mainWindowController());

    defaults().setBool(false, "miniMode");
    delegate->hideSwitcher();
    EXPECT_FALSE(delegate->mainWindowController());
}

TEST_F(AppDelegateTest, ActivationSequenceDependsOnTheSystemVersion)
{
    struct Case {
        int majorVersion;
        std::vector<std::string> requests;
    };
    const Case cases[] = {
        {.majorVersion = 13, .requests = {"100 activateWithOptions: 3"}},
        {.majorVersion = 14,
         .requests = {"100 activateFromApplication:options: 3 from 200", "100 activateWithOptions: 3"}},
        {.majorVersion = 15,
         .requests = {"100 activateFromApplication:options: 3 from 200", "100 activateWithOptions: 3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.majorVersion);
        simulation::ScopedDesktop scoped(switcherDesktop({.majorVersion = c.majorVersion}));
        resetProgram();
        defaults().setBool(false, "firstLaunch");
        auto delegate = launch();
        pressGlobalShortcut(*delegate);
        auto requests = programActivations();
        EXPECT_EQ(requests, c.requests);
    }
}

TEST_F(AppDelegateTest, AboutWindowKeepsTheDockIconAndASecondRequestReusesIt)
{
    defaults().setBool(false, "firstLaunch");
    auto delegate = launch();

    delegate->performSelector("openAboutWithSender:", Id());
    drain();
    auto abouts = visibleWindowsOf<AboutWindow>();
    ASSERT_EQ(abouts.size(), 1u);
    EXPECT_EQ(desktop().frontmostApplication(), kOwn);

    delegate->performSelector("openAboutWithSender:", Id());
    drain();
    EXPECT_EQ(visibleWindowsOf<AboutWindow>(), abouts);

    // Switching away keeps the Dock icon while the window is open.
    desktop().activate(kFinder);
    drain();
    EXPECT_EQ(app()->activationPolicy(), NSApplicationActivationPolicyRegular);

    abouts.front()->close();
    abouts.clear();
    drain();
    desktop().activate(kOwn);
    drain();
    EXPECT_EQ(app()->activationPolicy(), NSApplicationActivationPolicyAccessory);
}

TEST_F(AppDelegateTest, UpdateDialogsSwitchTheActivationPolicy)
{
    auto delegate = launch();
    EXPECT_TRUE(delegate->performSelector("supportsGentleScheduledUpdateReminders").boolValue());

    Id arguments[] = {Id::boolean(true), Id(String("update")), Id(String("state"))};
    delegate->performSelector("standardUserDriverWillHandleShowingUpdate:forUpdate:state:", arguments);
    EXPECT_EQ(app()->activationPolicy(), NSApplicationActivationPolicyRegular);
    delegate->performSelector("standardUserDriverWillFinishUpdateSession");
    EXPECT_EQ(app()->activationPolicy(), NSApplicationActivationPolicyAccessory);
}

TEST_F(AppDelegateTest, StatusMenuActionsReachTheDelegate)
{
    auto delegate = launch();
    auto menu = delegate->menu();
    ASSERT_TRUE(menu);
    std::vector<std::string> actions;
    for (const auto& item : menu->itemArray()) {
        if (item->isSeparatorItem() || !item->target())
            continue;
        EXPECT_EQ(item->target().objectPointer(), delegate.get());
        actions.push_back(item->action().name());
    }
    EXPECT_EQ(actions, (std::vector<std::string>{
                           "openPreferencesWithSender:", "openAssignShortcutsWithSender:", "openAboutWithSender:"}));
}

}  // namespace
