#include "foundation/NSCache.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

using testing::ElementsAre;

TEST(NSCacheTest, KeepsEverythingWithoutLimits)
{
    NSCache cache;
    for (int i = 0; i < 1000; ++i)
        cache.setObject(Id::number(i * 2), Id::number(i), 100);
    EXPECT_EQ(cache.count(), 1000u);
    EXPECT_EQ(cache.totalCost(), 100000u);
    EXPECT_EQ(cache.objectForKey(Id::number(10)), Id::number(20));
    EXPECT_TRUE(cache.objectForKey("absent").isNil());
}

TEST(NSCacheTest, CountLimitEvictsTheLeastRecentlyUsed)
{
    NSCache cache;
    std::vector<std::string> evicted;
    cache.setEvictionHandler([&](const Id& object) { evicted.push_back(object.string()->utf8()); });
    cache.setCountLimit(2);
    cache.setObject("A", "a");
    cache.setObject("B", "b");
    cache.objectForKey("a");  // b is now the oldest
    cache.setObject("C", "c");
    EXPECT_THAT(evicted, ElementsAre("B"));
    EXPECT_EQ(cache.objectForKey("a"), Id("A"));
    EXPECT_TRUE(cache.objectForKey("b").isNil());
    cache.setCountLimit(1);
    EXPECT_THAT(evicted, ElementsAre("B", "C"));
}

TEST(NSCacheTest, TotalCostLimit)
{
    NSCache cache;
    cache.setTotalCostLimit(10);
    cache.setObject("A", "a", 4);
    cache.setObject("B", "b", 4);
    cache.setObject("C", "c", 4);
    EXPECT_EQ(cache.count(), 2u);
    EXPECT_EQ(cache.totalCost(), 8u);
    EXPECT_TRUE(cache.objectForKey("a").isNil());
    cache.setObject("B2", "b", 1);  // replacing updates the cost
    EXPECT_EQ(cache.totalCost(), 5u);
}

TEST(NSCacheTest, RemovalAndReplacement)
{
    NSCache cache;
    cache.setName("SRRecorderControlStyleResourceLoader");
    EXPECT_EQ(cache.name(), String("SRRecorderControlStyleResourceLoader"));
    cache.setObject("A", "a");
    cache.setObject("A2", "a");
    EXPECT_EQ(cache.objectForKey("a"), Id("A2"));
    EXPECT_EQ(cache.count(), 1u);
    cache.removeObjectForKey("a");
    EXPECT_TRUE(cache.objectForKey("a").isNil());
    cache.setObject("B", "b");
    cache.setObject(Id(), "b");
    EXPECT_EQ(cache.count(), 0u);
    cache.setObject("C", "c");
    cache.removeAllObjects();
    EXPECT_EQ(cache.count(), 0u);
}

TEST(NSCacheTest, MemoryPressureEvictsEverythingAndReportsIt)
{
    NSCache cache;
    std::vector<std::string> evicted;
    cache.setEvictionHandler([&](const Id& object) { evicted.push_back(object.string()->utf8()); });
    cache.setObject("A", "a");
    cache.setObject("B", "b");
    cache.removeObjectForKey("b");  // removal is not eviction
    cache.setObject("C", "c");
    cache.simulateMemoryPressure();
    EXPECT_THAT(evicted, ElementsAre("A", "C"));
    EXPECT_EQ(cache.count(), 0u);
    EXPECT_TRUE(cache.objectForKey("a").isNil());
}

TEST(NSCacheTest, ObjectKeysCompareByEquality)
{
    NSCache cache;
    cache.setObject("value", Array{"identifier", Id::number(1)});
    EXPECT_EQ(cache.objectForKey(Array{"identifier", Id::number(1)}), Id("value"));
    EXPECT_TRUE(cache.objectForKey(Array{"identifier", Id::number(2)}).isNil());
}

TEST(NSCacheTest, UseFromManyThreads)
{
    NSCache cache;
    cache.setCountLimit(50);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&cache, t] {
            for (int i = 0; i < 2000; ++i) {
                Id key = Id::number((i * 7 + t) % 100);
                cache.setObject(Id::number(i), key, 1);
                cache.objectForKey(key);
                if (i % 97 == 0)
                    cache.simulateMemoryPressure();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_LE(cache.count(), 50u);
}
