#include "driver/DriverCommand.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

namespace {

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

std::optional<Id> valueFrom(std::string_view text, std::string& error)
{
    if (text == "true" || text == "yes")
        return Id::boolean(true);
    if (text == "false" || text == "no")
        return Id::boolean(false);
    if (!text.empty() && text.front() == '"') {
        if (text.size() < 2 || text.back() != '"') {
            error = "unterminated text";
            return std::nullopt;
        }
        std::string result;
        for (std::size_t i = 1; i + 1 < text.size(); ++i) {
            char c = text[i];
            if (c != '\\') {
                result += c;
                continue;
            }
            if (i + 2 >= text.size()) {
                error = "a lone backslash at the end of the text";
                return std::nullopt;
            }
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
                error = std::string("unknown escape \\") + next;
                return std::nullopt;
            }
        }
        return Id(String(result));
    }
    long long integer = 0;
    auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), integer);
    if (problem == std::errc() && end == text.data() + text.size())
        return Id::number(static_cast<std::int64_t>(integer));
    char* stop = nullptr;
    std::string copy(text);
    double number = std::strtod(copy.c_str(), &stop);
    if (!copy.empty() && stop == copy.c_str() + copy.size())
        return Id::number(number);
    return Id(String(std::string(text)));
}

}  // namespace

std::optional<DriverCommand> DriverCommand::parse(std::string_view line, std::string& error)
{
    error.clear();
    std::string_view rest = trimmed(line);
    if (rest.empty() || rest.front() == '#')
        return std::nullopt;
    std::string_view word = firstWord(rest);
    DriverCommand command;
    auto needArgument = [&](const char* what) {
        if (rest.empty())
            error = std::string(word) + ": " + what + " missing";
        command.argument = std::string(rest);
        return rest.empty();
    };
    auto noArgument = [&] {
        if (!rest.empty())
            error = std::string(word) + ": nothing may follow";
        return !rest.empty();
    };

    if (word == "press") {
        command.kind = Kind::Press;
        if (needArgument("the keys"))
            return std::nullopt;
        std::string keyError;
        auto keys = KeyStroke::parse(rest, keyError);
        if (!keys) {
            error = "press: " + keyError;
            return std::nullopt;
        }
        command.keys = *keys;
    } else if (word == "shortcut") {
        command.kind = Kind::Shortcut;
        if (noArgument())
            return std::nullopt;
    } else if (word == "activate") {
        command.kind = Kind::Activate;
        if (needArgument("the application"))
            return std::nullopt;
    } else if (word == "quit") {
        command.kind = rest.empty() ? Kind::Quit : Kind::QuitApplication;
        command.argument = std::string(rest);
    } else if (word == "launch") {
        command.kind = Kind::Launch;
        if (needArgument("the bundle identifier"))
            return std::nullopt;
    } else if (word == "trust") {
        command.kind = Kind::Trust;
        if (rest == "on" || rest == "true" || rest == "yes")
            command.flag = true;
        else if (rest == "off" || rest == "false" || rest == "no")
            command.flag = false;
        else {
            error = "trust: expected on or off";
            return std::nullopt;
        }
    } else if (word == "default") {
        command.kind = Kind::Default;
        std::string_view key = firstWord(rest);
        if (key.empty()) {
            error = "default: the key missing";
            return std::nullopt;
        }
        command.argument = std::string(key);
        if (!rest.empty()) {
            std::string valueError;
            auto value = valueFrom(rest, valueError);
            if (!value) {
                error = "default: " + valueError;
                return std::nullopt;
            }
            command.value = *value;
        }
    } else if (word == "menu") {
        command.kind = Kind::Menu;
        if (needArgument("the item's title"))
            return std::nullopt;
    } else if (word == "close") {
        command.kind = Kind::Close;
        command.argument = std::string(rest);
    } else if (word == "wait") {
        command.kind = Kind::Wait;
        std::string copy(rest);
        char* stop = nullptr;
        command.seconds = std::strtod(copy.c_str(), &stop);
        if (copy.empty() || stop != copy.c_str() + copy.size() || !(command.seconds >= 0) || command.seconds > 3600) {
            error = "wait: expected seconds (0 to 3600)";
            return std::nullopt;
        }
    } else if (word == "status") {
        command.kind = Kind::Status;
        if (noArgument())
            return std::nullopt;
    } else {
        error = "unknown command '" + std::string(word) + "'";
        return std::nullopt;
    }
    return command;
}
