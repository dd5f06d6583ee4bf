// Mini mode: the popover under the status item, its per-application
// shortcuts, the windows list it sizes, and every way out of it ending the
// switcher as the main window's ways out do.

#include "Kestrova/MiniViewController.h"

#include "Kestrova/ActiveState.h"
#include "Kestrova/InactiveState.h"
#include "Kestrova/NavigationController.h"
#include "Kestrova/PermissionViewController.h"
#include "Kestrova/RunningAppObject.h"
#include "Kestrova/WindowManager.h"
#include "Kestrova/WindowsViewController.h"
#include "SwitcherTest.h"
#include "appkit/NSPopover.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSStoryboardSegue.h"
#include "appkit/NSTextField.h"
#include "appkit/NSView.h"

namespace {

class MiniViewControllerTest : public SwitcherTest {
protected:
    MiniViewControllerTest() { defaults().setBool(true, "miniMode"); }

    // Mini mode opened by the global shortcut; nothing when no popover shows.
    std::shared_ptr<NSPopover> openMiniMode()
    {
        openSwitcher();
        auto popover = delegate->popover();
        return popover && popover->isShown() ? popover : nullptr;
    }

    static std::shared_ptr<NSViewController> shownChild(const NSPopover& popover)
    {
        auto content = popover.contentViewController();
        return content->childViewControllers().empty() ? content : content->childViewControllers().back();
    }

    // An application called "Browser" with that many titled windows and the
    // shortcut Command-Option-S.
    void addBrowser(pid_t pid, std::size_t windows)
    {
        std::vector<std::optional<std::string>> titles;
        for (std::size_t i = 0; i < windows; ++i)
            titles.push_back("Window " + std::to_string(i + 1));
        addApplication(pid, "Browser", titles);
        storeShortcuts({{Id("Browser"), Id("@~s")}});
    }

    bool programHidden() { return desktop().application(kOwn)->hidden; }
};

// Each way out hides the program and hands the focus back; the next global
// shortcut opens mini mode again.
TEST_F(MiniViewControllerTest, EveryWayOutOfMiniModeEndsTheSwitcher)
{
    struct Case {
        const char* what;
        bool trusted;
        bool windowsList;
        std::uint16_t keyCode;
        std::uint64_t flags;
    };
    const Case cases[] = {
        {"Escape", true, false, kEscape, 0},
        {"Command-W", true, false, kW, kCommand},
        {"Escape on the permission screen", false, false, kEscape, 0},
        {"Command-W on the permission screen", false, false, kW, kCommand},
        {"Escape in a windows list", true, true, kEscape, 0},
        {"Command-W in a windows list", true, true, kW, kCommand},
    };
    pid_t pid = 700;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        relaunch();
        desktop().setTrusted(c.trusted);
        addBrowser(++pid, 3);

        auto popover = openMiniMode();
        ASSERT_TRUE(popover);
        if (c.windowsList) {
            press(kS, kCommandOption);
            ASSERT_TRUE(shownChild(*popover)->isKindOf<WindowsViewController>());
            ASSERT_FALSE(programHidden()) << "pushing the windows list is no way out";
        }

        press(c.keyCode, c.flags);

        EXPECT_FALSE(popover->isShown());
        EXPECT_TRUE(programHidden());
        EXPECT_EQ(desktop().frontmostApplication(), kFinder);
        EXPECT_TRUE(std::dynamic_pointer_cast<InactiveState>(delegate->appState()));
        EXPECT_FALSE(delegate->popover());

        auto again = openMiniMode();
        EXPECT_TRUE(again) << "the next global shortcut opens mini mode again";
        EXPECT_NE(again, popover);
        EXPECT_EQ(desktop().frontmostApplication(), kOwn);
        EXPECT_TRUE(std::dynamic_pointer_cast<ActiveState>(delegate->appState()));
    }
}

// A popover that closes because the program resigned needs no more hiding:
// the program stays as the activation left it.
TEST_F(MiniViewControllerTest, ClosingOnResignHidesNothingMore)
{
    desktop().setTrusted(false);
    auto popover = openMiniMode();
    ASSERT_TRUE(popover);
    desktop().activate(kSafari);
    drain();
    EXPECT_FALSE(popover->isShown());
    EXPECT_FALSE(programHidden());
    EXPECT_EQ(desktop().frontmostApplication(), kSafari);
    EXPECT_TRUE(std::dynamic_pointer_cast<InactiveState>(delegate->appState()));
}

