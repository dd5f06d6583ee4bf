#include "shortcut-library/SRKeyBindingTransformer.h"

#include "SRShortcutScanner.h"
#include "foundation/Log.h"
#include "shortcut-library/SRKeyCodeTransformer.h"

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

struct KeyBinding {
    SRKeyCode keyCode;
    NSEventModifierFlags modifierFlags;
};

// Reads a key-binding string; nullopt when it names no key. Logs nothing of
// its own: what a failure means depends on the direction of the caller.
std::optional<KeyBinding> readKeyBinding(const String& text)
{
    const std::u16string& units = text.utf16();
    const std::size_t split = detail::scanLeadingRun(units, isPrefixCharacter);
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

    NSEventModifierFlags flags = 0;
    if (control)
        flags |= NSEventModifierFlagControl;
    if (option)
        flags |= NSEventModifierFlagOption;
    if (shift)
        flags |= NSEventModifierFlagShift;
    if (command)
        flags |= NSEventModifierFlagCommand;

    Id keyCode = SRASCIISymbolicKeyCodeTransformer::sharedTransformer().reverseTransformedValue(lowercaseKey);
    if (!keyCode.isNumber())
        return std::nullopt;
    SRKeyCode code = keyCode.numberValue<SRKeyCode>();
    if (keypad)
        code = keypadKeyCode(code);
    return KeyBinding{code, flags};
}

std::optional<String> writeKeyBinding(const Id& keyCodeValue, const Id& modifierFlagsValue)
{
    if (!keyCodeValue.isNumber()) {
        Log::write(LogLevel::Error, {}, "#Error invalid key code");
        return std::nullopt;
    }
    const SRKeyCode keyCode = keyCodeValue.numberValue<SRKeyCode>();
    Id keyCharacter = SRASCIISymbolicKeyCodeTransformer::sharedTransformer().transformedValue(Id::number(keyCode));
    if (!keyCharacter.string()) {
        Log::write(LogLevel::Error, {}, "#Error unexpected key code");
        return std::nullopt;
    }
    const NSEventModifierFlags flags = modifierFlagsValue.isNumber() ? modifierFlagsValue.unsignedValue() : 0;

    std::u16string units;
    units.reserve(6);
    if (flags & NSEventModifierFlagControl)
        units += u'^';
    if (flags & NSEventModifierFlagOption)
        units += u'~';
    if (flags & NSEventModifierFlagShift)
        units += u'$';
    if (flags & NSEventModifierFlagCommand)
        units += u'@';
    if (isKeypadKey(keyCode))
        units += u'#';
    units += keyCharacter.string()->utf16();
    String keyBinding(std::move(units));

    // The string stands in for the user's shortcut from now on: one that
    // would read back as nothing (no key, a key character that is itself a
    // modifier character) or as another key (a keypad key without a keypad
    // reading) must not be stored as if it were the shortcut.
    auto reading = readKeyBinding(keyBinding);
    if (!reading || reading->keyCode != keyCode || reading->modifierFlags != (flags & SRCocoaModifierFlagsMask)) {
        Log::write(LogLevel::Error,
                   {{"keyCode", Id::number(keyCode)}, {"modifierFlags", Id::number(flags)}, {"keyBinding", keyBinding}},
                   "#Error unreadable key binding");
        return std::nullopt;
    }
    return keyBinding;
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

Id SRKeyBindingTransformer::transformedValue(const Id& value)
{
    const String* keyBinding = value.string();
    if (!keyBinding)
        return {};
    return Id(shortcutForKeyBinding(*keyBinding));
}

Id SRKeyBindingTransformer::reverseTransformedValue(const Id& value)
{
    std::optional<String> keyBinding;
    if (const Dictionary* dictionary = value.dictionary()) {
        keyBinding = writeKeyBinding(dictionary->objectForKey(SRShortcutKeyCodeKey()),
                                     dictionary->objectForKey(SRShortcutModifierFlagsKey()));
    } else if (auto shortcut = value.object<SRShortcut>()) {
        keyBinding = keyBindingForShortcut(*shortcut);
    } else {
        Log::write(LogLevel::Error, {}, "#Error invalid class of the value");
        return {};
    }
    return keyBinding ? Id(*keyBinding) : Id();
}

std::shared_ptr<SRShortcut> SRKeyBindingTransformer::shortcutForKeyBinding(const String& keyBinding) const
{
    if (keyBinding.empty())
        return nullptr;
    auto reading = readKeyBinding(keyBinding);
    if (!reading) {
        Log::write(LogLevel::Error, {}, "#Error unexpected key symbol");
        return nullptr;
    }
    // The shortcut derives both texts from the ASCII-capable layout itself.
    return SRShortcut::shortcutWithCode(reading->keyCode, reading->modifierFlags);
}

std::optional<String> SRKeyBindingTransformer::keyBindingForShortcut(const SRShortcut& shortcut) const
{
    return writeKeyBinding(shortcut.objectForKeyedSubscript(SRShortcutKeyCodeKey()),
                           shortcut.objectForKeyedSubscript(SRShortcutModifierFlagsKey()));
}
