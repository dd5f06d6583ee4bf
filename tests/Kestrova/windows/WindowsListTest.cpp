// The windows list as the user meets it: opened from the switcher with the
// keyboard, picked from with digits and Return, reordered with the mouse.

#include "Kestrova/CollectionViewDragDropLayout.h"
#include "Kestrova/MainViewController.h"
#include "Kestrova/MainWindowController.h"
#include "Kestrova/NavigationController.h"
#include "Kestrova/WindowManager.h"
#include "Kestrova/WindowViewItem.h"
#include "Kestrova/WindowsViewController.h"
#include "appkit/CALayer.h"
#include "appkit/NSBox.h"
#include "appkit/NSButton.h"
#include "appkit/NSColor.h"
#include "appkit/NSDraggingSystem.h"
#include "appkit/NSPasteboard.h"
#include "appkit/NSPopover.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSTextField.h"
#include "simulation/SimulatedKeyboard.h"
#include "switcher/SwitcherTest.h"

namespace {

constexpr std::uint16_t kKey1 = 18;
constexpr std::uint16_t kKey2 = 19;
constexpr std::uint16_t kKey4 = 21;
constexpr std::uint16_t kKey6 = 22;
constexpr std::uint16_t kKey0 = 29;

class WindowsListTest : public SwitcherTest {
protected:
    explicit WindowsListTest(DesktopOptions options = {})
        : SwitcherTest(options)
    {
        safari_ = openWindows(kSafari, 3000, {"Start Page", "Release Notes", "Weather Forecast"});
    }

    ~WindowsListTest() override
    {
        NSDraggingSystem::shared().cancel();
        if (passedOnMonitor_)
            NSEvent::removeMonitor(passedOnMonitor_);
        resetProgram();
        WindowManager::resetSharedForTesting();
    }

    // Opens the windows so that the interface lists them in this order (a
    // window opens in front of the others), numbered from `first`.
    std::vector<CGWindowID> openWindows(pid_t pid, CGWindowID first, const std::vector<std::string>& titles)
    {
        std::vector<CGWindowID> numbers;
        for (std::size_t i = 0; i < titles.size(); ++i)
            numbers.push_back(first + CGWindowID(i));
        for (std::size_t i = titles.size(); i-- > 0;)
            desktop().openWindow(pid, {.number = numbers[i], .title = String(titles[i])});
        return numbers;
    }

    std::shared_ptr<NavigationController> navigation()
    {
        auto controller = delegate ? delegate->mainWindowController() : nullptr;
        auto window = controller ? controller->window() : nullptr;
        return window ? std::dynamic_pointer_cast<NavigationController>(window->contentViewController()) : nullptr;
    }

    // What the main window shows: the last child of its navigation.
    std::shared_ptr<NSViewController> shown()
    {
        auto stack = navigation();
        return stack && !stack->childViewControllers().empty() ? stack->childViewControllers().back() : nullptr;
    }

    // Opens the switcher and chooses the application as the user does: Down
    // to its tile, then Return.
    std::shared_ptr<WindowsViewController> openWindowsList(pid_t pid)
    {
        typeGlobalShortcut();
        auto list = std::dynamic_pointer_cast<MainViewController>(shown());
        if (!list) {
            ADD_FAILURE() << "no main list";
            return nullptr;
        }
        const auto& apps = list->runningApps();
        auto at = std::find_if(apps.begin(), apps.end(), [&](const RunningApp& app) {
            return app.runningApplication->processIdentifier() == pid;
        });
        for (auto i = apps.begin(); i <= at && at != apps.end(); ++i)
            press(kDown);
        press(kReturn);
        return std::dynamic_pointer_cast<WindowsViewController>(shown());
    }

    static std::shared_ptr<NSCollectionView> listOf(const WindowsViewController& windows)
    {
        return std::dynamic_pointer_cast<NSCollectionView>(windows.collectionView());
    }

    // The rows on screen, as "number title".
    static std::vector<std::string> rows(const WindowsViewController& windows)
    {
        std::vector<std::string> result;
        for (const auto& item : listOf(windows)->visibleItems()) {
            auto row = std::dynamic_pointer_cast<WindowViewItem>(item);
            result.push_back(row->shortcutLabel()->stringValue().utf8() + " " + row->textField()->stringValue().utf8());
        }
        return result;
    }

