#include "driver/AutostartProgram.h"

#include "foundation/DetachedProcess.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <system_error>

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// A string value with its escapes undone: \s \n \t \r \\; any other
// backslash stays as it is, for the Exec quoting to read.
std::string unescaped(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[i + 1]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += value[i + 1];
            break;
        }
        ++i;
    }
    return out;
}

bool isTrue(const std::map<std::string, std::string>& keys, const std::string& key)
{
    auto it = keys.find(key);
    return it != keys.end() && it->second == "true";
}

// Field codes stand for what the desktop passes (files, URLs, the icon);
// nothing at login, so they go, and a code that is a whole argument takes the
// argument with it.
std::optional<std::string> withoutFieldCodes(const std::string& argument, bool& dropped)
{
    dropped = false;
    if (argument.size() == 2 && argument[0] == '%' && argument[1] != '%') {
        dropped = true;
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] != '%') {
            out += argument[i];
            continue;
        }
        if (i + 1 == argument.size())
            return std::nullopt;
        if (argument[i + 1] == '%')
            out += '%';
        ++i;
    }
    return out;
}

ParseResult<std::vector<std::string>> splitCommand(const std::string& exec)
{
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool wasQuoted = false;
    auto finish = [&]() -> bool {
        if (!inArgument)
            return true;
        bool dropped = false;
        auto argument = wasQuoted ? std::optional<std::string>(current) : withoutFieldCodes(current, dropped);
        if (!argument && !dropped)
            return false;
        if (argument)
            arguments.push_back(*argument);
        current.clear();
        inArgument = false;
        wasQuoted = false;
        return true;
    };
    for (std::size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (!finish())
                return ParseError{"Exec: a lone % ends an argument"};
            continue;
        }
        inArgument = true;
        if (c != '"') {
            current += c;
            continue;
        }
        // A quoted argument: \" \` \$ \\ stand for themselves; %% is a
        // percent sign there too.
        wasQuoted = true;
        bool closed = false;
        for (++i; i < exec.size(); ++i) {
            char q = exec[i];
            if (q == '"') {
                closed = true;
                break;
            }
            if (q == '\\' && i + 1 < exec.size() && std::string_view("\"`$\\").find(exec[i + 1]) != std::string::npos)
                q = exec[++i];
            else if (q == '%' && i + 1 < exec.size() && exec[i + 1] == '%')
                ++i;
            current += q;
        }
        if (!closed)
            return ParseError{"Exec: a quote is not closed"};
    }
    if (!finish())
        return ParseError{"Exec: a lone % ends an argument"};
    if (arguments.empty())
        return ParseError{"Exec names no program"};
    return arguments;
}

}  // namespace

ParseResult<std::optional<AutostartProgram>> AutostartProgram::parse(std::string_view text)
{
    std::map<std::string, std::string> keys;
    bool sawMain = false;
    bool inMain = false;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return ParseError{"line " + std::to_string(lineNumber) + ": a group header without its ]"};
            std::string_view group = line.substr(1, line.size() - 2);
            if (group == "Desktop Entry" && sawMain)
                return ParseError{"line " + std::to_string(lineNumber) + ": a second [Desktop Entry] group"};
            inMain = group == "Desktop Entry";
            sawMain = sawMain || inMain;
            continue;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || trimmed(line.substr(0, equals)).empty())
            return ParseError{"line " + std::to_string(lineNumber) + ": neither a group, a key nor a comment"};
        if (!sawMain)
            return ParseError{"line " + std::to_string(lineNumber) + ": a key before the [Desktop Entry] group"};
        if (!inMain)
            continue;
        std::string key(trimmed(line.substr(0, equals)));
        // Localized values (Name[de]) aren't what is run.
        if (key.find('[') != std::string::npos)
            continue;
        keys.insert_or_assign(key, unescaped(trimmed(line.substr(equals + 1))));
    }
    if (!sawMain)
        return ParseError{"no [Desktop Entry] group"};
    auto type = keys.find("Type");
    if (type == keys.end() || type->second != "Application" || isTrue(keys, "Hidden"))
        return std::optional<AutostartProgram>();
    if (auto enabled = keys.find("X-GNOME-Autostart-enabled"); enabled != keys.end() && enabled->second == "false")
        return std::optional<AutostartProgram>();
    auto exec = keys.find("Exec");
    if (exec == keys.end())
        return ParseError{"no Exec key"};
    auto command = splitCommand(exec->second);
    if (!command)
        return command.failure();
    AutostartProgram program;
    program.name = keys.count("Name") ? keys["Name"] : command->front();
    program.command = std::move(*command);
    return std::optional<AutostartProgram>(std::move(program));
}

std::vector<AutostartProgram> AutostartProgram::enabledIn(const std::string& home, std::vector<std::string>& problems)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(home) / ".config/autostart", error)) {
        if (entry.path().extension() == ".desktop")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<AutostartProgram> programs;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            problems.push_back(file.string() + ": can't be read");
            continue;
        }
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto parsed = parse(text);
        if (!parsed) {
            problems.push_back(file.string() + ": " + parsed.error());
            continue;
        }
        if (!*parsed)
            continue;
        AutostartProgram program = std::move(**parsed);
        program.file = file.string();
        programs.push_back(std::move(program));
    }
    return programs;
}

std::optional<pid_t> AutostartProgram::start(const std::string& logs, std::string& error) const
{
    if (command.empty()) {
        error = "no program";
        return std::nullopt;
    }
    std::error_code ignored;
    std::filesystem::create_directories(logs, ignored);
    // The name is the entry's: nothing in it may lead out of the folder.
    std::string file = name;
    std::replace(file.begin(), file.end(), '/', '_');
    if (file.empty() || file.front() == '.')
        file.insert(0, "entry");
    DetachedProcess::Launch launch{.executable = command.front(),
                                   .arguments = {command.begin() + 1, command.end()},
                                   .outputFile = logs + "/" + file + ".log",
                                   .environment = {},
                                   .exited = nullptr};
    auto inherited = DetachedProcess::inheritedArguments();
    launch.arguments.insert(launch.arguments.end(), inherited.begin(), inherited.end());
    return DetachedProcess::spawn(launch, error);
}
