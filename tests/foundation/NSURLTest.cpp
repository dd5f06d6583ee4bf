#include "foundation/NSURL.h"

#include <gtest/gtest.h>

TEST(NSURLTest, FileURLs)
{
    auto url = NSURL::fileURLWithPath("/a/b/Library.bundle/");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->path(), String("/a/b/Library.bundle"));
    EXPECT_EQ(url->absoluteString(), String("file:///a/b/Library.bundle"));
    EXPECT_TRUE(url->isFileURL());
    EXPECT_EQ(url->lastPathComponent(), String("Library.bundle"));
    EXPECT_EQ(url->pathExtension(), String("bundle"));
    EXPECT_EQ(url->URLByAppendingPathComponent("Info.plist")->path(), String("/a/b/Library.bundle/Info.plist"));
    EXPECT_EQ(url->URLByDeletingLastPathComponent()->path(), String("/a/b"));
    EXPECT_FALSE(NSURL::fileURLWithPath(""));
    EXPECT_TRUE(NSURL::fileURLWithPath("relative")->path().hasPrefix("/"));
}

TEST(NSURLTest, StringsAndEquality)
{
    EXPECT_EQ(NSURL::URLWithString("file:///x/y")->path(), String("/x/y"));
    EXPECT_EQ(NSURL::URLWithString("/x/y")->path(), String("/x/y"));
    EXPECT_FALSE(NSURL::URLWithString("https://example.com/"));
    Id a(NSURL::fileURLWithPath("/x"));
    Id b(NSURL::fileURLWithPath("/x/"));
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.hash(), b.hash());
    EXPECT_FALSE(a.isIdenticalTo(b));
    EXPECT_NE(a, Id(NSURL::fileURLWithPath("/y")));
}
