#include "AppKitTestFixture.h"
#include "RecordingViewController.h"
#include "appkit/NSWindow.h"

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

class ViewControllerTest : public AppKitTest {
protected:
    std::shared_ptr<RecordingViewController> controller(const std::string& name)
    {
        return std::make_shared<RecordingViewController>(name, log);
    }

    // A parent whose view holds the child's view, as embedded scenes are.
    void embed(const std::shared_ptr<NSViewController>& parent, const std::shared_ptr<NSViewController>& child)
    {
        parent->addChildViewController(child);
        parent->view()->addSubview(child->view());
    }

    Log log;
};

TEST_F(ViewControllerTest, ViewLoadsOnceOnFirstUse)
{
    auto scene = controller("scene");
    auto made = std::make_shared<NSView>(NSMakeRect(0, 0, 30, 20));
    int loads = 0;
    scene->setViewLoader([&] {
        ++loads;
        return made;
    });
    EXPECT_FALSE(scene->isViewLoaded());
    EXPECT_EQ(scene->view(), made);
    EXPECT_EQ(scene->view(), made);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(log, (Log{"scene loadView", "scene viewDidLoad"}));
    EXPECT_EQ(made->viewController(), scene);

    // Without a loader the controller gets a plain view.
    auto plain = controller("plain");
    EXPECT_NE(plain->view(), nullptr);
}

TEST_F(ViewControllerTest, AppearanceFollowsTheWindowParentsFirst)
{
    auto parent = controller("parent");
    auto child = controller("child");
    embed(parent, child);
    auto window = std::make_shared<NSWindow>();
    window->setContentViewController(parent);
    log.clear();

    window->makeKeyAndOrderFront(Id());
    window->orderFront(Id());
    EXPECT_EQ(log,
              (Log{"parent viewWillAppear", "child viewWillAppear", "parent viewDidAppear", "child viewDidAppear"}));
    log.clear();
    window->close();
    window->close();
    EXPECT_EQ(log, (Log{"parent viewWillDisappear", "child viewWillDisappear", "parent viewDidDisappear",
                        "child viewDidDisappear"}));
    log.clear();
    window->orderFront(Id());
    EXPECT_EQ(log.front(), "parent viewWillAppear") << "a window shown again appears again";
    EXPECT_TRUE(child->isOnScreen());
}

TEST_F(ViewControllerTest, ViewsJoiningOrLeavingAVisibleWindowAppearOrDisappear)
{
    auto window = std::make_shared<NSWindow>();
    auto holder = std::make_shared<NSView>();
    window->setContentView(holder);
    window->orderFront(Id());
    auto other = std::make_shared<NSView>();
    holder->addSubview(other);

    auto panel = controller("panel");
    holder->addSubview(panel->view());
    log.clear();
    // Moving inside the window it is already shown in changes nothing.
    other->addSubview(panel->view());
    EXPECT_TRUE(log.empty());
    panel->view()->removeFromSuperview();
    EXPECT_EQ(log, (Log{"panel viewWillDisappear", "panel viewDidDisappear"}));
    log.clear();
    // A view that goes into a hidden window doesn't appear.
    auto offscreen = std::make_shared<NSWindow>();
    offscreen->setContentView(panel->view());
    EXPECT_TRUE(log.empty());
    holder->addSubview(panel->view());
    EXPECT_EQ(log, (Log{"panel viewWillAppear", "panel viewDidAppear"}));
    EXPECT_EQ(offscreen->contentView(), nullptr) << "a view has one place";
}

TEST_F(ViewControllerTest, TransitionSwapsTheChildrensViews)
{
    auto parent = controller("stack");
    auto root = controller("root");
    auto pushed = controller("pushed");
    embed(parent, root);
    root->view()->setFrame(NSMakeRect(0, 0, 250, 136));
    auto window = std::make_shared<NSWindow>();
    window->setContentViewController(parent);
    window->orderFront(Id());
    parent->addChildViewController(pushed);
    log.clear();

    parent->transitionFromViewController(root, pushed, NSViewControllerTransitionNone, [&] { log.push_back("done"); });
    EXPECT_EQ(log, (Log{"pushed loadView", "pushed viewDidLoad", "root viewWillDisappear", "pushed viewWillAppear",
                        "root viewDidDisappear", "pushed viewDidAppear", "done"}));
    EXPECT_EQ(pushed->view()->superview(), parent->view());
    EXPECT_EQ(pushed->view()->frame(), NSMakeRect(0, 0, 250, 136));
    EXPECT_EQ(root->view()->superview(), nullptr);
    ASSERT_EQ(parent->childViewControllers().size(), 2u);

    log.clear();
    parent->transitionFromViewController(pushed, root, NSViewControllerTransitionNone, nullptr);
    pushed->removeFromParentViewController();
    EXPECT_EQ(
        log, (Log{"pushed viewWillDisappear", "root viewWillAppear", "pushed viewDidDisappear", "root viewDidAppear"}));
    EXPECT_EQ(parent->childViewControllers(), (std::vector<std::shared_ptr<NSViewController>>{root}));
    EXPECT_EQ(pushed->parentViewController(), nullptr);
    EXPECT_EQ(root->parentViewController(), parent);
}

TEST_F(ViewControllerTest, ChildMovesToItsNewParent)
{
    auto first = controller("first");
    auto second = controller("second");
    auto child = controller("child");
    first->addChildViewController(child);
    second->insertChildViewController(child, 0);
    EXPECT_TRUE(first->childViewControllers().empty());
    EXPECT_EQ(child->parentViewController(), second);
}

}  // namespace
