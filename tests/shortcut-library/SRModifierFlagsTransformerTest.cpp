#include "shortcut-library/SRModifierFlagsTransformer.h"

#include "foundation/Log.h"
#include "shortcut-library/SRCommon.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

constexpr NSEventModifierFlags shift = NSEventModifierFlagShift;
constexpr NSEventModifierFlags control = NSEventModifierFlagControl;
constexpr NSEventModifierFlags option = NSEventModifierFlagOption;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;
constexpr auto LTR = NSUserInterfaceLayoutDirectionLeftToRight;
constexpr auto RTL = NSUserInterfaceLayoutDirectionRightToLeft;

Id number(std::uint64_t value)
{
    return Id::number(value);
}

// The localized words joined by the localized separator.
String words(std::initializer_list<const char*> keys)
{
    String result;
    bool first = true;
    for (const char* key : keys) {
        if (!first)
            result = result.appending(SRLocalizedText("-"));
        result = result.appending(SRLocalizedText(key));
        first = false;
    }
    return result;
}

TEST(SRModifierFlagsTransformerTest, GlyphsAndWordsInBothDirections)
{
    struct Case {
        NSEventModifierFlags flags;
        const char16_t* glyphsLTR;
        const char16_t* glyphsRTL;
        String wordsLTR;
        String wordsRTL;
    } cases[] = {
        {.flags = 0, .glyphsLTR = u"", .glyphsRTL = u"", .wordsLTR = "", .wordsRTL = ""},
        // Caps lock, numeric pad and function bits are not modifiers of a shortcut.
        {.flags = 0x10000 | 0x200000 | 0x800000, .glyphsLTR = u"", .glyphsRTL = u"", .wordsLTR = "", .wordsRTL = ""},
        {.flags = command | 0x10000,
         .glyphsLTR = u"\u2318",
         .glyphsRTL = u"\u2318",
         .wordsLTR = words({"Command"}),
         .wordsRTL = words({"Command"})},
        {.flags = shift | command,
         .glyphsLTR = u"\u21E7\u2318",
         .glyphsRTL = u"\u2318\u21E7",
         .wordsLTR = words({"Shift", "Command"}),
         .wordsRTL = words({"Command", "Shift"})},
        {.flags = control | option,
         .glyphsLTR = u"\u2303\u2325",
         .glyphsRTL = u"\u2325\u2303",
         .wordsLTR = words({"Control", "Option"}),
         .wordsRTL = words({"Option", "Control"})},
        {.flags = SRCocoaModifierFlagsMask,
         .glyphsLTR = u"\u2303\u2325\u21E7\u2318",
         .glyphsRTL = u"\u2318\u21E7\u2325\u2303",
         .wordsLTR = words({"Control", "Option", "Shift", "Command"}),
         .wordsRTL = words({"Command", "Shift", "Option", "Control"})},
    };
    auto& symbolic = SRSymbolicModifierFlagsTransformer::sharedTransformer();
    auto& literal = SRLiteralModifierFlagsTransformer::sharedTransformer();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(symbolic.transformedValue(number(c.flags), LTR), Id(String(c.glyphsLTR)));
        EXPECT_EQ(symbolic.transformedValue(number(c.flags), RTL), Id(String(c.glyphsRTL)));
        EXPECT_EQ(symbolic.transformedValue(number(c.flags)), Id(String(c.glyphsLTR)));
        EXPECT_EQ(literal.transformedValue(number(c.flags), LTR), Id(c.wordsLTR));
        EXPECT_EQ(literal.transformedValue(number(c.flags), RTL), Id(c.wordsRTL));
        EXPECT_EQ(literal.transformedValue(number(c.flags)), Id(c.wordsLTR));
    }
    // With the library's strings the words read as one would expect.
    EXPECT_EQ(literal.transformedValue(number(shift | command)), Id("Shift-Command"));
}

TEST(SRModifierFlagsTransformerTest, ValueThatIsNotANumberIsLogged)
{
    for (NSValueTransformer* transformer :
         std::initializer_list<NSValueTransformer*>{&SRSymbolicModifierFlagsTransformer::sharedTransformer(),
                                                    &SRLiteralModifierFlagsTransformer::sharedTransformer()}) {
        SCOPED_TRACE(transformer->className().utf8());
        for (const Id& value : {Id(), Id("\u2318"), Id(Dictionary{})}) {
            ScopedLogCapture log;
            EXPECT_EQ(transformer->transformedValue(value), Id());
            EXPECT_EQ(log.sink().texts(), std::vector<std::string>{"#Error Invalid value for transformation"});
            EXPECT_EQ(log.sink().entries()[0].level, LogLevel::Error);
        }
    }
}

