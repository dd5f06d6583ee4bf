#include "Kestrova/CollectionViewDragDropLayout.h"

#include "appkit/NSCollectionView.h"

namespace {

constexpr CGFloat kGapLineHeight = 2;

}  // namespace

std::optional<NSCollectionViewLayoutAttributes>
CollectionViewDragDropLayout::layoutAttributesForInterItemGapBeforeIndexPath(const NSIndexPath& indexPath) const
{
    auto attributes = NSCollectionViewGridLayout::layoutAttributesForInterItemGapBeforeIndexPath(indexPath);
    if (!attributes || !attributes->indexPath)
        return attributes;
    // The grid's own gap is as high as the line spacing, which the list
    // doesn't have: a line of its own shows where the row would go.
    auto view = collectionView();
    CGFloat width = view ? view->bounds().size.width : 0;
    CGFloat y = CGFloat(attributes->indexPath->item()) * (minimumItemSize().height + minimumLineSpacing());
    attributes->frame = NSMakeRect(0, y, width, kGapLineHeight);
    return attributes;
}
