#include "shortcut-library/SRModifierFlagsTransformer.h"

#include "SRActivity.h"
#include "foundation/Log.h"
#include "shortcut-library/SRCommon.h"
#include "shortcut-library/SRShortcut.h"

#include <unicode/ubrk.h>

#include <algorithm>
#include <vector>

namespace {

// The one order modifiers are shown in, left to right.
struct Modifier {
    NSEventModifierFlags flag;
    char16_t glyph;
    const char* word;  // the key of its localized name
};

constexpr Modifier modifiers[] = {
    {NSEventModifierFlagControl, u'\u2303', "Control"},
    {NSEventModifierFlagOption, u'\u2325', "Option"},
    {NSEventModifierFlagShift, u'\u21E7', "Shift"},
    {NSEventModifierFlagCommand, u'\u2318', "Command"},
};

// The texts of the flags that are set, in display order for the direction.
template <class Text>
std::vector<String> modifierTexts(NSEventModifierFlags flags, NSUserInterfaceLayoutDirection layoutDirection, Text text)
{
    std::vector<String> texts;
    for (const Modifier& modifier : modifiers) {
        if (flags & modifier.flag)
            texts.push_back(text(modifier));
    }
    if (layoutDirection == NSUserInterfaceLayoutDirectionRightToLeft)
        std::reverse(texts.begin(), texts.end());
    return texts;
}

String joined(const std::vector<String>& texts, const String& separator)
{
    std::u16string result;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0)
            result += separator.utf16();
        result += texts[i].utf16();
    }
    return String(std::move(result));
}

void logInvalidValue()
{
    Log::write(LogLevel::Error, {}, "#Error Invalid value for transformation");
}

// The string's composed character sequences (a base character with the marks
// that belong to it, a surrogate pair); nullopt when ICU can't walk it.
std::optional<std::vector<std::u16string_view>> composedCharacterSequences(const String& string)
{
    std::vector<std::u16string_view> sequences;
    const std::u16string& units = string.utf16();
    if (units.empty())
        return sequences;
    UErrorCode status = U_ZERO_ERROR;
    UBreakIterator* iterator = ubrk_open(UBRK_CHARACTER, "", reinterpret_cast<const UChar*>(units.data()),
                                         static_cast<int32_t>(units.size()), &status);
    if (U_FAILURE(status)) {
        if (iterator)
            ubrk_close(iterator);
        return std::nullopt;
    }
    int32_t start = ubrk_first(iterator);
    for (int32_t end = ubrk_next(iterator); end != UBRK_DONE; start = end, end = ubrk_next(iterator))
        sequences.emplace_back(units.data() + start, static_cast<std::size_t>(end - start));
    ubrk_close(iterator);
    return sequences;
}

template <class T> T& makeShared()
{
    // Kept for the life of the process; held by a shared pointer so that
    // callers may keep references of their own (bindings, Id values).
    static auto* transformer = new std::shared_ptr<T>(std::make_shared<T>());
    return **transformer;
}

}  // namespace

// MARK: - SRModifierFlagsTransformer

SRModifierFlagsTransformer& SRModifierFlagsTransformer::sharedTransformer()
{
    return SRSymbolicModifierFlagsTransformer::sharedTransformer();
}

std::shared_ptr<SRModifierFlagsTransformer> SRModifierFlagsTransformer::create()
{
    LogActivity activity("-[SRModifierFlagsTransformer init]");
    auto& shared = SRSymbolicModifierFlagsTransformer::sharedTransformer();
    return std::static_pointer_cast<SRModifierFlagsTransformer>(shared.shared_from_this());
}

Id SRModifierFlagsTransformer::transformedValue(const Id&, NSUserInterfaceLayoutDirection) const
{
    return {};
}

Id SRModifierFlagsTransformer::transformedValue(const Id& value)
{
    SR_METHOD_ACTIVITY("transformedValue:");
    return transformedValue(value, NSUserInterfaceLayoutDirectionLeftToRight);
}

// MARK: - SRLiteralModifierFlagsTransformer

SRLiteralModifierFlagsTransformer& SRLiteralModifierFlagsTransformer::sharedTransformer()
{
    return makeShared<SRLiteralModifierFlagsTransformer>();
}

Id SRLiteralModifierFlagsTransformer::transformedValue(const Id& value,
                                                       NSUserInterfaceLayoutDirection layoutDirection) const
{
    SR_METHOD_ACTIVITY("transformedValue:layoutDirection:");
    if (!value.isNumber()) {
        logInvalidValue();
        return {};
    }
    auto words = modifierTexts(value.unsignedValue(), layoutDirection,
                               [](const Modifier& modifier) { return SRLocalizedText(modifier.word); });
    if (words.empty())
        return Id(String());
    return Id(joined(words, SRLocalizedText("-")));
}

// MARK: - SRSymbolicModifierFlagsTransformer

SRSymbolicModifierFlagsTransformer& SRSymbolicModifierFlagsTransformer::sharedTransformer()
{
    return makeShared<SRSymbolicModifierFlagsTransformer>();
}

Id SRSymbolicModifierFlagsTransformer::transformedValue(const Id& value,
                                                        NSUserInterfaceLayoutDirection layoutDirection) const
{
    SR_METHOD_ACTIVITY("transformedValue:layoutDirection:");
    if (!value.isNumber()) {
        logInvalidValue();
        return {};
    }
    auto glyphs = modifierTexts(value.unsignedValue(), layoutDirection,
                                [](const Modifier& modifier) { return String(std::u16string(1, modifier.glyph)); });
    return Id(joined(glyphs, String()));
}

Id SRSymbolicModifierFlagsTransformer::reverseTransformedValue(const Id& value)
{
    SR_METHOD_ACTIVITY("reverseTransformedValue:");
    const String* glyphs = value.string();
    auto sequences = glyphs ? composedCharacterSequences(*glyphs) : std::nullopt;
    if (!sequences) {
        Log::write(LogLevel::Error, {}, "#Error Invalid value for reverse transformation");
        return {};
    }

    // Any order, but each glyph once and nothing else beside them.
    NSEventModifierFlags flags = 0;
    for (std::u16string_view sequence : *sequences) {
        const Modifier* match = nullptr;
        if (sequence.size() == 1) {
            for (const Modifier& modifier : modifiers) {
                if (modifier.glyph == sequence[0] && !(flags & modifier.flag))
                    match = &modifier;
            }
        }
        if (!match) {
            Log::write(LogLevel::Error, {}, "#Error Invalid value for reverse transformation");
            return {};
        }
        flags |= match->flag;
    }
    return Id::number(flags);
}
