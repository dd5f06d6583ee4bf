#pragma once

#include <string>
#include <string_view>

// Writes a whole file so that readers see the old contents or the new, never
// a part: into a temporary file beside it, flushed to the disk, then renamed
// over it, the rename flushed too. The folder must exist. False, with the
// reason, when anything fails; the old file is then untouched and no
// temporary file is left.
bool writeFileAtomically(const std::string& path, std::string_view contents, std::string& error);
