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
// Forward: a key-binding string to an SRShortcut. Reverse: an SRShortcut or
// its dictionary form to a key-binding string. Bad input gives nil and an
// error log line, never an exception. Only strings that read back as the same
// shortcut are written: a shortcut that has no such string (no key, a key whose
// character is itself a modifier character, a keypad key that reads back as
// its main-keyboard twin) gives nil rather than a string that would later read
// as nothing or as another key.
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
