#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSCollectionViewLayout.h"
#include "appkit/NSDragging.h"
#include "appkit/NSView.h"
#include "foundation/ClassDescriptor.h"
#include "foundation/NSIndexPath.h"
#include "foundation/String.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class NSCollectionView;
class NSCollectionViewItem;
class NSNib;

// Where scrolling to an item should leave it, with the platform's bits.
using NSCollectionViewScrollPosition = NSUInteger;
inline constexpr NSCollectionViewScrollPosition NSCollectionViewScrollPositionNone = 0;
inline constexpr NSCollectionViewScrollPosition NSCollectionViewScrollPositionTop = 1UL << 0;
inline constexpr NSCollectionViewScrollPosition NSCollectionViewScrollPositionCenteredVertically = 1UL << 1;
inline constexpr NSCollectionViewScrollPosition NSCollectionViewScrollPositionBottom = 1UL << 2;
inline constexpr NSCollectionViewScrollPosition NSCollectionViewScrollPositionLeft = 1UL << 3;
inline constexpr NSCollectionViewScrollPosition NSCollectionViewScrollPositionCenteredHorizontally = 1UL << 4;
inline constexpr NSCollectionViewScrollPosition NSCollectionViewScrollPositionRight = 1UL << 5;
inline constexpr NSCollectionViewScrollPosition NSCollectionViewScrollPositionLeadingEdge = 1UL << 6;
inline constexpr NSCollectionViewScrollPosition NSCollectionViewScrollPositionTrailingEdge = 1UL << 7;
inline constexpr NSCollectionViewScrollPosition NSCollectionViewScrollPositionNearestVerticalEdge = 1UL << 8;
// Scroll only as far as needed, to the nearer of the top and bottom edges.
inline constexpr NSCollectionViewScrollPosition NSCollectionViewScrollPositionNearestHorizontalEdge = 1UL << 9;

// Where a drop lands among the items: on an item, or in the gap before it
// (an index path one past the last item is the gap after it).
enum NSCollectionViewDropOperation : NSInteger {
    NSCollectionViewDropOn = 0,
    NSCollectionViewDropBefore = 1,
};

// The kind of the supplementary view that marks the gap a drop would go to.
extern const String NSCollectionElementKindInterItemGapIndicator;

// Where a collection view's content comes from. The two counts and the
// items are asked for whenever the view (re)loads; the number of sections
// is optional and is 1 unless answered.
//
// The methods are named after the platform's selectors, which all begin
// with "collectionView": the name keeps the keyword that tells them apart
// (collectionView:numberOfItemsInSection: is
// collectionViewNumberOfItemsInSection).
class NSCollectionViewDataSource {
public:
    virtual ~NSCollectionViewDataSource() = default;

    virtual NSInteger collectionViewNumberOfItemsInSection(NSCollectionView& collectionView, NSInteger section) = 0;
    // Usually an item from makeItemWithIdentifier, filled in for the index
    // path. nullptr leaves the place empty.
    virtual std::shared_ptr<NSCollectionViewItem>
    collectionViewItemForRepresentedObjectAtIndexPath(NSCollectionView& collectionView,
                                                      const NSIndexPath& indexPath) = 0;
    virtual NSInteger numberOfSectionsInCollectionView(NSCollectionView& /*collectionView*/) { return 1; }
    // A supplementary view of the kind for the index path; the drop-gap
    // indicator among them. nullptr shows none.
    virtual std::shared_ptr<NSView>
    collectionViewViewForSupplementaryElementOfKindAtIndexPath(NSCollectionView& /*collectionView*/,
                                                               const String& /*kind*/, const NSIndexPath& /*indexPath*/)
    {
        return nullptr;
    }
};

// What a collection view tells its delegate about the user's selection.
// Every method is optional: the defaults do nothing. Changes made in code
// (selectItemsAtIndexPaths, deselectItemsAtIndexPaths) are not reported, as
// on the platform: whoever makes them tells the delegate if it should know.
class NSCollectionViewDelegate {
public:
    virtual ~NSCollectionViewDelegate() = default;

    virtual void collectionViewDidSelectItemsAtIndexPaths(NSCollectionView& /*collectionView*/,
                                                          const NSIndexPathSet& /*indexPaths*/)
    {
    }
    virtual void collectionViewDidDeselectItemsAtIndexPaths(NSCollectionView& /*collectionView*/,
                                                            const NSIndexPathSet& /*indexPaths*/)
    {
    }

