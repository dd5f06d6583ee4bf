#pragma once

#include <string>
#include <string_view>

// UTF-8 text made safe to show on a terminal, for whatever prints input or
// names from outside (the log's console lines, the driver's transcript): tab,
// line feed and carriage return as \t, \n and \r, the other control
// characters of ASCII as \xHH, those of Unicode's second block (U+0080 to
// U+009F) as \uHHHH, and a byte that begins no character of UTF-8 as \xHH.
// Everything else, non-ASCII text included, stays as it is, so an escape
// sequence in the input can't clear or retitle the terminal.
std::string printableText(std::string_view text);
