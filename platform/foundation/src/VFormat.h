#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

namespace detail {

// printf-style formatting into a string of whatever length the text needs;
// most texts fit the small buffer, so the usual case formats only once.
// `args` is consumed, as by vsnprintf.
inline std::string vformat(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int needed = std::vsnprintf(small, sizeof small, format, args);
    if (needed < 0) {
        va_end(copy);
        return {};
    }
    if (static_cast<std::size_t>(needed) < sizeof small) {
        va_end(copy);
        return std::string(small, static_cast<std::size_t>(needed));
    }
    std::string large(static_cast<std::size_t>(needed) + 1, '\0');
    std::vsnprintf(large.data(), large.size(), format, copy);
    va_end(copy);
    large.resize(static_cast<std::size_t>(needed));
    return large;
}

}  // namespace detail