    // Drag and drop, in the order a drag asks: whether the pressed items may
    // be dragged, the object each puts on the drag pasteboard (a string, or
    // an object adopting NSPasteboardWriting; nil leaves the item out), that
    // the drag begins; then, at every move over the view, what a drop at
    // the proposed place would do (the delegate may move the place or
    // change the drop operation; None refuses it), whether a released drop
    // is taken; and last that the drag ended, with the operation performed.
    virtual bool collectionViewCanDragItemsAtIndexPaths(NSCollectionView& /*collectionView*/,
                                                        const NSIndexPathSet& /*indexPaths*/, NSEvent& /*event*/)
    {
        return false;
    }
    virtual Id collectionViewPasteboardWriterForItemAtIndexPath(NSCollectionView& /*collectionView*/,
                                                                const NSIndexPath& /*indexPath*/)
    {
        return Id();
    }
    virtual void collectionViewDraggingSessionWillBeginAtPoint(NSCollectionView& /*collectionView*/,
                                                               NSDraggingSession& /*session*/, NSPoint /*screenPoint*/,
                                                               const NSIndexPathSet& /*indexPaths*/)
    {
    }
    virtual void collectionViewDraggingSessionEndedAtPoint(NSCollectionView& /*collectionView*/,
                                                           NSDraggingSession& /*session*/, NSPoint /*screenPoint*/,
                                                           NSDragOperation /*operation*/)
    {
    }
    virtual NSDragOperation collectionViewValidateDrop(NSCollectionView& /*collectionView*/, NSDraggingInfo& /*info*/,
                                                       NSIndexPath& /*proposedDropIndexPath*/,
                                                       NSCollectionViewDropOperation& /*proposedDropOperation*/)
    {
        return NSDragOperationNone;
    }
    virtual bool collectionViewAcceptDrop(NSCollectionView& /*collectionView*/, NSDraggingInfo& /*info*/,
                                          const NSIndexPath& /*indexPath*/,
                                          NSCollectionViewDropOperation /*dropOperation*/)
    {
        return false;
    }
};

namespace detail {
struct CollectionViewDragState;
}

// A view of items in sections, placed by a layout object.
//
// Content. The view asks its data source for the number of sections and of
// items in each when it first needs them, and keeps those counts until
// reloadData (or a new data source). It makes an item only for an index path
// whose frame (from the layout) meets its visible area: its bounds, as far
// as its superviews show them. Those are its visible items; their views are
// its subviews, at the frames the layout gave. An item that leaves the
// visible area, and every item at reloadData, goes back to a reuse queue of
// its identifier, from which makeItemWithIdentifier hands it out again after
// prepareForReuse. The view works its items out again lazily, when they are
// next asked for (visibleItems, itemAtIndexPath, indexPathForItem, the key
// equivalent pass) after its content, size, layout or visible area changed.
//
// Selection. selectionIndexPaths only ever holds index paths of items that
// exist: selecting others is ignored, and reloadData drops those that no
// longer address an item while keeping the rest, so a list whose rows were
// reordered keeps its selected row number. Selecting in code sets `selected`
// on the visible items concerned and does not call the delegate. The
// selectable, allowsMultipleSelection and allowsEmptySelection settings are
// kept for the user's own selecting (clicks); code selects what it is told.
//
// The view is flipped (rows go down from the top), takes the keyboard as a
// first responder, and offers key equivalents to its items' views.
class NSCollectionView : public NSView, public NSDraggingSource, public NSDraggingDestination {
    KS_OBJECT(NSCollectionView, NSView)

public:
    using ItemFactory = std::function<std::shared_ptr<NSCollectionViewItem>()>;

    explicit NSCollectionView(NSRect frame = NSZeroRect);
    ~NSCollectionView() override;

    // --- Content ---

