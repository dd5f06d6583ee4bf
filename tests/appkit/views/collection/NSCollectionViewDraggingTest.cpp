#include "AppKitTestFixture.h"
#include "CollectionViewFakes.h"
#include "appkit/NSDraggingSystem.h"
#include "appkit/NSPasteboard.h"
#include "appkit/NSWindow.h"

namespace {

std::string dropText(const NSIndexPath& indexPath, NSCollectionViewDropOperation operation)
{
    return indexPath.description().utf8() + (operation == NSCollectionViewDropBefore ? " before" : " on");
}

std::string setText(const NSIndexPathSet& indexPaths)
{
    std::string text;
    for (const auto& indexPath : indexPaths)
        text += (text.empty() ? "" : ",") + indexPath.description().utf8();
    return text;
}

// A data source whose lists show a gap indicator.
class GapSource : public CountingDataSource {
public:
    using CountingDataSource::CountingDataSource;
    int indicatorsMade = 0;

    std::shared_ptr<NSView> collectionViewViewForSupplementaryElementOfKindAtIndexPath(NSCollectionView&,
                                                                                       const String& kind,
                                                                                       const NSIndexPath&) override
    {
        EXPECT_EQ(kind, NSCollectionElementKindInterItemGapIndicator);
        ++indicatorsMade;
        return std::make_shared<NSView>();
    }
};

// Writes down every drag and drop call, in order; answers as told.
class DragDelegate : public NSObject, public NSCollectionViewDelegate {
public:
    std::vector<std::string> calls;
    bool canDrag = true;
    NSDragOperation validation = NSDragOperationMove;
    std::optional<std::pair<NSIndexPath, NSCollectionViewDropOperation>> retarget;
    bool accepts = true;
    Id source;

    bool collectionViewCanDragItemsAtIndexPaths(NSCollectionView&, const NSIndexPathSet& indexPaths, NSEvent&) override
    {
        calls.push_back("can-drag " + setText(indexPaths));
        return canDrag;
    }
    Id collectionViewPasteboardWriterForItemAtIndexPath(NSCollectionView&, const NSIndexPath& indexPath) override
    {
        calls.push_back("writer " + indexPath.description().utf8());
        return Id(String("row ").appending(indexPath.description()));
    }
    void collectionViewDraggingSessionWillBeginAtPoint(NSCollectionView&, NSDraggingSession&, NSPoint,
                                                       const NSIndexPathSet& indexPaths) override
    {
        calls.push_back("will-begin " + setText(indexPaths));
    }
    void collectionViewDraggingSessionEndedAtPoint(NSCollectionView&, NSDraggingSession&, NSPoint,
                                                   NSDragOperation operation) override
    {
        calls.push_back("ended " + std::to_string(operation));
    }
    NSDragOperation collectionViewValidateDrop(NSCollectionView&, NSDraggingInfo& info, NSIndexPath& indexPath,
                                               NSCollectionViewDropOperation& operation) override
    {
        calls.push_back("validate " + dropText(indexPath, operation));
        source = info.draggingSource();
        if (retarget)
            std::tie(indexPath, operation) = *retarget;
        return validation;
    }
    bool collectionViewAcceptDrop(NSCollectionView&, NSDraggingInfo& info, const NSIndexPath& indexPath,
                                  NSCollectionViewDropOperation operation) override
    {
        calls.push_back("accept " + dropText(indexPath, operation) + " " +
                        info.draggingPasteboard()->stringForType(NSPasteboardTypeString).value_or("-").utf8());
        return accepts;
    }
};

// A window whose content is a list of three rows 50 high (0 to 150 from the
// list's top) above an empty strip, the list taking string drops.
class CollectionViewDraggingTest : public AppKitTest {
public:
    std::shared_ptr<GapSource> source = std::make_shared<GapSource>(std::vector<NSInteger>{3});
    std::shared_ptr<DragDelegate> delegate = std::make_shared<DragDelegate>();
    std::shared_ptr<NSWindow> window = std::make_shared<NSWindow>(NSMakeRect(100, 100, 200, 250));
    std::shared_ptr<NSCollectionView> list = rowList(source, 200);

