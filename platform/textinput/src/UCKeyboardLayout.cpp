#include "textinput/UCKeyboardLayout.h"

#include "DeadKeyComposer.h"

#include <algorithm>
#include <atomic>
#include <vector>

UCKeyboardLayout::UCKeyboardLayout(std::shared_ptr<const Table> table, bool asciiCapable, std::string description,
                                   OSStatus translationStatus)
    : table_(std::move(table))
    , asciiCapable_(asciiCapable)
    , description_(std::move(description))
    , translationStatus_(translationStatus)
{
}

std::shared_ptr<const UCKeyboardLayout> UCKeyboardLayout::withTranslationStatus(OSStatus status) const
{
    return std::make_shared<const UCKeyboardLayout>(table_, asciiCapable_, description_, status);
}

namespace {

using textinput::KeyTranslation;
using textinput::detail::DeadKeyComposer;

// A pending dead-key state holds up to three dead keysyms, one per byte, as
// offsets from 0xfe00 (every dead keysym lies in 0xfe50...0xfeff).
constexpr std::uint32_t kDeadKeysymBase = 0xfe00;
constexpr std::size_t kMaxPendingDeadKeys = 3;

bool encodable(std::uint32_t keysym)
{
    return keysym > kDeadKeysymBase && keysym <= kDeadKeysymBase + 0xff;
}

std::uint32_t encodeDeadKeys(const std::vector<std::uint32_t>& keysyms)
{
    std::uint32_t state = 0;
    for (std::size_t i = 0; i < keysyms.size(); ++i)
        state |= (keysyms[i] - kDeadKeysymBase) << (8 * i);
    return state;
}

std::vector<std::uint32_t> decodeDeadKeys(std::uint32_t state)
{
    std::vector<std::uint32_t> keysyms;
    for (std::size_t i = 0; i < kMaxPendingDeadKeys; ++i) {
        const std::uint32_t offset = (state >> (8 * i)) & 0xff;
        if (offset == 0)
            break;
        keysyms.push_back(kDeadKeysymBase + offset);
    }
    return keysyms;
}

OSStatus write(std::u16string_view text, UniCharCount maxStringLength, UniCharCount* actualStringLength,
               UniChar unicodeString[])
{
    const UniCharCount length = std::min<UniCharCount>(text.size(), maxStringLength);
    std::copy_n(text.begin(), length, unicodeString);
    *actualStringLength = length;
    return length < text.size() ? kUCOutputBufferTooSmall : 0;
}

OSStatus translateAfterDeadKeys(const KeyTranslation& translation, std::uint32_t* deadKeyState,
                                UniCharCount maxStringLength, UniCharCount* actualStringLength, UniChar unicodeString[])
{
    // A key that types nothing (a modifier key) leaves the dead keys pending.
    if (translation.keysym == 0 || (!translation.isDeadKey && translation.length == 0))
        return 0;

    std::vector<std::uint32_t> sequence = decodeDeadKeys(*deadKeyState);
    const std::size_t pending = sequence.size();
    sequence.push_back(translation.keysym);
    DeadKeyComposer& composer = DeadKeyComposer::shared();
    DeadKeyComposer::Result result = composer.compose(sequence);

    if (result.status == DeadKeyComposer::Status::composed) {
        *deadKeyState = 0;
        return write(result.text, maxStringLength, actualStringLength, unicodeString);
    }
    if (result.status == DeadKeyComposer::Status::composing && translation.isDeadKey &&
        sequence.size() <= kMaxPendingDeadKeys && encodable(translation.keysym)) {
        *deadKeyState = encodeDeadKeys(sequence);
        return 0;
    }
    // The keys do not compose: each accent is typed on its own, then the key.
    std::u16string text;
    for (std::size_t i = 0; i < pending; ++i)
        text += composer.spacingForm(sequence[i]);
    text += translation.text();
    *deadKeyState = 0;
    return write(text, maxStringLength, actualStringLength, unicodeString);
}

std::atomic<std::uint8_t> keyboardType{40};

}  // namespace

OSStatus UCKeyTranslate(const UCKeyboardLayout* keyLayoutPtr, std::uint16_t virtualKeyCode, std::uint16_t keyAction,
                        std::uint32_t modifierKeyState, std::uint32_t /*keyboardType*/, OptionBits keyTranslateOptions,
                        std::uint32_t* deadKeyState, UniCharCount maxStringLength, UniCharCount* actualStringLength,
                        UniChar unicodeString[])
{
    if (actualStringLength)
        *actualStringLength = 0;
    if (!keyLayoutPtr || !deadKeyState || !actualStringLength || (maxStringLength > 0 && !unicodeString) ||
        keyAction > kUCKeyActionDisplay) {
        return kUCKeyTranslateParamErr;
    }
    if (keyLayoutPtr->translationStatus() != 0)
        return keyLayoutPtr->translationStatus();
    if (virtualKeyCode >= UCKeyboardLayout::kKeyCount)
        return 0;

    const KeyTranslation& translation =
        keyLayoutPtr->translation(virtualKeyCode, UCKeyboardLayout::combinationForModifierKeyState(modifierKeyState));
    const bool noDeadKeys = (keyTranslateOptions & kUCKeyTranslateNoDeadKeysMask) != 0;
    const bool pressed = keyAction == kUCKeyActionDown || keyAction == kUCKeyActionAutoKey;

    if (noDeadKeys || !pressed) {
        if (translation.isDeadKey && !noDeadKeys)
            return 0;
        return write(translation.text(), maxStringLength, actualStringLength, unicodeString);
    }
    if (*deadKeyState != 0) {
        return translateAfterDeadKeys(translation, deadKeyState, maxStringLength, actualStringLength, unicodeString);
    }
    if (translation.isDeadKey && encodable(translation.keysym)) {
        *deadKeyState = translation.keysym - kDeadKeysymBase;
        return 0;
    }
    return write(translation.text(), maxStringLength, actualStringLength, unicodeString);
}

std::uint8_t LMGetKbdType()
{
    return keyboardType.load(std::memory_order_relaxed);
}

void LMSetKbdType(std::uint8_t type)
{
    keyboardType.store(type, std::memory_order_relaxed);
}
