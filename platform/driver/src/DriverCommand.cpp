#include "driver/DriverCommand.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <sys/types.h>

namespace {

using Kind = DriverCommand::Kind;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// Splits off the first word.
std::string_view firstWord(std::string_view& text)
{
    text = trimmed(text);
    std::size_t end = 0;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])))
        ++end;
    std::string_view word = text.substr(0, end);
    text = trimmed(text.substr(end));
    return word;
}

// The whole text as a whole number of type T, if it is one; `tooLarge` tells
// a number that doesn't fit from text that is no number at all.
template <typename T> std::optional<T> wholeNumber(std::string_view text, bool& tooLarge)
{
    T number{};
    auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || end != text.data() + text.size())
        return std::nullopt;
    tooLarge = tooLarge || problem == std::errc::result_out_of_range;
    if (problem != std::errc())
        return std::nullopt;
    return number;
}

// Decimal notation only: "inf", "nan" and hexadecimal are words here.
std::optional<double> decimalNumber(std::string_view text)
{
    bool digits = false;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digits = true;
        else if (std::string_view("+-.eE").find(c) == std::string_view::npos)
            return std::nullopt;
    }
    if (!digits)
        return std::nullopt;
    std::string copy(text);
    char* stop = nullptr;
    double number = std::strtod(copy.c_str(), &stop);
    if (stop != copy.c_str() + copy.size())
        return std::nullopt;
    return number;
}

ParseResult<Id> quotedText(std::string_view text)
{
    if (text.size() < 2 || text.back() != '"')
        return ParseError{"unterminated text"};
    std::string result;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        char c = text[i];
        if (c != '\\') {
            result += c;
            continue;
        }
        if (i + 2 >= text.size())
            return ParseError{"a lone backslash at the end of the text"};
        char next = text[++i];
        switch (next) {
        case 't':
            result += '\t';
            break;
        case 'n':
            result += '\n';
            break;
        case '"':
            result += '"';
            break;
        case '\\':
            result += '\\';
            break;
        default:
            return ParseError{std::string("unknown escape \\") + next};
        }
    }
    return Id(String(result));
}

// A default's value: a Boolean, text, a whole number (kept whole, of either
// sign up to 64 bits), a decimal fraction, or else the word as text. A
// number too large for its kind is refused, not wrapped or made infinite.
ParseResult<Id> valueFrom(std::string_view text)
{
    if (text == "true" || text == "yes")
        return Id::boolean(true);
    if (text == "false" || text == "no")
        return Id::boolean(false);
    if (!text.empty() && text.front() == '"')
        return quotedText(text);

    const ParseError outOfRange{"the number " + std::string(text) + " is out of range"};
    bool tooLarge = false;
    if (auto integer = wholeNumber<std::int64_t>(text, tooLarge))
        return Id::number(*integer);
    if (auto large = wholeNumber<std::uint64_t>(text, tooLarge))
        return Id::number(*large);
    if (tooLarge)
        return outOfRange;
    if (auto real = decimalNumber(text))
        return std::isfinite(*real) ? ParseResult<Id>(Id::number(*real)) : outOfRange;
    return Id(String(std::string(text)));
}

// How a command reads what follows its word: a reader fills in the command
// or says what is wrong, without the word (the table's caller puts it in
// front).
using Reader = ParseResult<DriverCommand> (*)(DriverCommand command, std::string_view rest);

// Keys as `parse` reads them: a stroke, or a modifier key alone.
template <ParseResult<KeyStroke> (*parse)(std::string_view)>
ParseResult<DriverCommand> readKeys(DriverCommand command, std::string_view rest)
{
    auto keys = parse(rest);
    if (!keys)
        return keys.failure();
    command.keys = *keys;
    return command;
}