    // Held weakly, as the platform does; whoever sets them keeps them alive.
    std::shared_ptr<NSCollectionViewDataSource> dataSource() const { return dataSource_.lock(); }
    void setDataSource(const std::shared_ptr<NSCollectionViewDataSource>& dataSource);
    std::shared_ptr<NSCollectionViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<NSCollectionViewDelegate>& delegate) { delegate_ = delegate; }

    std::shared_ptr<NSCollectionViewLayout> collectionViewLayout() const { return layout_; }
    void setCollectionViewLayout(const std::shared_ptr<NSCollectionViewLayout>& layout);

    // The counts as the view last loaded them; 0 without a data source, and
    // 0 items for a section that does not exist.
    NSInteger numberOfSections();
    NSInteger numberOfItemsInSection(NSInteger section);
    // Forgets the counts and the items; they are asked for again when next
    // needed.
    void reloadData();

    // --- Items ---

    // The class (with how to make one) or the nib whose items an identifier
    // gets; the last registration of an identifier counts. A nib must hold
    // an NSCollectionViewItem among its top-level objects. A nil nib removes
    // the identifier's registration.
    void registerClass(const ClassDescriptor& itemClass, ItemFactory factory, const String& identifier);
    template <class T> void registerClass(const String& identifier)
    {
        registerClass(
            T::descriptor(), [] { return std::make_shared<T>(); }, identifier);
    }
    void registerNib(const std::shared_ptr<NSNib>& nib, const String& identifier);

    // A reused item of the identifier (after its prepareForReuse), or a new
    // one. An identifier without a registration raises an
    // internal-inconsistency exception, as does a nib without an item.
    std::shared_ptr<NSCollectionViewItem> makeItemWithIdentifier(const String& identifier,
                                                                 const NSIndexPath& indexPath);
    // The visible item at the index path; nullptr for one that is not
    // visible or does not exist.
    std::shared_ptr<NSCollectionViewItem> itemAtIndexPath(const NSIndexPath& indexPath);
    // Where a visible item is; nullopt for any other item.
    std::optional<NSIndexPath> indexPathForItem(const NSCollectionViewItem& item);
    // In index-path order.
    std::vector<std::shared_ptr<NSCollectionViewItem>> visibleItems();
    NSIndexPathSet indexPathsForVisibleItems();

    // --- Geometry (from the layout) ---

    std::optional<NSCollectionViewLayoutAttributes> layoutAttributesForItemAtIndexPath(const NSIndexPath& indexPath);
    // The zero rectangle where the layout places nothing.
    NSRect frameForItemAtIndexPath(const NSIndexPath& indexPath);
    // The item whose frame holds the point (in the view's coordinates);
    // nullopt over a gap or past the items.
    std::optional<NSIndexPath> indexPathForItemAtPoint(NSPoint point);

    // --- Selection ---

    bool isSelectable() const { return selectable_; }
    void setSelectable(bool selectable) { selectable_ = selectable; }
    bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
    void setAllowsMultipleSelection(bool allows) { allowsMultipleSelection_ = allows; }
    bool allowsEmptySelection() const { return allowsEmptySelection_; }
    void setAllowsEmptySelection(bool allows) { allowsEmptySelection_ = allows; }

    const NSIndexPathSet& selectionIndexPaths() const { return selection_; }
    // Replaces the selection.
    void setSelectionIndexPaths(const NSIndexPathSet& indexPaths);
    // Adds to the selection; then, unless the position is None, scrolls to
    // the items.
    void selectItemsAtIndexPaths(const NSIndexPathSet& indexPaths, NSCollectionViewScrollPosition scrollPosition);
    void deselectItemsAtIndexPaths(const NSIndexPathSet& indexPaths);

    // Brings the items into view at the position, when the view is the
    // document of a clip view (a scroll view's): the vertical positions
    // (top, centred, bottom, nearest horizontal edge) move it up or down,
    // the horizontal ones sideways; the nearest-edge positions scroll only
    // as far as needed, and not at all for items already in full view.
    virtual void scrollToItemsAtIndexPaths(const NSIndexPathSet& indexPaths,
                                           NSCollectionViewScrollPosition scrollPosition);

    // --- View ---

    bool isFlipped() const override { return true; }
    bool acceptsFirstResponder() override { return true; }
    void setFrame(NSRect frame) override;
    bool performKeyEquivalent(NSEvent& event) override;
    // Places the visible items. In a clip view the view also takes the
    // clip view's width and the layout's content height (at least the
    // clip view's), so that it scrolls through all of its content.
    void layout() override;
    // A click selects the item under it, as the user's own selecting: with
    // the view selectable, the other items are deselected (or, with
    // multiple selection and Command held, the item's selection toggles)
    // and the delegate hears of both changes. A click past the items
    // empties the selection where an empty one is allowed.
    void mouseDown(NSEvent& event) override;

    // Internal: makes the visible items match the content, the layout and
    // the visible area; the queries above call it.
    void updateVisibleItems();

    // --- Drag and drop (views/collection/NSCollectionViewDragging.cpp) ---
    //
    // A drag begins when the pointer moves with the left button held down
    // on an item: the pressed item, or the whole selection when the pressed
    // item is selected, as the delegate allows. As a destination (for the
    // types registered with registerForDraggedTypes) the view proposes the
    // place under the pointer: the gap before an item near its leading
    // quarter, the gap after it near its trailing quarter, the item itself
    // in between, the gap before the next item between items. While the
    // delegate accepts a drop before an item, the data source's gap
    // indicator stands at the layout's gap frame; over an item, the item is
    // highlighted as the drop target.

    // Which operations the view's drags allow inside this program (local)
    // and outside it: every operation locally and none outside by default.
    NSDragOperation draggingSourceOperationMaskForLocal(bool local) const;
    void setDraggingSourceOperationMask(NSDragOperation mask, bool local);

    // Where a drop at the point would go, before the delegate has a say.
    std::pair<NSIndexPath, NSCollectionViewDropOperation> proposedDropAtPoint(NSPoint point);
    // The gap indicator shown now; nullptr while none is.
    std::shared_ptr<NSView> dropGapIndicator() const;

    void mouseDragged(NSEvent& event) override;
    void mouseUp(NSEvent& event) override;

    NSDragOperation draggingSessionSourceOperationMaskForDraggingContext(NSDraggingSession& session,
                                                                         NSDraggingContext context) override;
    void draggingSessionWillBeginAtPoint(NSDraggingSession& session, NSPoint screenPoint) override;
    void draggingSessionEndedAtPoint(NSDraggingSession& session, NSPoint screenPoint,
                                     NSDragOperation operation) override;
    NSDragOperation draggingEntered(NSDraggingInfo& info) override;
    NSDragOperation draggingUpdated(NSDraggingInfo& info) override;
    void draggingExited(NSDraggingInfo& info) override;
    bool performDragOperation(NSDraggingInfo& info) override;

