#pragma once

#include "foundation/ParseResult.h"

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A program that the desktop starts when the user logs in, as a freedesktop
// autostart entry (a desktop entry of type Application under the home's
// .config/autostart) describes it.
struct AutostartProgram {
    // The entry file; empty for a parsed text.
    std::string file;
    std::string name;
    // The program and its arguments, from the entry's Exec value: quoting and
    // escapes undone, field codes dropped (%% is a percent sign).
    std::vector<std::string> command;

    // The program an entry starts at login; none for an entry that starts
    // nothing then (hidden, turned off, not an application); the reason for
    // a text that isn't a usable entry (no [Desktop Entry] group, a line that
    // is neither a group, a key nor a comment, an Exec value that can't be
    // split, or none).
    static ParseResult<std::optional<AutostartProgram>> parse(std::string_view text);

    // The enabled entries of the home, by file name; an entry that can't be
    // read or parsed is told in `problems` ("FILE: reason") and skipped.
    static std::vector<AutostartProgram> enabledIn(const std::string& home, std::vector<std::string>& problems);

    // Starts the program as a real, detached process, its arguments followed
    // by those every program started from here gets (DetachedProcess), its
    // output appended to <logs>/<name>.log. The pid, or nothing and why.
    std::optional<pid_t> start(const std::string& logs, std::string& error) const;
};
