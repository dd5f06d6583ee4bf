#include "appkit/NSCollectionView.h"

#include "AppKitTestFixture.h"
#include "CollectionViewFakes.h"
#include "appkit/NSCollectionViewGridLayout.h"
#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSNib.h"
#include "appkit/NSPopover.h"
#include "appkit/NSStoryboard.h"
#include "appkit/NSTextField.h"
#include "appkit/NSWindow.h"
#include "foundation/NSException.h"

#include <algorithm>
#include <set>

namespace {

class FlippedView : public NSView {
public:
    using NSView::NSView;
    bool isFlipped() const override { return true; }
};

// Writes down what it is told, and nothing else.
class RecordingDelegate : public NSCollectionViewDelegate {
public:
    std::vector<std::string> heard;
    void collectionViewDidSelectItemsAtIndexPaths(NSCollectionView&, const NSIndexPathSet& paths) override
    {
        heard.push_back("select " + std::to_string(paths.count()));
    }
    void collectionViewDidDeselectItemsAtIndexPaths(NSCollectionView&, const NSIndexPathSet& paths) override
    {
        heard.push_back("deselect " + std::to_string(paths.count()));
    }
};

// Remembers where it was asked to scroll.
class ScrollRecordingView : public NSCollectionView {
public:
    using NSCollectionView::NSCollectionView;
    std::vector<std::pair<std::size_t, NSCollectionViewScrollPosition>> scrolls;
    void scrollToItemsAtIndexPaths(const NSIndexPathSet& paths, NSCollectionViewScrollPosition position) override
    {
        scrolls.emplace_back(paths.count(), position);
    }
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

NSIndexPath row(long item)
{
    return NSIndexPath(item, 0);
}

std::set<NSCollectionViewItem*> identities(const std::vector<std::shared_ptr<NSCollectionViewItem>>& items)
{
    std::set<NSCollectionViewItem*> result;
    for (const auto& item : items)
        result.insert(item.get());
    return result;
}

bool selectedFlag(NSCollectionView& view, long item)
{
    auto found = view.itemAtIndexPath(row(item));
    return found && found->isSelected();
}

class NSCollectionViewTest : public AppKitTest { };

TEST_F(NSCollectionViewTest, MakesItemsForWhatTheLayoutPlacesInTheVisibleArea)
{
    auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{5});
    auto view = rowList(source, 120);

    // 120 points show rows 0 and 1 whole and row 2 in part.
    EXPECT_EQ(shown(view->visibleItems()), (std::vector<std::string>{"0-0", "0-1", "0-2"}));
    EXPECT_EQ(view->itemAtIndexPath(row(3)), nullptr);
    EXPECT_EQ(view->subviews().size(), 3u);
    auto second = view->itemAtIndexPath(row(1));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->view()->frame(), NSMakeRect(0, 50, 200, 50));
    EXPECT_EQ(view->frameForItemAtIndexPath(row(4)), NSMakeRect(0, 200, 200, 50));
    EXPECT_EQ(view->indexPathForItem(*second), row(1));
    EXPECT_EQ(second->collectionView(), view);

    // Inside a superview that shows 60 points of it, scrolled down by 100,
    // only rows 2 and 3 are visible.
    auto clip = std::make_shared<FlippedView>(NSMakeRect(0, 0, 200, 60));
    view->setFrame(NSMakeRect(0, -100, 200, 250));
    clip->addSubview(view);
    EXPECT_EQ(shown(view->visibleItems()), (std::vector<std::string>{"0-2", "0-3"}));
    EXPECT_EQ(view->itemAtIndexPath(row(0)), nullptr);
}

