#include "shortcut-library/SRKeyEquivalentTransformer.h"

#include "SRActivity.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "shortcut-library/SRShortcut.h"

namespace {

// A shortcut or its dictionary form answers entries by key; nothing else does.
std::optional<Id> entry(const Id& value, const char* key)
{
    if (const Dictionary* dictionary = value.dictionary())
        return dictionary->objectForKey(Id(key));
    if (auto shortcut = value.object<SRShortcut>())
        return shortcut->objectForKeyedSubscript(key);
    return std::nullopt;
}

template <class T> T& makeShared()
{
    static auto* transformer = new std::shared_ptr<T>(std::make_shared<T>());
    return **transformer;
}

}  // namespace

SRKeyEquivalentTransformer& SRKeyEquivalentTransformer::sharedTransformer()
{
    return makeShared<SRKeyEquivalentTransformer>();
}

Id SRKeyEquivalentTransformer::transformedValue(const Id& value)
{
    SR_METHOD_ACTIVITY("transformedValue:");
    auto keyCode = entry(value, SRShortcutKeyKeyCode);
    if (!keyCode || !keyCode->isNumber())
        return {};
    Id flags = *entry(value, SRShortcutKeyModifierFlags);
    if (!flags.isNumber())
        flags = Id::number(0);
    // The flags go in as explicit ones: a menu shows shift in its mask, so the
    // key stays the unshifted character.
    return SRASCIISymbolicKeyCodeTransformer::sharedTransformer().transformedValue(
        *keyCode, Id(), flags, NSUserInterfaceLayoutDirectionLeftToRight);
}

SRKeyEquivalentModifierMaskTransformer& SRKeyEquivalentModifierMaskTransformer::sharedTransformer()
{
    return makeShared<SRKeyEquivalentModifierMaskTransformer>();
}

Id SRKeyEquivalentModifierMaskTransformer::transformedValue(const Id& value)
{
    SR_METHOD_ACTIVITY("transformedValue:");
    auto flags = entry(value, SRShortcutKeyModifierFlags);
    if (!flags || !flags->isNumber())
        return {};
    return *flags;
}