protected:
    static void describe(ClassDescriptor& d);

private:
    friend class NSCollectionViewLayout;

    struct Registration {
        const ClassDescriptor* itemClass = nullptr;
        ItemFactory factory;
        std::shared_ptr<NSNib> nib;
    };

    void loadCountsIfNeeded();
    bool addressesItem(const NSIndexPath& indexPath);
    void enqueueForReuse(const std::shared_ptr<NSCollectionViewItem>& item);
    void setItemsSelected(const NSIndexPathSet& indexPaths, bool selected);
    NSRect visibleArea();
    // In a clip view: the clip view's width, the content's height.
    void fitToClipView();
    // The user's change of the selection, told to the delegate.
    void userSelect(NSIndexPathSet deselect, NSIndexPathSet select);
    std::shared_ptr<NSCollectionViewItem> itemFromNib(NSNib& nib, const String& identifier);

    std::weak_ptr<NSCollectionViewDataSource> dataSource_;
    std::weak_ptr<NSCollectionViewDelegate> delegate_;
    std::shared_ptr<NSCollectionViewLayout> layout_;

    bool countsLoaded_ = false;
    std::vector<NSInteger> itemCounts_;

    std::unordered_map<String, Registration> registrations_;
    std::unordered_map<String, std::vector<std::shared_ptr<NSCollectionViewItem>>> reuseQueues_;
    std::map<NSIndexPath, std::shared_ptr<NSCollectionViewItem>> visibleItems_;
    // Whether the visible items must be worked out again, and for which
    // visible area they were worked out last.
    bool itemsNeedUpdate_ = true;
    NSRect itemsArea_ = NSZeroRect;
    bool updatingItems_ = false;

    bool selectable_ = false;
    bool allowsMultipleSelection_ = false;
    bool allowsEmptySelection_ = true;
    NSIndexPathSet selection_;

    // Drag and drop.
    detail::CollectionViewDragState& dragState();
    NSDragOperation validateDropAt(NSDraggingInfo& info);
    void showDropTarget(std::optional<std::pair<NSIndexPath, NSCollectionViewDropOperation>> target);
    std::shared_ptr<detail::CollectionViewDragState> dragState_;
};
