#include "foundation/OpenStepPropertyList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using testing::HasSubstr;

TEST(OpenStepPropertyListTest, GoodInputs)
{
    struct Case {
        const char* name;
        std::string text;
        Id expected;
    };
    const Case cases[] = {
        {.name = "unquoted", .text = "moveRight:", .expected = "moveRight:"},
        {.name = "unquoted characters", .text = "a_$+/:.-9", .expected = "a_$+/:.-9"},
        {.name = "quoted", .text = "\"two words\"", .expected = "two words"},
        {.name = "single quoted", .text = "'it'", .expected = "it"},
        {.name = "escapes", .text = R"("a\nb\tc\"d\\e\'f")", .expected = "a\nb\tc\"d\\e'f"},
        {.name = "control escapes", .text = R"("\a\b\f\r\v")", .expected = "\a\b\f\r\v"},
        {.name = "unicode escape", .text = R"("\U2318\u00e9\U41")", .expected = String(u"\u2318\u00e9A")},
        {.name = "octal escape", .text = R"("\012\101\0")", .expected = String(std::u16string(u"\nA\0", 3))},
        {.name = "other escape", .text = R"("\q")", .expected = "q"},
        {.name = "empty array", .text = "()", .expected = Array{}},
        {.name = "array", .text = "( a, \"b\", (c) )", .expected = Array{"a", "b", Array{"c"}}},
        {.name = "trailing comma", .text = "(a, b,)", .expected = Array{"a", "b"}},
        {.name = "empty dictionary", .text = "{}", .expected = Dictionary{}},
        {.name = "dictionary",
         .text = "{ \"^a\" = moveToBeginningOfLine:; k = ( x ); }",
         .expected = Dictionary{{"^a", "moveToBeginningOfLine:"}, {"k", Array{"x"}}}},
        {.name = "data", .text = "<0fbe 12>", .expected = Data(std::vector<std::uint8_t>{0x0f, 0xbe, 0x12})},
        {.name = "data upper case", .text = "<ABcd>", .expected = Data(std::vector<std::uint8_t>{0xab, 0xcd})},
        {.name = "empty data", .text = "< >", .expected = Data()},
        {.name = "comments",
         .text = "// leading\n{ /* inline */ a = b; // trailing\n}\n/* end */",
         .expected = Dictionary{{"a", "b"}}},
        {.name = "strings table",
         .text = "/* Title */\n\"Space\" = \"Space\";\n\"Command\" = \"Cmd\";",
         .expected = Dictionary{{"Space", "Space"}, {"Command", "Cmd"}}},
        {.name = "strings table key only", .text = "\"Cancel\";", .expected = Dictionary{{"Cancel", "Cancel"}}},
        {.name = "later key wins", .text = "{ a = 1; a = 2; }", .expected = Dictionary{{"a", "2"}}},
        {.name = "UTF-8 BOM", .text = "\xEF\xBB\xBF\"\xC3\xA9\"", .expected = String(u"\u00e9")},
        {.name = "UTF-8 text", .text = "\"\xE2\x8C\x98\"", .expected = String(u"\u2318")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = OpenStepPropertyList::parse(c.text.data(), c.text.size());
        ASSERT_TRUE(result.ok()) << result.error();
        EXPECT_EQ(*result, c.expected);
    }
}

