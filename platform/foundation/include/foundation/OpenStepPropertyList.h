#pragma once

#include "foundation/Id.h"

#include <cstddef>
#include <string>
#include <string_view>

// Our reader of the old OpenStep text property-list format, which libplist
// doesn't read: key-binding dictionaries and strings tables use it.
//
//   value      := string | array | dictionary | data
//   string     := quoted | unquoted
//   quoted     := "..." or '...' with the escapes \a \b \f \n \r \t \v \\ \"
//                 \' , \U followed by 1-4 hex digits (a UTF-16 unit), and
//                 1-3 octal digits (\012; taken as the code point, 0-255);
//                 any other escaped character stands for itself
//   unquoted   := one or more of [A-Za-z0-9_$+/:.-]
//   array      := "(" [ value { "," value } [","] ] ")"
//   dictionary := "{" { string "=" value ";" } "}"
//   data       := "<" { hex digit pair, spaces allowed between } ">"
//   comments   := // to the end of the line, /* ... */
//
// A file whose top-level string is followed by "=" is a dictionary without
// braces, as strings tables are ("key" = "value"; ...; an entry "key"; means
// the key maps to itself). Input is UTF-8 (an optional BOM is skipped,
// malformed sequences become U+FFFD) or UTF-16 with a BOM, either byte order.
// Nesting is limited to `maximumDepth`; everything malformed answers an error
// with its position, never an exception.
namespace OpenStepPropertyList {

inline constexpr int maximumDepth = 256;

struct Result {
    Id value;             // nil on failure
    std::string message;  // empty on success
    // Where the error was found: offset in UTF-16 units of the decoded text,
    // 1-based line and column (column in UTF-16 units).
    std::size_t offset = 0;
    std::size_t line = 0;
    std::size_t column = 0;

    bool ok() const { return message.empty(); }
    explicit operator bool() const { return ok(); }
    // "line L, column C: message", or "" on success.
    std::string errorDescription() const;
};

// A property list: any value at the top level, or a dictionary without braces.
// Empty input (only white space and comments) is an error.
Result parse(const void* bytes, std::size_t length);
Result parse(std::u16string_view text);

// A strings table: a dictionary without braces (a braced dictionary is
// accepted too); empty input is an empty dictionary. Every key and value must
// be a string.
Result parseStringsTable(const void* bytes, std::size_t length);
Result parseStringsTable(std::u16string_view text);

// The text decoded as described above (BOM detection included).
std::u16string decode(const void* bytes, std::size_t length);

}  // namespace OpenStepPropertyList
