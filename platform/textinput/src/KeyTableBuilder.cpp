#include "KeyTableBuilder.h"

#include "DeadKeyComposer.h"
#include "UTF16.h"
#include "textinput/Diagnostics.h"
#include "textinput/VirtualKeyCodes.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace textinput::detail {

namespace {

// Physical keys pressed to get a modifier combination: left shift, right alt
// (the level-three key of the layouts that have one, as option is on the
// platform) and left control; Num Lock is toggled on first.
constexpr xkb_keycode_t kLeftShift = 42 + 8;
constexpr xkb_keycode_t kRightAlt = 100 + 8;
constexpr xkb_keycode_t kLeftControl = 29 + 8;
constexpr xkb_keycode_t kNumLock = 69 + 8;

struct StateDeleter {
    void operator()(xkb_state* state) const { xkb_state_unref(state); }
};
struct KeymapDeleter {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
using StatePtr = std::unique_ptr<xkb_state, StateDeleter>;
using KeymapPtr = std::unique_ptr<xkb_keymap, KeymapDeleter>;

StatePtr makeState(xkb_keymap* keymap, unsigned combination)
{
    StatePtr state(xkb_state_new(keymap));
    if (!state)
        return state;
    xkb_state_update_key(state.get(), kNumLock, XKB_KEY_DOWN);
    xkb_state_update_key(state.get(), kNumLock, XKB_KEY_UP);
    if (combination & UCKeyboardLayout::kShift)
        xkb_state_update_key(state.get(), kLeftShift, XKB_KEY_DOWN);
    if (combination & UCKeyboardLayout::kOption)
        xkb_state_update_key(state.get(), kRightAlt, XKB_KEY_DOWN);
    if (combination & UCKeyboardLayout::kControl)
        xkb_state_update_key(state.get(), kLeftControl, XKB_KEY_DOWN);
    return state;
}

// The keys that type no text in xkb (or, for keypad Enter, a carriage return)
// but a function-key character on the platform, whatever the modifiers.
char16_t functionKeyCharacter(std::uint16_t virtualKeyCode)
{
    switch (virtualKeyCode) {
    case kVK_F1:
    case kVK_F2:
    case kVK_F3:
    case kVK_F4:
    case kVK_F5:
    case kVK_F6:
    case kVK_F7:
    case kVK_F8:
    case kVK_F9:
    case kVK_F10:
    case kVK_F11:
    case kVK_F12:
    case kVK_F13:
    case kVK_F14:
    case kVK_F15:
    case kVK_F16:
    case kVK_F17:
    case kVK_F18:
    case kVK_F19:
    case kVK_F20:
        return 0x10;
    case kVK_Tab:
        return 0x09;  // shifted, xkb gives ISO_Left_Tab, which has no text
    case kVK_Home:
        return 0x01;
    case kVK_ANSI_KeypadEnter:
        return 0x03;
    case kVK_End:
        return 0x04;
    case kVK_Help:
        return 0x05;
    case kVK_PageUp:
        return 0x0B;
    case kVK_PageDown:
        return 0x0C;
    case kVK_ANSI_KeypadClear:
        return 0x1B;
    case kVK_LeftArrow:
        return 0x1C;
    case kVK_RightArrow:
        return 0x1D;
    case kVK_UpArrow:
        return 0x1E;
    case kVK_DownArrow:
        return 0x1F;
    default:
        return 0;
    }
}

void setText(KeyTranslation& translation, const std::u16string& text, const std::string& layoutName,
             std::uint16_t virtualKeyCode)
{
    const std::size_t length = std::min(text.size(), KeyTranslation::kMaxUnits);
    if (length < text.size()) {
        reportDiagnostic("layout " + layoutName + ": text of key code " + std::to_string(virtualKeyCode) +
                         " is cut to " + std::to_string(length) + " UTF-16 units");
    }
    std::copy_n(text.begin(), length, translation.units.begin());
    translation.length = static_cast<std::uint8_t>(length);
}

KeyTranslation translate(xkb_state* state, xkb_keycode_t keycode, const std::string& layoutName,
                         std::uint16_t virtualKeyCode)
{
    KeyTranslation translation;
    const xkb_keysym_t* keysyms = nullptr;
    const int count = xkb_state_key_get_syms(state, keycode, &keysyms);
    if (count <= 0)
        return translation;
    translation.keysym = keysyms[0];
    if (count == 1 && isDeadKeysym(keysyms[0])) {
        translation.isDeadKey = true;
        setText(translation, DeadKeyComposer::shared().spacingForm(keysyms[0]), layoutName, virtualKeyCode);
        return translation;
    }
    std::u16string text;
    if (count == 1) {
        // The state's answer, not the keysym's: it includes xkb's control transformation.
        // It answers 0 both for "no text" and for a control transformation to
        // U+0000 (control-space, control-2, control-@): the keysym tells them apart.
        const char32_t codePoint = xkb_state_key_get_utf32(state, keycode);
        if (codePoint != 0 || xkb_keysym_to_utf32(keysyms[0]) != 0)
            appendUTF32(text, codePoint);
    } else {
        char buffer[64];
        const int length = xkb_state_key_get_utf8(state, keycode, buffer, sizeof buffer);
        if (length > 0)
            text = utf16FromUTF8({buffer, std::min<std::size_t>(length, sizeof buffer - 1)});
    }
    setText(translation, text, layoutName, virtualKeyCode);
    return translation;
}

}  // namespace

std::string xkbLayoutName(const std::string& xkbLayout, const std::string& xkbVariant)
{
    return xkbVariant.empty() ? xkbLayout : xkbLayout + "(" + xkbVariant + ")";
}

std::shared_ptr<const UCKeyboardLayout> buildKeyLayout(xkb_context* context, const std::string& xkbLayout,
                                                       const std::string& xkbVariant)
{
    const std::string layoutName = xkbLayoutName(xkbLayout, xkbVariant);
    if (!context || xkbLayout.empty())
        return nullptr;
    const xkb_rule_names names{
        .rules = "evdev", .model = "pc105", .layout = xkbLayout.c_str(), .variant = xkbVariant.c_str(), .options = ""};
    KeymapPtr keymap(xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        reportDiagnostic("xkb cannot build the keyboard layout " + layoutName);
        return nullptr;
    }

    std::array<StatePtr, UCKeyboardLayout::kCombinations> states;
    for (unsigned combination = 0; combination < UCKeyboardLayout::kCombinations; ++combination) {
        states[combination] = makeState(keymap.get(), combination);
        if (!states[combination]) {
            reportDiagnostic("cannot make an xkb state for the keyboard layout " + layoutName);
            return nullptr;
        }
    }

    auto table = std::make_shared<UCKeyboardLayout::Table>();
    for (std::uint16_t code = 0; code < UCKeyboardLayout::kKeyCount; ++code) {
        const auto keycode = xkbKeycodeForVirtualKeyCode(code);
        if (!keycode)
            continue;
        const bool keypad = isKeypadVirtualKeyCode(code);
        const char16_t functionKey = functionKeyCharacter(code);
        for (unsigned combination = 0; combination < UCKeyboardLayout::kCombinations; ++combination) {
            // Keypads type their digits whatever shift says.
            const unsigned effective = keypad ? combination & ~UCKeyboardLayout::kShift : combination;
            KeyTranslation translation = translate(states[effective].get(), *keycode, layoutName, code);
            if (functionKey) {
                translation.isDeadKey = false;
                translation.units = {};
                translation.units[0] = functionKey;
                translation.length = 1;
            }
            (*table)[code][combination] = translation;
        }
    }

    // ASCII-capable: the unmodified keys type all of a to z.
    std::uint32_t letters = 0;
    for (const auto& key : *table) {
        const KeyTranslation& plain = key[0];
        if (!plain.isDeadKey && plain.length == 1 && plain.units[0] >= u'a' && plain.units[0] <= u'z') {
            letters |= 1u << (plain.units[0] - u'a');
        }
    }
    const bool asciiCapable = letters == (1u << 26) - 1;
    return std::make_shared<const UCKeyboardLayout>(std::move(table), asciiCapable, layoutName);
}

}  // namespace textinput::detail
