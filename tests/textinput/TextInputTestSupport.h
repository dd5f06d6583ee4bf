#pragma once

// Helpers shared by the textinput tests.

#include "textinput/KeyboardLayoutCatalog.h"
#include "textinput/UCKeyboardLayout.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace textinput::test {

// Readable form of UTF-16 text for failure messages: UTF-8, with control
// characters as <U+XXXX>.
inline std::string describe(std::u16string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x20 || c == 0x7F) {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "<U+%04X>", static_cast<unsigned>(c));
            out += buffer;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

struct Translation {
    OSStatus status = 0;
    std::u16string text;
    std::uint32_t deadKeyState = 0;
};

// One UCKeyTranslate call the way the key-code translator makes it: a fresh
// dead-key state, 255 units, the keyboard type of LMGetKbdType.
inline Translation translate(const UCKeyboardLayout* layout, std::uint16_t keyCode, std::uint32_t modifierKeyState = 0,
                             std::uint16_t action = kUCKeyActionDisplay, OptionBits options = 0,
                             std::uint32_t deadKeyState = 0)
{
    Translation result;
    result.deadKeyState = deadKeyState;
    UniChar buffer[255] = {};
    UniCharCount length = 0;
    result.status = UCKeyTranslate(layout, keyCode, action, modifierKeyState, LMGetKbdType(), options,
                                   &result.deadKeyState, 255, &length, buffer);
    result.text.assign(buffer, length);
    return result;
}

inline const UCKeyboardLayout* layoutOf(std::string_view identifier)
{
    auto source = KeyboardLayoutCatalog::shared().inputSource(identifier);
    return source ? source->keyLayout() : nullptr;
}

// The 103 known key codes of the key-code transformers, in their order.
inline constexpr std::uint16_t kKnownKeyCodes[] = {
    29, 18, 19,  20,  21,  23,  22,  26, 28,  25, 0,  11,  42,  8,   43,  2,   14,  24,  3,   5,   50,
    4,  34, 38,  40,  82,  83,  84,  85, 86,  87, 88, 89,  91,  92,  65,  75,  76,  81,  78,  67,  69,
    37, 33, 46,  27,  45,  31,  35,  47, 12,  39, 15, 30,  1,   41,  44,  17,  32,  9,   13,  7,   16,
    6,  51, 125, 119, 53,  122, 120, 99, 118, 96, 97, 98,  100, 101, 109, 103, 111, 105, 107, 113, 106,
    64, 79, 80,  90,  117, 114, 115, 10, 95,  94, 93, 123, 121, 116, 36,  124, 49,  48,  126};
static_assert(sizeof kKnownKeyCodes / sizeof kKnownKeyCodes[0] == 103);

}  // namespace textinput::test
