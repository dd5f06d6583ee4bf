#pragma once

// The Unicode key layout data of a keyboard layout and the calls that read it:
// UCKeyTranslate (virtual key code + modifier key state -> UTF-16 text) and
// LMGetKbdType.
//
// A UCKeyboardLayout is built once per xkb layout (see KeyboardLayoutCatalog)
// and is immutable afterwards: for each of the 128 virtual key codes and each
// of the 8 combinations of shift, option and control it holds the text that
// xkb gives, so a translation is a table read and any thread may do it.

#include "textinput/CarbonTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Key actions.
inline constexpr std::uint16_t kUCKeyActionDown = 0;
inline constexpr std::uint16_t kUCKeyActionUp = 1;
inline constexpr std::uint16_t kUCKeyActionAutoKey = 2;
inline constexpr std::uint16_t kUCKeyActionDisplay = 3;

// Translation options.
inline constexpr OptionBits kUCKeyTranslateNoDeadKeysBit = 0;
inline constexpr OptionBits kUCKeyTranslateNoDeadKeysMask = 1u << kUCKeyTranslateNoDeadKeysBit;

// Statuses of UCKeyTranslate besides 0.
inline constexpr OSStatus kUCKeyTranslateParamErr = -50;     // a missing pointer, an unknown action
inline constexpr OSStatus kUCOutputBufferTooSmall = -25340;  // the text did not fit; what fits is written

namespace textinput {

// The bits of UCKeyTranslate's modifier key state: the platform's event
// modifiers shifted right by 8 (command 0x100 -> bit 0, and so on).
namespace ModifierKeyState {
inline constexpr std::uint32_t command = 1u << 0;
inline constexpr std::uint32_t shift = 1u << 1;
inline constexpr std::uint32_t capsLock = 1u << 2;
inline constexpr std::uint32_t option = 1u << 3;
inline constexpr std::uint32_t control = 1u << 4;
inline constexpr std::uint32_t rightShift = 1u << 5;
inline constexpr std::uint32_t rightOption = 1u << 6;
inline constexpr std::uint32_t rightControl = 1u << 7;
}  // namespace ModifierKeyState

// The modifier key state for event modifier flags (shift 0x20000, control
// 0x40000, option 0x80000, command 0x100000; other bits ignored): command bit 0,
// shift bit 1, option bit 3, control bit 4 — the byte the key-code translator
// passes to UCKeyTranslate.
constexpr std::uint32_t modifierKeyStateForModifierFlags(std::uint64_t flags)
{
    std::uint32_t state = 0;
    if (flags & 0x100000)
        state |= ModifierKeyState::command;
    if (flags & 0x20000)
        state |= ModifierKeyState::shift;
    if (flags & 0x80000)
        state |= ModifierKeyState::option;
    if (flags & 0x40000)
        state |= ModifierKeyState::control;
    return state;
}

// What one key gives for one modifier combination.
struct KeyTranslation {
    static constexpr std::size_t kMaxUnits = 6;
    std::array<UniChar, kMaxUnits> units{};
    std::uint8_t length = 0;   // UTF-16 units in `units`
    bool isDeadKey = false;    // a dead key: `units` then holds its spacing (stand-alone) form
    std::uint32_t keysym = 0;  // the xkb keysym, 0 for none

    std::u16string_view text() const { return {units.data(), length}; }
};

}  // namespace textinput

class UCKeyboardLayout {
public:
    // Index of a modifier combination in the table.
    static constexpr unsigned kShift = 1, kOption = 2, kControl = 4, kCombinations = 8;
    static constexpr unsigned kKeyCount = 128;
    using Table = std::array<std::array<textinput::KeyTranslation, kCombinations>, kKeyCount>;

    UCKeyboardLayout(std::shared_ptr<const Table> table, bool asciiCapable, std::string description,
                     OSStatus translationStatus = 0);

    // A layout with the same keys whose UCKeyTranslate answers `status` (test failures).
    std::shared_ptr<const UCKeyboardLayout> withTranslationStatus(OSStatus status) const;

