#include "textinput/VirtualKeyCodes.h"

#include <array>

namespace textinput {

namespace {

// evdev key code of each virtual key code, 0 where the code names no key.
constexpr std::array<std::uint16_t, kVirtualKeyCodeCount> kEvdevForVirtual = [] {
    std::array<std::uint16_t, kVirtualKeyCodeCount> table{};
    auto set = [&](std::uint16_t virtualKeyCode, std::uint16_t evdev) { table[virtualKeyCode] = evdev; };
    set(kVK_ANSI_A, 30);
    set(kVK_ANSI_S, 31);
    set(kVK_ANSI_D, 32);
    set(kVK_ANSI_F, 33);
    set(kVK_ANSI_H, 35);
    set(kVK_ANSI_G, 34);
    set(kVK_ANSI_Z, 44);
    set(kVK_ANSI_X, 45);
    set(kVK_ANSI_C, 46);
    set(kVK_ANSI_V, 47);
    set(kVK_ISO_Section, 86);  // KEY_102ND, <LSGT>
    set(kVK_ANSI_B, 48);
    set(kVK_ANSI_Q, 16);
    set(kVK_ANSI_W, 17);
    set(kVK_ANSI_E, 18);
    set(kVK_ANSI_R, 19);
    set(kVK_ANSI_Y, 21);
    set(kVK_ANSI_T, 20);
    set(kVK_ANSI_1, 2);
    set(kVK_ANSI_2, 3);
    set(kVK_ANSI_3, 4);
    set(kVK_ANSI_4, 5);
    set(kVK_ANSI_6, 7);
    set(kVK_ANSI_5, 6);
    set(kVK_ANSI_Equal, 13);
    set(kVK_ANSI_9, 10);
    set(kVK_ANSI_7, 8);
    set(kVK_ANSI_Minus, 12);
    set(kVK_ANSI_8, 9);
    set(kVK_ANSI_0, 11);
    set(kVK_ANSI_RightBracket, 27);
    set(kVK_ANSI_O, 24);
    set(kVK_ANSI_U, 22);
    set(kVK_ANSI_LeftBracket, 26);
    set(kVK_ANSI_I, 23);
    set(kVK_ANSI_P, 25);
    set(kVK_Return, 28);
    set(kVK_ANSI_L, 38);
    set(kVK_ANSI_J, 36);
    set(kVK_ANSI_Quote, 40);
    set(kVK_ANSI_K, 37);
    set(kVK_ANSI_Semicolon, 39);
    set(kVK_ANSI_Backslash, 43);
    set(kVK_ANSI_Comma, 51);
    set(kVK_ANSI_Slash, 53);
    set(kVK_ANSI_N, 49);
    set(kVK_ANSI_M, 50);
    set(kVK_ANSI_Period, 52);
    set(kVK_Tab, 15);
    set(kVK_Space, 57);
    set(kVK_ANSI_Grave, 41);  // KEY_GRAVE, <TLDE>
    set(kVK_Delete, 14);      // KEY_BACKSPACE
    set(kVK_Escape, 1);
    set(kVK_RightCommand, 126);
    set(kVK_Command, 125);
    set(kVK_Shift, 42);
    set(kVK_CapsLock, 58);
    set(kVK_Option, 56);
    set(kVK_Control, 29);
    set(kVK_RightShift, 54);
    set(kVK_RightOption, 100);
    set(kVK_RightControl, 97);
    // kVK_Function: KEY_FN (464) lies beyond the keys xkb's evdev key codes name.
    set(kVK_F17, 187);
    set(kVK_ANSI_KeypadDecimal, 83);
    set(kVK_ANSI_KeypadMultiply, 55);
    set(kVK_ANSI_KeypadPlus, 78);
    set(kVK_ANSI_KeypadClear, 69);  // KEY_NUMLOCK
    set(kVK_VolumeUp, 115);
    set(kVK_VolumeDown, 114);
    set(kVK_Mute, 113);
    set(kVK_ANSI_KeypadDivide, 98);
    set(kVK_ANSI_KeypadEnter, 96);
    set(kVK_ANSI_KeypadMinus, 74);
    set(kVK_F18, 188);
    set(kVK_F19, 189);
    set(kVK_ANSI_KeypadEquals, 117);
    set(kVK_ANSI_Keypad0, 82);
    set(kVK_ANSI_Keypad1, 79);
    set(kVK_ANSI_Keypad2, 80);
    set(kVK_ANSI_Keypad3, 81);
    set(kVK_ANSI_Keypad4, 75);
    set(kVK_ANSI_Keypad5, 76);
    set(kVK_ANSI_Keypad6, 77);
    set(kVK_ANSI_Keypad7, 71);
    set(kVK_F20, 190);
    set(kVK_ANSI_Keypad8, 72);
    set(kVK_ANSI_Keypad9, 73);
    set(kVK_JIS_Yen, 124);          // KEY_YEN, <AE13>
    set(kVK_JIS_Underscore, 89);    // KEY_RO, <AB11>
    set(kVK_JIS_KeypadComma, 121);  // KEY_KPCOMMA
    set(kVK_F5, 63);
    set(kVK_F6, 64);
    set(kVK_F7, 65);
    set(kVK_F3, 61);
    set(kVK_F8, 66);
    set(kVK_F9, 67);
    set(kVK_JIS_Eisu, 123);  // KEY_HANJA (Lang2)
    set(kVK_F11, 87);
    set(kVK_JIS_Kana, 122);  // KEY_HANGEUL (Lang1)
    set(kVK_F13, 183);
    set(kVK_F16, 186);
    set(kVK_F14, 184);
    set(kVK_F10, 68);
    set(kVK_ContextualMenu, 127);  // KEY_COMPOSE, the menu key
    set(kVK_F12, 88);
    set(kVK_F15, 185);
    set(kVK_Help, 110);  // KEY_INSERT
    set(kVK_Home, 102);
    set(kVK_PageUp, 104);
    set(kVK_ForwardDelete, 111);  // KEY_DELETE
    set(kVK_F4, 62);
    set(kVK_End, 107);
    set(kVK_F2, 60);
    set(kVK_PageDown, 109);
    set(kVK_F1, 59);
    set(kVK_LeftArrow, 105);
    set(kVK_RightArrow, 106);
    set(kVK_DownArrow, 108);
    set(kVK_UpArrow, 103);
    return table;
}();

constexpr std::uint32_t kEvdevOffset = 8;

}  // namespace

std::optional<std::uint32_t> xkbKeycodeForVirtualKeyCode(std::uint16_t virtualKeyCode)
{
    if (virtualKeyCode >= kVirtualKeyCodeCount || kEvdevForVirtual[virtualKeyCode] == 0)
        return std::nullopt;
    return kEvdevForVirtual[virtualKeyCode] + kEvdevOffset;
}

std::optional<std::uint16_t> virtualKeyCodeForXkbKeycode(std::uint32_t xkbKeycode)
{
    if (xkbKeycode <= kEvdevOffset)
        return std::nullopt;
    for (std::uint16_t code = 0; code < kVirtualKeyCodeCount; ++code) {
        if (kEvdevForVirtual[code] != 0 && kEvdevForVirtual[code] + kEvdevOffset == xkbKeycode)
            return code;
    }
    return std::nullopt;
}

bool isKeypadVirtualKeyCode(std::uint16_t virtualKeyCode)
{
    switch (virtualKeyCode) {
    case kVK_ANSI_KeypadDecimal:
    case kVK_ANSI_KeypadMultiply:
    case kVK_ANSI_KeypadPlus:
    case kVK_ANSI_KeypadClear:
    case kVK_ANSI_KeypadDivide:
    case kVK_ANSI_KeypadEnter:
    case kVK_ANSI_KeypadMinus:
    case kVK_ANSI_KeypadEquals:
    case kVK_ANSI_Keypad0:
    case kVK_ANSI_Keypad1:
    case kVK_ANSI_Keypad2:
    case kVK_ANSI_Keypad3:
    case kVK_ANSI_Keypad4:
    case kVK_ANSI_Keypad5:
    case kVK_ANSI_Keypad6:
    case kVK_ANSI_Keypad7:
    case kVK_ANSI_Keypad8:
    case kVK_ANSI_Keypad9:
    case kVK_JIS_KeypadComma:
        return true;
    default:
        return false;
    }
}

}  // namespace textinput