    // In the window: the middle of the row, counted from 0.
    static NSPoint middleOfRow(NSCollectionView& list, NSInteger row)
    {
        NSRect frame = list.frameForItemAtIndexPath(NSIndexPath(row, 0));
        return list.convertPoint({CGRectGetMidX(frame), CGRectGetMidY(frame)}, nullptr);
    }
    // In the window: just inside the top of the row after the gap, or the
    // bottom of the last row for the gap after it, where the list proposes
    // a drop before that row.
    static NSPoint gapBeforeRow(NSCollectionView& list, NSInteger gap)
    {
        NSInteger count = list.numberOfItemsInSection(0);
        NSRect frame = list.frameForItemAtIndexPath(NSIndexPath(std::min(gap, count - 1), 0));
        return list.convertPoint(
            {CGRectGetMidX(frame), gap < count ? CGRectGetMinY(frame) + 1 : CGRectGetMaxY(frame) - 1}, nullptr);
    }

    // Presses on row `row` and releases over the gap before row `gap`, as
    // the mouse does it.
    void dragRow(const WindowsViewController& windows, NSInteger row, NSInteger gap)
    {
        auto list = listOf(windows);
        auto window = list->window();
        NSPoint from = middleOfRow(*list, row);
        NSPoint to = gapBeforeRow(*list, gap);
        mouse(*window, NSEventTypeLeftMouseDown, from);
        mouse(*window, NSEventTypeLeftMouseDragged, {from.x + 4, from.y});
        mouse(*window, NSEventTypeLeftMouseDragged, to);
        mouse(*window, NSEventTypeLeftMouseUp, to);
        drain();
    }

    // The scene's one button, clicked.
    void clickBackButton(WindowsViewController& windows)
    {
        std::shared_ptr<NSButton> back;
        for (const auto& view : windows.view()->subviews())
            if (auto button = std::dynamic_pointer_cast<NSButton>(view))
                back = button;
        ASSERT_TRUE(back);
        NSRect bounds = back->bounds();
        NSPoint centre = back->convertPoint({CGRectGetMidX(bounds), CGRectGetMidY(bounds)}, nullptr);
        mouse(*back->window(), NSEventTypeLeftMouseDown, centre);
        mouse(*back->window(), NSEventTypeLeftMouseUp, centre);
        drain();
    }

    // From now on the key codes that the program's earlier monitors (the
    // windows list's among them) pass on.
    void watchKeysPassedOn()
    {
        passedOnMonitor_ = NSEvent::addLocalMonitorForEventsMatchingMask(NSEventMaskKeyDown,
                                                                         [this](const std::shared_ptr<NSEvent>& event) {
                                                                             passedOn_.push_back(event->keyCode());
                                                                             return event;
                                                                         });
    }

    CGWindowID mainWindowOf(pid_t pid) { return desktop().application(pid)->mainWindow; }

    // The program's requests to activate other applications.
    std::vector<std::string> activationsOfOthers()
    {
        std::vector<std::string> result;
        for (const auto& activation : programActivations())
            if (activation.rfind(std::to_string(kOwn) + " ", 0) != 0)
                result.push_back(activation);
        return result;
    }

    std::vector<CGWindowID> safari_;
    std::vector<unsigned short> passedOn_;
    Id passedOnMonitor_;
};

TEST_F(WindowsListTest, TheDigitRowsKeysPickTheFirstTenRows)
{
    struct Case {
        unsigned short keyCode;
        std::optional<std::size_t> row;
    };
    const Case cases[] = {
        {18, 0},
        {19, 1},
        {20, 2},
        {21, 3},
        {23, 4},
        {22, 5},
        {26, 6},
        {28, 7},
        {25, 8},
        {29, 9},
        // Equals and minus lie among the digits' codes; the keypad's digits
        // (82 to 92) and the letters pick nothing.
        {24, std::nullopt},
        {27, std::nullopt},
        {82, std::nullopt},
        {83, std::nullopt},
        {92, std::nullopt},
        {0, std::nullopt},
        {17, std::nullopt},
        {30, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyCode);
        EXPECT_EQ(WindowsViewController::windowIndex(c.keyCode), c.row);
    }
}

TEST_F(WindowsListTest, ChoosingAnApplicationWithSeveralWindowsListsThem)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    EXPECT_EQ(windows->nameLabel()->stringValue(), String("Safari's windows"));
    EXPECT_EQ(rows(*windows), (std::vector<std::string>{"1 Start Page", "2 Release Notes", "3 Weather Forecast"}));
    // The keys go to the windows list now.
    auto window = delegate->mainWindowController()->window();
    EXPECT_EQ(window->firstResponder(), windows->collectionView());
    EXPECT_TRUE(activationsOfOthers().empty()) << "Safari is not activated yet";
}

