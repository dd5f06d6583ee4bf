#include "appkit/NSCollectionViewGridLayout.h"

#include "appkit/NSCollectionView.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Frames that share some area; an empty frame meets nothing.
bool meets(NSRect a, NSRect b)
{
    return a.size.width > 0 && a.size.height > 0 && b.size.width > 0 && b.size.height > 0 &&
           a.origin.x < b.origin.x + b.size.width && b.origin.x < a.origin.x + a.size.width &&
           a.origin.y < b.origin.y + b.size.height && b.origin.y < a.origin.y + a.size.height;
}

}  // namespace

void NSCollectionViewGridLayout::describe(ClassDescriptor& d)
{
    d.property<NSCollectionViewGridLayout>(
        "maximumNumberOfRows", [](NSCollectionViewGridLayout& l) { return Id::number(l.maximumNumberOfRows()); },
        [](NSCollectionViewGridLayout& l, const Id& v) { l.setMaximumNumberOfRows(v.numberValue<NSUInteger>()); });
    d.property<NSCollectionViewGridLayout>(
        "maximumNumberOfColumns", [](NSCollectionViewGridLayout& l) { return Id::number(l.maximumNumberOfColumns()); },
        [](NSCollectionViewGridLayout& l, const Id& v) { l.setMaximumNumberOfColumns(v.numberValue<NSUInteger>()); });
    d.property<NSCollectionViewGridLayout>(
        "minimumInteritemSpacing",
        [](NSCollectionViewGridLayout& l) { return Id::number(double(l.minimumInteritemSpacing())); },
        [](NSCollectionViewGridLayout& l, const Id& v) { l.setMinimumInteritemSpacing(v.doubleValue()); });
    d.property<NSCollectionViewGridLayout>(
        "minimumLineSpacing", [](NSCollectionViewGridLayout& l) { return Id::number(double(l.minimumLineSpacing())); },
        [](NSCollectionViewGridLayout& l, const Id& v) { l.setMinimumLineSpacing(v.doubleValue()); });
}

void NSCollectionViewGridLayout::changed()
{
    invalidateLayout();
}

void NSCollectionViewGridLayout::setMaximumNumberOfRows(NSUInteger rows)
{
    if (std::exchange(maximumNumberOfRows_, rows) != rows)
        changed();
}

void NSCollectionViewGridLayout::setMaximumNumberOfColumns(NSUInteger columns)
{
    if (std::exchange(maximumNumberOfColumns_, columns) != columns)
        changed();
}

void NSCollectionViewGridLayout::setMinimumItemSize(NSSize size)
{
    if (std::exchange(minimumItemSize_, size) != size)
        changed();
}

void NSCollectionViewGridLayout::setMaximumItemSize(NSSize size)
{
    if (std::exchange(maximumItemSize_, size) != size)
        changed();
}

void NSCollectionViewGridLayout::setMinimumInteritemSpacing(CGFloat spacing)
{
    if (std::exchange(minimumInteritemSpacing_, spacing) != spacing)
        changed();
}

void NSCollectionViewGridLayout::setMinimumLineSpacing(CGFloat spacing)
{
    if (std::exchange(minimumLineSpacing_, spacing) != spacing)
        changed();
}

void NSCollectionViewGridLayout::setMargins(NSEdgeInsets margins)
{
    if (std::exchange(margins_, margins) != margins)
        changed();
}

NSCollectionViewGridLayout::Grid
NSCollectionViewGridLayout::gridForWidth(CGFloat width, const std::vector<NSInteger>& itemCounts) const
{
    Grid grid;
    grid.left = margins_.left;
    grid.interitemSpacing = std::max<CGFloat>(minimumInteritemSpacing_, 0);
    grid.lineSpacing = std::max<CGFloat>(minimumLineSpacing_, 0);
    const CGFloat spacing = grid.interitemSpacing;
    const CGFloat available = std::max<CGFloat>(width - margins_.left - margins_.right, 0);
    const CGFloat minimumWidth = std::max<CGFloat>(minimumItemSize_.width, 0);
    const auto columnLimit = static_cast<NSInteger>(maximumNumberOfColumns_);

    NSInteger columns;
    if (minimumWidth + spacing > 0) {
        // A little slack, so that cells that fit exactly are not lost to
        // rounding.
        columns = static_cast<NSInteger>(std::floor((available + spacing) / (minimumWidth + spacing) + 1e-9));
    } else {
        // Cells of no width all fit: one row takes a whole section.
        NSInteger largest = 1;
        for (NSInteger count : itemCounts)
            largest = std::max(largest, count);
        columns = largest;
    }
    columns = std::max<NSInteger>(columns, 1);
    if (columnLimit > 0)
        columns = std::min(columns, columnLimit);
    grid.columns = columns;

    CGFloat cellWidth = (available - CGFloat(columns - 1) * spacing) / CGFloat(columns);
    if (maximumItemSize_.width > 0)
        cellWidth = std::min(cellWidth, maximumItemSize_.width);
    cellWidth = std::max(cellWidth, minimumWidth);
    CGFloat cellHeight = std::max<CGFloat>(minimumItemSize_.height, 0);
    grid.itemSize = {cellWidth, cellHeight};

    const auto rowLimit = static_cast<NSInteger>(maximumNumberOfRows_);
    CGFloat y = margins_.top;
    bool anyRow = false;
    for (NSInteger count : itemCounts) {
        NSInteger shown = std::max<NSInteger>(count, 0);
        if (rowLimit > 0)
            shown = std::min(shown, rowLimit * columns);
        NSInteger rows = (shown + columns - 1) / columns;
        if (rows > 0 && anyRow)
            y += grid.lineSpacing;
        grid.sectionTops.push_back(y);
        grid.shownItems.push_back(shown);
        if (rows > 0) {
            y += CGFloat(rows) * cellHeight + CGFloat(rows - 1) * grid.lineSpacing;
            anyRow = true;
        }
    }
    grid.contentHeight = y + margins_.bottom;
    return grid;
}

