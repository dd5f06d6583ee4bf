#include "shortcut-library/SRKeyBindingTransformer.h"

#include "SRActivity.h"
#include "SRShortcutScanner.h"
#include "foundation/Log.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "shortcut-library/SRKeyCodeTranslator.h"

#include <algorithm>
#include <bitset>

namespace {

using detail::SRShortcutKeyCodeKey;
using detail::SRShortcutModifierFlagsKey;

bool isPrefixCharacter(char16_t c)
{
    return c == u'^' || c == u'~' || c == u'$' || c == u'@' || c == u'#';
}

// The keys of the numeric keypad that a key-binding string marks with "#".
bool isKeypadKey(SRKeyCode keyCode)
{
    switch (keyCode) {
    case 65:
    case 67:
    case 69:
    case 71:
    case 75:
    case 76:
    case 78:
    case 81:
    case 82:
    case 83:
    case 84:
    case 85:
    case 86:
    case 87:
    case 88:
    case 89:
    case 91:
    case 92:
        return true;
    default:
        return false;
    }
}

// A keypad marker turns a main-keyboard digit, "=" or "-" (key codes 18 to 29)
// into the keypad key of the same character.
SRKeyCode keypadKeyCode(SRKeyCode mainKeyboardKeyCode)
{
    static constexpr SRKeyCode keypad[] = {83, 84, 85, 86, 88, 87, 81, 92, 89, 78, 91, 82};
    if (mainKeyboardKeyCode >= 18 && mainKeyboardKeyCode <= 29)
        return keypad[mainKeyboardKeyCode - 18];
    return mainKeyboardKeyCode;
}

String lowercaseCharacter(char16_t c)
{
    // Key characters are mostly ASCII; spare those the full case mapping.
    if (c < 0x80)
        return String(std::u16string(1, c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c));
    return String(std::u16string(1, c)).lowercase();
}

// A key that no character names in the ASCII-capable layout (a dead key, or
// one whose character another key of the layout answers to) is written as
// the private-use character U+E000 plus its key code. No layout of ours types
// these, and no string that named a key before reads them.
constexpr char16_t keyCodeCharacterBase = 0xE000;

bool isKnownKeyCode(SRKeyCode keyCode)
{
    static const std::bitset<128> known = [] {
        std::bitset<128> codes;
        for (SRKeyCode code : SRKeyCodeTransformer::knownKeyCodes())
            codes.set(code);
        return codes;
    }();
    return keyCode < known.size() && known.test(keyCode);
}

std::optional<SRKeyCode> keyCodeOfKeyCodeCharacter(char16_t c)
{
    if (c < keyCodeCharacterBase || c >= keyCodeCharacterBase + 128)
        return std::nullopt;
    const auto keyCode = static_cast<SRKeyCode>(c - keyCodeCharacterBase);
    return isKnownKeyCode(keyCode) ? std::optional(keyCode) : std::nullopt;
}

// The character a key-binding string names the key by: the key's unshifted
// character in the ASCII-capable layout.
std::optional<String> keyCharacterOf(SRKeyCode keyCode)
{
    Id character = SRASCIISymbolicKeyCodeTransformer::sharedTransformer().transformedValue(Id::number(keyCode));
    if (const String* string = character.string())
        return *string;
    return std::nullopt;
}

bool typesCharacter(SRKeyCode keyCode, const String& character)
{
    auto typed = keyCharacterOf(keyCode);
    return typed && *typed == character;
}

// The key a lowercase key character names, on the keypad or off it as the
// marker says.
std::optional<SRKeyCode> keyCodeOfCharacter(const String& character, bool keypad)
{
    auto& translator = detail::SRKeyCodeASCIITranslator::shared();
    const auto typingKeys = translator.keyCodesForTranslation(character);
    if (auto keyCode = keyCodeOfKeyCodeCharacter(character.characterAtIndex(0))) {
        if (!typingKeys)
            return keyCode;
    }

    // What the character has always read as: the ASCII reverse map, whose
    // digits, "-", ".", "/" and "=" are the U.S. main keyboard's, moved to
    // the keypad by the marker where the keypad has the same character.
    std::optional<SRKeyCode> reading;
    Id number = SRASCIISymbolicKeyCodeTransformer::sharedTransformer().reverseTransformedValue(character);
    if (number.isNumber())
        reading = keypad ? keypadKeyCode(number.numberValue<SRKeyCode>()) : number.numberValue<SRKeyCode>();
    // Every string ever written reads as that key still: it types the
    // character (as the layout says, or as its fixed text says for the keys
    // the layout doesn't name) and lies where the marker says.
    if (reading && isKeypadKey(*reading) == keypad) {
        if (typingKeys && std::find(typingKeys->begin(), typingKeys->end(), *reading) != typingKeys->end())
            return reading;
        if (typesCharacter(*reading, character))
            return reading;
    }

    // Otherwise the key that types the character on this layout, where the
    // marker says: German "-" is not the U.S. "-" key, and "#." is the
    // keypad's period, not the main keyboard's.
    if (typingKeys) {
        for (auto it = typingKeys->rbegin(); it != typingKeys->rend(); ++it) {
            if (isKeypadKey(*it) == keypad && typesCharacter(*it, character))
                return *it;
        }
    }
    // No key types it where the marker says (a French "1" is shifted): what
    // it has always read as.
    return reading;
}

struct KeyBinding {
    SRKeyCode keyCode;
    NSEventModifierFlags modifierFlags;
    friend bool operator==(const KeyBinding&, const KeyBinding&) = default;
};

// Reads a key-binding string; nullopt when it names no key. Logs nothing of
// its own: what a failure means depends on the direction of the caller.
std::optional<KeyBinding> readKeyBinding(const String& text)
{
    const std::u16string& units = text.utf16();
    std::size_t split = detail::scanLeadingRun(units, isPrefixCharacter);
    // A key whose character is itself a modifier character ("$" on the
    // French layout, "#" on the German one) comes last: when the run of
    // modifier characters is the whole string, its last one is the key.
    if (split > 0 && split == units.size())
        --split;
    if (units.size() - split != 1)
        return std::nullopt;

    bool control = false, option = false, shift = false, command = false, keypad = false;
    for (std::size_t i = 0; i < split; ++i) {
        switch (units[i]) {
        case u'^':
            control = true;
            break;
        case u'~':
            option = true;
            break;
        case u'$':
            shift = true;
            break;
        case u'@':
            command = true;
            break;
        case u'#':
            keypad = true;
            break;
        default:
            break;  // white space the scanner passed over
        }
    }

    const char16_t key = units[split];
    String lowercaseKey = lowercaseCharacter(key);
    // An uppercase letter stands for the shifted key.
    if (lowercaseKey.length() != 1 || lowercaseKey.characterAtIndex(0) != key)
        shift = true;
    if (lowercaseKey.length() != 1)
        return std::nullopt;

    NSEventModifierFlags flags = 0;
    if (control)
        flags |= NSEventModifierFlagControl;
    if (option)
        flags |= NSEventModifierFlagOption;
    if (shift)
        flags |= NSEventModifierFlagShift;
    if (command)
        flags |= NSEventModifierFlagCommand;

    auto keyCode = keyCodeOfCharacter(lowercaseKey, keypad);
    if (!keyCode)
        return std::nullopt;
    return KeyBinding{*keyCode, flags};
}

std::optional<String> writeKeyBinding(const Id& keyCodeValue, const Id& modifierFlagsValue)
{
    if (!keyCodeValue.isNumber()) {
        Log::write(LogLevel::Error, {}, "#Error invalid key code");
        return std::nullopt;
    }
    const SRKeyCode keyCode = keyCodeValue.numberValue<SRKeyCode>();
    const std::optional<String> keyCharacter = keyCharacterOf(keyCode);
    if (!keyCharacter && !isKnownKeyCode(keyCode)) {
        Log::write(LogLevel::Error, {}, "#Error unexpected key code");
        return std::nullopt;
    }
    const NSEventModifierFlags flags = modifierFlagsValue.isNumber() ? modifierFlagsValue.unsignedValue() : 0;

    std::u16string prefix;
    prefix.reserve(6);
    if (flags & NSEventModifierFlagControl)
        prefix += u'^';
    if (flags & NSEventModifierFlagOption)
        prefix += u'~';
    if (flags & NSEventModifierFlagShift)
        prefix += u'$';
    if (flags & NSEventModifierFlagCommand)
        prefix += u'@';
    if (isKeypadKey(keyCode))
        prefix += u'#';

    // The string stands in for the user's shortcut from now on, so it must
    // read back as that very shortcut. The key's character says it best;
    // where that reads as nothing (no key) or as another key (one of two keys
    // of the same character), a known key is written by its key code.
    const KeyBinding wanted{keyCode, flags & SRCocoaModifierFlagsMask};
    const String byCharacter(prefix + (keyCharacter ? keyCharacter->utf16() : std::u16string()));
    if (keyCharacter && readKeyBinding(byCharacter) == wanted)
        return byCharacter;
    if (isKnownKeyCode(keyCode)) {
        String byKeyCode(prefix + static_cast<char16_t>(keyCodeCharacterBase + keyCode));
        if (readKeyBinding(byKeyCode) == wanted)
            return byKeyCode;
    }
    Log::write(LogLevel::Error,
               {{"keyCode", Id::number(keyCode)}, {"modifierFlags", Id::number(flags)}, {"keyBinding", byCharacter}},
               "#Error unreadable key binding");
    return std::nullopt;
}

}  // namespace