TEST_F(WindowsListTest, ADigitRaisesItsWindowAndActivatesTheApplication)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    watchKeysPassedOn();

    // No fourth row: the key goes on.
    press(kKey4);
    EXPECT_EQ(passedOn_, (std::vector<unsigned short>{kKey4}));
    EXPECT_TRUE(activationsOfOthers().empty());

    // Shift doesn't matter.
    press(kKey2, NSEventModifierFlagShift);
    EXPECT_EQ(passedOn_.size(), 1u) << "a picked row swallows its key";
    EXPECT_EQ(mainWindowOf(kSafari), safari_[1]);
    EXPECT_EQ(activationsOfOthers(), (std::vector<std::string>{"300 activateWithOptions: 0"}));
    EXPECT_EQ(desktop().frontmostApplication(), kSafari);
    EXPECT_FALSE(delegate->mainWindowController()) << "the switcher closed as the program resigned active";
}

class WindowsListOnMacOS13Test : public WindowsListTest {
protected:
    WindowsListOnMacOS13Test()
        : WindowsListTest({.majorVersion = 13})
    {
    }
};

TEST_F(WindowsListOnMacOS13Test, ReturnPicksTheSelectedRowIgnoringOtherApplications)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    press(kDown);
    press(kDown);
    press(kDown);
    press(kReturn);
    EXPECT_EQ(mainWindowOf(kSafari), safari_[2]);
    EXPECT_EQ(activationsOfOthers(), (std::vector<std::string>{"300 activateWithOptions: 2"}));
}

TEST_F(WindowsListTest, SelectingARowGreysItsBox)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    press(kDown);
    press(kDown);
    auto list = listOf(*windows);
    auto first = std::dynamic_pointer_cast<WindowViewItem>(list->itemAtIndexPath(NSIndexPath(0, 0)));
    auto second = std::dynamic_pointer_cast<WindowViewItem>(list->itemAtIndexPath(NSIndexPath(1, 0)));
    EXPECT_TRUE(first->box()->fillColor()->isEqual(Id(NSColor::clearColor())));
    EXPECT_TRUE(second->box()->fillColor()->isEqual(Id(NSColor::systemGrayColor()->colorWithAlphaComponent(0.5))));
}

