#pragma once

#include "appkit/NSEvent.h"
#include "foundation/ParseResult.h"

#include <string>
#include <string_view>

// One press of a key as a driver script writes it: modifiers and a key joined
// by "+", such as "ctrl+tab", "cmd+w", "escape", "shift+a" or "down".
// Modifiers: ctrl (control), alt (opt, option), shift, cmd (command). Keys:
// letters, digits, the punctuation of a US keyboard, and tab, escape (esc),
// return (enter), space, delete (backspace), forwarddelete, left, right, up,
// down, home, end, pageup, pagedown, f1 ... f12. A capital letter or a
// shifted mark ("A", "!", "+") adds shift, as typing it would.
//
// What the key types is the keyboard's business (its selected layout); a
// stroke only names the key and the modifiers held.
struct KeyStroke {
    unsigned short keyCode = 0;
    NSEventModifierFlags modifierFlags = 0;

    // The stroke, or the reason the text names no key.
    static ParseResult<KeyStroke> parse(std::string_view text);
    // One modifier key: its key code and its flag. "cmd", "shift", "alt"
    // (opt, option) or "ctrl" (control) name the left key, with "right "
    // before them the right one.
    static ParseResult<KeyStroke> parseModifierKey(std::string_view text);
};
