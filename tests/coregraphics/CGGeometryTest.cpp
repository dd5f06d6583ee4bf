#include "coregraphics/CGGeometry.h"
#include "coregraphics/CGAffineTransform.h"

#include <gtest/gtest.h>

namespace {

TEST(CGGeometryTest, IntersectionAndUnionTreatNullAndEmptyRectanglesAsThePlatformDoes)
{
    struct Case {
        const char* name;
        CGRect a;
        CGRect b;
        CGRect intersection;
        CGRect unionRect;
    };
    const Case cases[] = {
        {"overlapping", CGRectMake(0, 0, 10, 10), CGRectMake(5, 5, 10, 10), CGRectMake(5, 5, 5, 5),
         CGRectMake(0, 0, 15, 15)},
        {"disjoint", CGRectMake(0, 0, 10, 10), CGRectMake(20, 0, 5, 5), CGRectNull, CGRectMake(0, 0, 25, 10)},
        {"touching edges meet in an empty line", CGRectMake(0, 0, 10, 10), CGRectMake(10, 0, 5, 10),
         CGRectMake(10, 0, 0, 10), CGRectMake(0, 0, 15, 10)},
        {"negative sizes are standardised", CGRectMake(10, 10, -10, -10), CGRectMake(0, 0, 5, 5),
         CGRectMake(0, 0, 5, 5), CGRectMake(0, 0, 10, 10)},
        {"null adds nothing to a union", CGRectNull, CGRectMake(1, 2, 3, 4), CGRectNull, CGRectMake(1, 2, 3, 4)},
        {"empty adds nothing to a union", CGRectMake(50, 50, 0, 0), CGRectMake(1, 2, 3, 4), CGRectNull,
         CGRectMake(1, 2, 3, 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CGRect intersection = CGRectIntersection(c.a, c.b);
        if (CGRectIsNull(c.intersection))
            EXPECT_TRUE(CGRectIsNull(intersection)) << intersection;
        else
            EXPECT_EQ(intersection, c.intersection);
        EXPECT_EQ(CGRectUnion(c.a, c.b), c.unionRect);
    }
    EXPECT_TRUE(CGRectIsEmpty(CGRectNull));
    EXPECT_FALSE(CGRectContainsRect(CGRectNull, CGRectMake(0, 0, 1, 1)));
}

TEST(CGGeometryTest, InsetOffsetAndIntegral)
{
    EXPECT_EQ(CGRectInset(CGRectMake(0, 0, 10, 10), 2, 3), CGRectMake(2, 3, 6, 4));
    EXPECT_EQ(CGRectInset(CGRectMake(0, 0, 10, 10), -1, -1), CGRectMake(-1, -1, 12, 12));
    EXPECT_TRUE(CGRectIsNull(CGRectInset(CGRectMake(0, 0, 10, 10), 6, 0))) << "inset past the middle";
    EXPECT_EQ(CGRectOffset(CGRectMake(1, 1, 2, 2), 3, -1), CGRectMake(4, 0, 2, 2));
    EXPECT_EQ(CGRectIntegral(CGRectMake(0.5, 1.25, 2.1, 3.5)), CGRectMake(0, 1, 3, 4));
    EXPECT_TRUE(CGRectIsNull(CGRectIntegral(CGRectNull)));
}

TEST(CGGeometryTest, TransformsComposeInOrder)
{
    CGAffineTransform scaleThenMove =
        CGAffineTransformConcat(CGAffineTransformMakeScale(2, 3), CGAffineTransformMakeTranslation(10, 20));
    EXPECT_EQ(CGPointApplyAffineTransform({1, 1}, scaleThenMove), CGPointMake(12, 23));
    CGAffineTransform moveThenScale = CGAffineTransformScale(CGAffineTransformMakeTranslation(10, 20), 2, 3);
    EXPECT_EQ(CGPointApplyAffineTransform({1, 1}, moveThenScale), CGPointMake(12, 23));
    EXPECT_EQ(CGRectApplyAffineTransform(CGRectMake(0, 0, 2, 2), CGAffineTransformMakeScale(1, -1)),
              CGRectMake(0, -2, 2, 2));
    EXPECT_TRUE(CGAffineTransformIsIdentity(CGAffineTransformIdentity));
}

}  // namespace
