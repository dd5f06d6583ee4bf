#include "textinput/VirtualKeyCodes.h"

#include "TextInputTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace textinput {
namespace {

TEST(VirtualKeyCodesTest, EveryKnownKeyCodeNamesAnXkbKey)
{
    std::set<std::uint32_t> seen;
    for (std::uint16_t keyCode : test::kKnownKeyCodes) {
        SCOPED_TRACE(keyCode);
        const auto xkbKeycode = xkbKeycodeForVirtualKeyCode(keyCode);
        ASSERT_TRUE(xkbKeycode.has_value());
        EXPECT_GT(*xkbKeycode, 8u);
        EXPECT_TRUE(seen.insert(*xkbKeycode).second) << "two key codes on one key";
        EXPECT_EQ(virtualKeyCodeForXkbKeycode(*xkbKeycode), keyCode);
    }
}

TEST(VirtualKeyCodesTest, KeysAreTheEvdevKeysPlusEight)
{
    struct Case {
        std::uint16_t keyCode;
        std::uint32_t evdev;
    };
    static constexpr Case cases[] = {
        {kVK_ANSI_A, 30},         {kVK_ANSI_S, 31},       {kVK_ANSI_Z, 44},       {kVK_ANSI_Q, 16},
        {kVK_ANSI_1, 2},          {kVK_ANSI_0, 11},       {kVK_Return, 28},       {kVK_Tab, 15},
        {kVK_Space, 57},          {kVK_Delete, 14},       {kVK_Escape, 1},        {kVK_ANSI_Grave, 41},
        {kVK_ISO_Section, 86},    {kVK_F1, 59},           {kVK_F12, 88},          {kVK_F13, 183},
        {kVK_F20, 190},           {kVK_ANSI_Keypad0, 82}, {kVK_ANSI_Keypad7, 71}, {kVK_ANSI_KeypadEnter, 96},
        {kVK_ForwardDelete, 111}, {kVK_Help, 110},        {kVK_LeftArrow, 105},   {kVK_UpArrow, 103},
        {kVK_Command, 125},       {kVK_RightOption, 100},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.keyCode);
        EXPECT_EQ(xkbKeycodeForVirtualKeyCode(row.keyCode), row.evdev + 8);
    }
}

TEST(VirtualKeyCodesTest, UnknownCodesNameNoKey)
{
    for (std::uint16_t keyCode : {52, 66, 68, 70, 77, 108, 112, 127, 128, 0xFFFF}) {
        SCOPED_TRACE(keyCode);
        EXPECT_FALSE(xkbKeycodeForVirtualKeyCode(keyCode).has_value());
    }
    EXPECT_FALSE(virtualKeyCodeForXkbKeycode(0).has_value());
    EXPECT_FALSE(virtualKeyCodeForXkbKeycode(8).has_value());
    EXPECT_FALSE(virtualKeyCodeForXkbKeycode(100000).has_value());
}

TEST(VirtualKeyCodesTest, KeypadKeysAreTheEighteenKeypadCodesAndTheJapaneseComma)
{
    std::set<std::uint16_t> keypad;
    for (std::uint16_t keyCode = 0; keyCode < kVirtualKeyCodeCount; ++keyCode) {
        if (isKeypadVirtualKeyCode(keyCode))
            keypad.insert(keyCode);
    }
    const std::set<std::uint16_t> expected{
        65, 67, 69, 71, 75, 76, 78, 81, 82, 83, 84, 85, 86, 87, 88, 89, 91, 92, kVK_JIS_KeypadComma};
    EXPECT_EQ(keypad, expected);
}

}  // namespace
}  // namespace textinput
