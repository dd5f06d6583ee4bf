#include "shortcut-library/SRKeyCodeTranslator.h"

#include "foundation/Log.h"
#include "foundation/NSException.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "textinput/UCKeyboardLayout.h"

#include <mutex>
#include <string>
#include <utility>

namespace detail {

namespace {

// Room for the longest text a key can type; UCKeyTranslate never writes more.
constexpr UniCharCount maxTranslationLength = 255;

// UCKeyTranslate's modifier key state: the event flags shifted down a byte.
std::uint32_t modifierKeyState(NSEventModifierFlags flags)
{
    std::uint32_t state = 0;
    if (flags & NSEventModifierFlagCommand)
        state |= 1u << 0;
    if (flags & NSEventModifierFlagShift)
        state |= 1u << 1;
    if (flags & NSEventModifierFlagOption)
        state |= 1u << 3;
    if (flags & NSEventModifierFlagControl)
        state |= 1u << 4;
    return state;
}

// The identifier of an input source as the cache key holds it. Sources never
// change, so each thread remembers the last one it converted: a repeated
// translation then neither copies nor converts the identifier, which was most
// of the cost of a cache hit. The weak reference keeps a released source's
// address from being mistaken for a new one.
struct SourceIdentifier {
    String identifier;
    std::size_t hash = 0;
};

// The answer stays valid until the thread's next call.
const SourceIdentifier* identifierOf(const TISInputSourceRef& source)
{
    struct Memo {
        std::weak_ptr<const TISInputSource> source;
        std::optional<SourceIdentifier> identifier;
    };
    thread_local Memo memo;
    const bool same = !memo.source.owner_before(source) && !source.owner_before(memo.source) && !memo.source.expired();
    if (!same) {
        auto identifier = TISGetInputSourceProperty(source, kTISPropertyInputSourceID);
        memo.source = source;
        memo.identifier.reset();
        if (identifier) {
            String converted(*identifier);
            memo.identifier = SourceIdentifier{converted, converted.hash()};
        }
    }
    return memo.identifier ? &*memo.identifier : nullptr;
}

// Whether the text equals its lowercase form. Key texts are nearly always
// ASCII, which needs no case mapping to tell.
bool isLowercase(const String& text)
{
    for (char16_t unit : text.utf16()) {
        if (unit >= 0x80)
            return text == text.lowercase();
        if (unit >= u'A' && unit <= u'Z')
            return false;
    }
    return true;
}

void logNoInputSource()
{
    Log::write(LogLevel::Error, {}, "#Critical Failed to create an input source");
}

void logMissingIdentifier()
{
    Log::write(LogLevel::Error, {}, "#Error Input source misses an ID");
}

// UCKeyTranslate for display, as the library shows keys: dead keys give no
// text rather than their accent. Kept out of line so that cache hits don't
// pay for its buffer.
[[gnu::noinline]] std::optional<String> translateWithKeyLayout(const TISInputSourceRef& source, SRKeyCode keyCode,
                                                               NSEventModifierFlags implicitModifierFlags)
{
    // A source without key layout data has nothing to translate: UCKeyTranslate
    // answers a parameter error for it, which is logged below.
    const UCKeyboardLayout* layout = TISGetInputSourceProperty(source, kTISPropertyUnicodeKeyLayoutData);
    UniChar buffer[maxTranslationLength] = {};
    UniCharCount length = 0;
    std::uint32_t deadKeyState = 0;
    const unsigned long maskedFlags = static_cast<unsigned long>(implicitModifierFlags & SRCocoaModifierFlagsMask);
    OSStatus status =
        UCKeyTranslate(layout, keyCode, kUCKeyActionDisplay, modifierKeyState(implicitModifierFlags) & 0xFF,
                       LMGetKbdType() & 0xFF, 0, &deadKeyState, maxTranslationLength, &length, buffer);
    if (status != 0) {
        Log::write(LogLevel::Error, {{"keyCode", Id::number(keyCode)}, {"modifierFlags", Id::number(maskedFlags)}},
                   "#Error Unable to translate keyCode %hu and modifierFlags %lu: %d", keyCode, maskedFlags,
                   static_cast<int>(status));
        return std::nullopt;
    }
    if (length == 0) {
        // A dead key, or a key that types nothing: common enough to stay out
        // of the log unless someone is looking.
        if (Log::debugEnabled())
            Log::write(LogLevel::Debug, {{"keyCode", Id::number(keyCode)}, {"modifierFlags", Id::number(maskedFlags)}},
                       "#Error No translation exists for keyCode %hu and modifierFlags %lu", keyCode, maskedFlags);
        return std::nullopt;
    }

    return String(std::u16string(buffer, length));
}

}  // namespace

// MARK: - SRKeyCodeTranslatorCacheKey

SRKeyCodeTranslatorCacheKey::SRKeyCodeTranslatorCacheKey(String identifier, NSEventModifierFlags implicitModifierFlags,
                                                         NSEventModifierFlags explicitModifierFlags, SRKeyCode keyCode)
    : SRKeyCodeTranslatorCacheKey(identifier, identifier.hash(), implicitModifierFlags, explicitModifierFlags, keyCode)
{
}

SRKeyCodeTranslatorCacheKey::SRKeyCodeTranslatorCacheKey(String identifier, std::size_t identifierHash,
                                                         NSEventModifierFlags implicitModifierFlags,
                                                         NSEventModifierFlags explicitModifierFlags, SRKeyCode keyCode)
    : keyCode_(keyCode)
    , identifier_(std::move(identifier))
    , implicitModifierFlags_(implicitModifierFlags & SRCocoaModifierFlagsMask)
    , explicitModifierFlags_(explicitModifierFlags & SRCocoaModifierFlagsMask)
{
    // Key code in bits 0-15, implicit flags in 16-19, explicit flags in 20-23,
    // so keys of one layout never collide; the identifier fills the rest.
    std::uint64_t value = static_cast<std::uint64_t>(identifierHash) << 24;
    value |= (implicitModifierFlags_ >> 1) & ~std::uint64_t(0xFFFF);
    value |= keyCode_;
    value |= (explicitModifierFlags_ << 3) & ~std::uint64_t(0xFFFFF);
    hash_ = static_cast<std::size_t>(value);
}

std::shared_ptr<SRKeyCodeTranslatorCacheKey> SRKeyCodeTranslatorCacheKey::copy() const
{
    return std::static_pointer_cast<SRKeyCodeTranslatorCacheKey>(std::const_pointer_cast<NSObject>(shared_from_this()));
}

bool SRKeyCodeTranslatorCacheKey::isEqual(const Id& other) const
{
    // The class is final, so the descriptor alone tells whether the cast is safe;
    // this runs on every cache lookup, where a dynamic cast would show.
    NSObject* object = other.objectPointer();
    if (!object || &object->classDescriptor() != &descriptor())
        return false;
    return isEqualToKey(static_cast<const SRKeyCodeTranslatorCacheKey&>(*object));
}

bool SRKeyCodeTranslatorCacheKey::isEqualToKey(const SRKeyCodeTranslatorCacheKey& other) const
{
    // Cheapest first. The identifier is the same for nearly every entry, and
    // usually the very same text, which needs no comparison of its units.
    return keyCode_ == other.keyCode_ && explicitModifierFlags_ == other.explicitModifierFlags_ &&
           implicitModifierFlags_ == other.implicitModifierFlags_ &&
           (identifier_.utf16().data() == other.identifier_.utf16().data() || identifier_ == other.identifier_);
}

// MARK: - SRKeyCodeTranslator

SRKeyCodeTranslator& SRKeyCodeTranslator::shared()
{
    static auto* translator = new std::shared_ptr<SRKeyCodeTranslator>(
        std::make_shared<SRKeyCodeTranslator>(&TISCopyCurrentKeyboardLayoutInputSource));
    return **translator;
}

SRKeyCodeTranslator::SRKeyCodeTranslator(InputSourceCreator creator)
    : translationCache_(std::make_shared<NSCache>())
    , inputSourceCreator_(std::move(creator))
{
}

SRKeyCodeTranslator::SRKeyCodeTranslator(TISInputSourceRef inputSource)
    : translationCache_(std::make_shared<NSCache>())
    , inputSource_(std::move(inputSource))
{
}

TISInputSourceRef SRKeyCodeTranslator::inputSource() const
{
    if (inputSource_)
        return inputSource_;
    return inputSourceCreator_ ? inputSourceCreator_() : nullptr;
}

std::optional<String> SRKeyCodeTranslator::translateKeyCode(SRKeyCode keyCode,
                                                            NSEventModifierFlags implicitModifierFlags,
                                                            NSEventModifierFlags explicitModifierFlags, bool usingCache)
{
    if (keyCode == SRKeyCodeNone)
        return String();

    TISInputSourceRef source = inputSource();
    if (!source) {
        logNoInputSource();
        return std::nullopt;
    }
    return translateKeyCode(source, keyCode, implicitModifierFlags, explicitModifierFlags, usingCache);
}

std::optional<String> SRKeyCodeTranslator::translateKeyCode(const TISInputSourceRef& source, SRKeyCode keyCode,
                                                            NSEventModifierFlags implicitModifierFlags,
                                                            NSEventModifierFlags explicitModifierFlags, bool usingCache)
{
    if (keyCode == SRKeyCodeNone)
        return String();

    // Hits need no key on the heap: the lookup goes through a key on the
    // stack, handed to the cache by a reference that owns nothing (the cache
    // keeps no key it is only asked about). Only a miss makes the key it stores.
    std::optional<SRKeyCodeTranslatorCacheKey> key;
    std::size_t identifierHash = 0;
    if (usingCache) {
        if (const SourceIdentifier* identifier = identifierOf(source)) {
            identifierHash = identifier->hash;
            key.emplace(identifier->identifier, identifierHash, implicitModifierFlags, explicitModifierFlags, keyCode);
        } else {
            logMissingIdentifier();
        }
    }

    std::lock_guard lock(lock_);

    if (key) {
        Id probe(std::shared_ptr<SRKeyCodeTranslatorCacheKey>(std::shared_ptr<void>(), &*key));
        Id cached = translationCache_->objectForKey(probe);
        if (const String* text = cached.string()) {
            Log::debug("Translation cache hit");
            return *text;
        }
        Log::debug("Translation cache miss");
    }

    std::optional<String> text = translateWithKeyLayout(source, keyCode, implicitModifierFlags);
    if (text && key)
        translationCache_->setObject(
            Id(*text), Id(std::make_shared<SRKeyCodeTranslatorCacheKey>(
                           key->identifier(), identifierHash, implicitModifierFlags, explicitModifierFlags, keyCode)));
    return text;
}

// MARK: - SRKeyCodeASCIITranslator

SRKeyCodeASCIITranslator& SRKeyCodeASCIITranslator::shared()
{
    static auto* translator = new std::shared_ptr<SRKeyCodeASCIITranslator>(
        std::make_shared<SRKeyCodeASCIITranslator>(&TISCopyCurrentASCIICapableKeyboardLayoutInputSource));
    return **translator;
}

SRKeyCodeASCIITranslator::SRKeyCodeASCIITranslator(InputSourceCreator creator)
    : SRKeyCodeTranslator(std::move(creator))
{
}

std::optional<SRKeyCode> SRKeyCodeASCIITranslator::keyCodeForTranslation(const String& translation)
{
    NSAssert(isLowercase(translation), String("aTranslation must be a lowercase string"));
    auto map = currentTranslationToKeyCodes();
    if (!map)
        return std::nullopt;
    auto found = map->find(translation);
    if (found == map->end())
        return std::nullopt;
    return found->second.back();  // a later code wins a tie
}

std::shared_ptr<const std::vector<SRKeyCode>>
SRKeyCodeASCIITranslator::keyCodesForTranslation(const String& translation)
{
    NSAssert(isLowercase(translation), String("aTranslation must be a lowercase string"));
    auto map = currentTranslationToKeyCodes();
    if (!map)
        return nullptr;
    auto found = map->find(translation);
    if (found == map->end())
        return nullptr;
    // Shares the map's ownership: no copy of the list is made.
    return std::shared_ptr<const std::vector<SRKeyCode>>(map, &found->second);
}

std::shared_ptr<const SRKeyCodeASCIITranslator::TranslationToKeyCodes>
SRKeyCodeASCIITranslator::currentTranslationToKeyCodes()
{
    TISInputSourceRef source = inputSource();
    if (!source) {
        logNoInputSource();
        return nullptr;
    }
    auto identifier = identifierOf(source);
    if (!identifier) {
        logMissingIdentifier();
        return nullptr;
    }
    // A copy: the translations below may ask for the thread's identifier again.
    const String sourceIdentifier = identifier->identifier;

    std::lock_guard lock(lock_);

    if (!inputSourceIdentifier_ || *inputSourceIdentifier_ != sourceIdentifier) {
        Log::debug("Updating translation -> key code mapping");
        auto map = std::make_shared<TranslationToKeyCodes>();
        auto knownKeyCodes = SRKeyCodeTransformer::knownKeyCodes();
        map->reserve(knownKeyCodes.size());
        // Every text comes from the source the identifier was read from, so a
        // layout switch in the middle of the rebuild can't mix two layouts
        // under one identifier.
        for (SRKeyCode keyCode : knownKeyCodes) {
            auto text = translateKeyCode(source, keyCode, 0, 0, true);
            if (text && !text->empty())
                (*map)[*text].push_back(keyCode);
        }
        translationToKeyCodes_ = std::move(map);
        inputSourceIdentifier_ = sourceIdentifier;
    }
    // The map is never changed once made: readers keep using the one they got
    // while a layout switch makes the next.
    return translationToKeyCodes_;
}

}  // namespace detail