    // True when the keys type every ASCII letter a to z without modifiers.
    bool isASCIICapable() const { return asciiCapable_; }
    OSStatus translationStatus() const { return translationStatus_; }
    // "us(mac)"-style xkb name the layout was built from.
    const std::string& description() const { return description_; }

    // Table access: combination = kShift | kOption | kControl bits.
    const textinput::KeyTranslation& translation(std::uint16_t virtualKeyCode, unsigned combination) const
    {
        return (*table_)[virtualKeyCode][combination];
    }

    // The combination for a UCKeyTranslate modifier key state: left and right
    // shift, option and control count; command and caps lock do not change the text.
    static constexpr unsigned combinationForModifierKeyState(std::uint32_t modifierKeyState)
    {
        using namespace textinput::ModifierKeyState;
        unsigned combination = 0;
        if (modifierKeyState & (shift | rightShift))
            combination |= kShift;
        if (modifierKeyState & (option | rightOption))
            combination |= kOption;
        if (modifierKeyState & (control | rightControl))
            combination |= kControl;
        return combination;
    }

private:
    std::shared_ptr<const Table> table_;
    bool asciiCapable_ = false;
    std::string description_;
    OSStatus translationStatus_ = 0;
};

// Translates one key into UTF-16 text.
//
// - keyLayoutPtr: the kTISPropertyUnicodeKeyLayoutData of an input source.
// - modifierKeyState: see textinput::ModifierKeyState. Shift, option and
//   control change the text as the xkb layout does (option is the third
//   level, the right Alt key of a PC keyboard: a layout without one, such as
//   plain us, types the unmodified text); control applies xkb's control
//   transformation to ASCII text, as the platform's layouts give control
//   characters: control-A is U+0001, control-space U+0000, control-3 U+001B,
//   control-1 stays "1", and text outside ASCII (control-ф) stays as it is;
//   command and caps lock change nothing.
// - keyboardType: accepted and ignored (the simulated keyboard has one geometry).
// - Dead keys: with kUCKeyActionDisplay or kUCKeyActionUp a dead key gives no
//   text (or its spacing form with kUCKeyTranslateNoDeadKeysMask) and
//   *deadKeyState is neither read nor changed. With kUCKeyActionDown or
//   kUCKeyActionAutoKey a dead key gives no text and records itself in
//   *deadKeyState; the next key is composed with it through the xkb compose
//   table (a dead acute and e give é), or, when the two do not compose, the
//   spacing accent is typed before the key's own text.
// - The keys that type no text in xkb but a function-key character on the
//   platform give that character, whatever the modifiers: Tab U+0009 (also
//   shifted), F1 to F20 U+0010, Home U+0001, End U+0004,
//   Help U+0005, Page Up U+000B, Page Down U+000C, the arrows U+001C to U+001F,
//   keypad Enter U+0003, keypad Clear U+001B. Return (U+000D), Delete
//   (U+0008), Forward Delete (U+007F) and Escape (U+001B) are xkb's own text.
// - Keypad keys always type their digits and operators (Num Lock on, shift not
//   applied), as on the platform's keypads.
// - An unknown key code gives no text and status 0.
// Returns 0, or the layout's injected status, or an error of the constants
// above. *actualStringLength is always set when the pointer is given.
OSStatus UCKeyTranslate(const UCKeyboardLayout* keyLayoutPtr, std::uint16_t virtualKeyCode, std::uint16_t keyAction,
                        std::uint32_t modifierKeyState, std::uint32_t keyboardType, OptionBits keyTranslateOptions,
                        std::uint32_t* deadKeyState, UniCharCount maxStringLength, UniCharCount* actualStringLength,
                        UniChar unicodeString[]);

// The keyboard type of the simulated keyboard (a small platform number; the
// translation does not depend on it). 40 unless changed with LMSetKbdType.
std::uint8_t LMGetKbdType();
void LMSetKbdType(std::uint8_t keyboardType);