TEST_F(WindowsListTest, TheTenthRowHasTheKeyZeroAndRowsPastItNone)
{
    auto finder = openWindows(kFinder, 4000, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"});
    auto windows = openWindowsList(kFinder);
    ASSERT_TRUE(windows);
    auto list = listOf(*windows);
    ASSERT_EQ(list->numberOfItemsInSection(0), 12);
    ASSERT_FALSE(list->itemAtIndexPath(NSIndexPath(9, 0))) << "the tenth row is out of sight";

    press(kKey0);
    EXPECT_EQ(mainWindowOf(kFinder), finder[9]);
    ASSERT_FALSE(activationsOfOthers().empty());
    EXPECT_EQ(activationsOfOthers().front(), "200 activateWithOptions: 0");
}

TEST_F(WindowsListTest, TheTenthRowAndTheOnesAfterItShowTheirPositions)
{
    openWindows(kFinder, 4000, {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"});
    auto windows = openWindowsList(kFinder);
    ASSERT_TRUE(windows);
    auto list = listOf(*windows);
    list->scrollToItemsAtIndexPaths({NSIndexPath(10, 0)}, NSCollectionViewScrollPositionNearestHorizontalEdge);
    auto tenth = std::dynamic_pointer_cast<WindowViewItem>(list->itemAtIndexPath(NSIndexPath(9, 0)));
    auto eleventh = std::dynamic_pointer_cast<WindowViewItem>(list->itemAtIndexPath(NSIndexPath(10, 0)));
    ASSERT_TRUE(tenth && eleventh);
    EXPECT_EQ(tenth->shortcutLabel()->stringValue(), String("10"));
    EXPECT_EQ(eleventh->shortcutLabel()->stringValue(), String("11"));
}

TEST_F(WindowsListTest, DraggingARowReordersTheListAndTheOrderOutlastsTheSwitcher)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    dragRow(*windows, 2, 0);
    EXPECT_EQ(NSDraggingSystem::shared().lastOperation(), NSDragOperationMove);
    EXPECT_EQ(rows(*windows), (std::vector<std::string>{"1 Weather Forecast", "2 Start Page", "3 Release Notes"}));
    dragRow(*windows, 1, 3);
    EXPECT_EQ(rows(*windows), (std::vector<std::string>{"1 Weather Forecast", "2 Release Notes", "3 Start Page"}));
    // The digits follow the new order.
    watchKeysPassedOn();
    press(kKey2);
    EXPECT_EQ(mainWindowOf(kSafari), safari_[1]);

    // Raising changed the interface's order; a window opened and one
    // closed since.
    desktop().openWindow(kSafari, {.number = 3010, .title = String("Downloads")});
    desktop().closeWindow(safari_[0]);
    windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    EXPECT_EQ(rows(*windows), (std::vector<std::string>{"1 Weather Forecast", "2 Release Notes", "3 Downloads"}));
}

TEST_F(WindowsListTest, DropsAroundTheDraggedRowLeaveTheOrderAsItIs)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    const std::vector<std::string> unchanged{"1 Start Page", "2 Release Notes", "3 Weather Forecast"};
    struct Case {
        NSInteger row;
        NSInteger gap;
    };
    for (const Case c : {Case{1, 1}, Case{1, 2}, Case{0, 0}}) {
        SCOPED_TRACE(std::to_string(c.row) + " to " + std::to_string(c.gap));
        dragRow(*windows, c.row, c.gap);
        EXPECT_EQ(NSDraggingSystem::shared().lastOperation(), NSDragOperationMove) << "the drop is taken";
        EXPECT_EQ(rows(*windows), unchanged);
    }
    dragRow(*windows, 0, 3);
    EXPECT_EQ(rows(*windows), (std::vector<std::string>{"1 Release Notes", "2 Weather Forecast", "3 Start Page"}));
}

TEST_F(WindowsListTest, EveryTakenDropReloadsTheList)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    auto list = listOf(*windows);
    // A stale row that only a reload replaces.
    auto first = std::dynamic_pointer_cast<WindowViewItem>(list->itemAtIndexPath(NSIndexPath(0, 0)));
    first->textField()->setStringValue("stale");
    dragRow(*windows, 1, 1);
    EXPECT_EQ(rows(*windows).front(), "1 Start Page");
}

TEST_F(WindowsListTest, TextDraggedInFromAnotherApplicationIsRefused)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    auto list = listOf(*windows);
    auto window = list->window();
    auto pasteboard = NSPasteboard::pasteboardWithName(NSPasteboardNameDrag);
    pasteboard->clearContents();
    pasteboard->writeObjects({Id(String("Some text"))});
    auto& dragging = NSDraggingSystem::shared();
    NSPoint gap = gapBeforeRow(*list, 1);
    ASSERT_TRUE(dragging.beginDragFromOtherApplication(window, gap, NSDragOperationEvery));
    EXPECT_TRUE(list->dropGapIndicator()) << "offered like any drop";
    dragging.drop(gap);
    drain();

    EXPECT_EQ(dragging.lastOperation(), NSDragOperationNone) << "its application keeps the text";
    EXPECT_EQ(rows(*windows), (std::vector<std::string>{"1 Start Page", "2 Release Notes", "3 Weather Forecast"}));
    // A row's drag afterwards still works.
    dragRow(*windows, 2, 0);
    EXPECT_EQ(rows(*windows).front(), "1 Weather Forecast");
}

TEST_F(WindowsListTest, ACancelledDragChangesNothing)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    auto list = listOf(*windows);
    auto window = list->window();
    NSPoint to = gapBeforeRow(*list, 0);
    mouse(*window, NSEventTypeLeftMouseDown, middleOfRow(*list, 2));
    mouse(*window, NSEventTypeLeftMouseDragged, to);
    press(kEscape);
    mouse(*window, NSEventTypeLeftMouseUp, to);
    drain();
    EXPECT_EQ(rows(*windows), (std::vector<std::string>{"1 Start Page", "2 Release Notes", "3 Weather Forecast"}));
    EXPECT_TRUE(window->isVisible()) << "Escape ended the drag, not the switcher";
}

