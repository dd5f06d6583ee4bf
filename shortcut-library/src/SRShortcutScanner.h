#pragma once

#include <cstddef>
#include <string_view>

namespace detail {

// What a string scanner skips before it scans, by default: white space and
// newlines.
constexpr bool isScannerSkippedCharacter(char16_t c)
{
    switch (c) {
    case 0x0009:
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
    case 0x0020:
    case 0x0085:
    case 0x00A0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

// Scans the leading run of characters for which `inRun` holds, the way a
// string scanner with its default skipping does: white space and newlines
// before the run are passed over, but only when a run follows them. Answers
// the position after the run, or 0 when there is none.
template <class Predicate> std::size_t scanLeadingRun(std::u16string_view text, Predicate inRun)
{
    std::size_t position = 0;
    while (position < text.size() && isScannerSkippedCharacter(text[position]) && !inRun(text[position]))
        ++position;
    std::size_t start = position;
    while (position < text.size() && inRun(text[position]))
        ++position;
    return position == start ? 0 : position;
}

}  // namespace detail
