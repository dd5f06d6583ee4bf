#pragma once

#include "appkit/NSCollectionViewGridLayout.h"

#include <optional>

// The windows list's layout: a grid layout whose drop gaps are thin lines
// across the whole list, at the top of the row a drop would go before, so
// that the indicator reads as "between these two rows" however the rows
// are spaced.
class CollectionViewDragDropLayout : public NSCollectionViewGridLayout {
    KS_OBJECT(CollectionViewDragDropLayout, NSCollectionViewGridLayout)

public:
    // The line before row n: x 0, y n × (minimum item height + minimum line
    // spacing), as wide as the collection view's bounds, 2 high. What the
    // grid layout answers without an index path is passed on as it is.
    std::optional<NSCollectionViewLayoutAttributes>
    layoutAttributesForInterItemGapBeforeIndexPath(const NSIndexPath& indexPath) const override;
};
