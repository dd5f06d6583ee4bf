#pragma once

// The keyboard layouts the simulated desktop knows: a stable input-source
// identifier for each, the xkb layout and variant behind it, and the input
// sources built from them (once per layout, on first use, kept for the life of
// the catalog).
//
// Built-in layouts (identifier -> xkb layout(variant), evdev rules, pc105):
//
//   com.apple.keylayout.US                   us            U.S., option types nothing extra
//   com.apple.keylayout.ABC                  us(mac)       Mac option characters (option-A is å)
//   com.apple.keylayout.USInternational-PC   us(intl)      dead keys on ' ` ~ ^ "
//   com.apple.keylayout.Dvorak               us(dvorak)
//   com.apple.keylayout.British              gb
//   com.apple.keylayout.German               de            QWERTZ, dead ^ ´ `
//   com.apple.keylayout.French               fr            AZERTY
//   com.apple.keylayout.Russian              ru            not ASCII-capable
//   com.apple.keylayout.Hebrew               il            not ASCII-capable, right to left
//
// Whether a source is ASCII-capable is not listed: it is read off the layout
// (it is when its keys type all of a to z without modifiers).

#include "textinput/TISInputSource.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct xkb_context;

namespace textinput {

namespace InputSourceID {
inline constexpr std::string_view US = "com.apple.keylayout.US";
inline constexpr std::string_view ABC = "com.apple.keylayout.ABC";
inline constexpr std::string_view USInternationalPC = "com.apple.keylayout.USInternational-PC";
inline constexpr std::string_view Dvorak = "com.apple.keylayout.Dvorak";
inline constexpr std::string_view British = "com.apple.keylayout.British";
inline constexpr std::string_view German = "com.apple.keylayout.German";
inline constexpr std::string_view French = "com.apple.keylayout.French";
inline constexpr std::string_view Russian = "com.apple.keylayout.Russian";
inline constexpr std::string_view Hebrew = "com.apple.keylayout.Hebrew";
}  // namespace InputSourceID

struct KeyboardLayoutDescription {
    std::string identifier;
    std::string localizedName;
    std::string xkbLayout;
    std::string xkbVariant;  // empty: the layout's default variant
    std::vector<std::string> languages;
};

// Options of a hand-made input source, for injecting failures in tests.
struct FakeInputSourceOptions {
    std::optional<std::string> identifier = "org.kestrova.keylayout.Fake";  // nullopt: the source has no identifier
    std::string localizedName = "Fake";
    std::string keysFrom =
        std::string(InputSourceID::US);               // catalog layout whose keys it types; empty: no key layout data
    OSStatus translationStatus = 0;                   // what UCKeyTranslate answers for its key layout data
    std::optional<bool> asciiCapable = std::nullopt;  // default: that of the keys
};

class KeyboardLayoutCatalog {
public:
    // The process-wide catalog of the built-in layouts; never released.
    static KeyboardLayoutCatalog& shared();

    static std::vector<KeyboardLayoutDescription> builtInLayouts();

    KeyboardLayoutCatalog();  // the built-in layouts
    explicit KeyboardLayoutCatalog(std::vector<KeyboardLayoutDescription> layouts);
    ~KeyboardLayoutCatalog();
    KeyboardLayoutCatalog(const KeyboardLayoutCatalog&) = delete;
    KeyboardLayoutCatalog& operator=(const KeyboardLayoutCatalog&) = delete;

    std::vector<KeyboardLayoutDescription> layouts() const;
    bool contains(std::string_view identifier) const;
    // Adds a layout; false when its identifier is already taken or empty.
    bool addLayout(KeyboardLayoutDescription layout);

    // The input source of a layout, built on first use and kept. nullptr for an
    // unknown identifier or a layout xkb cannot build (logged once).
    TISInputSourceRef inputSource(std::string_view identifier);
    // Every layout's input source in catalog order; layouts that cannot be built are left out.
    std::vector<TISInputSourceRef> inputSources();

    // The key layout data of an xkb layout and variant, built on first use and
    // kept; nullptr when xkb cannot build it.
    std::shared_ptr<const UCKeyboardLayout> keyLayout(std::string_view xkbLayout, std::string_view xkbVariant);

    TISInputSourceRef makeFakeInputSource(const FakeInputSourceOptions& options);

private:
    std::shared_ptr<const UCKeyboardLayout> keyLayoutLocked(const std::string& xkbLayout,
                                                            const std::string& xkbVariant);

    // One lock for everything: an xkb_context must not be used by two threads at once.
    mutable std::mutex mutex_;
    std::vector<KeyboardLayoutDescription> layouts_;
    std::map<std::string, TISInputSourceRef, std::less<>> sources_;
    std::map<std::string, std::shared_ptr<const UCKeyboardLayout>, std::less<>> keyLayouts_;  // "layout(variant)"
    std::map<std::string, bool, std::less<>> failedKeyLayouts_;
    xkb_context* context_ = nullptr;
};

}  // namespace textinput
