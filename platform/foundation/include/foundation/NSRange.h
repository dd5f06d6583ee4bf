#pragma once

#include <cstddef>
#include <limits>

// A run of positions: UTF-16 units of a string, items of a list.
struct NSRange {
    std::size_t location = 0;
    std::size_t length = 0;
    friend bool operator==(const NSRange&, const NSRange&) = default;
};

inline constexpr std::size_t NSNotFound = std::numeric_limits<long>::max();

constexpr NSRange NSMakeRange(std::size_t location, std::size_t length)
{
    return {location, length};
}
constexpr std::size_t NSMaxRange(NSRange range)
{
    return range.location + range.length;
}
constexpr bool NSLocationInRange(std::size_t location, NSRange range)
{
    return location >= range.location && location - range.location < range.length;
}