// An application given by its pid must name one that can exist.
ParseResult<DriverCommand> readApplication(DriverCommand command, std::string_view rest)
{
    if (!rest.empty() && std::all_of(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        bool tooLarge = false;
        if (!wholeNumber<pid_t>(rest, tooLarge))
            return ParseError{"the pid " + std::string(rest) + " is out of range"};
    }
    return command;
}

ParseResult<DriverCommand> readQuit(DriverCommand command, std::string_view rest)
{
    if (rest.empty())
        command.kind = Kind::Quit;
    return readApplication(std::move(command), rest);
}

ParseResult<DriverCommand> readTrust(DriverCommand command, std::string_view rest)
{
    if (rest == "on" || rest == "true" || rest == "yes")
        command.flag = true;
    else if (rest == "off" || rest == "false" || rest == "no")
        command.flag = false;
    else
        return ParseError{"expected on or off"};
    return command;
}

// One of the words a setting takes.
template <std::size_t N>
ParseResult<DriverCommand> readWord(DriverCommand command, std::string_view rest, const char* const (&words)[N],
                                    const char* expected)
{
    for (const char* word : words)
        if (rest == word) {
            command.argument = std::string(rest);
            return command;
        }
    return ParseError{expected};
}

ParseResult<DriverCommand> readAppearance(DriverCommand command, std::string_view rest)
{
    static const char* const words[] = {"light", "dark"};
    return readWord(std::move(command), rest, words, "expected light or dark");
}

ParseResult<DriverCommand> readTint(DriverCommand command, std::string_view rest)
{
    static const char* const words[] = {"default", "blue", "graphite"};
    return readWord(std::move(command), rest, words, "expected default, blue or graphite");
}

ParseResult<DriverCommand> readDefault(DriverCommand command, std::string_view rest)
{
    std::string_view key = firstWord(rest);
    if (key.empty())
        return ParseError{"the key missing"};
    command.argument = std::string(key);
    if (rest.empty())
        return command;
    auto value = valueFrom(rest);
    if (!value)
        return value.failure();
    command.value = *value;
    return command;
}

// A number as strtod reads it, the whole text of it, from 0 to `max`; not a
// number (NaN) is none.
std::optional<double> numberUpTo(std::string_view text, double max)
{
    std::string copy(text);
    char* stop = nullptr;
    double value = std::strtod(copy.c_str(), &stop);
    if (copy.empty() || stop != copy.c_str() + copy.size() || !(value >= 0) || value > max)
        return std::nullopt;
    return value;
}

ParseResult<DriverCommand> readSeconds(DriverCommand command, std::string_view rest)
{
    auto seconds = numberUpTo(rest, 3600);
    if (!seconds)
        return ParseError{"expected seconds (0 to 3600)"};
    command.seconds = *seconds;
    return command;
}

// "ROW to GAP [cancel]" or "text \"TEXT\" to GAP": rows and gaps count from
// 1 as the list shows them.
ParseResult<DriverCommand> readDrag(DriverCommand command, std::string_view rest)
{
    std::string_view what = firstWord(rest);
    bool tooLarge = false;
    if (what == "text") {
        std::size_t to = rest.rfind(" to ");
        if (rest.empty() || rest.front() != '"' || to == std::string_view::npos)
            return ParseError{"expected text \"TEXT\" to GAP"};
        auto text = quotedText(trimmed(rest.substr(0, to)));
        if (!text)
            return text.failure();
        command.argument = text->string()->utf8();
        rest = trimmed(rest.substr(to + 4));
    } else {
        auto row = wholeNumber<std::uint32_t>(what, tooLarge);
        if (!row || *row == 0 || firstWord(rest) != "to")
            return ParseError{"expected ROW to GAP, counted from 1"};
        command.dragRow = *row;
    }
    std::string_view gapWord = firstWord(rest);
    auto gap = wholeNumber<std::uint32_t>(gapWord, tooLarge);
    if (!gap || *gap == 0)
        return ParseError{"expected the gap, counted from 1, after to"};
    command.dragGap = *gap;
    if (rest == "cancel" && command.dragRow > 0)
        command.flag = true;
    else if (!rest.empty())
        return ParseError{"unexpected '" + std::string(rest) + "'"};
    return command;
}

// A number of points within any window: finite, from 0 to 100,000.
std::optional<double> points(std::string_view text)
{
    return numberUpTo(text, 100000);
}

// "ROW [\"TOOL TIP\"]" or "X Y".
ParseResult<DriverCommand> readClick(DriverCommand command, std::string_view rest)
{
    std::string_view first = firstWord(rest);
    if (!rest.empty() && rest.front() != '"') {
        std::string_view second = firstWord(rest);
        auto x = points(first);
        auto y = points(second);
        bool tooLarge = false;
        if (x && !y && wholeNumber<std::uint32_t>(first, tooLarge))
            return ParseError{"expected the tool tip in double quotes after the row"};
        if (!x || !y || !rest.empty())
            return ParseError{"expected X Y, points from the window's top left corner (0 to 100000)"};
        command.x = *x;
        command.y = *y;
        return command;
    }
    bool tooLarge = false;
    auto row = wholeNumber<std::uint32_t>(first, tooLarge);
    if (!row || *row == 0)
        return ParseError{"expected the row, counted from 1"};
    command.row = *row;
    if (rest.empty())
        return command;
    auto toolTip = rest.front() == '"' ? quotedText(rest) : ParseResult<Id>(ParseError{"no text"});
    if (!toolTip)
        return ParseError{"expected the tool tip in double quotes after the row"};
    command.argument = toolTip->string()->utf8();
    return command;
}

// What may follow a command's word.
enum class Rest {
    Nothing,
    // Kept as the command's argument; `Required` ones name what is missing.
    Optional,
    Required,
    // Read by the command's reader alone.
    Own,
};

struct CommandForm {
    std::string_view word;
    Kind kind;
    Rest rest;
    const char* missing = nullptr;
    Reader read = nullptr;
};

constexpr CommandForm kCommands[] = {
    {.word = "press",
     .kind = Kind::Press,
     .rest = Rest::Required,
     .missing = "the keys",
     .read = readKeys<KeyStroke::parse>},
    {.word = "shortcut", .kind = Kind::Shortcut, .rest = Rest::Nothing},
    {.word = "activate",
     .kind = Kind::Activate,
     .rest = Rest::Required,
     .missing = "the application",
     .read = readApplication},
    {.word = "quit", .kind = Kind::QuitApplication, .rest = Rest::Optional, .read = readQuit},
    {.word = "launch", .kind = Kind::Launch, .rest = Rest::Required, .missing = "the bundle identifier"},
    {.word = "trust", .kind = Kind::Trust, .rest = Rest::Own, .read = readTrust},
    {.word = "default", .kind = Kind::Default, .rest = Rest::Own, .read = readDefault},
    {.word = "menu", .kind = Kind::Menu, .rest = Rest::Required, .missing = "the item's title"},
    {.word = "close", .kind = Kind::Close, .rest = Rest::Optional},
    {.word = "wait", .kind = Kind::Wait, .rest = Rest::Own, .read = readSeconds},
    {.word = "drag", .kind = Kind::Drag, .rest = Rest::Own, .read = readDrag},
    {.word = "hold",
     .kind = Kind::Hold,
     .rest = Rest::Required,
     .missing = "the key",
     .read = readKeys<KeyStroke::parseModifierKey>},
    {.word = "release",
     .kind = Kind::Release,
     .rest = Rest::Required,
     .missing = "the key",
     .read = readKeys<KeyStroke::parseModifierKey>},
    {.word = "click", .kind = Kind::Click, .rest = Rest::Own, .read = readClick},
    {.word = "snapshot", .kind = Kind::Snapshot, .rest = Rest::Required, .missing = "the file"},
    {.word = "status", .kind = Kind::Status, .rest = Rest::Nothing},
    {.word = "login", .kind = Kind::Login, .rest = Rest::Nothing},
    {.word = "appearance", .kind = Kind::Appearance, .rest = Rest::Own, .read = readAppearance},
    {.word = "contrast", .kind = Kind::Contrast, .rest = Rest::Own, .read = readTrust},
    {.word = "tint", .kind = Kind::Tint, .rest = Rest::Own, .read = readTint},
    {.word = "accessibility", .kind = Kind::Accessibility, .rest = Rest::Nothing},
};

ParseResult<DriverCommand> readCommand(const CommandForm& form, std::string_view rest)
{
    DriverCommand command;
    command.kind = form.kind;
    if (form.rest == Rest::Nothing && !rest.empty())
        return ParseError{"nothing may follow"};
    if (form.rest == Rest::Required && rest.empty())
        return ParseError{std::string(form.missing) + " missing"};
    if (form.rest == Rest::Optional || form.rest == Rest::Required)
        command.argument = std::string(rest);
    return form.read ? form.read(std::move(command), rest) : command;
}

}  // namespace

ParseResult<std::optional<DriverCommand>> DriverCommand::parse(std::string_view line)
{
    std::string_view rest = trimmed(line);
    if (rest.empty() || rest.front() == '#')
        return std::optional<DriverCommand>();
    std::string_view word = firstWord(rest);
    auto form = std::find_if(std::begin(kCommands), std::end(kCommands),
                             [&](const CommandForm& candidate) { return candidate.word == word; });
    if (form == std::end(kCommands))
        return ParseError{"unknown command '" + std::string(word) + "'"};
    auto command = readCommand(*form, rest);
    if (!command)
        return ParseError{std::string(word) + ": " + command.error()};
    return std::optional<DriverCommand>(std::move(*command));
}
