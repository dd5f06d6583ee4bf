#include "appkit/NSPopover.h"
#include "AppKitTestFixture.h"
#include "RecordingViewController.h"
#include "appkit/NSMenu.h"
#include "appkit/NSPopoverDelegate.h"
#include "appkit/NSScreen.h"
#include "appkit/NSStatusBar.h"
#include "appkit/NSStatusBarButton.h"
#include "appkit/NSStatusItem.h"
#include "appkit/NSWindow.h"
#include "foundation/NSException.h"

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

class RecordingPopoverDelegate : public NSPopoverDelegate {
public:
    explicit RecordingPopoverDelegate(Log& log)
        : log_(log)
    {
    }
    bool allowsClose = true;
    bool popoverShouldClose(NSPopover&) override
    {
        log_.push_back("delegate shouldClose");
        return allowsClose;
    }
    void popoverWillShow(NSNotification&) override { log_.push_back("delegate willShow"); }
    void popoverDidShow(NSNotification&) override { log_.push_back("delegate didShow"); }
    void popoverWillClose(NSNotification&) override { log_.push_back("delegate willClose"); }
    void popoverDidClose(NSNotification&) override { log_.push_back("delegate didClose"); }

private:
    Log& log_;
};

// A popover under a variable-length status item, as the switcher's mini
// mode and preferences show it.
class PopoverTest : public AppKitTest {
protected:
    PopoverTest()
        : item(NSStatusBar::systemStatusBar().statusItemWithLength(NSVariableStatusItemLength))
        , content(std::make_shared<RecordingViewController>("content", log))
        , popover(std::make_shared<NSPopover>())
        , delegate(std::make_shared<RecordingPopoverDelegate>(log))
    {
        content->setView(std::make_shared<NSView>(NSMakeRect(0, 0, 300, 200)));
        popover->setContentViewController(content);
        popover->setDelegate(delegate);
    }

    void show()
    {
        auto button = item->button();
        popover->showRelativeToRect(button->bounds(), button, NSRectEdgeMinY);
    }

    Log log;
    std::shared_ptr<NSStatusItem> item;
    std::shared_ptr<RecordingViewController> content;
    std::shared_ptr<NSPopover> popover;
    std::shared_ptr<RecordingPopoverDelegate> delegate;
};

TEST_F(PopoverTest, StatusItemButtonSitsInTheMenuBar)
{
    auto button = item->button();
    ASSERT_NE(button, nullptr);
    auto window = button->window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->canBecomeKeyWindow());
    NSRect screen = NSScreen::mainScreen()->frame();
    EXPECT_EQ(window->frame().origin.y + window->frame().size.height, screen.size.height);
    EXPECT_EQ(window->frame().size.height, NSStatusBar::systemStatusBar().thickness());
    EXPECT_EQ(button->frame().size, window->frame().size);
    EXPECT_EQ(item->length(), NSVariableStatusItemLength);

    // The button opens the menu when there is one, else sends its action.
    button->performClick(Id());
    EXPECT_EQ(recorded(simulation::ProgramRecord::Kind::MenuOpened), 0u);
    item->setMenu(std::make_shared<NSMenu>());
    button->performClick(Id());
    EXPECT_EQ(recorded(simulation::ProgramRecord::Kind::MenuOpened), 1u);
}

TEST_F(PopoverTest, ShowingLoadsTheContentAndBringsItOnScreenBelowTheItem)
{
    popover->setContentSize(NSMakeSize(250, 136));
    popover->setAnimates(false);
    log.clear();
    show();
    EXPECT_EQ(log, (Log{"delegate willShow", "content viewWillAppear", "content viewDidAppear", "delegate didShow"}));
    EXPECT_TRUE(popover->isShown());

    auto window = content->view()->window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window, popover->popoverWindow());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->frame().size, NSMakeSize(250, 136));
    NSRect anchor = item->button()->window()->frame();
    EXPECT_EQ(window->frame().origin.y + window->frame().size.height, anchor.origin.y);
    EXPECT_EQ(window->frame().origin.x + 125, anchor.origin.x + anchor.size.width / 2);

    // Showing again moves the popover; nothing appears twice.
    log.clear();
    show();
    EXPECT_TRUE(log.empty());
}

TEST_F(PopoverTest, ShowingLoadsAViewThatIsNotLoadedYet)
{
    auto fresh = std::make_shared<RecordingViewController>("fresh", log);
    popover->setContentViewController(fresh);
    show();
    EXPECT_EQ(log, (Log{"delegate willShow", "fresh loadView", "fresh viewDidLoad", "fresh viewWillAppear",
                        "fresh viewDidAppear", "delegate didShow"}));
}

TEST_F(PopoverTest, ClosingTakesTheContentOffScreenAndTellsTheDelegate)
{
    show();
    log.clear();
    popover->close();
    EXPECT_EQ(
        log, (Log{"delegate willClose", "content viewWillDisappear", "content viewDidDisappear", "delegate didClose"}));
    EXPECT_FALSE(popover->isShown());
    log.clear();
    popover->close();
    popover->performClose(Id());
    EXPECT_TRUE(log.empty()) << "a closed popover closes once";

    show();
    log.clear();
    delegate->allowsClose = false;
    popover->performClose(Id());
    EXPECT_TRUE(popover->isShown());
    EXPECT_EQ(log, (Log{"delegate shouldClose"}));
}

