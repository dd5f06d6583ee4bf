#include "driver/KeyStroke.h"

#include "textinput/VirtualKeyCodes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <vector>

namespace {

using namespace textinput;

struct NamedKey {
    const char* name;
    unsigned short keyCode;
};

constexpr NamedKey kNamedKeys[] = {
    {"tab", kVK_Tab},        {"escape", kVK_Escape},     {"esc", kVK_Escape},
    {"return", kVK_Return},  {"enter", kVK_Return},      {"space", kVK_Space},
    {"delete", kVK_Delete},  {"backspace", kVK_Delete},  {"forwarddelete", kVK_ForwardDelete},
    {"left", kVK_LeftArrow}, {"right", kVK_RightArrow},  {"up", kVK_UpArrow},
    {"down", kVK_DownArrow}, {"home", kVK_Home},         {"end", kVK_End},
    {"pageup", kVK_PageUp},  {"pagedown", kVK_PageDown},
};

constexpr unsigned short kFunctionKeys[] = {kVK_F1, kVK_F2, kVK_F3, kVK_F4,  kVK_F5,  kVK_F6,
                                            kVK_F7, kVK_F8, kVK_F9, kVK_F10, kVK_F11, kVK_F12};

constexpr unsigned short kLetters[] = {
    kVK_ANSI_A, kVK_ANSI_B, kVK_ANSI_C, kVK_ANSI_D, kVK_ANSI_E, kVK_ANSI_F, kVK_ANSI_G, kVK_ANSI_H, kVK_ANSI_I,
    kVK_ANSI_J, kVK_ANSI_K, kVK_ANSI_L, kVK_ANSI_M, kVK_ANSI_N, kVK_ANSI_O, kVK_ANSI_P, kVK_ANSI_Q, kVK_ANSI_R,
    kVK_ANSI_S, kVK_ANSI_T, kVK_ANSI_U, kVK_ANSI_V, kVK_ANSI_W, kVK_ANSI_X, kVK_ANSI_Y, kVK_ANSI_Z};

constexpr unsigned short kDigits[] = {kVK_ANSI_0, kVK_ANSI_1, kVK_ANSI_2, kVK_ANSI_3, kVK_ANSI_4,
                                      kVK_ANSI_5, kVK_ANSI_6, kVK_ANSI_7, kVK_ANSI_8, kVK_ANSI_9};
// The marks on the digit keys with shift, from 0 to 9.
constexpr const char* kShiftedDigits = ")!@#$%^&*(";

struct Mark {
    char plain;
    char shifted;
    unsigned short keyCode;
};

constexpr Mark kMarks[] = {
    {'-', '_', kVK_ANSI_Minus},        {'=', '+', kVK_ANSI_Equal},     {'[', '{', kVK_ANSI_LeftBracket},
    {']', '}', kVK_ANSI_RightBracket}, {';', ':', kVK_ANSI_Semicolon}, {'\'', '"', kVK_ANSI_Quote},
    {',', '<', kVK_ANSI_Comma},        {'.', '>', kVK_ANSI_Period},    {'/', '?', kVK_ANSI_Slash},
    {'\\', '|', kVK_ANSI_Backslash},   {'`', '~', kVK_ANSI_Grave},
};

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

std::optional<NSEventModifierFlags> modifierNamed(const std::string& name)
{
    if (name == "ctrl" || name == "control")
        return NSEventModifierFlagControl;
    if (name == "alt" || name == "opt" || name == "option")
        return NSEventModifierFlagOption;
    if (name == "shift")
        return NSEventModifierFlagShift;
    if (name == "cmd" || name == "command")
        return NSEventModifierFlagCommand;
    return std::nullopt;
}

// The key code of a single character, and whether typing it takes shift.
std::optional<std::pair<unsigned short, bool>> characterKey(char c)
{
    if (std::isalpha(static_cast<unsigned char>(c)))
        return std::pair{kLetters[std::tolower(static_cast<unsigned char>(c)) - 'a'],
                         std::isupper(static_cast<unsigned char>(c)) != 0};
    if (std::isdigit(static_cast<unsigned char>(c)))
        return std::pair{kDigits[c - '0'], false};
    for (int digit = 0; digit < 10; ++digit)
        if (kShiftedDigits[digit] == c)
            return std::pair{kDigits[digit], true};
    for (const auto& mark : kMarks)
        if (c == mark.plain || c == mark.shifted)
            return std::pair{mark.keyCode, c == mark.shifted};
    return std::nullopt;
}

// Keys by name: the named ones, then the function keys ("f1" ... "f12"),
// then single characters; shift comes with a character that takes it.
std::optional<KeyStroke> keyNamed(const std::string& key)
{
    std::string name = lowered(key);
    for (const auto& named : kNamedKeys) {
        if (name == named.name)
            return KeyStroke{.keyCode = named.keyCode};
    }
    if (name.size() >= 2 && name[0] == 'f') {
        // Read whole and in range, so that no number wraps round to a key.
        unsigned number = 0;
        auto [end, problem] = std::from_chars(name.data() + 1, name.data() + name.size(), number);
        if (problem == std::errc() && end == name.data() + name.size() && number >= 1 && number <= 12)
            return KeyStroke{.keyCode = kFunctionKeys[number - 1]};
    }
    if (key.size() == 1) {
        if (auto found = characterKey(key[0]))
            return KeyStroke{.keyCode = found->first, .modifierFlags = found->second ? NSEventModifierFlagShift : 0};
    }
    return std::nullopt;
}

}  // namespace

