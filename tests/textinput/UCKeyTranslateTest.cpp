#include "textinput/UCKeyboardLayout.h"

#include "TextInputTestSupport.h"
#include "textinput/KeyboardLayoutCatalog.h"
#include "textinput/VirtualKeyCodes.h"

#include <gtest/gtest.h>

#include <string>

namespace textinput {
namespace {

using test::describe;
using test::layoutOf;
using test::translate;
namespace ID = InputSourceID;
namespace Mod = ModifierKeyState;

struct TranslationCase {
    std::string_view layout;
    std::uint16_t keyCode;
    std::uint32_t modifiers = 0;
    std::u16string_view expected;
};

void checkTranslations(const TranslationCase* begin, const TranslationCase* end)
{
    for (const TranslationCase* row = begin; row != end; ++row) {
        SCOPED_TRACE(std::string(row->layout) + " key " + std::to_string(row->keyCode) + " modifiers " +
                     std::to_string(row->modifiers));
        const UCKeyboardLayout* layout = layoutOf(row->layout);
        ASSERT_NE(layout, nullptr);
        const auto result = translate(layout, row->keyCode, row->modifiers);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(describe(result.text), describe(row->expected));
    }
}

TEST(UCKeyTranslateTest, LettersFollowTheLayout)
{
    static constexpr TranslationCase cases[] = {
        {.layout = ID::US, .keyCode = kVK_ANSI_A, .expected = u"a"},
        {.layout = ID::US, .keyCode = kVK_ANSI_A, .modifiers = Mod::shift, .expected = u"A"},
        {.layout = ID::US, .keyCode = kVK_ANSI_K, .expected = u"k"},
        {.layout = ID::US, .keyCode = kVK_ANSI_Z, .expected = u"z"},
        {.layout = ID::ABC, .keyCode = kVK_ANSI_A, .expected = u"a"},
        {.layout = ID::German, .keyCode = kVK_ANSI_A, .expected = u"a"},
        {.layout = ID::German, .keyCode = kVK_ANSI_Z, .expected = u"y"},
        {.layout = ID::German, .keyCode = kVK_ANSI_Y, .expected = u"z"},
        {.layout = ID::German, .keyCode = kVK_ANSI_Quote, .expected = u"ä"},
        {.layout = ID::German, .keyCode = kVK_ANSI_Quote, .modifiers = Mod::shift, .expected = u"Ä"},
        {.layout = ID::French, .keyCode = kVK_ANSI_A, .expected = u"q"},
        {.layout = ID::French, .keyCode = kVK_ANSI_Q, .expected = u"a"},
        {.layout = ID::French, .keyCode = kVK_ANSI_Z, .expected = u"w"},
        {.layout = ID::French, .keyCode = kVK_ANSI_Semicolon, .expected = u"m"},
        {.layout = ID::French, .keyCode = kVK_ANSI_M, .expected = u","},
        {.layout = ID::Russian, .keyCode = kVK_ANSI_A, .expected = u"ф"},
        {.layout = ID::Russian, .keyCode = kVK_ANSI_A, .modifiers = Mod::shift, .expected = u"Ф"},
        {.layout = ID::Russian, .keyCode = kVK_ANSI_Z, .expected = u"я"},
        {.layout = ID::Hebrew, .keyCode = kVK_ANSI_A, .expected = u"ש"},
        {.layout = ID::Hebrew, .keyCode = kVK_ANSI_Z, .expected = u"ז"},
        {.layout = ID::Hebrew, .keyCode = kVK_ANSI_Q, .expected = u"/"},
        {.layout = ID::Hebrew, .keyCode = kVK_ANSI_A, .modifiers = Mod::shift, .expected = u"A"},
        {.layout = ID::Dvorak, .keyCode = kVK_ANSI_S, .expected = u"o"},
        {.layout = ID::Dvorak, .keyCode = kVK_ANSI_Q, .expected = u"'"},
        {.layout = ID::USInternationalPC, .keyCode = kVK_ANSI_A, .expected = u"a"},
    };
    checkTranslations(std::begin(cases), std::end(cases));
}

TEST(UCKeyTranslateTest, DigitsAndPunctuationFollowTheLayout)
{
    static constexpr TranslationCase cases[] = {
        {.layout = ID::US, .keyCode = kVK_ANSI_1, .expected = u"1"},
        {.layout = ID::US, .keyCode = kVK_ANSI_1, .modifiers = Mod::shift, .expected = u"!"},
        {.layout = ID::US, .keyCode = kVK_ANSI_Equal, .modifiers = Mod::shift, .expected = u"+"},
        {.layout = ID::US, .keyCode = kVK_ANSI_Grave, .expected = u"`"},
        {.layout = ID::US, .keyCode = kVK_ISO_Section, .expected = u"<"},
        {.layout = ID::ABC, .keyCode = kVK_ISO_Section, .expected = u"§"},
        {.layout = ID::French, .keyCode = kVK_ANSI_1, .expected = u"&"},
        {.layout = ID::French, .keyCode = kVK_ANSI_1, .modifiers = Mod::shift, .expected = u"1"},
        {.layout = ID::British, .keyCode = kVK_ANSI_3, .modifiers = Mod::shift, .expected = u"£"},
        {.layout = ID::Russian, .keyCode = kVK_ANSI_1, .expected = u"1"},
        {.layout = ID::Hebrew, .keyCode = kVK_ANSI_Grave, .expected = u";"},
    };
    checkTranslations(std::begin(cases), std::end(cases));
}

TEST(UCKeyTranslateTest, OptionIsTheThirdLevel)
{
    static constexpr TranslationCase cases[] = {
        {.layout = ID::ABC, .keyCode = kVK_ANSI_A, .modifiers = Mod::option, .expected = u"å"},
        {.layout = ID::ABC, .keyCode = kVK_ANSI_A, .modifiers = Mod::option | Mod::shift, .expected = u"Å"},
        {.layout = ID::ABC, .keyCode = kVK_ANSI_S, .modifiers = Mod::option, .expected = u"ß"},
        {.layout = ID::ABC, .keyCode = kVK_ANSI_2, .modifiers = Mod::option, .expected = u"™"},
        {.layout = ID::ABC, .keyCode = kVK_ANSI_C, .modifiers = Mod::rightOption, .expected = u"ç"},
        {.layout = ID::German, .keyCode = kVK_ANSI_Q, .modifiers = Mod::option, .expected = u"@"},
        {.layout = ID::USInternationalPC, .keyCode = kVK_ANSI_A, .modifiers = Mod::option, .expected = u"á"},
        {.layout = ID::USInternationalPC, .keyCode = kVK_ANSI_Quote, .modifiers = Mod::option, .expected = u"'"},
        // The PC U.S. layout has no third level: option leaves the key as it is.
        {.layout = ID::US, .keyCode = kVK_ANSI_A, .modifiers = Mod::option, .expected = u"a"},
    };
    checkTranslations(std::begin(cases), std::end(cases));
}

TEST(UCKeyTranslateTest, ControlGivesTheControlCharacterOfASCIIText)
{
    static constexpr TranslationCase cases[] = {
        {.layout = ID::US, .keyCode = kVK_ANSI_A, .modifiers = Mod::control, .expected = u"\u0001"},
        {.layout = ID::US, .keyCode = kVK_ANSI_A, .modifiers = Mod::control | Mod::shift, .expected = u"\u0001"},
        {.layout = ID::US, .keyCode = kVK_ANSI_Z, .modifiers = Mod::rightControl, .expected = u"\u001A"},
        {.layout = ID::US, .keyCode = kVK_ANSI_Backslash, .modifiers = Mod::control, .expected = u"\u001C"},
        {.layout = ID::US, .keyCode = kVK_Space, .modifiers = Mod::control, .expected = std::u16string_view(u"\0", 1)},
        {.layout = ID::US, .keyCode = kVK_ANSI_1, .modifiers = Mod::control, .expected = u"1"},
        {.layout = ID::US, .keyCode = kVK_Return, .modifiers = Mod::control, .expected = u"\r"},
        {.layout = ID::French, .keyCode = kVK_ANSI_Q, .modifiers = Mod::control, .expected = u"\u0001"},
        // Text outside ASCII has no control character.
        {.layout = ID::Russian, .keyCode = kVK_ANSI_A, .modifiers = Mod::control, .expected = u"ф"},
    };
    checkTranslations(std::begin(cases), std::end(cases));
}

TEST(UCKeyTranslateTest, CommandAndCapsLockLeaveTheTextAlone)
{
    static constexpr TranslationCase cases[] = {
        {.layout = ID::US, .keyCode = kVK_ANSI_A, .modifiers = Mod::command, .expected = u"a"},
        {.layout = ID::US, .keyCode = kVK_ANSI_A, .modifiers = Mod::capsLock, .expected = u"a"},
        {.layout = ID::US, .keyCode = kVK_ANSI_K, .modifiers = Mod::command | Mod::shift, .expected = u"K"},
        {.layout = ID::US, .keyCode = kVK_ANSI_A, .modifiers = Mod::capsLock | Mod::shift, .expected = u"A"},
        {.layout = ID::US, .keyCode = kVK_ANSI_A, .modifiers = Mod::rightShift, .expected = u"A"},
        {.layout = ID::Russian, .keyCode = kVK_ANSI_A, .modifiers = Mod::command, .expected = u"ф"},
        {.layout = ID::ABC, .keyCode = kVK_ANSI_A, .modifiers = Mod::command | Mod::option, .expected = u"å"},
    };
    checkTranslations(std::begin(cases), std::end(cases));
}

TEST(UCKeyTranslateTest, KeysWithoutTextGiveTheirFunctionKeyCharacter)
{
    static constexpr TranslationCase cases[] = {
        {.layout = ID::US, .keyCode = kVK_Return, .expected = u"\r"},
        {.layout = ID::US, .keyCode = kVK_Tab, .expected = u"\t"},
        {.layout = ID::US, .keyCode = kVK_Tab, .modifiers = Mod::shift, .expected = u"\t"},
        {.layout = ID::US, .keyCode = kVK_Space, .expected = u" "},
        {.layout = ID::US, .keyCode = kVK_Delete, .expected = u"\b"},
        {.layout = ID::US, .keyCode = kVK_ForwardDelete, .expected = u"\u007F"},
        {.layout = ID::US, .keyCode = kVK_Escape, .expected = u"\u001B"},
        {.layout = ID::US, .keyCode = kVK_ANSI_KeypadEnter, .expected = u"\u0003"},
        {.layout = ID::US, .keyCode = kVK_ANSI_KeypadClear, .expected = u"\u001B"},
        {.layout = ID::US, .keyCode = kVK_F1, .expected = u"\u0010"},
        {.layout = ID::US, .keyCode = kVK_F20, .modifiers = Mod::shift, .expected = u"\u0010"},
        {.layout = ID::US, .keyCode = kVK_Home, .expected = u"\u0001"},
        {.layout = ID::US, .keyCode = kVK_End, .expected = u"\u0004"},
        {.layout = ID::US, .keyCode = kVK_Help, .expected = u"\u0005"},
        {.layout = ID::US, .keyCode = kVK_PageUp, .expected = u"\u000B"},
        {.layout = ID::US, .keyCode = kVK_PageDown, .expected = u"\u000C"},
        {.layout = ID::US, .keyCode = kVK_LeftArrow, .expected = u"\u001C"},
        {.layout = ID::US, .keyCode = kVK_RightArrow, .expected = u"\u001D"},
        {.layout = ID::US, .keyCode = kVK_UpArrow, .expected = u"\u001E"},
        {.layout = ID::US, .keyCode = kVK_DownArrow, .expected = u"\u001F"},
        {.layout = ID::Hebrew, .keyCode = kVK_Return, .expected = u"\r"},
        {.layout = ID::Russian, .keyCode = kVK_F5, .expected = u"\u0010"},
    };
    checkTranslations(std::begin(cases), std::end(cases));
}

TEST(UCKeyTranslateTest, KeypadTypesDigitsWhateverShiftSays)
{
    static constexpr TranslationCase cases[] = {
        {.layout = ID::US, .keyCode = kVK_ANSI_Keypad0, .expected = u"0"},
        {.layout = ID::US, .keyCode = kVK_ANSI_Keypad1, .expected = u"1"},
        {.layout = ID::US, .keyCode = kVK_ANSI_Keypad1, .modifiers = Mod::shift, .expected = u"1"},
        {.layout = ID::US, .keyCode = kVK_ANSI_Keypad9, .expected = u"9"},
        {.layout = ID::US, .keyCode = kVK_ANSI_KeypadDecimal, .expected = u"."},
        {.layout = ID::US, .keyCode = kVK_ANSI_KeypadMultiply, .expected = u"*"},
        {.layout = ID::US, .keyCode = kVK_ANSI_KeypadPlus, .expected = u"+"},
        {.layout = ID::US, .keyCode = kVK_ANSI_KeypadMinus, .expected = u"-"},
        {.layout = ID::US, .keyCode = kVK_ANSI_KeypadDivide, .expected = u"/"},
        {.layout = ID::US, .keyCode = kVK_ANSI_KeypadEquals, .expected = u"="},
        {.layout = ID::French, .keyCode = kVK_ANSI_Keypad1, .expected = u"1"},
        {.layout = ID::Russian, .keyCode = kVK_ANSI_Keypad5, .modifiers = Mod::shift, .expected = u"5"},
    };
    checkTranslations(std::begin(cases), std::end(cases));
}

TEST(UCKeyTranslateTest, EveryKnownKeyCodeOfTheUSLayoutTypesSomething)
{
    const UCKeyboardLayout* layout = layoutOf(ID::US);
    ASSERT_NE(layout, nullptr);
    for (std::uint16_t keyCode : test::kKnownKeyCodes) {
        SCOPED_TRACE(keyCode);
        const auto result = translate(layout, keyCode);
        EXPECT_EQ(result.status, 0);
        // The two keys of Japanese keyboards have nothing on a U.S. layout.
        if (keyCode == kVK_JIS_Yen || keyCode == kVK_JIS_Underscore) {
            EXPECT_TRUE(result.text.empty()) << describe(result.text);
        } else {
            EXPECT_FALSE(result.text.empty());
        }
    }
}

TEST(UCKeyTranslateTest, UnknownKeyCodesGiveNoText)
{
    const UCKeyboardLayout* layout = layoutOf(ID::US);
    ASSERT_NE(layout, nullptr);
    for (std::uint16_t keyCode : {52, 66, 68, 70, 77, 108, 112, 127, 128, 500, 0xFFFF}) {
        SCOPED_TRACE(keyCode);
        const auto result = translate(layout, keyCode, Mod::shift);
        EXPECT_EQ(result.status, 0);
        EXPECT_TRUE(result.text.empty());
    }
}

TEST(UCKeyTranslateTest, ModifierKeysGiveNoText)
{
    const UCKeyboardLayout* layout = layoutOf(ID::US);
    for (std::uint16_t keyCode : {kVK_Command, kVK_RightCommand, kVK_Shift, kVK_RightShift, kVK_Option, kVK_RightOption,
                                  kVK_Control, kVK_RightControl, kVK_CapsLock, kVK_Function}) {
        SCOPED_TRACE(keyCode);
        EXPECT_TRUE(translate(layout, keyCode).text.empty());
    }
}

TEST(UCKeyTranslateTest, KeyboardTypeDoesNotChangeTheText)
{
    const UCKeyboardLayout* layout = layoutOf(ID::German);
    for (std::uint32_t keyboardType : {0u, 40u, 255u, 0x12345u}) {
        SCOPED_TRACE(keyboardType);
        std::uint32_t deadKeyState = 0;
        UniChar buffer[4] = {};
        UniCharCount length = 0;
        EXPECT_EQ(UCKeyTranslate(layout, kVK_ANSI_Z, kUCKeyActionDisplay, 0, keyboardType, 0, &deadKeyState, 4, &length,
                                 buffer),
                  0);
        EXPECT_EQ(describe({buffer, length}), "y");
    }
}

TEST(UCKeyTranslateTest, DeadKeyGivesNoTextWhenDisplayed)
{
    struct Case {
        std::string_view layout;
        std::uint16_t keyCode;
        std::uint32_t modifiers = 0;
    };
    static constexpr Case cases[] = {
        {.layout = ID::USInternationalPC, .keyCode = kVK_ANSI_Quote},
        {.layout = ID::USInternationalPC, .keyCode = kVK_ANSI_Quote, .modifiers = Mod::shift},
        {.layout = ID::USInternationalPC, .keyCode = kVK_ANSI_Grave},
        {.layout = ID::USInternationalPC, .keyCode = kVK_ANSI_6, .modifiers = Mod::shift},
        {.layout = ID::German, .keyCode = kVK_ANSI_Grave},
        {.layout = ID::German, .keyCode = kVK_ANSI_Equal},
        {.layout = ID::ABC, .keyCode = kVK_ANSI_E, .modifiers = Mod::option},
        {.layout = ID::ABC, .keyCode = kVK_ANSI_U, .modifiers = Mod::option},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(std::string(row.layout) + " key " + std::to_string(row.keyCode));
        const auto result = translate(layoutOf(row.layout), row.keyCode, row.modifiers);
        EXPECT_EQ(result.status, 0);
        EXPECT_TRUE(result.text.empty()) << describe(result.text);
        EXPECT_EQ(result.deadKeyState, 0u);
    }
}

TEST(UCKeyTranslateTest, DisplayIgnoresAPendingDeadKey)
{
    const auto result = translate(layoutOf(ID::USInternationalPC), kVK_ANSI_E, 0, kUCKeyActionDisplay, 0, 0x01);
    EXPECT_EQ(describe(result.text), "e");
    EXPECT_EQ(result.deadKeyState, 0x01u);
}

TEST(UCKeyTranslateTest, NoDeadKeysOptionGivesTheSpacingAccent)
{
    static constexpr TranslationCase cases[] = {
        {.layout = ID::USInternationalPC, .keyCode = kVK_ANSI_Quote, .expected = u"'"},
        {.layout = ID::USInternationalPC, .keyCode = kVK_ANSI_Quote, .modifiers = Mod::shift, .expected = u"\""},
        {.layout = ID::USInternationalPC, .keyCode = kVK_ANSI_Grave, .expected = u"`"},
        {.layout = ID::German, .keyCode = kVK_ANSI_Grave, .expected = u"^"},
    };
    for (const TranslationCase& row : cases) {
        SCOPED_TRACE(std::string(row.layout) + " key " + std::to_string(row.keyCode));
        for (std::uint16_t action : {kUCKeyActionDisplay, kUCKeyActionDown}) {
            const auto result =
                translate(layoutOf(row.layout), row.keyCode, row.modifiers, action, kUCKeyTranslateNoDeadKeysMask);
            EXPECT_EQ(describe(result.text), describe(row.expected));
            EXPECT_EQ(result.deadKeyState, 0u);
        }
    }
}

// Presses keys one after another with kUCKeyActionDown and collects the text.
std::string type(std::string_view layoutIdentifier, std::initializer_list<std::pair<std::uint16_t, std::uint32_t>> keys,
                 std::uint32_t* finalState = nullptr)
{
    const UCKeyboardLayout* layout = layoutOf(layoutIdentifier);
    std::uint32_t deadKeyState = 0;
    std::u16string text;
    for (auto [keyCode, modifiers] : keys) {
        const auto result = translate(layout, keyCode, modifiers, kUCKeyActionDown, 0, deadKeyState);
        EXPECT_EQ(result.status, 0);
        deadKeyState = result.deadKeyState;
        text += result.text;
    }
    if (finalState)
        *finalState = deadKeyState;
    return describe(text);
}

TEST(UCKeyTranslateTest, DeadKeyComposesWithTheNextKeyWhenTyped)
{
    std::uint32_t state = 0;
    EXPECT_EQ(type(ID::USInternationalPC, {{kVK_ANSI_Quote, 0}}, &state), "");
    EXPECT_NE(state, 0u);
    EXPECT_EQ(type(ID::USInternationalPC, {{kVK_ANSI_Quote, 0}, {kVK_ANSI_E, 0}}, &state), "é");
    EXPECT_EQ(state, 0u);
    EXPECT_EQ(type(ID::USInternationalPC, {{kVK_ANSI_Quote, 0}, {kVK_ANSI_E, Mod::shift}}), "É");
    EXPECT_EQ(type(ID::German, {{kVK_ANSI_Grave, 0}, {kVK_ANSI_E, 0}}), "ê");
    EXPECT_EQ(type(ID::ABC, {{kVK_ANSI_E, Mod::option}, {kVK_ANSI_E, 0}}), "é");
    EXPECT_EQ(type(ID::ABC, {{kVK_ANSI_U, Mod::option}, {kVK_ANSI_O, 0}}), "ö");
}

TEST(UCKeyTranslateTest, DeadKeyThatDoesNotComposeTypesTheAccentThenTheKey)
{
    std::uint32_t state = 1;
    EXPECT_EQ(type(ID::USInternationalPC, {{kVK_ANSI_Quote, 0}, {kVK_ANSI_X, 0}}, &state), "'x");
    EXPECT_EQ(state, 0u);
    EXPECT_EQ(type(ID::USInternationalPC, {{kVK_ANSI_Quote, 0}, {kVK_Space, 0}}), "'");
}

TEST(UCKeyTranslateTest, ModifierKeyKeepsTheDeadKeyPending)
{
    EXPECT_EQ(type(ID::USInternationalPC, {{kVK_ANSI_Quote, 0}, {kVK_Shift, Mod::shift}, {kVK_ANSI_E, Mod::shift}}),
              "É");
}

TEST(UCKeyTranslateTest, TwoDeadKeysComposeWithTheThird)
{
    std::uint32_t state = 0;
    EXPECT_EQ(type(ID::USInternationalPC, {{kVK_ANSI_6, Mod::shift}, {kVK_ANSI_Quote, 0}}, &state), "");
    EXPECT_NE(state, 0u);
    EXPECT_EQ(type(ID::USInternationalPC, {{kVK_ANSI_6, Mod::shift}, {kVK_ANSI_Quote, 0}, {kVK_ANSI_E, 0}}), "ế");
}

TEST(UCKeyTranslateTest, MissingArgumentsAreParameterErrors)
{
    const UCKeyboardLayout* layout = layoutOf(ID::US);
    std::uint32_t state = 0;
    UniChar buffer[8] = {};
    UniCharCount length = 99;
    EXPECT_EQ(UCKeyTranslate(nullptr, 0, kUCKeyActionDisplay, 0, 0, 0, &state, 8, &length, buffer),
              kUCKeyTranslateParamErr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(UCKeyTranslate(layout, 0, kUCKeyActionDisplay, 0, 0, 0, nullptr, 8, &length, buffer),
              kUCKeyTranslateParamErr);
    EXPECT_EQ(UCKeyTranslate(layout, 0, kUCKeyActionDisplay, 0, 0, 0, &state, 8, nullptr, buffer),
              kUCKeyTranslateParamErr);
    EXPECT_EQ(UCKeyTranslate(layout, 0, kUCKeyActionDisplay, 0, 0, 0, &state, 8, &length, nullptr),
              kUCKeyTranslateParamErr);
    EXPECT_EQ(UCKeyTranslate(layout, 0, 4, 0, 0, 0, &state, 8, &length, buffer), kUCKeyTranslateParamErr);
}

TEST(UCKeyTranslateTest, TextLongerThanTheBufferIsCut)
{
    const UCKeyboardLayout* layout = layoutOf(ID::US);
    std::uint32_t state = 0;
    UniCharCount length = 99;
    EXPECT_EQ(UCKeyTranslate(layout, kVK_ANSI_A, kUCKeyActionDisplay, 0, 0, 0, &state, 0, &length, nullptr),
              kUCOutputBufferTooSmall);
    EXPECT_EQ(length, 0u);
    // No text fits in no room.
    EXPECT_EQ(UCKeyTranslate(layout, 52, kUCKeyActionDisplay, 0, 0, 0, &state, 0, &length, nullptr), 0);
}

TEST(UCKeyTranslateTest, InjectedStatusIsReturnedWithoutText)
{
    auto source = KeyboardLayoutCatalog::shared().makeFakeInputSource({.translationStatus = -25341});
    ASSERT_NE(source->keyLayout(), nullptr);
    const auto result = translate(source->keyLayout(), kVK_ANSI_A);
    EXPECT_EQ(result.status, -25341);
    EXPECT_TRUE(result.text.empty());
}

TEST(UCKeyTranslateTest, ModifierKeyStateOfEventFlags)
{
    struct Case {
        std::uint64_t flags;
        std::uint32_t expected;
    };
    static constexpr Case cases[] = {
        {0, 0},
        {0x20000, Mod::shift},
        {0x40000, Mod::control},
        {0x80000, Mod::option},
        {0x100000, Mod::command},
        {0x1E0000, Mod::shift | Mod::control | Mod::option | Mod::command},
        {0x10000 | 0x800000 | 0xFFFF, 0},  // caps lock, function, device bits
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.flags);
        EXPECT_EQ(modifierKeyStateForModifierFlags(row.flags), row.expected);
    }
    EXPECT_EQ(modifierKeyStateForModifierFlags(0x100000), 0x01u);
    EXPECT_EQ(modifierKeyStateForModifierFlags(0x20000), 0x02u);
    EXPECT_EQ(modifierKeyStateForModifierFlags(0x80000), 0x08u);
    EXPECT_EQ(modifierKeyStateForModifierFlags(0x40000), 0x10u);
}

TEST(LMGetKbdTypeTest, DefaultsToFortyAndCanBeChanged)
{
    EXPECT_EQ(LMGetKbdType(), 40);
    LMSetKbdType(43);
    EXPECT_EQ(LMGetKbdType(), 43);
    LMSetKbdType(40);
}

}  // namespace
}  // namespace textinput