TEST_F(MiniViewControllerTest, AShortcutActivatesAnApplicationWithOneWindow)
{
    addBrowser(700, 1);
    auto popover = openMiniMode();
    ASSERT_TRUE(popover);
    auto mini = std::dynamic_pointer_cast<MiniViewController>(shownChild(*popover));
    ASSERT_TRUE(mini);
    // Its size is the view's fitting size when it loaded.
    EXPECT_EQ(mini->preferredContentSize(), mini->view()->fittingSize());
    EXPECT_EQ(popover->contentSize(), mini->view()->fittingSize());

    press(kS, kCommandOption);

    EXPECT_EQ(programActivations().back(), "700 activateWithOptions: 0");
    EXPECT_EQ(desktop().frontmostApplication(), 700);
    EXPECT_FALSE(popover->isShown());
    EXPECT_TRUE(std::dynamic_pointer_cast<InactiveState>(delegate->appState()));
}

TEST_F(MiniViewControllerTest, ItsHintIsALabelNotAField)
{
    auto popover = openMiniMode();
    ASSERT_TRUE(popover);
    std::size_t labels = 0;
    for (const auto& subview : shownChild(*popover)->view()->subviews()) {
        auto text = std::dynamic_pointer_cast<NSTextField>(subview);
        if (!text)
            continue;
        ++labels;
        EXPECT_FALSE(text->isEditable() || text->isSelectable() || text->isBezeled() || text->isBordered() ||
                     text->drawsBackground())
            << text->stringValue().utf8();
    }
    EXPECT_EQ(labels, 1u);
}

TEST_F(MiniViewControllerTest, TheWindowsListIsSizedForUpToFiveWindows)
{
    struct Case {
        std::size_t windows;
        CGFloat height;
    };
    const Case cases[] = {{2, 136}, {3, 172}, {4, 208}, {5, 244}, {8, 244}};
    pid_t pid = 700;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.windows);
        relaunch();
        addBrowser(++pid, c.windows);

        auto popover = openMiniMode();
        ASSERT_TRUE(popover);
        press(kS, kCommandOption);

        auto windows = std::dynamic_pointer_cast<WindowsViewController>(shownChild(*popover));
        ASSERT_TRUE(windows);
        EXPECT_EQ(windows->preferredContentSize(), NSMakeSize(250, c.height));
        EXPECT_EQ(popover->contentViewController()->preferredContentSize(), NSMakeSize(250, c.height));
        ASSERT_TRUE(windows->runningApp());
        EXPECT_EQ(windows->runningApp()->runningApplication->processIdentifier(), pid);
        EXPECT_EQ(programActivations().back(), "100 activateWithOptions: 3") << "nothing else was activated";

        // The mini view's shortcuts are off while the windows list shows.
        press(kS, kCommandOption);
        EXPECT_EQ(shownChild(*popover), windows);
    }
}

TEST_F(MiniViewControllerTest, OnlyTheWindowsSegueWithAnApplicationIsPrepared)
{
    auto mini = std::make_shared<MiniViewController>();
    auto application = Id(std::make_shared<RunningAppObject>(RunningApp{
        NSRunningApplication::runningApplicationWithProcessIdentifier(kSafari), A11yElement::forApplication(kSafari)}));
    struct Case {
        const char* what;
        const char* identifier;
        bool windowsList;
        Id sender;
        bool prepared;
    };
    const Case cases[] = {
        // No saved windows for the process: a list of no rows.
        {"no saved windows", "Windows", true, application, true},
        {"another segue", "Other", true, application, false},
        {"another destination", "Windows", false, application, false},
        {"no application", "Windows", true, Id(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto destination = c.windowsList ? std::make_shared<WindowsViewController>() : nullptr;
        NSStoryboardSegue segue(c.identifier, Id(mini),
                                destination ? Id(destination) : Id(std::make_shared<NSViewController>()));
        mini->prepareForSegue(segue, c.sender);
        if (!destination)
            continue;
        EXPECT_EQ(destination->preferredContentSize(), c.prepared ? NSMakeSize(250, 64) : NSZeroSize);
        EXPECT_EQ(bool(destination->runningApp()), c.prepared);
    }
}

TEST_F(MiniViewControllerTest, LeavingTheScreenHidesTheProgramOnlyAsTheNavigationsOnlyChild)
{
    struct Case {
        const char* what;
        const char* parent;  // "navigation", "other" or nullptr
        bool pushed;
        bool hides;
    };
    const Case cases[] = {
        {"the only child", "navigation", false, true},
        {"the windows list pushed over it", "navigation", true, false},
        {"no parent", nullptr, false, false},
        {"a parent of another class", "other", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desktop().setHidden(kOwn, false);
        auto mini = std::make_shared<MiniViewController>();
        mini->setView(std::make_shared<NSView>());
        std::shared_ptr<NSViewController> parent;
        if (c.parent)
            parent = std::string(c.parent) == "navigation" ? std::make_shared<NavigationController>()
                                                           : std::make_shared<NSViewController>();
        if (parent) {
            parent->setView(std::make_shared<NSView>());
            parent->addChildViewController(mini);
            if (c.pushed)
                parent->addChildViewController(std::make_shared<WindowsViewController>());
        }
        mini->viewWillDisappear();
        EXPECT_EQ(programHidden(), c.hides);
    }
}

}  // namespace