ParseResult<KeyStroke> KeyStroke::parseModifierKey(std::string_view text)
{
    struct ModifierKey {
        NSEventModifierFlags flag;
        unsigned short left;
        unsigned short right;
    };
    static constexpr ModifierKey kModifierKeys[] = {
        {NSEventModifierFlagCommand, kVK_Command, kVK_RightCommand},
        {NSEventModifierFlagShift, kVK_Shift, kVK_RightShift},
        {NSEventModifierFlagOption, kVK_Option, kVK_RightOption},
        {NSEventModifierFlagControl, kVK_Control, kVK_RightControl},
    };
    std::string name = lowered(text);
    bool right = false;
    for (std::string side : {"right ", "left "}) {
        if (name.rfind(side, 0) == 0) {
            right = side == "right ";
            name.erase(0, name.find_first_not_of(' ', side.size()));
            break;
        }
    }
    auto flag = modifierNamed(name);
    if (!flag)
        return ParseError{"unknown modifier key '" + std::string(text) + "'"};
    for (const auto& key : kModifierKeys)
        if (key.flag == *flag)
            return KeyStroke{.keyCode = right ? key.right : key.left, .modifierFlags = key.flag};
    return ParseError{"unknown modifier key '" + std::string(text) + "'"};
}

ParseResult<KeyStroke> KeyStroke::parse(std::string_view text)
{
    if (text.empty())
        return ParseError{"no key given"};
    // The last part is the key, so "cmd++" is Command with the "+" key.
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t plus = text.find('+', start);
        if (plus == std::string_view::npos || plus + 1 == text.size()) {
            parts.emplace_back(text.substr(start));
            break;
        }
        parts.emplace_back(text.substr(start, plus - start));
        start = plus + 1;
    }

    NSEventModifierFlags modifiers = 0;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        auto modifier = modifierNamed(lowered(parts[i]));
        if (!modifier)
            return ParseError{"unknown modifier '" + parts[i] + "'"};
        modifiers |= *modifier;
    }
    auto stroke = keyNamed(parts.back());
    if (!stroke)
        return ParseError{"unknown key '" + parts.back() + "'"};
    stroke->modifierFlags |= modifiers;
    return *stroke;
}
