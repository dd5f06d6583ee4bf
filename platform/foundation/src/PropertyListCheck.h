#pragma once

#include <optional>
#include <string>
#include <string_view>

// libplist reads some input as values other than the ones written: an
// integer beyond 64 bits as the nearest 64-bit one (or its low 64 bits), a
// date or an integer whose text is none as 1970 or 0, a leading zero as
// octal, a string up to its first U+0000. These checks look at the source of
// a document libplist has read and name the first such place, so that the
// document counts as unreadable instead of being read wrong.
namespace PropertyList::detail {

std::optional<std::string> misreadInXML(std::string_view text);
std::optional<std::string> misreadInBinary(std::string_view bytes);

}  // namespace PropertyList::detail
