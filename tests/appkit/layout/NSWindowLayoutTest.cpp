#include "AppKitTestFixture.h"
#include "LayoutFixtures.h"
#include "RecordingViewController.h"
#include "appkit/NSWindow.h"

namespace {

class WindowLayoutTest : public AppKitTest {
protected:
    WindowLayoutTest()
    {
        window = std::make_shared<NSWindow>(NSMakeRect(100, 500, 400, 300));
        content = std::make_shared<ContentView>();
        content->setTranslatesAutoresizingMaskIntoConstraints(true);
        content->name = "content";
        content->log = &log;
        child = addChild(content, {100, 20});
        child->name = "child";
        child->log = &log;
        leading = child->leadingAnchor()->constraintEqualToAnchor(content->leadingAnchor(), 10);
        NSLayoutConstraint::activateConstraints(
            {leading, child->topAnchor()->constraintEqualToAnchor(content->topAnchor(), 10)});
    }

    std::vector<std::string> log;
    std::shared_ptr<NSWindow> window;
    std::shared_ptr<ContentView> content;
    std::shared_ptr<ContentView> child;
    std::shared_ptr<NSLayoutConstraint> leading;
};

TEST_F(WindowLayoutTest, PassesRunBeforeTheWindowShowsAfterItsViewsWillAppear)
{
    auto controller = std::make_shared<RecordingViewController>("controller", log);
    controller->setView(content);
    window->setContentViewController(controller);
    log.clear();
    window->makeKeyAndOrderFront(Id());
    EXPECT_EQ(log, (std::vector<std::string>{"controller viewWillAppear", "child updateConstraints",
                                             "content updateConstraints", "content layout", "child layout",
                                             "controller viewDidAppear"}));
    expectFrame(*child, {{10, 270}, {100, 20}});
}

TEST_F(WindowLayoutTest, ChangesWhileShownAreLaidOutOnTheRunLoop)
{
    window->setContentView(content);
    window->orderFront(Id());
    leading->setConstant(50);
    EXPECT_EQ(child->frame().origin.x, 10);
    drain();
    EXPECT_EQ(child->frame().origin.x, 50);

    // Nothing asked, nothing runs.
    log.clear();
    drain();
    EXPECT_TRUE(log.empty());

    // A hidden window waits until it is shown.
    window->orderOut(Id());
    leading->setConstant(70);
    drain();
    EXPECT_EQ(child->frame().origin.x, 50);
    window->orderFront(Id());
    EXPECT_EQ(child->frame().origin.x, 70);
}

TEST_F(WindowLayoutTest, TheWindowGrowsForContentThatInsistsAndKeepsItsTopEdge)
{
    window->setContentView(content);
    // Wider than the window, and required: the window follows.
    auto width = child->widthAnchor()->constraintEqualToConstant(600);
    auto trailing = content->trailingAnchor()->constraintEqualToAnchor(child->trailingAnchor(), 10);
    NSLayoutConstraint::activateConstraints({width, trailing});
    window->layoutIfNeeded();
    EXPECT_EQ(window->frame(), NSMakeRect(100, 500, 620, 300));
    EXPECT_EQ(content->frame(), NSMakeRect(0, 0, 620, 300));

    // A wish below the window's own hold leaves the window as it is.
    width->setActive(false);
    auto tall = child->heightAnchor()->constraintEqualToConstant(500);
    tall->setPriority(NSLayoutPriorityWindowSizeStayPut - 1);
    NSLayoutConstraint::activateConstraints(
        {tall, content->bottomAnchor()->constraintEqualToAnchor(child->bottomAnchor(), 10)});
    window->layoutIfNeeded();
    EXPECT_EQ(window->frame().size.height, 300);

    // A strong one grows the window downwards: its top edge stays at 800.
    tall->setPriority(NSLayoutPriorityDefaultHigh);
    window->layoutIfNeeded();
    EXPECT_EQ(window->frame().size.height, 520);
    EXPECT_EQ(window->frame().origin.y + window->frame().size.height, 800);
}

// A list makes its items in the layout pass that runs as its window comes on
// screen: their controllers come on screen with the window, and so hear when
// it goes.
TEST_F(WindowLayoutTest, ViewsAddedInThePassBeforeShowingAppearAndDisappearWithTheWindow)
{
    auto controller = std::make_shared<RecordingViewController>("controller", log);
    controller->setView(content);
    window->setContentViewController(controller);
    auto item = std::make_shared<RecordingViewController>("item", log);
    item->setView(std::make_shared<NSView>(NSMakeRect(0, 0, 50, 20)));
    content->onUpdateConstraints = [&] {
        if (!item->view()->superview())
            content->addSubview(item->view());
    };
    log.clear();
    window->makeKeyAndOrderFront(Id());
    auto calls = [&](const std::string& who) {
        std::vector<std::string> result;
        for (const auto& entry : log)
            if (entry.rfind(who + " view", 0) == 0)
                result.push_back(entry);
        return result;
    };
    EXPECT_EQ(calls("item"), (std::vector<std::string>{"item viewWillAppear", "item viewDidAppear"}));
    log.clear();
    window->orderOut(Id());
    EXPECT_EQ(calls("item"), (std::vector<std::string>{"item viewWillDisappear", "item viewDidDisappear"}));
    EXPECT_EQ(calls("controller"),
              (std::vector<std::string>{"controller viewWillDisappear", "controller viewDidDisappear"}));
}

}  // namespace
