#pragma once

#include "foundation/NSValueTransformer.h"
#include "shortcut-library/SRShortcut.h"

#include <memory>
#include <optional>

// Converts between a shortcut and its stored text form, the key-binding
// string: modifier characters ("^" control, "~" option, "$" shift, "@"
// command, "#" a key of the numeric keypad) followed by exactly one key
// character, the key's unshifted character in the ASCII-capable layout.
// Control-Tab is "^" and a TAB character.
//
// A character names the key that types it on that layout, on the keypad or
// off it as the marker says, so where two keys share a character ("." on the
// keypad and beside the comma) each reads as itself. A key whose character
// is a modifier character ("$" on the French layout) is the last character of
// the string. A key whose character can't name it (a dead key, or the second
// of two main-keyboard keys of one character) is written as U+E000 plus its
// key code.
//
// Forward: a key-binding string to an SRShortcut. Reverse: an SRShortcut or
// its dictionary form to a key-binding string. Bad input gives nil and an
// error log line, never an exception. Only strings that read back as the same
// shortcut are written: every key the library knows has one; a shortcut
// without a key gives nil rather than a string that would read as nothing.
class SRKeyBindingTransformer : public NSValueTransformer {
    KS_OBJECT(SRKeyBindingTransformer, NSValueTransformer)

public:
    static SRKeyBindingTransformer& sharedTransformer();
    static std::shared_ptr<SRKeyBindingTransformer> create() { return std::make_shared<SRKeyBindingTransformer>(); }

    SRKeyBindingTransformer() = default;

    bool allowsReverseTransformation() const override { return true; }
    String transformedValueClass() const override { return "NSString"; }

    // A key-binding string to an SRShortcut, or nil.
    Id transformedValue(const Id& value) override;
    // An SRShortcut or a dictionary with "keyCode" and "modifierFlags" to a
    // key-binding string, or nil.
    Id reverseTransformedValue(const Id& value) override;

    // The same two conversions for C++ callers that hold the types.
    std::shared_ptr<SRShortcut> shortcutForKeyBinding(const String& keyBinding) const;
    std::optional<String> keyBindingForShortcut(const SRShortcut& shortcut) const;
};