bool NSCollectionViewGridLayout::Grid::hasPlaceFor(const NSIndexPath& indexPath) const
{
    auto section = indexPath.section();
    return section >= 0 && section < NSInteger(shownItems.size()) && indexPath.item() >= 0 &&
           indexPath.item() < shownItems[std::size_t(section)];
}

NSRect NSCollectionViewGridLayout::Grid::frameOfItem(const NSIndexPath& indexPath) const
{
    NSInteger row = indexPath.item() / columns;
    NSInteger column = indexPath.item() % columns;
    return {{left + CGFloat(column) * (itemSize.width + interitemSpacing),
             sectionTops[std::size_t(indexPath.section())] + CGFloat(row) * (itemSize.height + lineSpacing)},
            itemSize};
}

NSCollectionViewGridLayout::Grid NSCollectionViewGridLayout::currentGrid() const
{
    auto view = collectionView();
    if (!view)
        return gridForWidth(0, {});
    std::vector<NSInteger> counts;
    NSInteger sections = view->numberOfSections();
    for (NSInteger section = 0; section < sections; ++section)
        counts.push_back(view->numberOfItemsInSection(section));
    return gridForWidth(view->bounds().size.width, counts);
}

NSSize NSCollectionViewGridLayout::collectionViewContentSize() const
{
    auto view = collectionView();
    return {view ? view->bounds().size.width : 0, currentGrid().contentHeight};
}

std::vector<NSCollectionViewLayoutAttributes>
NSCollectionViewGridLayout::layoutAttributesForElementsInRect(NSRect rect) const
{
    Grid grid = currentGrid();
    std::vector<NSCollectionViewLayoutAttributes> result;
    for (std::size_t section = 0; section < grid.shownItems.size(); ++section)
        for (NSInteger item = 0; item < grid.shownItems[section]; ++item) {
            NSIndexPath indexPath(item, NSInteger(section));
            NSRect frame = grid.frameOfItem(indexPath);
            if (!meets(frame, rect))
                continue;
            auto attributes = NSCollectionViewLayoutAttributes::layoutAttributesForItemWithIndexPath(indexPath);
            attributes.frame = frame;
            result.push_back(attributes);
        }
    return result;
}

std::optional<NSCollectionViewLayoutAttributes>
NSCollectionViewGridLayout::layoutAttributesForItemAtIndexPath(const NSIndexPath& indexPath) const
{
    Grid grid = currentGrid();
    if (!grid.hasPlaceFor(indexPath))
        return std::nullopt;
    auto attributes = NSCollectionViewLayoutAttributes::layoutAttributesForItemWithIndexPath(indexPath);
    attributes.frame = grid.frameOfItem(indexPath);
    return attributes;
}

std::optional<NSCollectionViewLayoutAttributes>
NSCollectionViewGridLayout::layoutAttributesForInterItemGapBeforeIndexPath(const NSIndexPath& indexPath) const
{
    Grid grid = currentGrid();
    auto section = indexPath.section();
    if (section < 0 || section >= NSInteger(grid.shownItems.size()))
        return std::nullopt;
    NSInteger shown = grid.shownItems[std::size_t(section)];
    NSInteger item = indexPath.item();
    if (item < 0 || item > shown)
        return std::nullopt;

    auto attributes = NSCollectionViewLayoutAttributes::layoutAttributesForInterItemGapBeforeIndexPath(indexPath);
    if (shown == 0) {
        attributes.frame = {{grid.left, grid.sectionTops[std::size_t(section)]}, {grid.itemSize.width, 0}};
        return attributes;
    }
    bool after = item == shown;
    NSRect cell = grid.frameOfItem(NSIndexPath(after ? item - 1 : item, section));
    if (grid.columns == 1) {
        CGFloat y = after ? cell.origin.y + cell.size.height : cell.origin.y - grid.lineSpacing;
        attributes.frame = {{cell.origin.x, y}, {cell.size.width, grid.lineSpacing}};
    } else {
        CGFloat x = after ? cell.origin.x + cell.size.width : cell.origin.x - grid.interitemSpacing;
        attributes.frame = {{x, cell.origin.y}, {grid.interitemSpacing, cell.size.height}};
    }
    return attributes;
}
