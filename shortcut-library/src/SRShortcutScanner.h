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

// Where a leading run lies: [start, end), both 0 when there is none.
struct ScannedRun {
    std::size_t start = 0;
    std::size_t end = 0;
};

// Scans the leading run of characters for which `inRun` holds, the way a
// string scanner with its default skipping does: white space and newlines
// before the run are passed over, but only when a run follows them, and are
// no part of it.
template <class Predicate> ScannedRun scanLeadingRunBounds(std::u16string_view text, Predicate inRun)
{
    std::size_t position = 0;
    while (position < text.size() && isScannerSkippedCharacter(text[position]) && !inRun(text[position]))
        ++position;
    std::size_t start = position;
    while (position < text.size() && inRun(text[position]))
        ++position;
    return position == start ? ScannedRun{} : ScannedRun{start, position};
}

// The position after the leading run, or 0 when there is none.
template <class Predicate> std::size_t scanLeadingRun(std::u16string_view text, Predicate inRun)
{
    return scanLeadingRunBounds(text, inRun).end;
}

}  // namespace detail
