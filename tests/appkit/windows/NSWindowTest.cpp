#include "appkit/NSWindow.h"
#include "AppKitTestFixture.h"
#include "NotificationRecorder.h"
#include "RecordingViewController.h"
#include "appkit/NSButton.h"
#include "appkit/NSScreen.h"
#include "appkit/NSWindowController.h"
#include "appkit/NSWindowDelegate.h"

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

class RecordingWindowDelegate : public NSObject, public NSWindowDelegate {
    KS_OBJECT(RecordingWindowDelegate, NSObject)
public:
    RecordingWindowDelegate(std::string name, Log& log)
        : name_(std::move(name))
        , log_(log)
    {
    }
    bool allowsClose = true;

    bool windowShouldClose(NSWindow&) override
    {
        log_.push_back(name_ + " shouldClose");
        return allowsClose;
    }
    void windowWillClose(NSNotification&) override { log_.push_back(name_ + " willClose"); }
    void windowDidBecomeKey(NSNotification&) override { log_.push_back(name_ + " didBecomeKey"); }
    void windowDidResignKey(NSNotification&) override { log_.push_back(name_ + " didResignKey"); }

private:
    std::string name_;
    Log& log_;
};

class CountingWindowController : public NSWindowController {
    KS_OBJECT(CountingWindowController, NSWindowController)
public:
    explicit CountingWindowController(Log& log)
        : log_(log)
    {
    }
    void windowWillLoad() override { log_.push_back("windowWillLoad"); }
    void windowDidLoad() override { log_.push_back("windowDidLoad"); }

private:
    Log& log_;
};

class WindowTest : public AppKitTest {
protected:
    WindowTest()
    {
        first = std::make_shared<NSWindow>();
        second = std::make_shared<NSWindow>();
        firstDelegate = std::make_shared<RecordingWindowDelegate>("first", log);
        secondDelegate = std::make_shared<RecordingWindowDelegate>("second", log);
        first->setDelegate(firstDelegate);
        second->setDelegate(secondDelegate);
    }

    std::string label(const Id& object) const
    {
        NSObject* pointer = object.objectPointer();
        return pointer == first.get() ? "first" : pointer == second.get() ? "second" : "other";
    }

    NotificationRecorder recordKeyNotifications()
    {
        return NotificationRecorder(log, {NSWindowDidBecomeKeyNotification, NSWindowDidResignKeyNotification},
                                    [this](const Id& object) { return label(object); });
    }

    Log log;
    std::shared_ptr<NSWindow> first, second;
    std::shared_ptr<RecordingWindowDelegate> firstDelegate, secondDelegate;
};

TEST_F(WindowTest, AnotherWindowBecomingKeyResignsTheFirst)
{
    activateProgram();
    auto recorder = recordKeyNotifications();
    first->makeKeyAndOrderFront(Id());
    second->makeKeyAndOrderFront(Id());
    EXPECT_EQ(log, (Log{"first didBecomeKey", "NSWindowDidBecomeKeyNotification first", "first didResignKey",
                        "NSWindowDidResignKeyNotification first", "second didBecomeKey",
                        "NSWindowDidBecomeKeyNotification second"}));
    EXPECT_TRUE(second->isKeyWindow());
    EXPECT_FALSE(first->isKeyWindow());
    EXPECT_EQ(app()->keyWindow(), second);
    EXPECT_EQ(app()->mainWindow(), second);
    log.clear();
    second->makeKeyWindow();
    EXPECT_TRUE(log.empty()) << "the key window again changes nothing";
}

TEST_F(WindowTest, KeyStatusWaitsForTheProgramToBeActive)
{
    auto recorder = recordKeyNotifications();
    first->makeKeyAndOrderFront(Id());
    EXPECT_FALSE(first->isKeyWindow());
    EXPECT_EQ(app()->keyWindow(), nullptr);
    EXPECT_TRUE(log.empty());

    activateProgram();
    EXPECT_TRUE(first->isKeyWindow());
    EXPECT_EQ(log, (Log{"first didBecomeKey", "NSWindowDidBecomeKeyNotification first"}));

    // Another application coming to the front takes key status away; coming
    // back gives it back to the same window.
    log.clear();
    desktop().activate(kSafari);
    drain();
    EXPECT_FALSE(first->isKeyWindow());
    EXPECT_EQ(log, (Log{"first didResignKey", "NSWindowDidResignKeyNotification first"}));
    log.clear();
    activateProgram();
    EXPECT_EQ(log, (Log{"first didBecomeKey", "NSWindowDidBecomeKeyNotification first"}));
}

TEST_F(WindowTest, ClosingTheKeyWindowHandsKeyToTheNextWindow)
{
    activateProgram();
    first->makeKeyAndOrderFront(Id());
    second->makeKeyAndOrderFront(Id());
    auto borderless = std::make_shared<NSWindow>(NSMakeRect(0, 0, 10, 10), NSWindowStyleMaskBorderless);
    borderless->makeKeyAndOrderFront(Id());
    EXPECT_FALSE(borderless->isKeyWindow()) << "a window without a title bar can't become key";
    log.clear();

    second->performClose(Id());
    EXPECT_EQ(log, (Log{"second shouldClose", "second willClose", "second didResignKey", "first didBecomeKey"}));
    EXPECT_FALSE(second->isVisible());
    EXPECT_TRUE(first->isKeyWindow());
    EXPECT_EQ(app()->orderedWindows(), (std::vector<std::shared_ptr<NSWindow>>{borderless, first}));
}