TEST_F(WindowsListTest, TheDropGapIsALineAcrossTheListAboveTheRow)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    auto list = listOf(*windows);
    auto layout = std::dynamic_pointer_cast<CollectionViewDragDropLayout>(list->collectionViewLayout());
    ASSERT_TRUE(layout);
    CGFloat width = list->bounds().size.width;

    // While a row is dragged over the gap before the second row.
    auto window = list->window();
    mouse(*window, NSEventTypeLeftMouseDown, middleOfRow(*list, 2));
    mouse(*window, NSEventTypeLeftMouseDragged, gapBeforeRow(*list, 1));
    auto indicator = list->dropGapIndicator();
    ASSERT_TRUE(indicator);
    EXPECT_EQ(indicator->frame(), NSMakeRect(0, list->frameForItemAtIndexPath(NSIndexPath(1, 0)).origin.y, width, 2));
    ASSERT_TRUE(indicator->layer());
    EXPECT_TRUE(
        CGColorEqualToColor(indicator->layer()->backgroundColor(), NSColor::keyboardFocusIndicatorColor()->CGColor()));
    NSDraggingSystem::shared().cancel();

    // Rows 40 high with 10 between them.
    layout->setMinimumItemSize({layout->minimumItemSize().width, 40});
    layout->setMinimumLineSpacing(10);
    auto gap = layout->layoutAttributesForInterItemGapBeforeIndexPath(NSIndexPath(3, 0));
    ASSERT_TRUE(gap);
    EXPECT_EQ(gap->frame, NSMakeRect(0, 150, width, 2));
    // Where the grid has no gap, neither has the line.
    EXPECT_FALSE(layout->layoutAttributesForInterItemGapBeforeIndexPath(NSIndexPath(5, 0)));
}

TEST_F(WindowsListTest, AWindowClosedSinceTheListWasBuilt)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    desktop().closeWindow(safari_[1]);
    // The row stays until the list is built again, and dragging still
    // moves it; its title can't be read any more.
    dragRow(*windows, 1, 0);
    EXPECT_EQ(rows(*windows), (std::vector<std::string>{"1 Unknown", "2 Start Page", "3 Weather Forecast"}));

    // Picking it raises nothing: the application comes forward as it is.
    press(kKey1);
    EXPECT_EQ(mainWindowOf(kSafari), safari_[0]);
    EXPECT_EQ(activationsOfOthers(), (std::vector<std::string>{"300 activateWithOptions: 0"}));
    EXPECT_EQ(desktop().frontmostApplication(), kSafari);
}

TEST_F(WindowsListTest, AnApplicationThatQuitSinceTheListWasBuilt)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    desktop().quitApplication(kSafari);
    drain();
    // Asked for in vain: the switcher stays, and Escape still leaves it.
    press(kKey1);
    EXPECT_EQ(activationsOfOthers(), (std::vector<std::string>{"300 activateWithOptions: 0"}));
    EXPECT_EQ(desktop().frontmostApplication(), kOwn);
    ASSERT_TRUE(delegate->mainWindowController());
    EXPECT_TRUE(delegate->mainWindowController()->window()->isVisible());
    press(kEscape);
    EXPECT_FALSE(delegate->mainWindowController());
}

TEST_F(WindowsListTest, TheBackButtonReturnsToTheApplications)
{
    auto windows = openWindowsList(kSafari);
    ASSERT_TRUE(windows);
    auto window = delegate->mainWindowController()->window();
    clickBackButton(*windows);

    auto list = std::dynamic_pointer_cast<MainViewController>(shown());
    ASSERT_TRUE(list);
    EXPECT_EQ(navigation()->childViewControllers().size(), 1u);
    EXPECT_EQ(window->firstResponder(), list->collectionView());
    // The digits are the windows list's no more.
    watchKeysPassedOn();
    press(kKey1);
    EXPECT_EQ(passedOn_, (std::vector<unsigned short>{kKey1}));
    EXPECT_TRUE(activationsOfOthers().empty());
}

