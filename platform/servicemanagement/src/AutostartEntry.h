#pragma once

#include <string>

// The text of a freedesktop autostart entry (a desktop entry of type
// Application) that starts one program.
namespace AutostartEntry {

// `executable` is an absolute path; `name` is what desktops show.
std::string text(const std::string& name, const std::string& executable, const std::string& bundleIdentifier);

// The Exec value that runs `executable` without arguments: quoted, with the
// characters the quoting reserves escaped, '%' doubled (it starts field
// codes), then escaped once more as a desktop entry string value.
std::string execValue(const std::string& executable);

}  // namespace AutostartEntry