    CollectionViewDraggingTest()
    {
        activateProgram();
        auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 200, 250));
        window->setContentView(content);
        list->setFrame(NSMakeRect(0, 50, 200, 200));
        content->addSubview(list);
        list->setDelegate(delegate);
        list->registerForDraggedTypes({NSPasteboardTypeString});
        window->makeKeyAndOrderFront(Id());
        drain();
    }

    ~CollectionViewDraggingTest() override
    {
        NSDraggingSystem::shared().cancel();
        window->orderOut(Id());
    }

    // A point of the list (from its top), in the window.
    NSPoint at(CGFloat y, CGFloat x = 100) { return list->convertPoint(NSMakePoint(x, y), nullptr); }

    void mouse(NSEventType type, NSPoint point)
    {
        app()->sendEvent(NSEvent::mouseEventWithType(type, point, 0, 0, window->windowNumber(), Id(), 0, 1, 1));
    }

    // Presses at `from`, moves through `to` and, unless told otherwise,
    // releases there.
    void dragRow(CGFloat from, CGFloat to, bool release = true)
    {
        mouse(NSEventTypeLeftMouseDown, at(from));
        mouse(NSEventTypeLeftMouseDragged, at(from + 3));
        mouse(NSEventTypeLeftMouseDragged, at(to));
        if (release)
            mouse(NSEventTypeLeftMouseUp, at(to));
    }
};

TEST_F(CollectionViewDraggingTest, ADraggedRowAsksTheDelegateInOrder)
{
    dragRow(25, 105);

    EXPECT_EQ(delegate->calls, (std::vector<std::string>{
                                   "can-drag 0-0",
                                   "writer 0-0",
                                   "will-begin 0-0",
                                   "validate 0-0 on",
                                   "validate 0-2 before",
                                   "validate 0-2 before",
                                   "accept 0-2 before row 0-0",
                                   "ended 16",
                               }));
    EXPECT_TRUE(delegate->source.objectPointer() == list.get());
    EXPECT_FALSE(NSDraggingSystem::shared().isDragging());
    EXPECT_EQ(NSDraggingSystem::shared().lastOperation(), NSDragOperationMove);
}

TEST_F(CollectionViewDraggingTest, ProposesTheGapNearARowsEdgesAndTheRowBetween)
{
    struct Case {
        CGFloat y;
        std::string proposal;
    } cases[] = {
        {.y = 0, .proposal = "0-0 before"},   {.y = 12, .proposal = "0-0 before"},  {.y = 13, .proposal = "0-0 on"},
        {.y = 37, .proposal = "0-0 on"},      {.y = 38, .proposal = "0-1 before"},  {.y = 75, .proposal = "0-1 on"},
        {.y = 149, .proposal = "0-3 before"}, {.y = 190, .proposal = "0-3 before"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.y);
        auto [indexPath, operation] = list->proposedDropAtPoint(NSMakePoint(100, c.y));
        EXPECT_EQ(dropText(indexPath, operation), c.proposal);
    }

    // Between spaced rows the gap before the next one; side by side, the
    // split runs across.
    auto layout = std::static_pointer_cast<NSCollectionViewGridLayout>(list->collectionViewLayout());
    layout->setMinimumLineSpacing(10);
    EXPECT_EQ(dropText(list->proposedDropAtPoint(NSMakePoint(100, 55)).first, NSCollectionViewDropBefore),
              "0-1 before");
    layout->setMaximumNumberOfColumns(2);
    layout->setMinimumItemSize({100, 50});
    auto [indexPath, operation] = list->proposedDropAtPoint(NSMakePoint(90, 10));
    EXPECT_EQ(dropText(indexPath, operation), "0-1 before");
}

TEST_F(CollectionViewDraggingTest, TheGapIndicatorStandsWhileADropBeforeIsProposed)
{
    dragRow(25, 101, false);
    auto indicator = list->dropGapIndicator();
    ASSERT_TRUE(indicator);
    EXPECT_EQ(indicator->superview(), list);
    EXPECT_EQ(indicator->frame(),
              list->collectionViewLayout()->layoutAttributesForInterItemGapBeforeIndexPath(NSIndexPath(2, 0))->frame);

    // Over the middle of a row: that row is the target instead.
    mouse(NSEventTypeLeftMouseDragged, at(75));
    EXPECT_FALSE(list->dropGapIndicator());
    EXPECT_FALSE(indicator->superview());
    EXPECT_EQ(list->itemAtIndexPath(NSIndexPath(1, 0))->highlightState(), NSCollectionViewItemHighlightAsDropTarget);

    mouse(NSEventTypeLeftMouseUp, at(75));
    EXPECT_EQ(list->itemAtIndexPath(NSIndexPath(1, 0))->highlightState(), NSCollectionViewItemHighlightNone);
    EXPECT_EQ(delegate->calls.back(), "ended 16");
}

