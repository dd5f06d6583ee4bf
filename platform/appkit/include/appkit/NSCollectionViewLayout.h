#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/NSIndexPath.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>
#include <optional>
#include <vector>

class NSCollectionView;

// What a piece of a collection view's content is, with the platform's values.
enum NSCollectionElementCategory : NSInteger {
    NSCollectionElementCategoryItem = 0,
    NSCollectionElementCategorySupplementaryView = 1,
    NSCollectionElementCategoryDecorationView = 2,
    NSCollectionElementCategoryInterItemGap = 3,
};

// Where a layout puts one piece of the content, in the collection view's
// (flipped) coordinates. A value: a layout hands out copies, and a subclass
// may change what its superclass answered before passing it on.
struct NSCollectionViewLayoutAttributes {
    // Items and gaps have one; a piece of the content that stands for no
    // position (a background, say) has none.
    std::optional<NSIndexPath> indexPath;
    NSCollectionElementCategory representedElementCategory = NSCollectionElementCategoryItem;
    // The kind of a supplementary or decoration view; empty for items and gaps.
    String representedElementKind;
    NSRect frame = NSZeroRect;
    CGFloat alpha = 1;
    NSInteger zIndex = 0;
    bool hidden = false;

    NSSize size() const { return frame.size; }

    static NSCollectionViewLayoutAttributes layoutAttributesForItemWithIndexPath(const NSIndexPath& indexPath);
    // The gap before the item at the index path; an index path one past the
    // last item of a section is the gap after it.
    static NSCollectionViewLayoutAttributes
    layoutAttributesForInterItemGapBeforeIndexPath(const NSIndexPath& indexPath);
};

// Decides where a collection view's items go. The collection view asks its
// layout for the attributes of what lies in its visible area whenever its
// content, its size or the layout changed; prepareLayout runs before each
// such round. The base class lays out nothing.
class NSCollectionViewLayout : public NSObject {
    KS_OBJECT(NSCollectionViewLayout, NSObject)

public:
    NSCollectionViewLayout();
    ~NSCollectionViewLayout() override;

    // The collection view this layout is set on; nullptr while it is on none.
    std::shared_ptr<NSCollectionView> collectionView() const { return collectionView_.lock(); }

    virtual void prepareLayout() { }
    // The size of all the content laid out.
    virtual NSSize collectionViewContentSize() const { return NSZeroSize; }
    // Everything whose frame meets the rectangle, in index-path order.
    virtual std::vector<NSCollectionViewLayoutAttributes> layoutAttributesForElementsInRect(NSRect rect) const;
    // nullopt for an index path the layout shows nothing at.
    virtual std::optional<NSCollectionViewLayoutAttributes>
    layoutAttributesForItemAtIndexPath(const NSIndexPath& indexPath) const;
    // The place where a drop between items would go; nullopt without one.
    virtual std::optional<NSCollectionViewLayoutAttributes>
    layoutAttributesForInterItemGapBeforeIndexPath(const NSIndexPath& indexPath) const;

    // Tells the collection view that frames must be worked out again: its
    // next look at its items asks the layout anew.
    void invalidateLayout();

private:
    friend class NSCollectionView;

    std::weak_ptr<NSCollectionView> collectionView_;
};
