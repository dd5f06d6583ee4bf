#include "Kestrova/MainWindow.h"

#include "Kestrova/CloseableView.h"
#include "Kestrova/CollectionViewPresentable.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"

namespace {

class PresentingController : public NSViewController, public CollectionViewPresentable {
public:
    std::shared_ptr<NSView> collectionView() const override { return list; }
    std::shared_ptr<NSView> list = std::make_shared<NSView>();
};

// A view that takes one key as its own key equivalent.
class KeyTaker : public NSView {
public:
    explicit KeyTaker(unsigned short keyCode)
        : keyCode_(keyCode)
    {
    }
    bool performKeyEquivalent(NSEvent& event) override { return event.keyCode() == keyCode_; }

private:
    unsigned short keyCode_;
};

class MainWindowTest : public KestrovaTest {
protected:
    // A main window on screen and key, in the active program.
    std::shared_ptr<MainWindow> shownWindow(const std::shared_ptr<NSView>& content = std::make_shared<NSView>())
    {
        auto window = std::make_shared<MainWindow>(NSMakeRect(0, 0, 400, 300), NSWindowStyleMaskBorderless);
        window->setContentView(content);
        app()->activateIgnoringOtherApps(true);
        window->makeKeyAndOrderFront(Id());
        drain();
        return window;
    }
};

TEST_F(MainWindowTest, BecomesKeyAndMainWhateverItsStyle)
{
    MainWindow window(NSMakeRect(0, 0, 10, 10), NSWindowStyleMaskBorderless);
    EXPECT_TRUE(window.canBecomeKeyWindow());
    EXPECT_TRUE(window.canBecomeMainWindow());
}

TEST_F(MainWindowTest, FirstResponderIsTheShownListsCollectionView)
{
    auto root = std::make_shared<NSViewController>();
    auto list = std::make_shared<PresentingController>();
    auto plain = std::make_shared<NSViewController>();
    auto shared = std::make_shared<MainWindow>();
    MainWindow& window = *shared;

    EXPECT_EQ(window.firstResponder(), nullptr) << "no content";
    window.setContentViewController(root);
    EXPECT_EQ(window.firstResponder(), nullptr) << "no children";
    root->addChildViewController(list);
    EXPECT_EQ(window.firstResponder(), list->list);
    root->addChildViewController(plain);
    EXPECT_EQ(window.firstResponder(), nullptr) << "the last child presents nothing";
    plain->removeFromParentViewController();
    list->list.reset();
    EXPECT_EQ(window.firstResponder(), nullptr) << "the list is gone";
}

TEST_F(MainWindowTest, EscapeHidesTheApplication)
{
    auto window = shownWindow();
    sendKey(53, "\x1b");
    EXPECT_TRUE(app()->isHidden());
}

TEST_F(MainWindowTest, EscapeTakenInsideIsNotSeenByTheWindow)
{
    auto content = std::make_shared<NSView>();
    content->addSubview(std::make_shared<KeyTaker>(53));
    auto window = shownWindow(content);
    sendKey(53, "\x1b");
    EXPECT_FALSE(app()->isHidden());
}

TEST_F(MainWindowTest, OtherKeysWithoutAListAreAnsweredByTheWindow)
{
    auto window = shownWindow();
    auto beeps = desktop().countProgramRecords(simulation::ProgramRecord::Kind::Beep);
    sendKey(0, "a");
    EXPECT_FALSE(app()->isHidden());
    // Nobody took the key: the end of the chain beeps, and nothing broke on
    // the way for want of a first responder.
    EXPECT_EQ(desktop().countProgramRecords(simulation::ProgramRecord::Kind::Beep), beeps + 1);
    auto event = NSEvent::keyEventWithType(NSEventTypeKeyDown, NSZeroPoint, 0, 0, 0, Id(), "a", "a", false, 0);
    EXPECT_FALSE(window->performKeyEquivalent(*event));
}

TEST_F(MainWindowTest, CommandWInACloseableViewHides)
{
    struct Case {
        const char* name;
        unsigned short keyCode;
        const char* characters;
        NSEventModifierFlags flags;
        bool taken;
        bool hides;
    };
    const Case cases[] = {
        {.name = "command-w",
         .keyCode = 13,
         .characters = "w",
         .flags = NSEventModifierFlagCommand,
         .taken = true,
         .hides = true},
        {.name = "command-option-w",
         .keyCode = 13,
         .characters = "w",
         .flags = NSEventModifierFlagCommand | NSEventModifierFlagOption,
         .taken = true,
         .hides = true},
        {.name = "w alone", .keyCode = 13, .characters = "w", .flags = 0, .taken = false, .hides = false},
        {.name = "command-q",
         .keyCode = 12,
         .characters = "q",
         .flags = NSEventModifierFlagCommand,
         .taken = false,
         .hides = false},
        {.name = "a subview takes command-w",
         .keyCode = 99,
         .characters = "w",
         .flags = NSEventModifierFlagCommand,
         .taken = true,
         .hides = false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetProgram();
        desktop().activate(kFinder);
        auto view = std::make_shared<CloseableView>();
        view->addSubview(std::make_shared<KeyTaker>(99));
        auto window = shownWindow(view);
        auto event = NSEvent::keyEventWithType(NSEventTypeKeyDown, NSZeroPoint, c.flags, 0, window->windowNumber(),
                                               Id(), c.characters, c.characters, false, c.keyCode);
        EXPECT_EQ(view->performKeyEquivalent(*event), c.taken);
        drain();
        EXPECT_EQ(app()->isHidden(), c.hides);
    }
}

}  // namespace