TEST_F(CollectionViewDraggingTest, EscapeCancelsTheDragBeforeAnyMonitorSeesIt)
{
    int monitored = 0;
    Id monitor = NSEvent::addLocalMonitorForEventsMatchingMask(NSEventMaskKeyDown, [&](const auto& event) {
        ++monitored;
        return event;
    });
    dragRow(25, 101, false);
    app()->sendEvent(keyDown(53, "\x1b"));
    mouse(NSEventTypeLeftMouseUp, at(101));
    NSEvent::removeMonitor(monitor);

    EXPECT_EQ(monitored, 0);
    EXPECT_FALSE(list->dropGapIndicator());
    EXPECT_EQ(delegate->calls.back(), "ended 0");
    EXPECT_EQ(std::count_if(delegate->calls.begin(), delegate->calls.end(),
                            [](const std::string& call) { return call.starts_with("accept"); }),
              0);
    EXPECT_EQ(NSDraggingSystem::shared().lastOperation(), NSDragOperationNone);
}

TEST_F(CollectionViewDraggingTest, RefusedDropsEndWithNoOperation)
{
    struct Case {
        const char* name;
        std::function<void(CollectionViewDraggingTest&)> arrange;
        CGFloat releaseAt;
        bool asksToAccept;
    } cases[] = {
        {"validation answers none", [](auto& t) { t.delegate->validation = NSDragOperationNone; }, 101, false},
        {"no local operation allowed",
         [](auto& t) { t.list->setDraggingSourceOperationMask(NSDragOperationNone, true); }, 101, false},
        {"the drop is not accepted", [](auto& t) { t.delegate->accepts = false; }, 101, true},
        {"released outside the list", [](auto&) {}, -20, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        delegate->calls.clear();
        delegate->validation = NSDragOperationMove;
        delegate->accepts = true;
        list->setDraggingSourceOperationMask(NSDragOperationEvery, true);
        c.arrange(*this);
        dragRow(25, c.releaseAt);
        EXPECT_EQ(delegate->calls.back(), "ended 0");
        EXPECT_EQ(delegate->calls[delegate->calls.size() - 2].starts_with("accept"), c.asksToAccept);
        EXPECT_FALSE(list->dropGapIndicator());
    }
}

TEST_F(CollectionViewDraggingTest, TheDelegateDecidesWhatIsDraggedAndWhereItLands)
{
    // Declined: no drag begins and the release is an ordinary one.
    delegate->canDrag = false;
    dragRow(25, 101);
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"can-drag 0-0"}));

    // A selected row drags the selection; the delegate moves the drop.
    delegate->calls.clear();
    delegate->canDrag = true;
    delegate->retarget = std::pair{NSIndexPath(0, 0), NSCollectionViewDropBefore};
    list->selectItemsAtIndexPaths({NSIndexPath(0, 0), NSIndexPath(1, 0)}, NSCollectionViewScrollPositionNone);
    dragRow(75, 140);
    EXPECT_EQ(delegate->calls[0], "can-drag 0-0,0-1");
    EXPECT_EQ(delegate->calls[3], "will-begin 0-0,0-1");
    EXPECT_EQ(delegate->calls[delegate->calls.size() - 2], "accept 0-0 before row 0-0");
    EXPECT_EQ(NSPasteboard::pasteboardWithName(NSPasteboardNameDrag)->itemCount(), 2u);
}

TEST_F(CollectionViewDraggingTest, AnotherApplicationsTextIsDroppedWithoutASource)
{
    auto pasteboard = NSPasteboard::pasteboardWithName(NSPasteboardNameDrag);
    pasteboard->clearContents();
    pasteboard->writeObjects({Id("from elsewhere")});
    auto& system = NSDraggingSystem::shared();
    ASSERT_TRUE(system.beginDragFromOtherApplication(window, at(-30), NSDragOperationEvery));
    system.moveTo(at(51));
    system.drop(at(51));

    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"validate 0-1 before", "validate 0-1 before",
                                                         "accept 0-1 before from elsewhere"}));
    EXPECT_TRUE(delegate->source.isNil());
    EXPECT_EQ(system.lastOperation(), NSDragOperationMove);

    // A list that takes no text hears nothing of it.
    delegate->calls.clear();
    list->unregisterDraggedTypes();
    system.beginDragFromOtherApplication(window, at(51), NSDragOperationEvery);
    system.drop(at(51));
    EXPECT_TRUE(delegate->calls.empty());
    EXPECT_EQ(system.lastOperation(), NSDragOperationNone);
}

TEST_F(CollectionViewDraggingTest, DragsAllowEveryOperationLocallyAndNoneOutside)
{
    auto fresh = std::make_shared<NSCollectionView>();
    EXPECT_EQ(fresh->draggingSourceOperationMaskForLocal(true), NSDragOperationEvery);
    EXPECT_EQ(fresh->draggingSourceOperationMaskForLocal(false), NSDragOperationNone);
    fresh->setDraggingSourceOperationMask(NSDragOperationMove, false);
    EXPECT_EQ(fresh->draggingSourceOperationMaskForLocal(false), NSDragOperationMove);
}

}  // namespace
