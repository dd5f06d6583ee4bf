// Arbitrary bytes as the transcript writes them: commands read from a script,
// names and values from a desktop description. Whatever comes in, what goes
// out holds no control character (of ASCII, or of Unicode's second block in
// UTF-8) and is valid UTF-8, and text that holds none comes out unchanged.

#include "driver/Transcript.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The length of the valid UTF-8 character at `i`, or 0.
std::size_t characterAt(std::string_view text, std::size_t i)
{
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80)
        return 1;
    std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
    if (length == 0 || byte > 0xF4 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    auto second = static_cast<unsigned char>(text[i + 1]);
    if ((byte == 0xE0 && second < 0xA0) || (byte == 0xED && second >= 0xA0) || (byte == 0xF0 && second < 0x90) ||
        (byte == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

bool isControl(std::string_view text, std::size_t i, std::size_t length)
{
    auto byte = static_cast<unsigned char>(text[i]);
    if (length == 1)
        return byte < 0x20 || byte == 0x7F;
    return length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
}

// Valid UTF-8 without control characters.
bool isPrintable(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = characterAt(text, i);
        if (length == 0 || isControl(text, i, length))
            return false;
        i += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string printed = Transcript::printable(input);
    if (!isPrintable(printed))
        std::abort();
    if (isPrintable(input) && printed != input)
        std::abort();
    return 0;
}
