#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSCollectionViewLayout.h"
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
};

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
class NSCollectionView : public NSView {
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
};
