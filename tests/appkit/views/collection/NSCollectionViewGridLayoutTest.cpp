#include "appkit/NSCollectionViewGridLayout.h"

#include "CollectionViewFakes.h"

#include <gtest/gtest.h>

namespace {

struct GridCase {
    const char* name;
    CGFloat width;
    std::vector<NSInteger> counts;
    NSSize minimumItemSize;
    NSSize maximumItemSize = NSZeroSize;
    NSUInteger maximumColumns = 0;
    NSUInteger maximumRows = 0;
    CGFloat interitemSpacing = 0;
    CGFloat lineSpacing = 0;
    NSEdgeInsets margins = NSEdgeInsetsZero;
    // Expected: frames of some items, the items that get no place, the height.
    std::vector<std::pair<NSIndexPath, NSRect>> frames;
    std::vector<NSIndexPath> unplaced = {};
    CGFloat contentHeight;
};

std::shared_ptr<NSCollectionViewGridLayout> layoutFor(const GridCase& c)
{
    auto layout = std::make_shared<NSCollectionViewGridLayout>();
    layout->setMinimumItemSize(c.minimumItemSize);
    layout->setMaximumItemSize(c.maximumItemSize);
    layout->setMaximumNumberOfColumns(c.maximumColumns);
    layout->setMaximumNumberOfRows(c.maximumRows);
    layout->setMinimumInteritemSpacing(c.interitemSpacing);
    layout->setMinimumLineSpacing(c.lineSpacing);
    layout->setMargins(c.margins);
    return layout;
}

TEST(NSCollectionViewGridLayoutTest, PlacesItemsInAGridForTheViewsWidth)
{
    const GridCase cases[] = {
        {.name = "three columns of 100 fit in 320 with spacing 10",
         .width = 320,
         .counts = {7},
         .minimumItemSize = {100, 40},
         .interitemSpacing = 10,
         .lineSpacing = 5,
         .frames = {{{0, 0}, {{0, 0}, {100, 40}}},
                    {{2, 0}, {{220, 0}, {100, 40}}},
                    {{3, 0}, {{0, 45}, {100, 40}}},
                    {{6, 0}, {{0, 90}, {100, 40}}}},
         .contentHeight = 130},
        {.name = "spare width widens the cells",
         .width = 350,
         .counts = {4},
         .minimumItemSize = {100, 40},
         .interitemSpacing = 10,
         .frames = {{{1, 0}, {{120, 0}, {110, 40}}}, {{3, 0}, {{0, 40}, {110, 40}}}},
         .contentHeight = 80},
        {.name = "a maximum width keeps the cells narrow",
         .width = 350,
         .counts = {4},
         .minimumItemSize = {100, 40},
         .maximumItemSize = {104, 0},
         .interitemSpacing = 10,
         .frames = {{{2, 0}, {{228, 0}, {104, 40}}}},
         .contentHeight = 80},
        {.name = "too narrow: one column, never below the minimum width",
         .width = 50,
         .counts = {2},
         .minimumItemSize = {100, 40},
         .interitemSpacing = 10,
         .frames = {{{1, 0}, {{0, 40}, {100, 40}}}},
         .contentHeight = 80},
        {.name = "the switcher's list: one column as wide as the view, rows of the tile's height",
         .width = 720,
         .counts = {3},
         .minimumItemSize = {300, 80},
         .maximumItemSize = {0, 80},
         .maximumColumns = 1,
         .frames = {{{0, 0}, {{0, 0}, {720, 80}}}, {{2, 0}, {{0, 160}, {720, 80}}}},
         .contentHeight = 240},
        {.name = "margins move the grid in",
         .width = 240,
         .counts = {3},
         .minimumItemSize = {100, 40},
         .interitemSpacing = 0,
         .lineSpacing = 10,
         .margins = NSEdgeInsetsMake(8, 20, 12, 20),
         .frames = {{{1, 0}, {{120, 8}, {100, 40}}}, {{2, 0}, {{20, 58}, {100, 40}}}},
         .contentHeight = 110},
        {.name = "a row limit leaves later items without a place",
         .width = 200,
         .counts = {5},
         .minimumItemSize = {100, 40},
         .maximumRows = 1,
         .frames = {{{1, 0}, {{100, 0}, {100, 40}}}},
         .unplaced = {{2, 0}, {4, 0}},
         .contentHeight = 40},
        {.name = "each section starts a row of its own",
         .width = 200,
         .counts = {3, 1, 0, 2},
         .minimumItemSize = {100, 40},
         .lineSpacing = 5,
         .frames = {{{2, 0}, {{0, 45}, {100, 40}}}, {{0, 1}, {{0, 90}, {100, 40}}}, {{1, 3}, {{100, 135}, {100, 40}}}},
         .unplaced = {{0, 2}, {3, 0}, {0, 4}},
         .contentHeight = 175},
        {.name = "cells without a width share one row",
         .width = 300,
         .counts = {3},
         .minimumItemSize = {0, 20},
         .frames = {{{2, 0}, {{200, 0}, {100, 20}}}},
         .contentHeight = 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto source = std::make_shared<CountingDataSource>(c.counts);
        auto view = std::make_shared<NSCollectionView>(NSMakeRect(0, 0, c.width, 100));
        view->setCollectionViewLayout(layoutFor(c));
        view->setDataSource(source);
        for (const auto& [indexPath, frame] : c.frames) {
            SCOPED_TRACE(indexPath.description().utf8());
            EXPECT_EQ(view->frameForItemAtIndexPath(indexPath), frame);
        }
        for (const auto& indexPath : c.unplaced) {
            SCOPED_TRACE(indexPath.description().utf8());
            EXPECT_FALSE(view->layoutAttributesForItemAtIndexPath(indexPath).has_value());
        }
        EXPECT_EQ(view->collectionViewLayout()->collectionViewContentSize(), NSMakeSize(c.width, c.contentHeight));
    }
}

TEST(NSCollectionViewGridLayoutTest, ElementsInARectAreTheItemsWhoseCellsMeetIt)
{
    auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{6});
    auto view = std::make_shared<NSCollectionView>(NSMakeRect(0, 0, 200, 100));
    auto layout = rowLayout(40);
    layout->setMinimumLineSpacing(10);
    view->setCollectionViewLayout(layout);
    view->setDataSource(source);

    // Rows at 0, 50, 100, 150, ...: a rect from 45 to 101 meets rows 1 and 2
    // but not row 0, whose cell ends at 40.
    std::vector<std::string> met;
    for (const auto& attributes : layout->layoutAttributesForElementsInRect(NSMakeRect(0, 45, 200, 56))) {
        EXPECT_EQ(attributes.representedElementCategory, NSCollectionElementCategoryItem);
        met.push_back(attributes.indexPath->description().utf8());
    }
    EXPECT_EQ(met, (std::vector<std::string>{"0-1", "0-2"}));
}

TEST(NSCollectionViewGridLayoutTest, GapsLieBetweenCellsAndAfterTheLast)
{
    struct Case {
        const char* name;
        NSUInteger columns;
        NSIndexPath before;
        std::optional<NSRect> frame;
    };
    const Case cases[] = {
        {.name = "list: above a row", .columns = 1, .before = {3, 0}, .frame = NSMakeRect(0, 140, 200, 10)},
        {.name = "list: after the last row", .columns = 1, .before = {4, 0}, .frame = NSMakeRect(0, 190, 200, 10)},
        {.name = "list: past the end", .columns = 1, .before = {5, 0}, .frame = std::nullopt},
        {.name = "list: no such section", .columns = 1, .before = {0, 1}, .frame = std::nullopt},
        {.name = "grid: left of a cell", .columns = 2, .before = {3, 0}, .frame = NSMakeRect(95, 50, 10, 40)},
        {.name = "grid: right of the last", .columns = 2, .before = {4, 0}, .frame = NSMakeRect(200, 50, 10, 40)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{4});
        auto view = std::make_shared<NSCollectionView>(NSMakeRect(0, 0, 200, 100));
        auto layout = std::make_shared<NSCollectionViewGridLayout>();
        layout->setMaximumNumberOfColumns(c.columns);
        layout->setMinimumItemSize({95, 40});
        layout->setMinimumLineSpacing(10);
        layout->setMinimumInteritemSpacing(10);
        view->setCollectionViewLayout(layout);
        view->setDataSource(source);

        auto gap = layout->layoutAttributesForInterItemGapBeforeIndexPath(c.before);
        ASSERT_EQ(gap.has_value(), c.frame.has_value());
        if (!gap)
            continue;
        EXPECT_EQ(gap->representedElementCategory, NSCollectionElementCategoryInterItemGap);
        EXPECT_EQ(gap->indexPath, c.before);
        EXPECT_EQ(gap->frame, *c.frame);
    }
}

TEST(NSCollectionViewGridLayoutTest, ChangingTheGridMovesTheVisibleItems)
{
    auto source = std::make_shared<CountingDataSource>(std::vector<NSInteger>{4});
    auto view = rowList(source, 100);
    auto item = view->itemAtIndexPath({1, 0});
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->view()->frame(), NSMakeRect(0, 50, 200, 50));

    auto layout = std::static_pointer_cast<NSCollectionViewGridLayout>(view->collectionViewLayout());
    layout->setMaximumNumberOfColumns(2);
    layout->setMinimumItemSize({100, 50});
    EXPECT_EQ(view->itemAtIndexPath({1, 0}), item);
    EXPECT_EQ(item->view()->frame(), NSMakeRect(100, 0, 100, 50));
    EXPECT_EQ(view->visibleItems().size(), 4u);
}

}  // namespace
