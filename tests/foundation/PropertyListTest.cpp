#include "foundation/PropertyList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "BinaryPropertyList.h"
#include "TemporaryFolder.h"
#include "TypedForm.h"
#include "foundation/NSObject.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

using testing::HasSubstr;

namespace {

Id nested(int depth)
{
    Id value = "leaf";
    for (int i = 0; i < depth; ++i)
        value = Array{value};
    return value;
}

std::string xmlDocument(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

const Id unsignedMaximum = Id::number(std::numeric_limits<std::uint64_t>::max());
const Id signedMinimum = Id::number(std::numeric_limits<std::int64_t>::min());
const Id aboveSigned = Id::number(std::uint64_t{1} << 63);

// 0001-01-01 and the distant past (0000-12-30), which the XML form writes
// with a padded year.
constexpr double yearOne = -63113904000.0;
constexpr double distantPast = -63114076800.0;

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
        {.name = "most negative", .value = signedMinimum},
        {.name = "above the signed range", .value = aboveSigned},
        {.name = "unsigned maximum", .value = unsignedMaximum},
        {.name = "date", .value = Date(60)},
        {.name = "date before the reference date", .value = Date(-86401)},
        {.name = "far date", .value = Date(63113904000)},
        {.name = "year 1", .value = Date(yearOne)},
        {.name = "distant past", .value = Date(distantPast)},
        {.name = "dates in containers", .value = Dictionary{{"when", Array{Date(1), Date(2)}}}},
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
            ASSERT_TRUE(read.ok()) << read.error();
            EXPECT_EQ(read->format, format);
            EXPECT_EQ(typedForm(read->value), typedForm(c.value));
        }
    }
}

TEST(PropertyListTest, DictionaryOrderIsKept)
{
    Dictionary dict{{"zeta", Id::number(1)}, {"alpha", Id::number(2)}, {"mid", Id::number(3)}};
    auto bytes = PropertyList::serialize(dict, PropertyList::Format::XML);
    auto read = PropertyList::parse(bytes->data(), bytes->size());
    ASSERT_TRUE(read.ok() && read->value.isDictionary());
    EXPECT_EQ(read->value.dictionary()->allKeys(), (Array{"zeta", "alpha", "mid"}));
}

TEST(PropertyListTest, ValuesWithoutAPropertyListFormAreRefused)
{
    using PropertyList::Format;
    struct Case {
        const char* name;
        Id value;
        const char* message;
        Format format = Format::Binary;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {.name = "nil", .value = Id(), .message = "nil has no property-list form"},
        {.name = "null", .value = Array{Id::null()}, .message = "the null marker"},
        {.name = "object", .value = Id(std::make_shared<NSObject>()), .message = "class NSObject"},
        {.name = "number key", .value = Dictionary{{Id::number(1), "x"}}, .message = "is not a string"},
        {.name = "too deep", .value = nested(PropertyList::maximumDepth + 2), .message = "nested too deeply"},
        {.name = "U+0000 in a string", .value = Array{String(std::u16string(u"a\0b", 3))}, .message = "U+0000"},
        {.name = "U+0000 in a key", .value = Dictionary{{String(std::u16string(u"k\0", 2)), "x"}}, .message = "U+0000"},
        {.name = "date that is no number", .value = Date(std::nan("")), .message = "no finite number"},
        {.name = "endless date", .value = Array{Date(-infinity)}, .message = "no finite number"},
        {.name = "XML date before 0000",
         .value = Date(PropertyList::earliestXMLDate - 0.5),
         .message = "a date outside the years 0000 to 9999, which the XML form can't hold",
         .format = Format::XML},
        {.name = "XML date after 9999",
         .value = Dictionary{{"when", Date(PropertyList::latestXMLDate + 1)}},
         .message = "the years 0000 to 9999",
         .format = Format::XML},
        {.name = "OpenStep",
         .value = "text",
         .message = "OpenStep format is not supported",
         .format = Format::OpenStep},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PropertyList::isPropertyList(c.value), c.format != Format::Binary);
        EXPECT_THAT(PropertyList::whyNotPropertyList(c.value, c.format), testing::Optional(HasSubstr(c.message)));
        std::string error;
        EXPECT_FALSE(PropertyList::serialize(c.value, c.format, &error));
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
        EXPECT_FALSE(read.error().empty());
    }
}

