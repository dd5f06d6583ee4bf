#pragma once

#include "appkit/NSCollectionViewLayout.h"
#include "appkit/NSEdgeInsets.h"

#include <optional>
#include <vector>

// Items in a grid of equal cells, left to right and then top to bottom,
// each section starting on a row of its own.
//
// For a collection view of width W, inside the margins:
// - columns: as many cells of the minimum width as fit with the interitem
//   spacing between them (at least one), no more than maximumNumberOfColumns
//   when that is set;
// - a cell's width: the row's width shared among the columns, no wider than
//   the maximum item width when that is set and never narrower than the
//   minimum; its height is the minimum item height;
// - rows are minimumLineSpacing apart, and so are sections;
// - with maximumNumberOfRows set, a section shows no more than that many
//   rows: items past them get no place.
// A maximum of 0 (a count, or a width or height) sets no limit.
class NSCollectionViewGridLayout : public NSCollectionViewLayout {
    KS_OBJECT(NSCollectionViewGridLayout, NSCollectionViewLayout)

public:
    NSUInteger maximumNumberOfRows() const { return maximumNumberOfRows_; }
    void setMaximumNumberOfRows(NSUInteger rows);
    NSUInteger maximumNumberOfColumns() const { return maximumNumberOfColumns_; }
    void setMaximumNumberOfColumns(NSUInteger columns);
    NSSize minimumItemSize() const { return minimumItemSize_; }
    void setMinimumItemSize(NSSize size);
    NSSize maximumItemSize() const { return maximumItemSize_; }
    void setMaximumItemSize(NSSize size);
    CGFloat minimumInteritemSpacing() const { return minimumInteritemSpacing_; }
    void setMinimumInteritemSpacing(CGFloat spacing);
    CGFloat minimumLineSpacing() const { return minimumLineSpacing_; }
    void setMinimumLineSpacing(CGFloat spacing);
    NSEdgeInsets margins() const { return margins_; }
    void setMargins(NSEdgeInsets margins);

    NSSize collectionViewContentSize() const override;
    std::vector<NSCollectionViewLayoutAttributes> layoutAttributesForElementsInRect(NSRect rect) const override;
    std::optional<NSCollectionViewLayoutAttributes>
    layoutAttributesForItemAtIndexPath(const NSIndexPath& indexPath) const override;
    // Between two cells of a row, the interitem spacing before the cell (or
    // after the last one); in a single column, the line spacing above the
    // cell (or below the last one).
    std::optional<NSCollectionViewLayoutAttributes>
    layoutAttributesForInterItemGapBeforeIndexPath(const NSIndexPath& indexPath) const override;

    // The grid for a width and the item counts of the sections: what the
    // queries above answer, for the collection view's bounds and counts.
    struct Grid {
        NSInteger columns = 1;
        NSSize itemSize = NSZeroSize;
        CGFloat left = 0;
        CGFloat interitemSpacing = 0;
        CGFloat lineSpacing = 0;
        // Per section: the top of its first row, and how many of its items
        // have a place.
        std::vector<CGFloat> sectionTops;
        std::vector<NSInteger> shownItems;
        CGFloat contentHeight = 0;

        bool hasPlaceFor(const NSIndexPath& indexPath) const;
        // The cell of an item that has a place.
        NSRect frameOfItem(const NSIndexPath& indexPath) const;
    };
    Grid gridForWidth(CGFloat width, const std::vector<NSInteger>& itemCounts) const;

protected:
    static void describe(ClassDescriptor& d);

private:
    // The grid for the collection view as it is now; no sections without one.
    Grid currentGrid() const;
    void changed();

    NSUInteger maximumNumberOfRows_ = 0;
    NSUInteger maximumNumberOfColumns_ = 0;
    NSSize minimumItemSize_ = NSZeroSize;
    NSSize maximumItemSize_ = NSZeroSize;
    CGFloat minimumInteritemSpacing_ = 0;
    CGFloat minimumLineSpacing_ = 0;
    NSEdgeInsets margins_;
};
