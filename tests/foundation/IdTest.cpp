#include "foundation/Id.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace {

TEST(IdTest, NumbersKeepTheirKindAndCompareByValue)
{
    EXPECT_TRUE(Id::boolean(true).isBoolean());
    EXPECT_NE(Id::boolean(true), Id::number(1));
    EXPECT_EQ(Id::number(1), Id::number(1u));
    EXPECT_EQ(Id::number(2), Id::number(2.0));
    EXPECT_NE(Id::number(-1), Id::number(std::uint64_t(0xFFFFFFFFFFFFFFFFull)));
    EXPECT_EQ(Id::number(std::uint16_t(0xFFFF)).kind(), Id::Kind::Unsigned);
    EXPECT_EQ(Id::number(0x1FFFF).numberValue<std::uint16_t>(), 0xFFFF);
    EXPECT_EQ(Id::number(1.5).integerValue(), 1);
    EXPECT_EQ(Id("x").integerValue(), 0);
    EXPECT_EQ(Id::number(7).hash(), Id::number(7u).hash());
    EXPECT_EQ(Id::number(7).hash(), Id::number(7.0).hash());
}

TEST(IdTest, NilNullAndValueKindsAreDistinct)
{
    EXPECT_TRUE(Id().isNil());
    EXPECT_TRUE(Id::null().isNull());
    EXPECT_NE(Id(), Id::null());
    EXPECT_NE(Id("1"), Id::number(1));
    EXPECT_EQ(Id(Data("ab", 2)), Id(Data("ab", 2)));
}

TEST(IdTest, DatesAreValuesOfTheirOwn)
{
    Id date = Date(60);
    EXPECT_TRUE(date.isDate());
    EXPECT_FALSE(date.isNumber());
    EXPECT_EQ(date, Id(Date(60)));
    EXPECT_EQ(date.hash(), Id(Date(60)).hash());
    EXPECT_NE(date, Id::number(60.0));
    EXPECT_NE(date, Id(Date(61)));
    EXPECT_EQ(date.doubleValue(), 0);  // not a number: it reads as zero like any other
    EXPECT_EQ(date.description(), String("2001-01-01 00:01:00 +0000"));
    EXPECT_EQ(Id(Date(-0.5)).description(), String("2000-12-31 23:59:59 +0000"));
    EXPECT_EQ(Id(Array{Date(0)}).description(), String("(2001-01-01 00:00:00 +0000)"));
}

TEST(IdTest, StringsCountUtf16CodeUnits)
{
    String s("a\xF0\x9F\x98\x80\xE2\x8C\x98");  // a, an emoji (two units), the command glyph
    EXPECT_EQ(s.length(), 4u);
    EXPECT_EQ(s.characterAtIndex(3), u'\u2318');
    EXPECT_EQ(String(s.utf8()), s);
    EXPECT_EQ(String("\xFF\xFE").utf16(), std::u16string(u"\uFFFD\uFFFD"));
    EXPECT_TRUE(String("Space").caseInsensitiveEquals("sPACE"));
    EXPECT_EQ(String("a.b.c").replacingOccurrences(".", "-"), String("a-b-c"));
}

TEST(IdTest, DictionariesKeepInsertionOrderAndRemoveOnNil)
{
    Dictionary d;
    d.setObject(Id::number(1), "b");
    d.setObject(Id::number(2), "a");
    d.setObject(Id::number(3), "b");
    ASSERT_EQ(d.count(), 2u);
    EXPECT_EQ(d.entries()[0].first, Id("b"));
    EXPECT_EQ(d["b"], Id::number(3));
    Dictionary copy = d;
    copy.setObject(Id(), "b");
    EXPECT_EQ(copy.count(), 1u);
    EXPECT_EQ(d.count(), 2u);  // copies don't share changes
    EXPECT_EQ((Dictionary{{"a", Id::number(2)}, {"b", Id::number(3)}}), d);
    std::unordered_set<Id> set{Id(d), Id(copy)};
    EXPECT_EQ(set.size(), 2u);
}

}  // namespace
