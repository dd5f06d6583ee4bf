#pragma once

#include "foundation/Id.h"
#include "foundation/ParseResult.h"

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
// with its position, never an exception: the message reads "line L, column
// C: what", and the position (offset in UTF-16 units of the decoded text,
// 1-based line and column, the column in UTF-16 units) is given beside it.
namespace OpenStepPropertyList {

inline constexpr int maximumDepth = 256;

// A property list: any value at the top level, or a dictionary without braces.
// Empty input (only white space and comments) is an error.
ParseResult<Id> parse(const void* bytes, std::size_t length);
ParseResult<Id> parse(std::u16string_view text);

// A strings table: a dictionary without braces (a braced dictionary is
// accepted too); empty input is an empty dictionary. Every key and value must
// be a string.
ParseResult<Id> parseStringsTable(const void* bytes, std::size_t length);
ParseResult<Id> parseStringsTable(std::u16string_view text);

// The text decoded as described above (BOM detection included).
std::u16string decode(const void* bytes, std::size_t length);

}  // namespace OpenStepPropertyList
