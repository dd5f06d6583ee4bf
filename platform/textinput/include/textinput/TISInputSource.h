#pragma once

// Text Input Sources: keyboard-layout input sources, their properties, and the
// calls that give the current one. The calls answer from the current
// KeyboardLayoutRegistry (textinput::KeyboardLayoutRegistry::current()).

#include "textinput/CarbonTypes.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class UCKeyboardLayout;
class TISInputSource;

// An input source; nullptr stands for none. Sources are immutable and may be
// shared between threads.
using TISInputSourceRef = std::shared_ptr<const TISInputSource>;

// Posted (by whoever wires the registry's change handlers to the distributed
// notification centre) when the selected keyboard input source changes.
inline constexpr std::string_view kTISNotifySelectedKeyboardInputSourceChanged =
    "com.apple.Carbon.TISNotifySelectedKeyboardInputSourceChanged";

class TISInputSource {
public:
    struct Properties {
        std::optional<std::string> identifier = std::nullopt;    // kTISPropertyInputSourceID; may be absent
        std::string localizedName = {};                          // kTISPropertyLocalizedName
        std::vector<std::string> languages = {};                 // kTISPropertyInputSourceLanguages, BCP 47
        bool asciiCapable = false;                               // kTISPropertyInputSourceIsASCIICapable
        std::shared_ptr<const UCKeyboardLayout> keyLayout = {};  // kTISPropertyUnicodeKeyLayoutData; may be null
        std::string xkbLayout = {};                              // the xkb layout and variant behind it
        std::string xkbVariant = {};
    };

    static TISInputSourceRef create(Properties properties);

    const std::optional<std::string>& identifier() const { return properties_.identifier; }
    const std::string& localizedName() const { return properties_.localizedName; }
    const std::vector<std::string>& languages() const { return properties_.languages; }
    bool isASCIICapable() const { return properties_.asciiCapable; }
    const UCKeyboardLayout* keyLayout() const { return properties_.keyLayout.get(); }
    const std::shared_ptr<const UCKeyboardLayout>& sharedKeyLayout() const { return properties_.keyLayout; }
    const std::string& xkbLayout() const { return properties_.xkbLayout; }
    const std::string& xkbVariant() const { return properties_.xkbVariant; }
    const Properties& properties() const { return properties_; }

    // Every input source here is a keyboard layout.
    static constexpr std::string_view category() { return "TISCategoryKeyboardInputSource"; }
    static constexpr std::string_view type() { return "TISTypeKeyboardLayout"; }

    explicit TISInputSource(Properties properties)
        : properties_(std::move(properties))
    {
    }

private:
    Properties properties_;
};

// Property keys. Each key is its own type, so TISGetInputSourceProperty gives
// a typed value; `name` is the key's string value on the platform.
struct TISPropertyInputSourceIDKey {
    static constexpr std::string_view name = "TISPropertyInputSourceID";
};
struct TISPropertyUnicodeKeyLayoutDataKey {
    static constexpr std::string_view name = "TISPropertyUnicodeKeyLayoutData";
};
struct TISPropertyLocalizedNameKey {
    static constexpr std::string_view name = "TISPropertyLocalizedName";
};
struct TISPropertyInputSourceIsASCIICapableKey {
    static constexpr std::string_view name = "TISPropertyInputSourceIsASCIICapable";
};
struct TISPropertyInputSourceLanguagesKey {
    static constexpr std::string_view name = "TISPropertyInputSourceLanguages";
};
inline constexpr TISPropertyInputSourceIDKey kTISPropertyInputSourceID{};
inline constexpr TISPropertyUnicodeKeyLayoutDataKey kTISPropertyUnicodeKeyLayoutData{};
inline constexpr TISPropertyLocalizedNameKey kTISPropertyLocalizedName{};
inline constexpr TISPropertyInputSourceIsASCIICapableKey kTISPropertyInputSourceIsASCIICapable{};
inline constexpr TISPropertyInputSourceLanguagesKey kTISPropertyInputSourceLanguages{};

// The identifier, or nullopt when the source (or the reference) has none.
std::optional<std::string> TISGetInputSourceProperty(const TISInputSourceRef& source, TISPropertyInputSourceIDKey);
// The key layout data for UCKeyTranslate, or nullptr when absent. It lives as
// long as the source does.
const UCKeyboardLayout* TISGetInputSourceProperty(const TISInputSourceRef& source, TISPropertyUnicodeKeyLayoutDataKey);
std::optional<std::string> TISGetInputSourceProperty(const TISInputSourceRef& source, TISPropertyLocalizedNameKey);
bool TISGetInputSourceProperty(const TISInputSourceRef& source, TISPropertyInputSourceIsASCIICapableKey);
std::vector<std::string> TISGetInputSourceProperty(const TISInputSourceRef& source, TISPropertyInputSourceLanguagesKey);

// The selected keyboard layout, or nullptr when none can be had.
TISInputSourceRef TISCopyCurrentKeyboardLayoutInputSource();
// The selected keyboard layout when it is ASCII-capable, else the ASCII-capable
// layout selected most recently, else the U.S. layout; nullptr when none can be had.
TISInputSourceRef TISCopyCurrentASCIICapableKeyboardLayoutInputSource();
// Selects `source` in the current registry: 0, or -50 for nullptr.
OSStatus TISSelectInputSource(const TISInputSourceRef& source);
// The keyboard layouts the current registry offers, in catalog order.
std::vector<TISInputSourceRef> TISCreateInputSourceList();
