#pragma once

#include "appkit/NSEvent.h"
#include "foundation/NSCoder.h"
#include "foundation/NSObject.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

class SRKeyCodeTransformer;

// A virtual key code of the platform's keyboards.
using SRKeyCode = std::uint16_t;
// No key: a shortcut of modifier flags only.
inline constexpr SRKeyCode SRKeyCodeNone = 0xFFFF;

// The four modifiers a shortcut is made of (shift, control, option, command);
// every other bit of an event's flags (caps lock, numeric pad, function,
// device bits) is dropped.
inline constexpr NSEventModifierFlags SRCocoaModifierFlagsMask =
    NSEventModifierFlagShift | NSEventModifierFlagControl | NSEventModifierFlagOption | NSEventModifierFlagCommand;
static_assert(SRCocoaModifierFlagsMask == 0x1E0000);

// The same modifiers as Carbon's hot-key registration counts them, and the
// bit it wants beside a function key.
inline constexpr std::uint32_t SRCarbonCommandKey = 0x100;
inline constexpr std::uint32_t SRCarbonShiftKey = 0x200;
inline constexpr std::uint32_t SRCarbonOptionKey = 0x800;
inline constexpr std::uint32_t SRCarbonControlKey = 0x1000;
inline constexpr std::uint32_t SRCarbonModifierFlagsMask = 0x1B00;
inline constexpr std::uint32_t SRCarbonFunctionKeyMask = 0x800000;

// Keys of the dictionary form, of the keyed-coding form and of subscripting.
inline constexpr const char* SRShortcutKeyKeyCode = "keyCode";
inline constexpr const char* SRShortcutKeyModifierFlags = "modifierFlags";
inline constexpr const char* SRShortcutKeyCharacters = "characters";
inline constexpr const char* SRShortcutKeyCharactersIgnoringModifiers = "charactersIgnoringModifiers";
inline constexpr const char* SRShortcutKeyVersion = "version";

namespace detail {
// The two keys every reader of the dictionary form looks up, as strings made
// once, so those reads don't allocate.
const String& SRShortcutKeyCodeKey();
const String& SRShortcutModifierFlagsKey();
}  // namespace detail

// One keyboard shortcut: a key code and modifier flags, with the two texts the
// key types. Immutable, so it is shared freely between threads and owners.
class SRShortcut : public NSObject, public NSSecureCoding {
    KS_OBJECT(SRShortcut, NSObject)

public:
    // Texts that are not given are derived from the ASCII-capable layout, so
    // a shortcut always carries something to show and to match menus with.
    static std::shared_ptr<SRShortcut>
    shortcutWithCode(SRKeyCode code, NSEventModifierFlags flags, std::optional<String> characters = std::nullopt,
                     std::optional<String> charactersIgnoringModifiers = std::nullopt);
    // The key of a key-down, key-up or flags-changed event; nil for any other
    // event. A flags-changed event gives a shortcut without a key, with the
    // modifier of the key that changed added. The event's texts can be read
    // on the main thread only; with `ignoringCharacters` they are not read
    // and both texts are empty.
    static std::shared_ptr<SRShortcut> shortcutWithEvent(const NSEvent& event, bool ignoringCharacters = false);
    // Missing parts take their defaults (no key, no flags, no texts); never nil.
    static std::shared_ptr<SRShortcut> shortcutWithDictionary(const Dictionary& dictionary);
    // Modifier glyphs (⌘⌥⇧⌃) followed by a key name; nil when unparsable.
    static std::shared_ptr<SRShortcut> shortcutWithKeyEquivalent(const String& keyEquivalent);
    // The stored text form; nil when it can't be read.
    static std::shared_ptr<SRShortcut> shortcutWithKeyBinding(const String& keyBinding);

    // The designated initialiser; the flags are masked to the four modifiers.
    SRShortcut(SRKeyCode code, NSEventModifierFlags flags, std::optional<String> characters,
               std::optional<String> charactersIgnoringModifiers);

    SRKeyCode keyCode() const { return keyCode_; }
    NSEventModifierFlags modifierFlags() const { return modifierFlags_; }
    const std::optional<String>& characters() const { return characters_; }
    const std::optional<String>& charactersIgnoringModifiers() const { return charactersIgnoringModifiers_; }

    // The value never changes, so a copy is the value itself.
    std::shared_ptr<SRShortcut> copy() const;

    Dictionary dictionaryRepresentation() const;
    // "keyCode", "modifierFlags", "characters" or "charactersIgnoringModifiers";
    // nil for any other key.
    Id objectForKeyedSubscript(const String& key) const;

    // Words such as "Command-Shift-A", from the ASCII-capable layout or the
    // current one.
    String readableStringRepresentation(bool isASCII) const;

    // Key code and modifier flags decide; the texts never take part.
    bool isEqualToShortcut(const SRShortcut* shortcut) const;
    bool isEqualToDictionary(const Dictionary& dictionary) const;
    // Whether a menu item with this key equivalent and modifier mask would be
    // triggered by this shortcut, in the ASCII-capable layout or the current one.
    bool isEqualToKeyEquivalent(const String& keyEquivalent, NSEventModifierFlags modifierFlags) const;
    bool isEqualToKeyEquivalent(const String& keyEquivalent, NSEventModifierFlags modifierFlags,
                                const SRKeyCodeTransformer& transformer) const;

    // Keyed coding; "version" is written for readers of the archive and
    // never read.
    static std::shared_ptr<SRShortcut> initWithCoder(NSCoder& coder);
    void encodeWithCoder(NSCoder& coder) const override;

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;
    String description() const override;

    // For registering a Carbon hot key.
    std::uint32_t carbonKeyCode() const;
    std::uint32_t carbonModifierFlags() const;

protected:
    static void describe(ClassDescriptor& d);

private:
    SRKeyCode keyCode_;
    NSEventModifierFlags modifierFlags_;
    std::optional<String> characters_;
    std::optional<String> charactersIgnoringModifiers_;
};

namespace detail {

// A shortcut as a value key: the key code and modifier flags that equality
// compares, and the hash that goes with them. Maps of the monitors that
// compare shortcuts by value are keyed by it, so a lookup needs no shortcut
// object and no call through it.
struct SRShortcutKey {
    SRKeyCode keyCode = SRKeyCodeNone;
    NSEventModifierFlags modifierFlags = 0;

    constexpr SRShortcutKey() = default;
    constexpr SRShortcutKey(SRKeyCode code, NSEventModifierFlags flags)
        : keyCode(code)
        , modifierFlags(flags & SRCocoaModifierFlagsMask)
    {
    }
    explicit SRShortcutKey(const SRShortcut& shortcut)
        : SRShortcutKey(shortcut.keyCode(), shortcut.modifierFlags())
    {
    }

    // The key code fills the low 16 bits and the flags lie above them, so
    // distinct keys have distinct hashes.
    constexpr std::size_t hash() const
    {
        return static_cast<std::size_t>(keyCode) | static_cast<std::size_t>(modifierFlags);
    }

    friend constexpr bool operator==(const SRShortcutKey&, const SRShortcutKey&) = default;
};

struct SRShortcutKeyHash {
    std::size_t operator()(const SRShortcutKey& key) const noexcept { return key.hash(); }
};

}  // namespace detail