TEST(SRModifierFlagsTransformerTest, GlyphReading)
{
    struct Case {
        const char16_t* glyphs;
        std::optional<NSEventModifierFlags> flags;
    } cases[] = {
        {.glyphs = u"", .flags = 0},
        {.glyphs = u"\u2318", .flags = command},
        {.glyphs = u"\u2318\u21E7", .flags = shift | command},
        {.glyphs = u"\u21E7\u2318", .flags = shift | command},
        {.glyphs = u"\u2318\u21E7\u2325\u2303", .flags = SRCocoaModifierFlagsMask},
        {.glyphs = u"\u2325\u2318\u2303\u21E7", .flags = SRCocoaModifierFlagsMask},
        // Each glyph at most once, and nothing else.
        {.glyphs = u"\u2318\u2318", .flags = std::nullopt},
        {.glyphs = u"\u2303\u21E7\u2303", .flags = std::nullopt},
        {.glyphs = u"\u2318a", .flags = std::nullopt},
        {.glyphs = u"a", .flags = std::nullopt},
        {.glyphs = u" \u2318", .flags = std::nullopt},
        {.glyphs = u"^", .flags = std::nullopt},
        // A mark on a glyph makes another character of it.
        {.glyphs = u"\u2318\u0301", .flags = std::nullopt},
        {.glyphs = u"\u2318\U0001F600", .flags = std::nullopt},
    };
    auto& symbolic = SRSymbolicModifierFlagsTransformer::sharedTransformer();
    for (const auto& c : cases) {
        SCOPED_TRACE(String(c.glyphs).utf8());
        ScopedLogCapture log;
        Id flags = symbolic.reverseTransformedValue(Id(String(c.glyphs)));
        if (c.flags) {
            EXPECT_EQ(flags, number(*c.flags));
            EXPECT_TRUE(log.sink().entries().empty());
        } else {
            EXPECT_EQ(flags, Id());
            EXPECT_EQ(log.sink().texts(), std::vector<std::string>{"#Error Invalid value for reverse transformation"});
        }
    }
    ScopedLogCapture log;
    EXPECT_EQ(symbolic.reverseTransformedValue(number(command)), Id());
    EXPECT_EQ(log.sink().texts(), std::vector<std::string>{"#Error Invalid value for reverse transformation"});
}

TEST(SRModifierFlagsTransformerTest, GlyphsReadBackWhatTheyWrite)
{
    auto& symbolic = SRSymbolicModifierFlagsTransformer::sharedTransformer();
    for (NSEventModifierFlags flags = 0; flags <= SRCocoaModifierFlagsMask; flags += shift) {
        SCOPED_TRACE(flags);
        for (auto direction : {LTR, RTL})
            EXPECT_EQ(symbolic.reverseTransformedValue(symbolic.transformedValue(number(flags), direction)),
                      number(flags));
    }
}

TEST(SRModifierFlagsTransformerTest, BaseClassHandsOutTheSharedSymbolicTransformer)
{
    EXPECT_EQ(SRModifierFlagsTransformer::create().get(), &SRSymbolicModifierFlagsTransformer::sharedTransformer());
    EXPECT_EQ(&SRModifierFlagsTransformer::sharedTransformer(),
              &SRSymbolicModifierFlagsTransformer::sharedTransformer());
    EXPECT_NE(SRLiteralModifierFlagsTransformer::create().get(),
              &SRLiteralModifierFlagsTransformer::sharedTransformer());
    EXPECT_TRUE(
        SRLiteralModifierFlagsTransformer::create()->isMemberOfClass(SRLiteralModifierFlagsTransformer::descriptor()));
}

TEST(SRModifierFlagsTransformerTest, OnlyTheSymbolicFormReadsBack)
{
    EXPECT_FALSE(SRLiteralModifierFlagsTransformer::sharedTransformer().allowsReverseTransformation());
    EXPECT_TRUE(SRSymbolicModifierFlagsTransformer::sharedTransformer().allowsReverseTransformation());
    EXPECT_EQ(SRLiteralModifierFlagsTransformer::sharedTransformer().transformedValueClass(), String("NSString"));
    EXPECT_EQ(SRSymbolicModifierFlagsTransformer::sharedTransformer().transformedValueClass(), String("NSString"));
}

}  // namespace
