#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textinput::detail {

inline void appendUTF32(std::u16string& out, char32_t codePoint)
{
    if (codePoint >= 0x10000 && codePoint <= 0x10FFFF) {
        codePoint -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    } else if (codePoint < 0xD800 || (codePoint > 0xDFFF && codePoint < 0x10000)) {
        out.push_back(static_cast<char16_t>(codePoint));
    }
}

// xkb hands out well-formed UTF-8; anything else is skipped byte by byte.
inline std::u16string utf16FromUTF8(std::string_view text)
{
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        int extra = byte < 0x80 ? 0 : (byte >> 5) == 0x6 ? 1 : (byte >> 4) == 0xE ? 2 : (byte >> 3) == 0x1E ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) {
            ++i;
            continue;
        }
        char32_t codePoint = extra == 0 ? byte : byte & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (valid) {
            appendUTF32(out, codePoint);
            i += extra + 1;
        } else {
            ++i;
        }
    }
    return out;
}

}  // namespace textinput::detail
