#pragma once

#include "foundation/NSCache.h"
#include "foundation/NSObject.h"
#include "foundation/NSThread.h"
#include "shortcut-library/SRShortcut.h"
#include "textinput/TISInputSource.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

// The only place where the library asks the text-input services about keyboard
// layouts. The classes are internal to the library; the header is public so
// that the library's tests can reach them.
namespace detail {

// What one translation depends on. The explicit flags don't change the text,
// but callers that show modifiers beside the key keep entries of their own.
class SRKeyCodeTranslatorCacheKey final : public NSObject {
    KS_OBJECT(SRKeyCodeTranslatorCacheKey, NSObject)

public:
    // Both flag sets are masked to the four modifiers.
    SRKeyCodeTranslatorCacheKey(String identifier, NSEventModifierFlags implicitModifierFlags,
                                NSEventModifierFlags explicitModifierFlags, SRKeyCode keyCode);
    // The same, for a caller that knows `identifier.hash()` already.
    SRKeyCodeTranslatorCacheKey(String identifier, std::size_t identifierHash,
                                NSEventModifierFlags implicitModifierFlags, NSEventModifierFlags explicitModifierFlags,
                                SRKeyCode keyCode);

    SRKeyCode keyCode() const { return keyCode_; }
    const String& identifier() const { return identifier_; }
    NSEventModifierFlags implicitModifierFlags() const { return implicitModifierFlags_; }
    NSEventModifierFlags explicitModifierFlags() const { return explicitModifierFlags_; }

    // Immutable: a copy is the key itself.
    std::shared_ptr<SRKeyCodeTranslatorCacheKey> copy() const;

    bool isEqual(const Id& other) const override;
    bool isEqualToKey(const SRKeyCodeTranslatorCacheKey& other) const;
    std::size_t hash() const override { return hash_; }

private:
    SRKeyCode keyCode_;
    String identifier_;
    NSEventModifierFlags implicitModifierFlags_;
    NSEventModifierFlags explicitModifierFlags_;
    // Computed once: every lookup asks for it.
    std::size_t hash_;
};

// Turns a key code into the text it types in a keyboard layout: a fixed one, or
// whatever its creator answers at the time of each call.
class SRKeyCodeTranslator : public NSObject {
    KS_OBJECT(SRKeyCodeTranslator, NSObject)

public:
    // Answers a new reference to the input source to use, or nullptr.
    using InputSourceCreator = std::function<TISInputSourceRef()>;

    // Follows the layout the user has selected.
    static SRKeyCodeTranslator& shared();

    explicit SRKeyCodeTranslator(InputSourceCreator creator);
    explicit SRKeyCodeTranslator(TISInputSourceRef inputSource);

    // The fixed input source, or a new one from the creator on every call.
    TISInputSourceRef inputSource() const;
    const InputSourceCreator& inputSourceCreator() const { return inputSourceCreator_; }

    // The text, or nil when the layout gives none (see the log for why).
    // SRKeyCodeNone is the empty text, whatever the layout.
    std::optional<String> translateKeyCode(SRKeyCode keyCode, NSEventModifierFlags implicitModifierFlags,
                                           NSEventModifierFlags explicitModifierFlags, bool usingCache);

    // For tests and benchmarks that need to start from an empty cache.
    NSCache& translationCache() { return *translationCache_; }

protected:
    // Translates through `source`, read beforehand by the caller.
    std::optional<String> translateKeyCode(const TISInputSourceRef& source, SRKeyCode keyCode,
                                           NSEventModifierFlags implicitModifierFlags,
                                           NSEventModifierFlags explicitModifierFlags, bool usingCache);

    // One lock for cache lookup, translation and store (and the ASCII
    // translator's reverse map). Recursive: the map rebuild translates.
    NSRecursiveLock lock_;

private:
    std::shared_ptr<NSCache> translationCache_;
    TISInputSourceRef inputSource_;
    InputSourceCreator inputSourceCreator_;
};

// The translator of the ASCII-capable layout, which can also read a character
// back into the key code that types it.
class SRKeyCodeASCIITranslator final : public SRKeyCodeTranslator {
    KS_OBJECT(SRKeyCodeASCIITranslator, SRKeyCodeTranslator)

public:
    // Follows whichever ASCII-capable layout the system currently chooses.
    static SRKeyCodeASCIITranslator& shared();

    explicit SRKeyCodeASCIITranslator(InputSourceCreator creator);

    // `translation` must be lowercase. nil when no known key code types it;
    // when several do, the one that comes last among the known key codes.
    std::optional<SRKeyCode> keyCodeForTranslation(const String& translation);
    // Every known key code that types `translation` (lowercase), in the
    // order of the known key codes; nullptr when none does. The list is part
    // of the map of one layout and never changes.
    std::shared_ptr<const std::vector<SRKeyCode>> keyCodesForTranslation(const String& translation);

private:
    // The key codes of each text, in the order of the known key codes.
    using TranslationToKeyCodes = std::unordered_map<String, std::vector<SRKeyCode>>;

    // The map of the current ASCII-capable layout, rebuilt when that layout
    // changed; nullptr (logged) when there is no layout to ask.
    std::shared_ptr<const TranslationToKeyCodes> currentTranslationToKeyCodes();

    std::shared_ptr<const TranslationToKeyCodes> translationToKeyCodes_;
    std::optional<String> inputSourceIdentifier_;
};

}  // namespace detail