TEST_F(WindowTest, DelegateCanRefuseToClose)
{
    first->orderFront(Id());
    firstDelegate->allowsClose = false;
    std::size_t beeps = recorded(simulation::ProgramRecord::Kind::Beep);
    first->performClose(Id());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(recorded(simulation::ProgramRecord::Kind::Beep), beeps + 1);
    // close itself doesn't ask.
    first->close();
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(log, (Log{"first shouldClose", "first willClose"}));
}

TEST_F(WindowTest, ShownWindowsAreListedAndKeptAlive)
{
    std::weak_ptr<NSWindow> weak;
    {
        auto shown = std::make_shared<NSWindow>();
        shown->orderFront(Id());
        weak = shown;
    }
    auto shown = weak.lock();
    ASSERT_NE(shown, nullptr) << "the application holds a shown window";
    {
        auto windows = app()->windows();
        EXPECT_NE(std::find(windows.begin(), windows.end(), shown), windows.end());
    }
    EXPECT_EQ(app()->windowWithWindowNumber(shown->windowNumber()), shown);
    shown->close();
    shown.reset();
    EXPECT_TRUE(weak.expired());
}

TEST_F(WindowTest, WindowControllerLoadsItsWindowOnceAndLivesWhileItIsShown)
{
    std::weak_ptr<NSWindowController> weakController;
    std::weak_ptr<NSWindow> weakWindow;
    int loads = 0;
    {
        auto controller = std::make_shared<CountingWindowController>(log);
        controller->setWindowLoader([&] {
            ++loads;
            return std::make_shared<NSWindow>();
        });
        EXPECT_FALSE(controller->isWindowLoaded());
        controller->showWindow(Id());
        controller->showWindow(Id());
        EXPECT_EQ(controller->window()->windowController(), controller);
        weakController = controller;
        weakWindow = controller->window();
    }
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(log, (Log{"windowWillLoad", "windowDidLoad"}));
    auto controller = weakController.lock();
    ASSERT_NE(controller, nullptr) << "a shown window keeps its controller";
    EXPECT_TRUE(controller->window()->isVisible());
    controller->close();
    EXPECT_FALSE(weakWindow.lock()->isVisible());
    controller.reset();
    EXPECT_TRUE(weakController.expired());
    EXPECT_TRUE(weakWindow.expired());

    // A window given directly counts as loaded: no windowDidLoad.
    log.clear();
    auto given = std::make_shared<CountingWindowController>(log);
    given->setWindow(first);
    EXPECT_EQ(given->window(), first);
    EXPECT_TRUE(log.empty());
}

TEST_F(WindowTest, ContentViewControllerSizesTheWindowAndAppearsWithIt)
{
    auto controller = std::make_shared<RecordingViewController>("content", log);
    controller->setView(std::make_shared<NSView>(NSMakeRect(0, 0, 320, 240)));
    first->setContentViewController(controller);
    EXPECT_EQ(first->frame().size, NSMakeSize(320, 240));
    EXPECT_EQ(first->contentView(), controller->view());
    EXPECT_EQ(controller->view()->window(), first);
    first->makeKeyAndOrderFront(Id());
    EXPECT_EQ(log, (Log{"content viewWillAppear", "content viewDidAppear"}));
    first->setFrame(NSMakeRect(10, 10, 400, 300), true);
    EXPECT_EQ(controller->view()->frame(), NSMakeRect(0, 0, 400, 300));
}

TEST_F(WindowTest, TitleBarButtonsExistForTitledWindows)
{
    auto titled =
        std::make_shared<NSWindow>(NSMakeRect(0, 0, 100, 100), NSWindowStyleMaskTitled | NSWindowStyleMaskClosable);
    auto miniaturize = titled->standardWindowButton(NSWindowMiniaturizeButton);
    ASSERT_NE(miniaturize, nullptr);
    EXPECT_EQ(titled->standardWindowButton(NSWindowMiniaturizeButton), miniaturize);
    EXPECT_FALSE(miniaturize->isEnabled()) << "the style has no miniaturise button";
    EXPECT_TRUE(titled->standardWindowButton(NSWindowCloseButton)->isEnabled());
    miniaturize->setHidden(true);
    EXPECT_TRUE(titled->standardWindowButton(NSWindowMiniaturizeButton)->isHidden());
    auto borderless = std::make_shared<NSWindow>(NSMakeRect(0, 0, 100, 100), NSWindowStyleMaskBorderless);
    EXPECT_EQ(borderless->standardWindowButton(NSWindowCloseButton), nullptr);
}

TEST_F(WindowTest, ScreensUseTheBottomLeftSpaceAndCenterUsesTheVisibleFrame)
{
    desktop().setScreens({{.frame = CGRectMake(0, 0, 1000, 800)}, {.frame = CGRectMake(1000, -100, 600, 400)}});
    auto screens = NSScreen::screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0]->frame(), NSMakeRect(0, 0, 1000, 800));
    EXPECT_EQ(screens[0]->visibleFrame(), NSMakeRect(0, 0, 1000, 800 - NSScreen::menuBarHeight));
    // Top at y -100 in the desktop's space: its top edge is 100 above the
    // main screen's.
    EXPECT_EQ(screens[1]->frame(), NSMakeRect(1000, 500, 600, 400));
    EXPECT_EQ(screens[1]->visibleFrame(), screens[1]->frame());

    first->setFrame(NSMakeRect(0, 0, 200, 100), true);
    first->center();
    EXPECT_EQ(first->frame(), NSMakeRect(400, 338, 200, 100));
    first->setFrameOrigin(NSMakePoint(1100, 600));
    EXPECT_EQ(first->screen()->frame(), screens[1]->frame());
}

}  // namespace
