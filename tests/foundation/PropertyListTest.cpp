#include "foundation/PropertyList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "TemporaryFolder.h"
#include "foundation/NSObject.h"

using testing::HasSubstr;

namespace {

Id nested(int depth)
{
    Id value = "leaf";
    for (int i = 0; i < depth; ++i)
        value = Array{value};
    return value;
}

}  // namespace

TEST(PropertyListTest, ValuesRoundTripInBothFormats)
{
    struct Case {
        const char* name;
        Id value;
    };
    const Case cases[] = {
        {.name = "true", .value = Id::boolean(true)},
        {.name = "false", .value = Id::boolean(false)},
        {.name = "negative", .value = Id::number(-7)},
        {.name = "large", .value = Id::number(std::int64_t{1} << 60)},
        {.name = "real", .value = Id::number(0.125)},
        {.name = "ascii", .value = "plain"},
        {.name = "unicode", .value = String(u"\u00e9\u2318 \U0001F600 <&>")},
        {.name = "empty string", .value = ""},
        {.name = "data", .value = Data(std::vector<std::uint8_t>{0, 0xff, 0x10})},
        {.name = "empty data", .value = Data()},
        {.name = "array", .value = Array{"a", Id::number(2), Id::boolean(false)}},
        {.name = "dictionary", .value = Dictionary{{"z", "last?"}, {"a", Dictionary{{"inner", Array{}}}}}},
    };
    for (auto format : {PropertyList::Format::XML, PropertyList::Format::Binary}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (format == PropertyList::Format::XML ? " xml" : " binary"));
            std::string error;
            auto bytes = PropertyList::serialize(c.value, format, &error);
            ASSERT_TRUE(bytes) << error;
            auto read = PropertyList::parse(bytes->data(), bytes->size());
            ASSERT_TRUE(read.ok()) << read.error;
            EXPECT_EQ(read.format, format);
            EXPECT_EQ(read.value, c.value);
            EXPECT_EQ(read.value.kind() == Id::Kind::Boolean, c.value.kind() == Id::Kind::Boolean);
        }
    }
}

TEST(PropertyListTest, DictionaryOrderIsKept)
{
    Dictionary dict{{"zeta", Id::number(1)}, {"alpha", Id::number(2)}, {"mid", Id::number(3)}};
    auto bytes = PropertyList::serialize(dict, PropertyList::Format::XML);
    auto read = PropertyList::parse(bytes->data(), bytes->size());
    ASSERT_TRUE(read.value.isDictionary());
    EXPECT_EQ(read.value.dictionary()->allKeys(), (Array{"zeta", "alpha", "mid"}));
}

TEST(PropertyListTest, ValuesWithoutAPropertyListFormAreRefused)
{
    struct Case {
        const char* name;
        Id value;
        const char* message;
    };
    const Case cases[] = {
        {.name = "nil", .value = Id(), .message = "nil has no property-list form"},
        {.name = "null", .value = Array{Id::null()}, .message = "the null marker"},
        {.name = "object", .value = Id(std::make_shared<NSObject>()), .message = "class NSObject"},
        {.name = "number key", .value = Dictionary{{Id::number(1), "x"}}, .message = "is not a string"},
        {.name = "too deep", .value = nested(PropertyList::maximumDepth + 2), .message = "nested too deeply"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(PropertyList::isPropertyList(c.value));
        std::string error;
        EXPECT_FALSE(PropertyList::serialize(c.value, PropertyList::Format::Binary, &error));
        EXPECT_THAT(error, HasSubstr(c.message));
    }
}

TEST(PropertyListTest, MalformedInputGivesAnError)
{
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {.name = "empty", .bytes = ""},
        {.name = "truncated binary", .bytes = std::string("bplist00\x08", 9)},
        {.name = "broken xml", .bytes = "<?xml version=\"1.0\"?><plist><dict><key>a</key>"},
        {.name = "broken OpenStep", .bytes = "{ a = ; }"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto read = PropertyList::parse(c.bytes.data(), c.bytes.size());
        EXPECT_FALSE(read.ok());
        EXPECT_TRUE(read.value.isNil());
    }
}

TEST(PropertyListTest, DatesReadAsSecondsSinceTheReferenceDate)
{
    const std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><date>2001-01-01T00:01:00Z</date></plist>";
    auto read = PropertyList::parse(xml.data(), xml.size());
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_DOUBLE_EQ(read.value.doubleValue(), 60.0);
}

TEST(PropertyListTest, OpenStepTextIsReadToo)
{
    const std::string text = "{ \"^a\" = moveToBeginningOfLine:; list = (1, 2); }";
    auto read = PropertyList::parse(text.data(), text.size());
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(read.format, PropertyList::Format::OpenStep);
    EXPECT_EQ(read.value, (Dictionary{{"^a", "moveToBeginningOfLine:"}, {"list", Array{"1", "2"}}}));
}

TEST(PropertyListTest, ReadFileTellsAMissingFileApart)
{
    TemporaryFolder folder;
    bool missing = false;
    auto read = PropertyList::readFile(folder / "absent.plist", &missing);
    EXPECT_FALSE(read.ok());
    EXPECT_TRUE(missing);
    std::string file = folder.write("there.plist", "{ a = b; }");
    read = PropertyList::readFile(file, &missing);
    EXPECT_TRUE(read.ok());
    EXPECT_FALSE(missing);
}
