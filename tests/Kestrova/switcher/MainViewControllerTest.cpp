// The switcher's list in the main window, opened as the global shortcut
// opens it: its tiles, the window's height, choosing by a stored shortcut and
// by Return, the windows list, and the broken contracts that stop the
// program.

#include "Kestrova/MainViewController.h"

#include "Kestrova/AppViewItem.h"
#include "Kestrova/InactiveState.h"
#include "Kestrova/MainWindowController.h"
#include "Kestrova/NavigationController.h"
#include "Kestrova/WindowManager.h"
#include "Kestrova/WindowsViewController.h"
#include "SwitcherTest.h"
#include "appkit/NSCollectionViewGridLayout.h"
#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSScreen.h"
#include "appkit/NSTextField.h"
#include "appkit/NSView.h"

namespace {

class MainViewControllerTest : public SwitcherTest {
protected:
    // The list of the main window, opened by the global shortcut.
    std::shared_ptr<MainViewController> openList()
    {
        openSwitcher();
        auto controller = delegate->mainWindowController();
        if (!controller)
            return nullptr;
        auto navigation = controller->window()->contentViewController();
        return std::dynamic_pointer_cast<MainViewController>(navigation->childViewControllers().front());
    }

    std::shared_ptr<NSViewController> shownChild()
    {
        auto controller = delegate->mainWindowController();
        auto navigation = controller ? controller->window()->contentViewController() : nullptr;
        return navigation ? navigation->childViewControllers().back() : nullptr;
    }

    // The program's activations of other applications: "<pid> <selector> <options>".
    std::vector<std::string> choices()
    {
        std::vector<std::string> result;
        for (const auto& text : programActivations())
            if (text.rfind(std::to_string(kOwn) + " ", 0) != 0)
                result.push_back(text);
        return result;
    }

    std::size_t yields(pid_t target)
    {
        std::size_t count = 0;
        for (const auto& record : desktop().programRecords())
            count += record.kind == simulation::ProgramRecord::Kind::ActivationYielded && record.target == target;
        return count;
    }

    static CGFloat tileHeight() { return loadTile()->view()->fittingSize().height; }
};

TEST_F(MainViewControllerTest, EveryRegularApplicationIsATileInTheSwitchersOrder)
{
    addApplication(400, "Zed");
    desktop().addRunningApplication({.pid = 401,
                                     .localizedName = String("Menu Extra"),
                                     .activationPolicy = simulation::ActivationPolicy::Accessory});
    storeShortcuts({{Id("Zed"), Id("@~z")}});

    auto list = openList();
    ASSERT_TRUE(list);
    auto window = list->view()->window();
    window->display();

    auto view = std::dynamic_pointer_cast<NSCollectionView>(list->collectionView());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->numberOfItemsInSection(0), 3);
    EXPECT_TRUE(view->selectionIndexPaths().empty()) << "a fresh list has nothing selected";
    std::vector<std::pair<std::string, std::string>> shown;
    for (NSInteger item = 0; item < 3; ++item) {
        auto tile = std::dynamic_pointer_cast<AppViewItem>(view->itemAtIndexPath({item, 0}));
        ASSERT_TRUE(tile) << item;
        shown.emplace_back(tile->textField()->stringValue().utf8(), tile->shortcutLabel()->stringValue().utf8());
    }
    EXPECT_EQ(shown, (std::vector<std::pair<std::string, std::string>>{
                         {"Zed", "\u2325\u2318Z"}, {"Finder", "No shortcut"}, {"Safari", "No shortcut"}}));

    // One column of tiles as high as the nib's, at least as wide.
    auto layout = std::dynamic_pointer_cast<NSCollectionViewGridLayout>(view->collectionViewLayout());
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->maximumNumberOfColumns(), 1u);
    EXPECT_EQ(layout->maximumItemSize(), NSMakeSize(0, tileHeight()));
    EXPECT_EQ(view->frameForItemAtIndexPath({1, 0}).size.height, tileHeight());
}

TEST_F(MainViewControllerTest, TheWindowShowsEveryTileUpToFourAndFourAndAHalfBeyond)
{
    struct Case {
        std::size_t applications;
        CGFloat tiles;
    };
    // Rows in growing order: each adds applications to the desktop.
    const Case cases[] = {{2, 2}, {3, 3}, {4, 4}, {5, 4.5}, {12, 4.5}};
    std::size_t running = 2;  // Finder and Safari
    for (const auto& c : cases) {
        SCOPED_TRACE(c.applications);
        for (; running < c.applications; ++running)
            addApplication(pid_t(500 + running), "App " + std::to_string(running));

        auto list = openList();
        ASSERT_TRUE(list);
        EXPECT_EQ(list->runningApps().size(), c.applications);
        auto window = delegate->mainWindowController()->window();
        NSRect frame = window->frame();
        EXPECT_DOUBLE_EQ(frame.size.height, c.tiles * tileHeight());
        NSRect area = window->screen()->visibleFrame();
        EXPECT_DOUBLE_EQ(frame.origin.y + frame.size.height / 2, area.origin.y + area.size.height / 2) << "centred";

        press(kEscape);
        ASSERT_FALSE(delegate->mainWindowController());
    }
}

