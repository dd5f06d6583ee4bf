#include "AppKitTestFixture.h"
#include "CollectionViewFakes.h"
#include "appkit/NSClipView.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSScrollView.h"
#include "appkit/NSWindow.h"

#include <string>
#include <vector>

namespace {

NSIndexPath row(long item)
{
    return NSIndexPath(item, 0);
}

class HeardDelegate : public NSCollectionViewDelegate {
public:
    std::vector<std::string> heard;
    void collectionViewDidSelectItemsAtIndexPaths(NSCollectionView&, const NSIndexPathSet& paths) override
    {
        heard.push_back("select " + describe(paths));
    }
    void collectionViewDidDeselectItemsAtIndexPaths(NSCollectionView&, const NSIndexPathSet& paths) override
    {
        heard.push_back("deselect " + describe(paths));
    }

private:
    static std::string describe(const NSIndexPathSet& paths)
    {
        std::string text;
        for (const auto& path : paths)
            text += (text.empty() ? "" : ",") + std::to_string(path.item());
        return text;
    }
};

// Ten rows of 50 in a scroll view that shows 120 points of them.
class CollectionViewScrollingTest : public AppKitTest {
protected:
    CollectionViewScrollingTest()
    {
        list = rowList(source, 10);
        scrollView->setDocumentView(list);
        list->layoutSubtreeIfNeeded();
    }

    CGFloat scrolledTo() const { return scrollView->contentView()->scrollPosition().y; }

    std::shared_ptr<CountingDataSource> source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{10});
    std::shared_ptr<NSScrollView> scrollView = std::make_shared<NSScrollView>(NSMakeRect(0, 0, 180, 120));
    std::shared_ptr<NSCollectionView> list;
};

TEST_F(CollectionViewScrollingTest, InAScrollViewTheListShowsTheItemsOfTheScrolledPart)
{
    // The list takes the clip view's width and its content's height.
    EXPECT_EQ(list->frame().size, NSMakeSize(180, 500));
    EXPECT_EQ(shown(list->visibleItems()), (std::vector<std::string>{"0-0", "0-1", "0-2"}));

    scrollView->contentView()->scrollToPoint({0, 130});
    EXPECT_EQ(scrollView->documentVisibleRect(), NSMakeRect(0, 130, 180, 120));
    EXPECT_EQ(shown(list->visibleItems()), (std::vector<std::string>{"0-2", "0-3", "0-4"}));

    // Never past either end.
    scrollView->contentView()->scrollToPoint({0, 1000});
    EXPECT_EQ(scrolledTo(), 380);
    EXPECT_EQ(shown(list->visibleItems()), (std::vector<std::string>{"0-7", "0-8", "0-9"}));
    scrollView->contentView()->scrollToPoint({-5, -40});
    EXPECT_EQ(scrollView->contentView()->scrollPosition(), NSZeroPoint);

    // Fewer rows: the list shrinks (never below what the clip view shows)
    // and the clip view stays within it.
    scrollView->contentView()->scrollToPoint({0, 380});
    source->counts = {1};
    list->reloadData();
    list->layoutSubtreeIfNeeded();
    EXPECT_EQ(list->frame().size, NSMakeSize(180, 120));
    EXPECT_EQ(scrolledTo(), 0);
    EXPECT_EQ(shown(list->visibleItems()), (std::vector<std::string>{"0-0"}));
}