TEST_F(NSCollectionViewTest, ItemsLeavingTheVisibleAreaAreReusedForThoseComingIn)
{
    auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{10});
    auto view = rowList(source, 500);
    auto clip = std::make_shared<FlippedView>(NSMakeRect(0, 0, 200, 100));
    clip->addSubview(view);
    auto first = view->visibleItems();
    ASSERT_EQ(shown(first), (std::vector<std::string>{"0-0", "0-1"}));

    view->setFrameOrigin({0, -100});
    auto next = view->visibleItems();
    EXPECT_EQ(shown(next), (std::vector<std::string>{"0-2", "0-3"}));
    EXPECT_EQ(identities(next), identities(first));
    for (const auto& item : next)
        EXPECT_EQ(std::static_pointer_cast<RecordingItem>(item)->reuses, 1);
    EXPECT_EQ(view->subviews().size(), 2u);
}

TEST_F(NSCollectionViewTest, ReloadDataAsksAgainAndReusesEveryItem)
{
    auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{3});
    auto view = rowList(source, 300);
    auto before = view->visibleItems();
    ASSERT_EQ(before.size(), 3u);

    // The counts stay as loaded until the reload.
    source->counts = {2};
    EXPECT_EQ(view->numberOfItemsInSection(0), 3);
    source->asked.clear();
    view->reloadData();
    auto after = view->visibleItems();

    EXPECT_EQ(source->asked, (std::vector<std::string>{"sections", "count 0", "item 0-0", "item 0-1"}));
    EXPECT_EQ(shown(after), (std::vector<std::string>{"0-0", "0-1"}));
    for (const auto& item : after) {
        EXPECT_TRUE(identities(before).contains(item.get()));
        EXPECT_EQ(std::static_pointer_cast<RecordingItem>(item)->reuses, 1);
    }
    EXPECT_EQ(view->subviews().size(), 2u);
}

TEST_F(NSCollectionViewTest, SectionsAreOneUnlessTheDataSourceSaysOtherwise)
{
    struct Case {
        const char* name;
        bool answersSections;
        NSInteger sections;
        NSInteger itemsInSecond;
    };
    const Case cases[] = {
        {.name = "not answered", .answersSections = false, .sections = 1, .itemsInSecond = 0},
        {.name = "answered", .answersSections = true, .sections = 2, .itemsInSecond = 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{3, 4}, c.answersSections);
        auto view = rowList(source, 1000);
        EXPECT_EQ(view->numberOfSections(), c.sections);
        EXPECT_EQ(view->numberOfItemsInSection(0), 3);
        EXPECT_EQ(view->numberOfItemsInSection(1), c.itemsInSecond);
        EXPECT_EQ(view->visibleItems().size(), std::size_t(3 + c.itemsInSecond));
    }

    NSCollectionView empty(NSMakeRect(0, 0, 100, 100));
    EXPECT_EQ(empty.numberOfSections(), 0);
    EXPECT_EQ(empty.numberOfItemsInSection(0), 0);
}

TEST_F(NSCollectionViewTest, SelectingInCodeMarksItemsAndTellsNoDelegate)
{
    auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{4});
    auto view = rowList(source, 100);  // rows 0 and 1 visible
    auto delegate = std::make_shared<RecordingDelegate>();
    view->setDelegate(delegate);
    view->visibleItems();

    // Index paths that name no item are not selected.
    view->selectItemsAtIndexPaths({row(1), row(3), row(9), NSIndexPath(0, 1)}, NSCollectionViewScrollPositionNone);
    EXPECT_EQ(view->selectionIndexPaths(), (NSIndexPathSet{row(1), row(3)}));
    EXPECT_FALSE(selectedFlag(*view, 0));
    EXPECT_TRUE(selectedFlag(*view, 1));

    // A row that comes into view later comes selected.
    view->setFrameSize({200, 200});
    EXPECT_TRUE(selectedFlag(*view, 3));
    EXPECT_FALSE(selectedFlag(*view, 2));

    view->deselectItemsAtIndexPaths({row(1), row(2)});
    EXPECT_EQ(view->selectionIndexPaths(), (NSIndexPathSet{row(3)}));
    EXPECT_FALSE(selectedFlag(*view, 1));

    view->setSelectionIndexPaths({row(0), row(2)});
    EXPECT_EQ(view->selectionIndexPaths(), (NSIndexPathSet{row(0), row(2)}));
    EXPECT_TRUE(selectedFlag(*view, 0));
    EXPECT_TRUE(selectedFlag(*view, 2));
    EXPECT_FALSE(selectedFlag(*view, 3));

    EXPECT_TRUE(delegate->heard.empty());
}