TEST(OpenStepPropertyListTest, BadInputs)
{
    struct Case {
        const char* name;
        std::string text;
        const char* message;
        std::size_t line;
        std::size_t column;
    };
    const Case cases[] = {
        {.name = "empty", .text = "", .message = "empty property list", .line = 1, .column = 1},
        {.name = "only comment", .text = "// nothing", .message = "empty property list", .line = 1, .column = 11},
        {.name = "unterminated string", .text = "\"abc", .message = "unterminated string", .line = 1, .column = 1},
        {.name = "unterminated comment", .text = "{ /* a", .message = "unterminated comment", .line = 1, .column = 3},
        {.name = "missing semicolon", .text = "{ a = b }", .message = "expected ';'", .line = 1, .column = 9},
        {.name = "missing equals", .text = "{\n  a b; }", .message = "expected '='", .line = 2, .column = 5},
        {.name = "missing value", .text = "{ a = ; }", .message = "expected a value", .line = 1, .column = 7},
        {.name = "unterminated dictionary", .text = "{ a = b;", .message = "expected '}'", .line = 1, .column = 9},
        {.name = "unterminated array", .text = "(a, b", .message = "unterminated array", .line = 1, .column = 6},
        {.name = "array separator", .text = "(a b)", .message = "expected ',' or ')'", .line = 1, .column = 4},
        {.name = "odd data", .text = "<abc>", .message = "odd number of hex digits", .line = 1, .column = 5},
        {.name = "bad data", .text = "<zz>", .message = "unexpected character in data", .line = 1, .column = 2},
        {.name = "unterminated data", .text = "<ab", .message = "unterminated data", .line = 1, .column = 1},
        {.name = "bad character", .text = "#", .message = "unexpected character", .line = 1, .column = 1},
        {.name = "trailing text", .text = "(a) b", .message = "unexpected text after", .line = 1, .column = 5},
        {.name = "empty unicode escape", .text = R"("\U")", .message = "without hex digits", .line = 1, .column = 2},
        {.name = "octal out of range", .text = R"("\777")", .message = "out of range", .line = 1, .column = 2},
        {.name = "key is not a string", .text = "{ (a) = b; }", .message = "expected a string", .line = 1, .column = 3},
        {.name = "too deep", .text = std::string(300, '('), .message = "nested too deeply", .line = 1, .column = 257},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = OpenStepPropertyList::parse(c.text.data(), c.text.size());
        ASSERT_FALSE(result.ok());
        EXPECT_THAT(result.error(), HasSubstr(c.message));
        ASSERT_TRUE(result.position());
        EXPECT_EQ(result.position()->line, c.line);
        EXPECT_EQ(result.position()->column, c.column);
    }
}

TEST(OpenStepPropertyListTest, DeepNestingIsRefusedWithoutExhaustingTheStack)
{
    std::string text(100000, '{');
    auto result = OpenStepPropertyList::parse(text.data(), text.size());
    EXPECT_FALSE(result.ok());
    std::string arrays(100000, '(');
    EXPECT_FALSE(OpenStepPropertyList::parse(arrays.data(), arrays.size()).ok());
}

TEST(OpenStepPropertyListTest, Utf16WithABomInEitherByteOrder)
{
    const std::u16string text = u"{ key = \"\u2318\"; }";
    std::string little("\xFF\xFE", 2), big("\xFE\xFF", 2);
    for (char16_t unit : text) {
        little.push_back(static_cast<char>(unit & 0xff));
        little.push_back(static_cast<char>(unit >> 8));
        big.push_back(static_cast<char>(unit >> 8));
        big.push_back(static_cast<char>(unit & 0xff));
    }
    for (const std::string& bytes : {little, big}) {
        auto result = OpenStepPropertyList::parse(bytes.data(), bytes.size());
        ASSERT_TRUE(result.ok()) << result.error();
        EXPECT_EQ(*result, (Dictionary{{"key", String(u"\u2318")}}));
    }
}

TEST(OpenStepPropertyListTest, StringsTables)
{
    struct Case {
        const char* name;
        std::string text;
        bool ok;
        Id expected;
    };
    const Case cases[] = {
        {.name = "empty", .text = "", .ok = true, .expected = Dictionary{}},
        {.name = "comment only", .text = "/* no entries */", .ok = true, .expected = Dictionary{}},
        {.name = "entries",
         .text = "\"a\" = \"b\";\nc = d;",
         .ok = true,
         .expected = Dictionary{{"a", "b"}, {"c", "d"}}},
        {.name = "braced", .text = "{ a = b; }", .ok = true, .expected = Dictionary{{"a", "b"}}},
        {.name = "non-string value", .text = "a = (b);", .ok = false, .expected = Id()},
        {.name = "not a table", .text = "(a)", .ok = false, .expected = Id()},
        {.name = "missing semicolon", .text = "\"a\" = \"b\"", .ok = false, .expected = Id()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = OpenStepPropertyList::parseStringsTable(c.text.data(), c.text.size());
        EXPECT_EQ(result.ok(), c.ok) << result.error();
        EXPECT_EQ(result.ok() ? *result : Id(), c.expected);
    }
}

TEST(OpenStepPropertyListTest, ErrorsNameTheirPositionInTheMessageAndBesideIt)
{
    auto result = OpenStepPropertyList::parse(u"{\n a = ; }");
    EXPECT_EQ(result.error(), "line 2, column 6: unexpected character, expected a value");
    EXPECT_EQ(result.position(), (TextPosition{.offset = 7, .line = 2, .column = 6}));
    auto good = OpenStepPropertyList::parse(u"a");
    EXPECT_EQ(good.error(), "");
    EXPECT_FALSE(good.position());
}