TEST(PropertyListTest, IntegersAndDatesAreWrittenAsOtherWritersWriteThem)
{
    struct Case {
        const char* name;
        Id value;
        const char* element;
    };
    const Case cases[] = {
        {.name = "negative", .value = Id::number(-7), .element = "<integer>-7</integer>"},
        {.name = "most negative", .value = signedMinimum, .element = "<integer>-9223372036854775808</integer>"},
        {.name = "above signed", .value = aboveSigned, .element = "<integer>9223372036854775808</integer>"},
        {.name = "unsigned maximum", .value = unsignedMaximum, .element = "<integer>18446744073709551615</integer>"},
        {.name = "date", .value = Date(60), .element = "<date>2001-01-01T00:01:00Z</date>"},
        {.name = "date before", .value = Date(-1), .element = "<date>2000-12-31T23:59:59Z</date>"},
        {.name = "earliest",
         .value = Date(PropertyList::earliestXMLDate),
         .element = "<date>0000-01-01T00:00:00Z</date>"},
        {.name = "distant past", .value = Date(distantPast), .element = "<date>0000-12-30T00:00:00Z</date>"},
        {.name = "year 1", .value = Date(yearOne), .element = "<date>0001-01-01T00:00:00Z</date>"},
        {.name = "year 99", .value = Date(-60016204800), .element = "<date>0099-03-01T00:00:00Z</date>"},
        {.name = "year 999", .value = Date(-31588531201), .element = "<date>0999-12-31T23:59:59Z</date>"},
        {.name = "latest", .value = Date(PropertyList::latestXMLDate), .element = "<date>9999-12-31T23:59:59Z</date>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = PropertyList::serialize(c.value, PropertyList::Format::XML);
        ASSERT_TRUE(bytes);
        EXPECT_THAT(std::string(bytes->begin(), bytes->end()), HasSubstr(c.element));
        std::string document = xmlDocument(c.element);
        auto read = PropertyList::parse(document.data(), document.size());
        ASSERT_TRUE(read.ok()) << read.error();
        EXPECT_EQ(typedForm(read->value), typedForm(c.value));
    }
}

TEST(PropertyListTest, XMLDatesHoldWholeSecondsAndBinaryOnesEveryFiniteDate)
{
    struct Case {
        double written;
        // What the XML form keeps of it; nullopt where it holds no such date.
        std::optional<double> xml;
    };
    const Case cases[] = {
        {.written = 1.75, .xml = 1},
        {.written = -0.5, .xml = -1},
        {.written = -86400.25, .xml = -86401},
        {.written = yearOne + 0.125, .xml = yearOne},
        {.written = PropertyList::latestXMLDate + 0.999, .xml = PropertyList::latestXMLDate},
        {.written = distantPast - 86400.0 * 366 * 2, .xml = std::nullopt},
        {.written = PropertyList::latestXMLDate + 1, .xml = std::nullopt},
        {.written = -std::numeric_limits<double>::max(), .xml = std::nullopt},
        {.written = std::numeric_limits<double>::denorm_min(), .xml = 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        auto binary = PropertyList::serialize(Date(c.written), PropertyList::Format::Binary);
        ASSERT_TRUE(binary);
        EXPECT_THAT(std::string(binary->begin(), binary->end()), HasSubstr(binaryDate(c.written)));
        auto fromBinary = PropertyList::parse(binary->data(), binary->size());
        ASSERT_TRUE(fromBinary.ok()) << fromBinary.error();
        EXPECT_EQ(typedForm(fromBinary->value), typedForm(Date(c.written)));

        auto xml = PropertyList::serialize(Date(c.written), PropertyList::Format::XML);
        ASSERT_EQ(xml.has_value(), c.xml.has_value());
        if (!xml)
            continue;
        auto fromXML = PropertyList::parse(xml->data(), xml->size());
        ASSERT_TRUE(fromXML.ok()) << fromXML.error();
        EXPECT_EQ(typedForm(fromXML->value), typedForm(Date(*c.xml)));
    }
}

TEST(PropertyListTest, InputThatWouldReadAsAnotherValueIsUnreadable)
{
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string document;
        const char* error;
    };
    const Case cases[] = {
        {.name = "2^64",
         .document = xmlDocument("<integer>18446744073709551616</integer>"),
         .error = "integer \"18446744073709551616\" does not fit in 64 bits"},
        {.name = "below -2^63",
         .document = xmlDocument("<array><integer>-9223372036854775809</integer></array>"),
         .error = "integer \"-9223372036854775809\" does not fit in 64 bits"},
        {.name = "far beyond",
         .document = xmlDocument("<dict><key>n</key><integer> 99999999999999999999999 </integer></dict>"),
         .error = "integer \"99999999999999999999999\" does not fit in 64 bits"},
        {.name = "hexadecimal beyond",
         .document = xmlDocument("<integer>0x10000000000000000</integer>"),
         .error = "does not fit in 64 bits"},
        {.name = "no number",
         .document = xmlDocument("<integer>twelve</integer>"),
         .error = "integer \"twelve\" is not a number"},
        {.name = "empty integer", .document = xmlDocument("<integer/>"), .error = "integer \"\" is not a number"},
        {.name = "octal-looking",
         .document = xmlDocument("<integer>010</integer>"),
         .error = "integer \"010\" has a leading zero"},
        {.name = "no date",
         .document = xmlDocument("<date>yesterday</date>"),
         .error = "date \"yesterday\" is not a date"},
        {.name = "30 February", .document = xmlDocument("<date>2023-02-30T00:00:00Z</date>"), .error = "is not a date"},
        {.name = "year of five digits",
         .document = xmlDocument("<date>10000-01-01T00:00:00Z</date>"),
         .error = "is not a date"},
        {.name = "binary date that is no number",
         .document = binaryDocument(binaryDate(std::nan(""))),
         .error = "a date that is no finite number"},
        {.name = "binary endless date",
         .document = binaryDocument(binaryDate(std::numeric_limits<double>::infinity())),
         .error = "a date that is no finite number"},
        {.name = "NUL in XML",
         .document = xmlDocument("<string>a"s + '\0' + "b</string>"),
         .error = "the text holds a NUL character"},
        {.name = "binary integer of 128 bits",
         .document = binaryDocument("\x14"s + std::string(7, '\0') + "\x01" + std::string(7, '\0') + "\x05"),
         .error = "an integer does not fit in 64 bits"},
        {.name = "binary negative of 128 bits",
         .document = binaryDocument("\x14"s + std::string(15, '\xff') + "\xfb"),
         .error = "an integer does not fit in 64 bits"},
        {.name = "binary ASCII string with NUL",
         .document = binaryDocument("\x53"
                                    "a"s +
                                    '\0' + "b"),
         .error = "a string holds U+0000"},
        {.name = "binary UTF-16 string with NUL",
         .document = binaryDocument("\x62\x00\x61"s + std::string(2, '\0')),
         .error = "a string holds U+0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto read = PropertyList::parse(c.document.data(), c.document.size());
        ASSERT_FALSE(read.ok()) << typedForm(read->value);
        EXPECT_THAT(read.error(), HasSubstr(c.error));
    }
}

TEST(PropertyListTest, WhatOtherWritersMayWriteStillReads)
{
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string document;
        Id value;
    };
    const Case cases[] = {
        {.name = "hexadecimal", .document = xmlDocument("<integer>0x10</integer>"), .value = Id::number(16)},
        {.name = "blanks and sign", .document = xmlDocument("<integer> +5\n</integer>"), .value = Id::number(5)},
        {.name = "zero", .document = xmlDocument("<integer>-0</integer>"), .value = Id::number(0)},
        {.name = "leap day", .document = xmlDocument("<date>2024-02-29T12:00:00Z</date>"), .value = Date(730900800)},
        {.name = "fraction of a second",
         .document = xmlDocument("<date>2001-01-01T00:00:01.25Z</date>"),
         .value = Date(1)},
        {.name = "markup in a comment",
         .document = xmlDocument("<!-- <integer>x</integer> --><true/>"),
         .value = Id::boolean(true)},
        {.name = "binary 16-byte unsigned",
         .document = binaryDocument("\x14"s + std::string(8, '\0') + std::string(8, '\xff')),
         .value = unsignedMaximum},
        {.name = "binary 8-byte negative",
         .document = binaryDocument("\x13"s + std::string(7, '\xff') + "\xf9"),
         .value = Id::number(-7)},
        {.name = "binary date", .document = binaryDocument("\x33\x40\x4e"s + std::string(6, '\0')), .value = Date(60)},
        {.name = "year 1", .document = xmlDocument("<date>0001-01-01T00:00:00Z</date>"), .value = Date(yearOne)},
        {.name = "binary distant past",
         .document = binaryDocument(binaryDate(distantPast)),
         .value = Date(distantPast)},
        {.name = "binary year 1 and a half second",
         .document = binaryDocument(binaryDate(yearOne + 0.5)),
         .value = Date(yearOne + 0.5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto read = PropertyList::parse(c.document.data(), c.document.size());
        ASSERT_TRUE(read.ok()) << read.error();
        EXPECT_EQ(typedForm(read->value), typedForm(c.value));
    }
}

TEST(PropertyListTest, OpenStepTextIsReadToo)
{
    const std::string text = "{ \"^a\" = moveToBeginningOfLine:; list = (1, 2); }";
    auto read = PropertyList::parse(text.data(), text.size());
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(read->format, PropertyList::Format::OpenStep);
    EXPECT_EQ(read->value, (Dictionary{{"^a", "moveToBeginningOfLine:"}, {"list", Array{"1", "2"}}}));
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