SRKeyBindingTransformer& SRKeyBindingTransformer::sharedTransformer()
{
    // Held by a shared pointer so that references taken from it (bindings, Id
    // values) work like those of any other transformer; never released.
    static auto* transformer =
        new std::shared_ptr<SRKeyBindingTransformer>(std::make_shared<SRKeyBindingTransformer>());
    return **transformer;
}

namespace {

std::shared_ptr<SRShortcut> readShortcut(const String& keyBinding)
{
    if (keyBinding.empty())
        return nullptr;
    auto reading = readKeyBinding(keyBinding);
    if (!reading) {
        Log::write(LogLevel::Error, {}, "#Error unexpected key symbol");
        return nullptr;
    }
    // The shortcut derives both texts from the ASCII-capable layout itself.
    return std::make_shared<SRShortcut>(reading->keyCode, reading->modifierFlags, std::nullopt, std::nullopt);
}

std::optional<String> writeShortcut(const SRShortcut& shortcut)
{
    return writeKeyBinding(shortcut.objectForKeyedSubscript(SRShortcutKeyCodeKey()),
                           shortcut.objectForKeyedSubscript(SRShortcutModifierFlagsKey()));
}

}  // namespace

Id SRKeyBindingTransformer::transformedValue(const Id& value)
{
    SR_METHOD_ACTIVITY("transformedValue:");
    const String* keyBinding = value.string();
    if (!keyBinding)
        return {};
    return Id(readShortcut(*keyBinding));
}

Id SRKeyBindingTransformer::reverseTransformedValue(const Id& value)
{
    SR_METHOD_ACTIVITY("reverseTransformedValue:");
    std::optional<String> keyBinding;
    if (const Dictionary* dictionary = value.dictionary()) {
        keyBinding = writeKeyBinding(dictionary->objectForKey(SRShortcutKeyCodeKey()),
                                     dictionary->objectForKey(SRShortcutModifierFlagsKey()));
    } else if (auto shortcut = value.object<SRShortcut>()) {
        keyBinding = writeShortcut(*shortcut);
    } else {
        Log::write(LogLevel::Error, {}, "#Error invalid class of the value");
        return {};
    }
    return keyBinding ? Id(*keyBinding) : Id();
}

// The typed forms run in the activities of the conversions they stand for.

std::shared_ptr<SRShortcut> SRKeyBindingTransformer::shortcutForKeyBinding(const String& keyBinding) const
{
    SR_METHOD_ACTIVITY("transformedValue:");
    return readShortcut(keyBinding);
}

std::optional<String> SRKeyBindingTransformer::keyBindingForShortcut(const SRShortcut& shortcut) const
{
    SR_METHOD_ACTIVITY("reverseTransformedValue:");
    return writeShortcut(shortcut);
}