TEST_F(NSCollectionViewTest, SelectingScrollsOnlyWhenAPositionIsGiven)
{
    auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{3});
    auto view = std::make_shared<ScrollRecordingView>(NSMakeRect(0, 0, 200, 100));
    view->setCollectionViewLayout(rowLayout(50));
    view->setDataSource(source);

    view->selectItemsAtIndexPaths({row(0)}, NSCollectionViewScrollPositionNone);
    view->selectItemsAtIndexPaths({row(2), row(7)}, NSCollectionViewScrollPositionNearestHorizontalEdge);
    view->selectItemsAtIndexPaths({row(7)}, NSCollectionViewScrollPositionNearestHorizontalEdge);
    ASSERT_EQ(view->scrolls.size(), 1u);
    EXPECT_EQ(view->scrolls[0].first, 1u);
    EXPECT_EQ(view->scrolls[0].second, 512u);
}

TEST_F(NSCollectionViewTest, ReloadDataKeepsTheSelectionThatStillNamesAnItem)
{
    auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{5});
    auto view = rowList(source, 300);
    view->selectItemsAtIndexPaths({row(1), row(4)}, NSCollectionViewScrollPositionNone);

    source->counts = {3};
    view->reloadData();
    EXPECT_EQ(view->selectionIndexPaths(), (NSIndexPathSet{row(1)}));
    EXPECT_TRUE(selectedFlag(*view, 1));
    EXPECT_FALSE(selectedFlag(*view, 2));
}

TEST_F(NSCollectionViewTest, AnIdentifierGetsItsLastRegistration)
{
    auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{1});
    auto view = rowList(source, 100);

    std::weak_ptr<NSObject> spare;
    auto nib = std::make_shared<NSNib>("Row", [&spare](const Id&) -> std::optional<NSNib::Objects> {
        auto item = std::make_shared<NSCollectionViewItem>();
        auto label = NSTextField::labelWithString("from the nib");
        auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 10, 10));
        content->addSubview(label);
        item->setView(content);
        item->setTextField(label);
        auto popover = std::make_shared<NSPopover>();
        spare = popover;
        return NSNib::Objects{popover, item};
    });
    view->registerNib(nib, "Row");
    auto fromNib = view->makeItemWithIdentifier("Row", row(0));
    ASSERT_NE(fromNib, nullptr);
    EXPECT_FALSE(fromNib->isKindOf<RecordingItem>());
    ASSERT_NE(fromNib->textField(), nullptr);
    EXPECT_EQ(fromNib->textField()->stringValue(), String("from the nib"));
    // The nib's other top-level objects live as long as the item.
    EXPECT_FALSE(spare.expired());
    fromNib.reset();
    EXPECT_TRUE(spare.expired());

    view->registerClass<RecordingItem>("Row");
    EXPECT_TRUE(view->makeItemWithIdentifier("Row", row(0))->isKindOf<RecordingItem>());
}

