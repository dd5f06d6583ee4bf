#include "foundation/PrintableText.h"

namespace {

std::string hex(unsigned value, int digits)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string result;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        result += kDigits[(value >> shift) & 0xF];
    return result;
}

}  // namespace

std::string printableText(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if (byte == '\t')
                result += "\\t";
            else if (byte == '\n')
                result += "\\n";
            else if (byte == '\r')
                result += "\\r";
            else if (byte < 0x20 || byte == 0x7F)
                result += "\\x" + hex(byte, 2);
            else
                result += static_cast<char>(byte);
            ++i;
            continue;
        }
        // A character of UTF-8: its lead byte says how many follow, and it
        // must be the shortest form of a scalar value.
        std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 0;
        char32_t code = length == 4 ? byte & 0x07 : length == 3 ? byte & 0x0F : byte & 0x1F;
        bool valid = length != 0 && byte < 0xF5 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code >= kShortest[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (!valid) {
            result += "\\x" + hex(byte, 2);
            ++i;
            continue;
        }
        if (code <= 0x9F)
            result += "\\u" + hex(code, 4);
        else
            result.append(text.substr(i, length));
        i += length;
    }
    return result;
}