TEST_F(WindowsListTest, TheListsContractWithItsSceneAndItsRows)
{
    auto scene = [] {
        return NSStoryboard::mainStoryboard()
            ->instantiateControllerWithIdentifier("WindowsViewController")
            .object<WindowsViewController>();
    };
    // No application: the segue broke its promise.
    auto bare = scene();
    ASSERT_TRUE(bare);
    EXPECT_THROW(bare->loadViewIfNeeded(), ProgramStopped);

    // An application without a name.
    constexpr pid_t kNameless = 500;
    ASSERT_TRUE(desktop().addRunningApplication(
        {.pid = kNameless,
         .windows = {{.number = 5000, .title = String("One")}, {.number = 5001, .title = String("Two")}}}));
    drain();
    auto application = NSRunningApplication::runningApplicationWithProcessIdentifier(kNameless);
    ASSERT_TRUE(application);
    auto nameless = scene();
    nameless->setRunningApp({application, A11yElement::forApplication(kNameless)});
    WindowManager::shared().refreshWindows(*application, *A11yElement::forApplication(kNameless));
    nameless->loadViewIfNeeded();
    EXPECT_EQ(nameless->nameLabel()->stringValue(), String("'s windows"));

    // A row of another class for the list's identifier.
    auto list = listOf(*nameless);
    list->registerClass<NSCollectionViewItem>("Window");
    try {
        list->dataSource()->collectionViewItemForRepresentedObjectAtIndexPath(*list, NSIndexPath(0, 0));
        ADD_FAILURE() << "the program goes on";
    } catch (const ProgramStopped& stopped) {
        EXPECT_STREQ(stopped.what(), "Expect item with identifier `Window` to be type of `Kestrova.WindowViewItem` ");
    }

    // A row whose view connected neither its number nor its box.
    auto row = std::make_shared<WindowViewItem>();
    row->setNibName("No Such Nib");
    row->loadViewIfNeeded();
    try {
        row->configure(A11yElement::forApplication(kNameless)->windows().at(0), 0);
        ADD_FAILURE() << "the program goes on";
    } catch (const ProgramStopped& stopped) {
        EXPECT_STREQ(stopped.what(), "Expect the nib `WindowViewItem` to connect `shortcutLabel` ");
    }
    EXPECT_THROW(row->setSelected(true), ProgramStopped);
}

// Mini mode: the same list in the popover, at the size mini mode gives it.
class MiniWindowsListTest : public WindowsListTest {
protected:
    MiniWindowsListTest()
    {
        defaults().setBool(true, "miniMode");
        defaults().setObject(Id(Dictionary{{Id(String("Safari")), Id(String("^~s"))}}), "shortcuts");
    }

    std::shared_ptr<WindowsViewController> openFromPopover()
    {
        typeGlobalShortcut();
        press(kS, NSEventModifierFlagControl | NSEventModifierFlagOption);
        auto popover = delegate->popover();
        auto content = popover ? popover->contentViewController() : nullptr;
        if (!content || content->childViewControllers().empty())
            return nullptr;
        return std::dynamic_pointer_cast<WindowsViewController>(content->childViewControllers().back());
    }

    NSSize popoverSize() { return delegate->popover()->popoverWindow()->frame().size; }
};

TEST_F(MiniWindowsListTest, ThePopoverTakesTheListsSizeAndItsKeys)
{
    auto windows = openFromPopover();
    ASSERT_TRUE(windows);
    auto popover = delegate->popover();
    EXPECT_EQ(popoverSize(), (NSSize{250, 172}));
    EXPECT_EQ(rows(*windows), (std::vector<std::string>{"1 Start Page", "2 Release Notes", "3 Weather Forecast"}));
    press(kDown);
    press(kDown);
    press(kReturn);
    EXPECT_EQ(mainWindowOf(kSafari), safari_[1]);
    EXPECT_EQ(activationsOfOthers(), (std::vector<std::string>{"300 activateWithOptions: 0"}));
    EXPECT_FALSE(popover->isShown());
}

TEST_F(MiniWindowsListTest, FiveRowsShowAndTheDigitsReachTheOthers)
{
    openWindows(kSafari, 3100, {"d", "e", "f", "g"});
    auto windows = openFromPopover();
    ASSERT_TRUE(windows);
    EXPECT_EQ(popoverSize(), (NSSize{250, 244}));
    EXPECT_EQ(listOf(*windows)->visibleItems().size(), 5u) << "whole rows only";
    press(kKey6);
    EXPECT_EQ(mainWindowOf(kSafari), safari_[1]) << "the interface listed the four new windows first";
}

TEST_F(MiniWindowsListTest, BackToThePopoversFirstScreen)
{
    auto windows = openFromPopover();
    ASSERT_TRUE(windows);
    clickBackButton(*windows);
    EXPECT_TRUE(delegate->popover()->isShown()) << "going back doesn't close the popover";
    EXPECT_EQ(delegate->popover()->contentViewController()->childViewControllers().size(), 1u);
    EXPECT_EQ(popoverSize(), (NSSize{260, 64})) << "the first screen's own size";
}

}  // namespace