TEST_F(MainViewControllerTest, ChoosingActivatesTheApplicationWithTheSystemsOptions)
{
    struct Case {
        const char* what;
        int majorVersion;
        bool byReturn;
        const char* activation;
        std::size_t yielded;
    };
    const Case cases[] = {
        {"macOS 14, its shortcut", 14, false, "300 activateWithOptions: 0", 1},
        {"macOS 14, Return", 14, true, "300 activateWithOptions: 0", 1},
        {"macOS 13, its shortcut", 13, false, "300 activateWithOptions: 2", 0},
        {"macOS 13, Return", 13, true, "300 activateWithOptions: 2", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        relaunch();
        desktop().setOperatingSystemVersion({.majorVersion = c.majorVersion});
        storeShortcuts({{Id("Safari"), Id("@~s")}});
        auto before = choices().size();
        auto yieldedBefore = yields(kSafari);

        auto list = openList();
        ASSERT_TRUE(list);
        if (c.byReturn) {
            // Safari has the shortcut, so it is the first tile.
            press(kDown);
            press(kReturn);
        } else {
            press(kS, kCommandOption);
        }

        auto made = choices();
        ASSERT_EQ(made.size(), before + 1) << ::testing::PrintToString(made);
        EXPECT_EQ(made.back(), c.activation);
        EXPECT_EQ(yields(kSafari) - yieldedBefore, c.yielded);
        // The program resigned: the switcher is closed and inactive.
        EXPECT_EQ(desktop().frontmostApplication(), kSafari);
        EXPECT_TRUE(std::dynamic_pointer_cast<InactiveState>(delegate->appState()));
        EXPECT_FALSE(delegate->mainWindowController());
    }
}

TEST_F(MainViewControllerTest, TwoTitledWindowsOpenTheWindowsListInsteadOfActivating)
{
    struct Case {
        const char* what;
        std::vector<std::optional<std::string>> titles;  // none: an untitled window
        bool windowsList;
    };
    const Case cases[] = {
        {"two titled windows", {"Start Page", "Release Notes"}, true},
        {"one titled window among others that don't count",
         {"Start Page", std::nullopt, "Unknown", "Find in page \u2014 Start Page"},
         false},
    };
    pid_t pid = 600;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        relaunch();
        addApplication(++pid, "Browser", c.titles);
        storeShortcuts({{Id("Browser"), Id("@~s")}});
        auto before = choices().size();

        ASSERT_TRUE(openList());
        press(kS, kCommandOption);

        if (!c.windowsList) {
            EXPECT_EQ(choices().size(), before + 1);
            continue;
        }
        EXPECT_EQ(choices().size(), before) << "nothing is activated";
        auto windows = std::dynamic_pointer_cast<WindowsViewController>(shownChild());
        ASSERT_TRUE(windows);
        ASSERT_TRUE(windows->runningApp());
        EXPECT_EQ(windows->runningApp()->runningApplication->processIdentifier(), pid);
        EXPECT_EQ(WindowManager::shared().windows(pid).size(), 2u) << "the saved order was refreshed";

        // The list's own shortcuts are off while the windows list shows.
        press(kS, kCommandOption);
        EXPECT_EQ(shownChild(), windows);
        EXPECT_EQ(choices().size(), before);
    }
}

TEST_F(MainViewControllerTest, AShortcutFallsBackToTheEarlierInstanceWhenTheLaterHasQuit)
{
    addApplication(301, "Safari");
    storeShortcuts({{Id("Safari"), Id("@~s")}});

    // Both instances have the shortcut: the later one in the list goes first.
    ASSERT_TRUE(openList());
    press(kS, kCommandOption);
    EXPECT_EQ(choices().back(), "301 activateWithOptions: 0");

    desktop().activate(kFinder);
    drain();
    ASSERT_TRUE(openList());
    desktop().quitApplication(301);
    drain();
    press(kS, kCommandOption);
    EXPECT_EQ(choices().back(), "300 activateWithOptions: 0");

    // With both gone the key isn't handled, and the switcher stays.
    desktop().activate(kFinder);
    drain();
    ASSERT_TRUE(openList());
    desktop().quitApplication(300);
    drain();
    auto before = choices().size();
    press(kS, kCommandOption);
    EXPECT_EQ(choices().size(), before);
    EXPECT_TRUE(delegate->mainWindowController());
    EXPECT_EQ(desktop().frontmostApplication(), kOwn);
}

TEST_F(MainViewControllerTest, AnItemOfAnotherClassStopsTheProgram)
{
    auto list = openList();
    ASSERT_TRUE(list);
    auto view = std::dynamic_pointer_cast<NSCollectionView>(list->collectionView());
    view->registerClass<NSCollectionViewItem>("RunningApp");
    try {
        view->dataSource()->collectionViewItemForRepresentedObjectAtIndexPath(*view, {0, 0});
        ADD_FAILURE() << "the program went on";
    } catch (const ProgramStopped& stopped) {
        EXPECT_STREQ(stopped.what(), "Expect item with identifier `RunningApp` to be type of `Kestrova.AppViewItem` ");
    }
}

TEST_F(MainViewControllerTest, AListWithoutAGridCollectionViewStopsTheProgram)
{
    struct Case {
        const char* what;
        std::shared_ptr<NSCollectionViewLayout> layout;
        bool connected;
    };
    const Case cases[] = {
        {"no collection view", nullptr, false},
        {"a layout that isn't a grid", std::make_shared<NSCollectionViewLayout>(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto list = std::make_shared<MainViewController>();
        auto view = std::make_shared<NSCollectionView>();
        view->setCollectionViewLayout(c.layout);
        if (c.connected)
            list->setCollectionView(view);
        EXPECT_THROW(list->setUpCollectionView(), ProgramStopped);
    }
}

}  // namespace
