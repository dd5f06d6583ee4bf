#include "appkit/NSFont.h"
#include "appkit/NSAttributedString.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(NSFontTest, SystemFontsHaveTheirSizeAndMetricsThatScaleWithIt)
{
    auto regular = NSFont::systemFontOfSize(13);
    auto large = NSFont::systemFontOfSize(26);
    auto bold = NSFont::boldSystemFontOfSize(13);
    ASSERT_NE(regular, nullptr);
    EXPECT_EQ(regular->pointSize(), 13);
    EXPECT_EQ(regular->familyName(), String("DejaVu Sans"));
    EXPECT_EQ(regular->fontName(), String("DejaVuSans"));
    EXPECT_EQ(bold->fontName(), String("DejaVuSans-Bold"));
    EXPECT_TRUE(bold->isBold());
    EXPECT_FALSE(regular->isBold());

    EXPECT_GT(regular->ascender(), 0);
    EXPECT_LT(regular->descender(), 0);
    EXPECT_GE(regular->leading(), 0);
    EXPECT_GT(regular->capHeight(), regular->xHeight());
    EXPECT_LT(regular->capHeight(), regular->ascender());
    EXPECT_DOUBLE_EQ(regular->lineHeight(), regular->ascender() - regular->descender() + regular->leading());
    // Unhinted: twice the size is twice every measure.
    EXPECT_NEAR(large->ascender(), 2 * regular->ascender(), 0.01);
    EXPECT_NEAR(large->lineHeight(), 2 * regular->lineHeight(), 0.01);

    EXPECT_EQ(NSFont::systemFontOfSize(0)->pointSize(), NSFont::systemFontSize());
    EXPECT_EQ(NSFont::systemFontOfSize(-3)->pointSize(), NSFont::systemFontSize());
    EXPECT_TRUE(regular->isEqual(Id(NSFont::systemFontOfSize(13))));
    EXPECT_FALSE(regular->isEqual(Id(bold)));
    EXPECT_FALSE(regular->isEqual(Id(large)));
    EXPECT_TRUE(regular->fontWithSize(26)->isEqual(Id(large)));
}

TEST(NSFontTest, FontsAreFoundByPostScriptOrFamilyNameAmongTheInstalledOnes)
{
    struct Case {
        const char* name;
        const char* family;
        bool bold;
    };
    const Case found[] = {
        {"DejaVuSans-Bold", "DejaVu Sans", true},
        {"DejaVuSansMono", "DejaVu Sans Mono", false},
        {"DejaVu Serif", "DejaVu Serif", false},
        {"dejavu sans", "DejaVu Sans", false},
    };
    for (const auto& c : found) {
        SCOPED_TRACE(c.name);
        auto font = NSFont::fontWithName(c.name, 12);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->familyName(), String(c.family));
        EXPECT_EQ(font->isBold(), c.bold);
        EXPECT_EQ(font->pointSize(), 12);
    }
    for (const char* missing : {"Helvetica Neue Imaginary", "", "DejaVuSans-Nonexistent"}) {
        SCOPED_TRACE(missing);
        EXPECT_EQ(NSFont::fontWithName(missing, 12), nullptr);
    }
}

TEST(NSFontTest, TextMeasuresByItsFontAndWraps)
{
    auto font = NSFont::systemFontOfSize(13);
    Dictionary attributes{{Id(NSFontAttributeName), Id(font)}};
    NSSize one = sizeWithAttributes("Safari", attributes);
    NSSize two = sizeWithAttributes("SafariSafari", attributes);
    EXPECT_GT(one.width, 20);
    EXPECT_NEAR(two.width, 2 * one.width, 0.01);
    EXPECT_NEAR(one.height, font->lineHeight(), 0.01);
    EXPECT_GT(sizeWithAttributes("Safari", {{Id(NSFontAttributeName), Id(NSFont::boldSystemFontOfSize(13))}}).width,
              one.width);
    EXPECT_EQ(sizeWithAttributes("", attributes), NSZeroSize);
    // Two lines at its line breaks.
    EXPECT_NEAR(sizeWithAttributes("Safari\nMail", attributes).height, 2 * font->lineHeight(), 0.5);

    // Within a width, lines break at words.
    String sentence = "Press an application's shortcut to switch to it";
    NSRect wrapped = boundingRectWithSize(sentence, {120, 0}, NSStringDrawingUsesLineFragmentOrigin, attributes);
    EXPECT_LE(wrapped.size.width, 120);
    EXPECT_GT(wrapped.size.height, 2.5 * font->lineHeight());
    // Without the line-fragment option it is one line on its baseline: the
    // part below zero is the descent.
    NSRect line = boundingRectWithSize(sentence, {120, 0}, 0, attributes);
    EXPECT_GT(line.size.width, 120);
    EXPECT_LT(line.origin.y, 0);
    EXPECT_NEAR(line.origin.y + line.size.height, font->ascender() + font->leading(), 1);
    // The last line that fits ends the text.
    NSRect cut = boundingRectWithSize(sentence, {120, font->lineHeight() * 2},
                                      NSStringDrawingUsesLineFragmentOrigin | NSStringDrawingTruncatesLastVisibleLine,
                                      attributes);
    EXPECT_NEAR(cut.size.height, 2 * font->lineHeight(), 0.5);
}

}  // namespace
