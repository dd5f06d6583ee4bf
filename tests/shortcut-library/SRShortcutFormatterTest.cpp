#include "shortcut-library/SRShortcutFormatter.h"

#include "KeyboardLayoutTestSupport.h"
#include "appkit/NSApplication.h"
#include "foundation/NSKeyedUnarchiver.h"
#include "shortcut-library/SRShortcut.h"

#include <gtest/gtest.h>

namespace {

namespace ID = textinput::InputSourceID;

constexpr NSEventModifierFlags shift = NSEventModifierFlagShift;
constexpr NSEventModifierFlags control = NSEventModifierFlagControl;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;

std::shared_ptr<SRShortcut> shortcut(SRKeyCode keyCode, NSEventModifierFlags flags)
{
    return SRShortcut::shortcutWithCode(keyCode, flags, String(), String());
}

TEST(SRShortcutFormatterTest, StartsWithALiteralASCIIKeyGlyphsAndTheApplicationsDirection)
{
    NSApplication::resetForTesting();
    SRShortcutFormatter withoutApplication;
    EXPECT_TRUE(withoutApplication.isKeyCodeLiteral());
    EXPECT_FALSE(withoutApplication.areModifierFlagsLiteral());
    EXPECT_TRUE(withoutApplication.usesASCIICapableKeyboardInputSource());
    EXPECT_EQ(withoutApplication.layoutDirection(), NSUserInterfaceLayoutDirectionLeftToRight);

    NSApplication::sharedApplication()->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft);
    EXPECT_EQ(SRShortcutFormatter().layoutDirection(), NSUserInterfaceLayoutDirectionRightToLeft);
    NSApplication::resetForTesting();
}

TEST(SRShortcutFormatterTest, FormatsOnlyShortcuts)
{
    SRShortcutFormatter formatter;
    EXPECT_FALSE(formatter.stringForObjectValue(Id("\u2318A")));
    EXPECT_FALSE(formatter.stringForObjectValue(Id()));
    EXPECT_FALSE(formatter.stringForObjectValue(Id(shortcut(0, command)->dictionaryRepresentation())));
    EXPECT_TRUE(formatter.stringForObjectValue(Id(shortcut(0, command))));
}

TEST(SRShortcutFormatterTest, OptionsChooseTheTransformers)
{
    ScopedKeyboardLayout layout(ID::Russian);
    struct Case {
        bool keyCodeLiteral;
        bool ascii;
        bool modifiersLiteral;
        SRKeyCode keyCode;
        NSEventModifierFlags flags;
        const char16_t* expected;
    };
    const Case cases[] = {
        {true, true, false, 0, command | shift, u"\u21E7\u2318A"},
        {true, false, false, 0, command | shift, u"\u21E7\u2318\u0424"},   // Ф
        {false, true, false, 0, command | shift, u"\u21E7\u2318a"},        // modifiers never shift the key's text
        {false, false, false, 0, command | shift, u"\u21E7\u2318\u0444"},  // ф
        {true, true, true, 0, command | shift, u"Shift-CommandA"},
        {true, true, false, 122, control, u"\u2303F1"},
        {false, true, false, 122, control, u"\u2303\uF704"},
        {true, true, false, 200, control, u"\u2303<200>"},  // a key without text
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << String(row.expected));
        SRShortcutFormatter formatter;
        formatter.setIsKeyCodeLiteral(row.keyCodeLiteral);
        formatter.setUsesASCIICapableKeyboardInputSource(row.ascii);
        formatter.setAreModifierFlagsLiteral(row.modifiersLiteral);
        EXPECT_EQ(formatter.stringForObjectValue(Id(shortcut(row.keyCode, row.flags))), String(row.expected));
    }
}

TEST(SRShortcutFormatterTest, RightToLeftReachesTheKeyButNotTheModifiers)
{
    SRShortcutFormatter formatter;
    formatter.setLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft);
    // Tab's arrow turns; the modifier glyphs keep their order.
    EXPECT_EQ(formatter.stringForObjectValue(Id(shortcut(48, control | shift))), String(u"\u2303\u21E7\u21E4"));
}

TEST(SRShortcutFormatterTest, ReadsTextBackOnlyInTheReadableConfiguration)
{
    ScopedKeyboardLayout layout(ID::US);
    SRShortcutFormatter formatter;
    formatter.setLayoutDirection(NSUserInterfaceLayoutDirectionLeftToRight);
    auto original = shortcut(0, command | shift);
    Id value;
    ASSERT_TRUE(formatter.getObjectValue(&value, *formatter.stringForObjectValue(Id(original)), nullptr));
    EXPECT_TRUE(original->isEqual(value));
    EXPECT_TRUE(formatter.getObjectValue(nullptr, String(u"\u2318F5"), nullptr));
    EXPECT_FALSE(formatter.getObjectValue(&value, String(u"\u2318\u2318"), nullptr));

    struct Case {
        const char* name;
        bool keyCodeLiteral;
        bool ascii;
        NSUserInterfaceLayoutDirection direction;
    };
    const Case cases[] = {
        {"symbolic key", false, true, NSUserInterfaceLayoutDirectionLeftToRight},
        {"current layout", true, false, NSUserInterfaceLayoutDirectionLeftToRight},
        {"right to left", true, true, NSUserInterfaceLayoutDirectionRightToLeft},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        SRShortcutFormatter other;
        other.setIsKeyCodeLiteral(row.keyCodeLiteral);
        other.setUsesASCIICapableKeyboardInputSource(row.ascii);
        other.setLayoutDirection(row.direction);
        Id untouched("untouched");
        String error("none");
        EXPECT_FALSE(other.getObjectValue(&untouched, String(u"\u2318a"), &error));
        EXPECT_EQ(untouched, Id("untouched"));
        EXPECT_EQ(error, String("none"));
    }
}

TEST(SRShortcutFormatterTest, ComesOutOfAnArchiveWithTheDefaults)
{
    auto entry = NSCoder::classNamed("SRShortcutFormatter");
    ASSERT_TRUE(entry);
    NSKeyedUnarchiver empty(Data{}, false);
    auto formatter = std::dynamic_pointer_cast<SRShortcutFormatter>(entry->factory(empty));
    ASSERT_TRUE(formatter);
    EXPECT_TRUE(formatter->isKeyCodeLiteral());
    EXPECT_FALSE(formatter->areModifierFlagsLiteral());
}

}  // namespace
