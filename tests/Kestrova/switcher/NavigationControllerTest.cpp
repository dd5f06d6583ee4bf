#include "Kestrova/NavigationController.h"

#include "Kestrova/EmbedSegue.h"
#include "Kestrova/MainViewController.h"
#include "Kestrova/RunningAppObject.h"
#include "Kestrova/WindowsViewController.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSView.h"

namespace {

std::shared_ptr<NSViewController> controllerOfSize(NSSize preferred)
{
    auto controller = std::make_shared<NSViewController>();
    controller->setView(std::make_shared<NSView>(NSMakeRect(0, 0, 10, 10)));
    controller->setPreferredContentSize(preferred);
    return controller;
}

// A navigation controller with its root child's view in its own, as the
// storyboard embeds it.
struct Stack {
    std::shared_ptr<NavigationController> navigation = std::make_shared<NavigationController>();
    std::shared_ptr<NSViewController> root = controllerOfSize({400, 300});

    Stack()
    {
        navigation->setView(std::make_shared<NSView>(NSMakeRect(0, 0, 640, 480)));
        navigation->addChildViewController(root);
        navigation->view()->addSubview(root->view());
    }
};

class NavigationControllerTest : public KestrovaTest { };

TEST_F(NavigationControllerTest, PushShowsTheNewChildInPlaceOfTheTop)
{
    Stack stack;
    auto windows = controllerOfSize({320, 200});
    stack.navigation->push(windows);

    EXPECT_EQ(stack.navigation->childViewControllers().back(), windows);
    ASSERT_EQ(stack.navigation->view()->subviews().size(), 1u);
    EXPECT_EQ(stack.navigation->view()->subviews()[0], windows->view());
    EXPECT_EQ(windows->view()->frame(), stack.navigation->view()->bounds());
    EXPECT_EQ(windows->view()->autoresizingMask(), NSViewWidthSizable | NSViewHeightSizable);
    EXPECT_EQ(stack.navigation->preferredContentSize(), (NSSize{320, 200}));
}

TEST_F(NavigationControllerTest, PopReturnsToTheListWithItsPreferredSize)
{
    Stack stack;
    auto windows = controllerOfSize({320, 200});
    stack.navigation->push(windows);
    stack.navigation->pop(windows);

    EXPECT_EQ(stack.navigation->childViewControllers(), (std::vector<std::shared_ptr<NSViewController>>{stack.root}));
    EXPECT_FALSE(windows->parentViewController());
    EXPECT_EQ(stack.navigation->view()->subviews()[0], stack.root->view());
    EXPECT_EQ(stack.root->view()->frame(), stack.navigation->view()->bounds());
    EXPECT_EQ(stack.navigation->preferredContentSize(), (NSSize{400, 300}));
}

TEST_F(NavigationControllerTest, EmptyStacksAndTheRootStayAsTheyAre)
{
    auto navigation = std::make_shared<NavigationController>();
    navigation->push(controllerOfSize({1, 1}));
    EXPECT_TRUE(navigation->childViewControllers().empty());

    Stack stack;
    stack.navigation->pop(stack.root);
    EXPECT_EQ(stack.navigation->childViewControllers().size(), 1u);
    EXPECT_EQ(stack.root->parentViewController(), stack.navigation);
}

TEST_F(NavigationControllerTest, EmbedSeguePushesOnlyInsideANavigationController)
{
    Stack stack;
    auto destination = controllerOfSize({1, 1});
    EmbedSegue(String("Windows"), Id(stack.root), Id(destination)).perform();
    EXPECT_EQ(stack.navigation->childViewControllers().back(), destination);

    auto loose = controllerOfSize({1, 1});
    auto other = controllerOfSize({1, 1});
    EmbedSegue(String("Windows"), Id(loose), Id(other)).perform();
    EXPECT_FALSE(other->parentViewController());

    Stack second;
    EmbedSegue(String("Windows"), Id(second.root), Id(String("not a controller"))).perform();
    EXPECT_EQ(second.navigation->childViewControllers().size(), 1u);
}

TEST_F(NavigationControllerTest, TheMainListsWindowsSeguePushesTheWindowsList)
{
    auto navigation = NSStoryboard::mainStoryboard()
                          ->instantiateControllerWithIdentifier("Navigation")
                          .object<NavigationController>();
    ASSERT_TRUE(navigation);
    navigation->loadViewIfNeeded();
    auto list = navigation->childViewControllers().at(0);
    ASSERT_TRUE(list->isKindOf<MainViewController>());
    EXPECT_EQ(list->view()->superview(), navigation->view());

    auto safari = NSRunningApplication::runningApplicationWithProcessIdentifier(kSafari);
    NSStoryboard::performSegue(
        *list, "Windows",
        Id(std::make_shared<RunningAppObject>(RunningApp{safari, A11yElement::forApplication(kSafari)})));

    ASSERT_EQ(navigation->childViewControllers().size(), 2u);
    EXPECT_TRUE(navigation->childViewControllers()[1]->isKindOf<WindowsViewController>());
    EXPECT_EQ(navigation->view()->subviews()[0], navigation->childViewControllers()[1]->view());
}

}  // namespace
