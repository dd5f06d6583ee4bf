#pragma once

#include "appkit/NSApplication.h"
#include "foundation/NSValueTransformer.h"
#include "shortcut-library/SRShortcut.h"
#include "textinput/TISInputSource.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <utility>

namespace detail {
class SRKeyCodeTranslator;
}

// Gives a key code its text, as a readable name (literal) or as the character a
// menu key equivalent uses (symbolic), in the current layout or in the
// ASCII-capable one.
//
// Implicit modifier flags change the text (the layout's shifted character, the
// back-tab glyph); explicit ones are shown beside the key by the caller and
// never change it. Right to left swaps the Tab, Delete and Forward Delete
// glyphs; the arrows stay as they are. Values go in and out as numbers and
// strings, as value transformers take them.
//
// Use one of the four subclasses: creating this class itself hands out the
// shared symbolic transformer.
class SRKeyCodeTransformer : public NSValueTransformer {
    KS_OBJECT(SRKeyCodeTransformer, NSValueTransformer)

public:
    // The 103 key codes the library gives text to, in the order that decides
    // ties in the ASCII translator's reverse map (a later code wins).
    static std::span<const SRKeyCode> knownKeyCodes();

    // The shared SRSymbolicKeyCodeTransformer.
    static SRKeyCodeTransformer& sharedTransformer();

    // Log a developer error and hand out a symbolic transformer: the shared one,
    // or a new one fixed to `inputSource`.
    static std::shared_ptr<SRKeyCodeTransformer> create();
    static std::shared_ptr<SRKeyCodeTransformer> createWithInputSource(TISInputSourceRef inputSource);

    String transformedValueClass() const override { return "NSString"; }

    // The translator's input source: the fixed one, or the current one.
    TISInputSourceRef inputSource() const;
    const std::shared_ptr<detail::SRKeyCodeTranslator>& translator() const { return translator_; }

    // Texts through this transformer's translator; nil when the layout has none.
    std::optional<String> literalForKeyCode(SRKeyCode keyCode, NSEventModifierFlags implicitModifierFlags,
                                            NSEventModifierFlags explicitModifierFlags,
                                            NSUserInterfaceLayoutDirection layoutDirection) const;
    std::optional<String> symbolForKeyCode(SRKeyCode keyCode, NSEventModifierFlags implicitModifierFlags,
                                           NSEventModifierFlags explicitModifierFlags,
                                           NSUserInterfaceLayoutDirection layoutDirection) const;

    // A key-code number and two flag numbers (nil counts as 0) to a string, or
    // nil. The subclasses give it their style; this class answers nil.
    virtual Id transformedValue(const Id& value, const Id& implicitModifierFlags, const Id& explicitModifierFlags,
                                NSUserInterfaceLayoutDirection layoutDirection) const;

    // An SRShortcut (its flags taken as explicit ones) or a key-code number (no
    // flags), left to right.
    Id transformedValue(const Id& value) override;
    // Only the ASCII transformers read text back; this answers nil.
    Id reverseTransformedValue(const Id& value) override;

protected:
    // For the subclasses, which pick their translator.
    explicit SRKeyCodeTransformer(std::shared_ptr<detail::SRKeyCodeTranslator> translator);

private:
    std::shared_ptr<detail::SRKeyCodeTranslator> translator_;
};

// Each subclass's create() is a plain new transformer of that class (the base
// class's create() would hand out a symbolic one).
#define SR_KEY_CODE_TRANSFORMER_SUBCLASS(Class)                                                                        \
    KS_OBJECT(Class, SRKeyCodeTransformer)                                                                             \
                                                                                                                       \
public:                                                                                                                \
    static Class& sharedTransformer();                                                                                 \
    static std::shared_ptr<Class> create()                                                                             \
    {                                                                                                                  \
        return std::make_shared<Class>();                                                                              \
    }                                                                                                                  \
    static std::shared_ptr<Class> createWithInputSource(TISInputSourceRef inputSource)                                 \
    {                                                                                                                  \
        return std::make_shared<Class>(std::move(inputSource));                                                        \
    }                                                                                                                  \
                                                                                                                       \
    using SRKeyCodeTransformer::transformedValue;                                                                      \
    Id transformedValue(const Id& value, const Id& implicitModifierFlags, const Id& explicitModifierFlags,             \
                        NSUserInterfaceLayoutDirection layoutDirection) const override;

// Readable names in the current layout: "F5", ⌫, the uppercase key cap.
class SRLiteralKeyCodeTransformer : public SRKeyCodeTransformer {
    SR_KEY_CODE_TRANSFORMER_SUBCLASS(SRLiteralKeyCodeTransformer)

    // Follows the current layout.
    SRLiteralKeyCodeTransformer();
    // Fixed to one layout.
    explicit SRLiteralKeyCodeTransformer(TISInputSourceRef inputSource);
};

// Key-equivalent characters in the current layout: U+F704 for F1, a lowercase letter.
class SRSymbolicKeyCodeTransformer : public SRKeyCodeTransformer {
    SR_KEY_CODE_TRANSFORMER_SUBCLASS(SRSymbolicKeyCodeTransformer)

    SRSymbolicKeyCodeTransformer();
    explicit SRSymbolicKeyCodeTransformer(TISInputSourceRef inputSource);
};

// Readable names in the ASCII-capable layout, which stays put when the user
// switches to a layout without Latin letters. Reads names back ("F13", "esc",
// "a", ⌫) into key codes.
class SRASCIILiteralKeyCodeTransformer : public SRKeyCodeTransformer {
    SR_KEY_CODE_TRANSFORMER_SUBCLASS(SRASCIILiteralKeyCodeTransformer)

    SRASCIILiteralKeyCodeTransformer();
    // Fixed to one layout; such a transformer has no reverse map and reads nothing back.
    explicit SRASCIILiteralKeyCodeTransformer(TISInputSourceRef inputSource);

    // A string to a key-code number, or nil.
    Id reverseTransformedValue(const Id& value) override;
    bool allowsReverseTransformation() const override { return true; }
};

// Key-equivalent characters in the ASCII-capable layout: what key-binding
// strings and menu key equivalents are made of. Reads one character back into
// a key code.
class SRASCIISymbolicKeyCodeTransformer : public SRKeyCodeTransformer {
    SR_KEY_CODE_TRANSFORMER_SUBCLASS(SRASCIISymbolicKeyCodeTransformer)

    SRASCIISymbolicKeyCodeTransformer();
    // Fixed to one layout; such a transformer has no reverse map and reads nothing back.
    explicit SRASCIISymbolicKeyCodeTransformer(TISInputSourceRef inputSource);

    // A one-character string to a key-code number, or nil.
    Id reverseTransformedValue(const Id& value) override;
    bool allowsReverseTransformation() const override { return true; }
};

#undef SR_KEY_CODE_TRANSFORMER_SUBCLASS
