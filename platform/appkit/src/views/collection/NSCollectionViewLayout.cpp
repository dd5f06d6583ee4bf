#include "appkit/NSCollectionViewLayout.h"

#include "appkit/NSCollectionView.h"

NSCollectionViewLayoutAttributes
NSCollectionViewLayoutAttributes::layoutAttributesForItemWithIndexPath(const NSIndexPath& indexPath)
{
    NSCollectionViewLayoutAttributes attributes;
    attributes.indexPath = indexPath;
    return attributes;
}

NSCollectionViewLayoutAttributes
NSCollectionViewLayoutAttributes::layoutAttributesForInterItemGapBeforeIndexPath(const NSIndexPath& indexPath)
{
    NSCollectionViewLayoutAttributes attributes;
    attributes.indexPath = indexPath;
    attributes.representedElementCategory = NSCollectionElementCategoryInterItemGap;
    return attributes;
}

NSCollectionViewLayout::NSCollectionViewLayout() = default;

NSCollectionViewLayout::~NSCollectionViewLayout() = default;

std::vector<NSCollectionViewLayoutAttributes> NSCollectionViewLayout::layoutAttributesForElementsInRect(NSRect) const
{
    return {};
}

std::optional<NSCollectionViewLayoutAttributes>
NSCollectionViewLayout::layoutAttributesForItemAtIndexPath(const NSIndexPath&) const
{
    return std::nullopt;
}

std::optional<NSCollectionViewLayoutAttributes>
NSCollectionViewLayout::layoutAttributesForInterItemGapBeforeIndexPath(const NSIndexPath&) const
{
    return std::nullopt;
}

void NSCollectionViewLayout::invalidateLayout()
{
    if (auto view = collectionView())
        view->itemsNeedUpdate_ = true;
}
