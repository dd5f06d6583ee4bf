#include "foundation/NSIndexPath.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(NSIndexPathTest, PathsOrderBySectionThenItem)
{
    EXPECT_LT(NSIndexPath(9, 0), NSIndexPath(0, 1));
    EXPECT_LT(NSIndexPath(1, 2), NSIndexPath(3, 2));
    EXPECT_EQ(NSIndexPath::indexPathForItem(3, 1), NSIndexPath(3, 1));
    EXPECT_EQ(NSIndexPath(3, 1).item(), 3);
    EXPECT_EQ(NSIndexPath(3, 1).section(), 1);
    EXPECT_EQ(NSIndexPath(3, 1).description(), String("1-3"));
}

TEST(NSIndexPathTest, SetsHoldDistinctPathsAndYieldTheFirstInListOrder)
{
    NSIndexPathSet set{{4, 0}, {2, 1}, {1, 0}, {4, 0}};
    EXPECT_EQ(set.count(), 3u);
    EXPECT_EQ(set.anyObject(), NSIndexPath(1, 0));
    EXPECT_EQ(set.allObjects(), (std::vector<NSIndexPath>{{1, 0}, {4, 0}, {2, 1}}));
    EXPECT_TRUE(set.containsObject({2, 1}));
    EXPECT_FALSE(set.containsObject({1, 2}));

    EXPECT_FALSE(set.addObject({1, 0}));
    EXPECT_TRUE(set.addObject({0, 0}));
    EXPECT_EQ(set.anyObject(), NSIndexPath(0, 0));
    EXPECT_TRUE(set.removeObject({0, 0}));
    EXPECT_FALSE(set.removeObject({0, 0}));

    auto firstSection = set.filtered([](const NSIndexPath& path) { return path.section() == 0; });
    EXPECT_EQ(firstSection, (NSIndexPathSet{{4, 0}, {1, 0}}));
    EXPECT_NE(firstSection, set);

    EXPECT_FALSE(NSIndexPathSet().anyObject().has_value());
}

}  // namespace