TEST_F(CollectionViewScrollingTest, SelectingWithAPositionScrollsTheItemThere)
{
    struct Case {
        const char* name;
        CGFloat from;
        long item;
        NSCollectionViewScrollPosition position;
        CGFloat to;
        bool shows = true;
    };
    const Case cases[] = {
        {.name = "nearest, in full view", .from = 100, .item = 2, .position = 512, .to = 100},
        {.name = "nearest, below", .from = 0, .item = 4, .position = 512, .to = 130},
        {.name = "nearest, partly below", .from = 0, .item = 2, .position = 512, .to = 30},
        {.name = "nearest, above", .from = 300, .item = 1, .position = 512, .to = 50},
        {.name = "nearest, partly above", .from = 170, .item = 3, .position = 512, .to = 150},
        {.name = "top", .from = 0, .item = 3, .position = NSCollectionViewScrollPositionTop, .to = 150},
        {.name = "bottom", .from = 0, .item = 3, .position = NSCollectionViewScrollPositionBottom, .to = 80},
        {.name = "centred",
         .from = 0,
         .item = 3,
         .position = NSCollectionViewScrollPositionCenteredVertically,
         .to = 115},
        {.name = "top of the last, held at the end",
         .from = 0,
         .item = 9,
         .position = NSCollectionViewScrollPositionTop,
         .to = 380},
        {.name = "no position",
         .from = 60,
         .item = 9,
         .position = NSCollectionViewScrollPositionNone,
         .to = 60,
         .shows = false},
        {.name = "sideways only",
         .from = 60,
         .item = 9,
         .position = NSCollectionViewScrollPositionLeft,
         .to = 60,
         .shows = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list->setSelectionIndexPaths({});
        scrollView->contentView()->scrollToPoint({0, c.from});
        list->selectItemsAtIndexPaths({row(c.item)}, c.position);
        EXPECT_EQ(scrolledTo(), c.to);
        EXPECT_EQ(list->itemAtIndexPath(row(c.item)) != nullptr, c.shows);
    }
}

TEST_F(CollectionViewScrollingTest, TheKnobShowsThatTheListScrolls)
{
    scrollView->setHasVerticalScroller(true);
    NSRect top = scrollView->verticalKnobRect();
    EXPECT_GT(top.size.height, 0);
    EXPECT_LT(top.size.height, 120);
    scrollView->contentView()->scrollToPoint({0, 380});
    NSRect bottom = scrollView->verticalKnobRect();
    EXPECT_EQ(bottom.size.height, top.size.height);
    // The scroll view counts from the bottom: the knob went down.
    EXPECT_LT(bottom.origin.y, top.origin.y);

    source->counts = {2};
    list->reloadData();
    list->layoutSubtreeIfNeeded();
    EXPECT_EQ(scrollView->verticalKnobRect(), NSZeroRect);
}

// Clicks as the window hands them on: to the view under the pointer, and
// along the responder chain from there.
class CollectionViewClickTest : public CollectionViewScrollingTest {
protected:
    CollectionViewClickTest()
    {
        window->setContentView(scrollView);
        list->setSelectable(true);
        list->setDelegate(delegate);
        list->layoutSubtreeIfNeeded();
    }

    // A click at a point of the list (flipped, as it counts).
    void click(NSPoint point, NSEventModifierFlags flags = 0)
    {
        NSPoint inWindow = list->convertPoint(point, nullptr);
        for (NSEventType type : {NSEventTypeLeftMouseDown, NSEventTypeLeftMouseUp})
            window->sendEvent(
                *NSEvent::mouseEventWithType(type, inWindow, flags, 0, window->windowNumber(), Id(), 0, 1, 1));
    }

    std::shared_ptr<NSWindow> window =
        std::make_shared<NSWindow>(NSMakeRect(100, 100, 180, 120), NSWindowStyleMaskBorderless);
    std::shared_ptr<HeardDelegate> delegate = std::make_shared<HeardDelegate>();
};

TEST_F(CollectionViewClickTest, AClickSelectsTheItemUnderItAsTheUserDoes)
{
    click({20, 75});
    EXPECT_EQ(list->selectionIndexPaths(), (NSIndexPathSet{row(1)}));
    EXPECT_TRUE(list->itemAtIndexPath(row(1))->isSelected());

    // Scrolled, the same point of the window lands on a later row.
    scrollView->contentView()->scrollToPoint({0, 100});
    click({20, 175});
    EXPECT_EQ(list->selectionIndexPaths(), (NSIndexPathSet{row(3)}));
    EXPECT_FALSE(list->itemAtIndexPath(row(2))->isSelected());

    click({20, 175});
    EXPECT_EQ(delegate->heard, (std::vector<std::string>{"select 1", "deselect 1", "select 3"}));
}

TEST_F(CollectionViewClickTest, SelectionSettingsDecideWhatAClickDoes)
{
    // Nothing selectable: a click changes nothing.
    list->setSelectable(false);
    click({20, 25});
    EXPECT_TRUE(list->selectionIndexPaths().empty());
    list->setSelectable(true);

    // Past the last row, with an empty selection allowed: all deselected.
    source->counts = {1};
    list->reloadData();
    list->layoutSubtreeIfNeeded();
    click({20, 25});
    click({20, 100});
    EXPECT_TRUE(list->selectionIndexPaths().empty());
    list->setAllowsEmptySelection(false);
    click({20, 25});
    click({20, 100});
    EXPECT_EQ(list->selectionIndexPaths(), (NSIndexPathSet{row(0)}));

    // Command toggles an item with multiple selection.
    source->counts = {3};
    list->reloadData();
    list->layoutSubtreeIfNeeded();
    list->setAllowsMultipleSelection(true);
    click({20, 75}, NSEventModifierFlagCommand);
    EXPECT_EQ(list->selectionIndexPaths(), (NSIndexPathSet{row(0), row(1)}));
    click({20, 25}, NSEventModifierFlagCommand);
    EXPECT_EQ(list->selectionIndexPaths(), (NSIndexPathSet{row(1)}));
    // The last one stays when the selection may not be empty.
    click({20, 75}, NSEventModifierFlagCommand);
    EXPECT_EQ(list->selectionIndexPaths(), (NSIndexPathSet{row(1)}));

    EXPECT_EQ(delegate->heard,
              (std::vector<std::string>{"select 0", "deselect 0", "select 0", "select 1", "deselect 0"}));
}

}  // namespace
