// What the key-code translator and transformers above this layer rely on,
// checked through the platform calls alone, made the way they make them.

#include "TextInputTestSupport.h"
#include "textinput/KeyboardLayoutRegistry.h"
#include "textinput/TISInputSource.h"
#include "textinput/UCKeyboardLayout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace textinput {
namespace {

namespace ID = InputSourceID;

// The reverse map of the ASCII translator: every known key code translated
// with no modifiers; a later code wins a tie.
std::map<std::u16string, std::uint16_t> reverseMap(const TISInputSourceRef& source)
{
    std::map<std::u16string, std::uint16_t> map;
    const UCKeyboardLayout* layout = TISGetInputSourceProperty(source, kTISPropertyUnicodeKeyLayoutData);
    for (std::uint16_t keyCode : test::kKnownKeyCodes) {
        const auto result = test::translate(layout, keyCode, modifierKeyStateForModifierFlags(0));
        if (result.status == 0 && !result.text.empty())
            map[result.text] = keyCode;
    }
    return map;
}

TEST(LibraryExpectationsTest, SpecialKeysAreFoundThroughTheLayoutsOwnText)
{
    auto registry = std::make_shared<KeyboardLayoutRegistry>();
    ScopedCurrentKeyboardLayoutRegistry scope(registry);
    const auto map = reverseMap(TISCopyCurrentASCIICapableKeyboardLayoutInputSource());
    struct Case {
        std::u16string_view text;
        std::uint16_t keyCode;
    };
    static constexpr Case cases[] = {
        {u"\r", 36}, {u"\t", 48}, {u" ", 49}, {u"\b", 51}, {u"\u007F", 117}, {u"\u001B", 53}, {u"\u0003", 76},
        {u"a", 0},   {u"k", 40},  {u"z", 6},  {u"`", 50},  {u"\\", 42},      {u"'", 39},      {u";", 41},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(test::describe(row.text));
        auto found = map.find(std::u16string(row.text));
        ASSERT_NE(found, map.end());
        EXPECT_EQ(found->second, row.keyCode);
    }
}

TEST(LibraryExpectationsTest, KeypadDigitWinsTheTieWithTheMainDigit)
{
    const auto map = reverseMap(KeyboardLayoutCatalog::shared().inputSource(ID::US));
    // 83 (keypad 1) comes after 18 (1) in the known-key-code list.
    EXPECT_EQ(map.at(u"1"), 83);
    EXPECT_EQ(map.at(u"0"), 82);
    EXPECT_EQ(map.at(u"="), 81);
}

TEST(LibraryExpectationsTest, ReverseMapOfTheASCIILayoutStaysPutWhileRussianIsSelected)
{
    auto registry = std::make_shared<KeyboardLayoutRegistry>(ID::German);
    ScopedCurrentKeyboardLayoutRegistry scope(registry);
    registry->selectInputSource(ID::Russian);
    auto ascii = TISCopyCurrentASCIICapableKeyboardLayoutInputSource();
    EXPECT_EQ(TISGetInputSourceProperty(ascii, kTISPropertyInputSourceID), std::string(ID::German));
    EXPECT_EQ(reverseMap(ascii).at(u"y"), 6);
    // The current layout types Cyrillic meanwhile.
    const auto current = test::translate(
        TISGetInputSourceProperty(TISCopyCurrentKeyboardLayoutInputSource(), kTISPropertyUnicodeKeyLayoutData), 6);
    EXPECT_EQ(test::describe(current.text), "я");
}

TEST(LibraryExpectationsTest, ImplicitFlagsChangeTheTextThroughTheModifierByte)
{
    const UCKeyboardLayout* layout = test::layoutOf(ID::US);
    struct Case {
        std::uint64_t implicitFlags;
        std::u16string_view expected;
    };
    static constexpr Case cases[] = {
        {0, u"k"},
        {0x20000, u"K"},            // shift
        {0x100000, u"k"},           // command
        {0x120000, u"K"},           // shift and command
        {0x40000, u"\u000B"},       // control
        {0x10000 | 0x20000, u"K"},  // caps lock is masked away
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.implicitFlags);
        const auto result = test::translate(layout, 40, modifierKeyStateForModifierFlags(row.implicitFlags & 0x1E0000));
        EXPECT_EQ(test::describe(result.text), test::describe(row.expected));
    }
}

TEST(LibraryExpectationsTest, DeadKeyGivesNothingToTheTranslator)
{
    auto source = KeyboardLayoutCatalog::shared().inputSource(ID::USInternationalPC);
    const auto result = test::translate(TISGetInputSourceProperty(source, kTISPropertyUnicodeKeyLayoutData), 39);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.text.empty());
}

}  // namespace
}  // namespace textinput