TEST_F(NSCollectionViewTest, ItemsThatCannotBeMadeRaise)
{
    auto view = std::make_shared<NSCollectionView>();
    auto noItem = std::make_shared<NSNib>(
        "Empty", [](const Id&) -> std::optional<NSNib::Objects> { return NSNib::Objects{std::make_shared<NSView>()}; });
    auto broken =
        std::make_shared<NSNib>("Broken", [](const Id&) -> std::optional<NSNib::Objects> { return std::nullopt; });
    view->registerNib(noItem, "Empty");
    view->registerNib(broken, "Broken");
    view->registerClass<RecordingItem>("Gone");
    view->registerNib(nullptr, "Gone");

    for (const char* identifier : {"Unknown", "Gone", "Empty", "Broken"}) {
        SCOPED_TRACE(identifier);
        try {
            view->makeItemWithIdentifier(identifier, row(0));
            ADD_FAILURE() << "made an item";
        } catch (const NSException& exception) {
            EXPECT_EQ(exception.name(), NSInternalInconsistencyException);
            EXPECT_NE(exception.reason().utf8().find(identifier), std::string::npos) << exception.reason().utf8();
        }
    }
}

TEST_F(NSCollectionViewTest, OffersKeyEquivalentsToItemViewsBeforeAnythingAskedForThem)
{
    auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{2});
    auto view = std::make_shared<NSCollectionView>(NSMakeRect(0, 0, 200, 100));
    view->setCollectionViewLayout(rowLayout(50));
    view->registerClass(
        RecordingItem::descriptor(),
        [] {
            auto item = std::make_shared<RecordingItem>();
            item->setViewLoader([] { return std::make_shared<KeyTaker>(36); });
            return item;
        },
        "Row");
    view->setDataSource(source);

    auto window = std::make_shared<NSWindow>(NSMakeRect(0, 0, 200, 100));
    window->setContentView(view);
    activateProgram();
    window->makeKeyAndOrderFront(Id());
    drain();
    EXPECT_TRUE(window->makeFirstResponder(view));
    EXPECT_EQ(window->firstResponder(), view);

    std::size_t beeps = recorded(simulation::ProgramRecord::Kind::Beep);
    app()->sendEvent(keyDown(36, "\r", 0, window->windowNumber()));
    EXPECT_EQ(recorded(simulation::ProgramRecord::Kind::Beep), beeps);
    // Another key goes past the items and the view, to the end of the chain.
    app()->sendEvent(keyDown(0, "a", 0, window->windowNumber()));
    EXPECT_EQ(recorded(simulation::ProgramRecord::Kind::Beep), beeps + 1);
}

TEST_F(NSCollectionViewTest, StoryboardsSetTheLayoutAndTheSelectionSettings)
{
    const char* json = R"({
      "scenes": [{
        "identifier": "List",
        "controller": {
          "class": "NSViewController",
          "view": {
            "class": "NSView", "frame": [0, 0, 300, 200],
            "subviews": [{
              "id": "list", "class": "NSCollectionView", "frame": [0, 0, 300, 200],
              "properties": {"selectable": true, "allowsEmptySelection": false},
              "outlets": {"collectionViewLayout": "grid"}
            }]
          }
        },
        "objects": [{"id": "grid", "class": "NSCollectionViewGridLayout",
                     "properties": {"maximumNumberOfColumns": 1, "minimumLineSpacing": 10}}]
      }]
    })";
    auto read = NSStoryboard::storyboardWithData(json, nullptr);
    ASSERT_TRUE(read.ok()) << read.error();
    const std::shared_ptr<NSStoryboard>& storyboard = *read;
    auto controller = storyboard->instantiateControllerWithIdentifier("List").object<NSViewController>();
    ASSERT_NE(controller, nullptr);
    auto list = std::dynamic_pointer_cast<NSCollectionView>(controller->view()->subviews().at(0));
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isSelectable());
    EXPECT_FALSE(list->allowsEmptySelection());
    EXPECT_FALSE(list->allowsMultipleSelection());
    auto grid = std::dynamic_pointer_cast<NSCollectionViewGridLayout>(list->collectionViewLayout());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->maximumNumberOfColumns(), 1u);
    EXPECT_EQ(grid->minimumLineSpacing(), 10);
    EXPECT_EQ(grid->collectionView(), list);
}

}  // namespace