TEST_F(PopoverTest, ClosingItsWindowClosesThePopover)
{
    struct Row {
        const char* name;
        void (*close)(NSWindow& window);
        bool delegateAsked;
    };
    const Row rows[] = {
        {"close", [](NSWindow& w) { w.close(); }, false},
        {"performClose:", [](NSWindow& w) { w.performClose(Id()); }, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        show();
        log.clear();
        auto window = popover->popoverWindow();
        row.close(*window);
        Log expected{"delegate willClose", "content viewWillDisappear", "content viewDidDisappear",
                     "delegate didClose"};
        if (row.delegateAsked)
            expected.insert(expected.begin(), "delegate shouldClose");
        EXPECT_EQ(log, expected);
        EXPECT_FALSE(popover->isShown());
        EXPECT_FALSE(window->isVisible());
    }

    // A delegate that refuses keeps the popover, and its window, on screen.
    show();
    delegate->allowsClose = false;
    popover->popoverWindow()->performClose(Id());
    EXPECT_TRUE(popover->isShown());
    EXPECT_TRUE(popover->popoverWindow()->isVisible());
}

TEST_F(PopoverTest, ShownPopoverKeepsItselfAlive)
{
    std::weak_ptr<NSPopover> weak = popover;
    show();
    popover.reset();
    ASSERT_FALSE(weak.expired());
    weak.lock()->close();
    EXPECT_TRUE(weak.expired());
}

TEST_F(PopoverTest, ShowingNeedsContentAndAPositioningViewInAWindow)
{
    EXPECT_THROW(popover->showRelativeToRect(NSZeroRect, std::make_shared<NSView>(), NSRectEdgeMinY), NSException);
    auto empty = std::make_shared<NSPopover>();
    EXPECT_THROW(empty->showRelativeToRect(NSZeroRect, item->button(), NSRectEdgeMinY), NSException);
    EXPECT_FALSE(popover->isShown());
}

TEST_F(PopoverTest, BehaviourDecidesWhatClosesThePopover)
{
    struct Case {
        const char* name;
        NSPopoverBehavior behavior;
        bool closesOnResign;
        bool closesOnClickElsewhere;
        bool closesOnEscape;
    } cases[] = {
        {.name = "transient",
         .behavior = NSPopoverBehaviorTransient,
         .closesOnResign = true,
         .closesOnClickElsewhere = true,
         .closesOnEscape = true},
        {.name = "semitransient",
         .behavior = NSPopoverBehaviorSemitransient,
         .closesOnResign = false,
         .closesOnClickElsewhere = true,
         .closesOnEscape = true},
        {.name = "application defined",
         .behavior = NSPopoverBehaviorApplicationDefined,
         .closesOnResign = false,
         .closesOnClickElsewhere = false,
         .closesOnEscape = false},
    };
    auto other = std::make_shared<NSWindow>();
    other->orderFront(Id());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        popover->setBehavior(c.behavior);

        activateProgram();
        show();
        desktop().activate(kSafari);
        drain();
        EXPECT_EQ(popover->isShown(), !c.closesOnResign);

        activateProgram();
        show();
        app()->sendEvent(NSEvent::mouseEventWithType(NSEventTypeLeftMouseDown, NSMakePoint(5, 5), 0, 0,
                                                     other->windowNumber(), Id(), 0, 1, 1));
        EXPECT_EQ(popover->isShown(), !c.closesOnClickElsewhere);
        // A click inside the popover never closes it.
        show();
        app()->sendEvent(NSEvent::mouseEventWithType(NSEventTypeLeftMouseDown, NSMakePoint(5, 5), 0, 0,
                                                     popover->popoverWindow()->windowNumber(), Id(), 0, 1, 1));
        EXPECT_TRUE(popover->isShown());

        popover->popoverWindow()->makeKeyAndOrderFront(Id());
        app()->sendEvent(keyDown(53, "\x1b"));
        EXPECT_EQ(popover->isShown(), !c.closesOnEscape);
        popover->close();
    }
}

TEST_F(PopoverTest, FollowsItsControllersPreferredContentSize)
{
    show();
    auto window = popover->popoverWindow();
    EXPECT_EQ(window->frame().size, (NSSize{300, 200}));

    content->setPreferredContentSize({250, 172});
    EXPECT_EQ(popover->contentSize(), (NSSize{250, 172}));
    EXPECT_EQ(window->frame().size, (NSSize{250, 172}));
    // An empty size says nothing about the size wanted.
    content->setPreferredContentSize(NSZeroSize);
    EXPECT_EQ(window->frame().size, (NSSize{250, 172}));

    // Only the controller shown counts.
    auto other = std::make_shared<NSViewController>();
    other->setView(std::make_shared<NSView>(NSMakeRect(0, 0, 100, 100)));
    popover->setContentViewController(other);
    NSSize switched = window->frame().size;
    content->setPreferredContentSize({400, 400});
    EXPECT_EQ(window->frame().size, switched);
    other->setPreferredContentSize({120, 80});
    EXPECT_EQ(window->frame().size, (NSSize{120, 80}));
}

}  // namespace
