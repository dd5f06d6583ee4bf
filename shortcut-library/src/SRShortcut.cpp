#include "shortcut-library/SRShortcut.h"

#include "SRActivity.h"
#include "SRShortcutScanner.h"
#include "appkit/NSApplication.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSException.h"
#include "foundation/NSThread.h"
#include "foundation/ValueClasses.h"
#include "shortcut-library/SRCommon.h"
#include "shortcut-library/SRKeyBindingTransformer.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "shortcut-library/SRModifierFlagsTransformer.h"
#include "shortcut-library/SRShortcutFormatter.h"

#include <array>

const String& detail::SRShortcutKeyCodeKey()
{
    static const String* key = new String(SRShortcutKeyKeyCode);
    return *key;
}

const String& detail::SRShortcutModifierFlagsKey()
{
    static const String* key = new String(SRShortcutKeyModifierFlags);
    return *key;
}

namespace {

// Keys are looked up on every read of the dictionary form; making their
// strings once keeps those reads free of allocations.
const String& keyCodeKey()
{
    return detail::SRShortcutKeyCodeKey();
}
const String& modifierFlagsKey()
{
    return detail::SRShortcutModifierFlagsKey();
}
const String& charactersKey()
{
    static const String* key = new String(SRShortcutKeyCharacters);
    return *key;
}
const String& charactersIgnoringModifiersKey()
{
    static const String* key = new String(SRShortcutKeyCharactersIgnoringModifiers);
    return *key;
}
const String& versionKey()
{
    static const String* key = new String(SRShortcutKeyVersion);
    return *key;
}

std::optional<String> optionalString(const Id& value)
{
    if (const String* string = value.string())
        return *string;
    return std::nullopt;
}

Id idOf(const std::optional<String>& string)
{
    return string ? Id(*string) : Id();
}

// The modifier glyphs a key equivalent starts with: ⌘ ⌥ ⇧ ⌃.
bool isModifierGlyph(char16_t c)
{
    return c == 0x2318 || c == 0x2325 || c == 0x21E7 || c == 0x2303;
}

// Which modifier a modifier key stands for, by key code: right and left
// command, shift, option, control.
NSEventModifierFlags modifierFlagOfKey(unsigned short keyCode)
{
    switch (keyCode) {
    case 54:
    case 55:
        return NSEventModifierFlagCommand;
    case 58:
    case 61:
        return NSEventModifierFlagOption;
    case 56:
    case 60:
        return NSEventModifierFlagShift;
    case 59:
    case 62:
        return NSEventModifierFlagControl;
    default:
        return 0;
    }
}

// Menu items are matched against every combination of the menu's modifiers
// that could have produced their key equivalent. Shift with control and option
// but without command is not among them.
constexpr std::array<NSEventModifierFlags, 15> keyEquivalentFlagCombinations = {
    0x0,      0x40000,  0x100000, 0x20000,  0x80000,  0x140000, 0x60000,  0xC0000,
    0x120000, 0x180000, 0xA0000,  0x160000, 0x1C0000, 0x1A0000, 0x1E0000,
};

// Without an application (a tool, a test) there is nothing right to left.
NSUserInterfaceLayoutDirection applicationLayoutDirection()
{
    auto application = NSApp();
    return application ? application->userInterfaceLayoutDirection() : NSUserInterfaceLayoutDirectionLeftToRight;
}

bool isFunctionKey(SRKeyCode keyCode)
{
    switch (keyCode) {
    case 122:
    case 120:
    case 99:
    case 118:
    case 96:
    case 97:
    case 98:
    case 100:
    case 101:
    case 109:
    case 103:
    case 111:
    case 105:
    case 107:
    case 113:
    case 106:
    case 64:
    case 79:
    case 80:
    case 90:
        return true;
    default:
        return false;
    }
}

// The texts are decoded for classes that could be written by anyone, so every
// decode is restricted to the class the field must have.
[[maybe_unused]] const bool registeredForCoding = [] {
    NSCoder::registerClass<SRShortcut>();
    return true;
}();

}  // namespace

SRShortcut::SRShortcut(SRKeyCode code, NSEventModifierFlags flags, std::optional<String> characters,
                       std::optional<String> charactersIgnoringModifiers)
    : keyCode_(code)
    , modifierFlags_(flags & SRCocoaModifierFlagsMask)
    , characters_(std::move(characters))
    , charactersIgnoringModifiers_(std::move(charactersIgnoringModifiers))
{
    if (code == SRKeyCodeNone)
        return;
    // Texts that weren't given come from the ASCII-capable layout, so they
    // don't change when the user switches to a layout without Latin letters.
    // The characters take the flags as they came, unmasked.
    auto& transformer = SRASCIISymbolicKeyCodeTransformer::sharedTransformer();
    if (!characters_)
        characters_ = optionalString(transformer.transformedValue(Id::number(code), Id::number(flags), Id(),
                                                                  NSUserInterfaceLayoutDirectionLeftToRight));
    if (!charactersIgnoringModifiers_)
        charactersIgnoringModifiers_ = optionalString(transformer.transformedValue(
            Id::number(code), Id(), Id::number(flags), NSUserInterfaceLayoutDirectionLeftToRight));
}

std::shared_ptr<SRShortcut> SRShortcut::shortcutWithCode(SRKeyCode code, NSEventModifierFlags flags,
                                                         std::optional<String> characters,
                                                         std::optional<String> charactersIgnoringModifiers)
{
    LogActivity activity("+[SRShortcut shortcutWithCode:modifierFlags:characters:charactersIgnoringModifiers:]");
    return std::make_shared<SRShortcut>(code, flags, std::move(characters), std::move(charactersIgnoringModifiers));
}

std::shared_ptr<SRShortcut> SRShortcut::shortcutWithEvent(const NSEvent& event, bool ignoringCharacters)
{
    LogActivity activity("+[SRShortcut shortcutWithEvent:ignoringCharacters:]");
    NSEventType type = event.type();
    if (type != NSEventTypeKeyDown && type != NSEventTypeKeyUp && type != NSEventTypeFlagsChanged) {
        Log::write(LogLevel::Error, {},
                   "#Error aKeyboardEvent must be either NSEventTypeKeyUp, NSEventTypeKeyDown or "
                   "NSEventTypeFlagsChanged, but got %lu",
                   static_cast<unsigned long>(type));
        return nullptr;
    }

    SRKeyCode keyCode = event.keyCode();
    NSEventModifierFlags flags = event.modifierFlags();
    std::optional<String> characters;
    std::optional<String> charactersIgnoringModifiers;

    if (type == NSEventTypeFlagsChanged) {
        // The event's flags may not yet include the key that changed.
        flags |= modifierFlagOfKey(keyCode);
        keyCode = SRKeyCodeNone;
        if (ignoringCharacters) {
            characters = String();
            charactersIgnoringModifiers = String();
        }
    } else if (ignoringCharacters) {
        // Empty rather than nil, so that nothing is derived either.
        characters = String();
        charactersIgnoringModifiers = String();
    } else {
        try {
            characters = event.characters();
            charactersIgnoringModifiers = event.charactersIgnoringModifiers();
        } catch (const NSException&) {
            if (NSThread::isMainThread())
                throw;
            // Reading an event's texts off the main thread is the caller's
            // mistake; only a handler that lets it pass gets a shortcut, with
            // the missing texts derived from the layout.
            NSAssertParameterFailure(__func__, __FILE__, __LINE__, "NO");
            Log::write(LogLevel::Error, {},
                       "#Error #Developer AppKit failed to extract characters because it is used in a non-main "
                       "thread, see SRShortcut/shortcutWithEvent:ignoringCharacters:");
            charactersIgnoringModifiers = std::nullopt;
        }
    }
    return shortcutWithCode(keyCode, flags, std::move(characters), std::move(charactersIgnoringModifiers));
}

std::shared_ptr<SRShortcut> SRShortcut::shortcutWithDictionary(const Dictionary& dictionary)
{
    LogActivity activity("+[SRShortcut shortcutWithDictionary:]");
    Id keyCode = dictionary.objectForKey(keyCodeKey());
    Id flags = dictionary.objectForKey(modifierFlagsKey());
    return shortcutWithCode(keyCode.isNumber() ? keyCode.numberValue<SRKeyCode>() : SRKeyCodeNone,
                            flags.isNumber() ? flags.unsignedValue() : 0,
                            optionalString(dictionary.objectForKey(charactersKey())),
                            optionalString(dictionary.objectForKey(charactersIgnoringModifiersKey())));
}

std::shared_ptr<SRShortcut> SRShortcut::shortcutWithKeyEquivalent(const String& keyEquivalent)
{
    LogActivity activity("+[SRShortcut shortcutWithKeyEquivalent:]");
    // Blanks before the glyphs are passed over by the scan and belong to
    // neither part.
    const auto run = detail::scanLeadingRunBounds(keyEquivalent.utf16(), isModifierGlyph);
    String modifierPart = keyEquivalent.substring(run.start, run.end - run.start);
    String keyPart = keyEquivalent.substring(run.end);
    if (modifierPart.empty() && keyPart.empty())
        return nullptr;

    NSEventModifierFlags flags = 0;
    if (!modifierPart.empty()) {
        Id value = SRSymbolicModifierFlagsTransformer::sharedTransformer().reverseTransformedValue(modifierPart);
        if (!value.isNumber())
            return nullptr;
        flags = value.unsignedValue();
    }
    SRKeyCode keyCode = SRKeyCodeNone;
    if (!keyPart.empty()) {
        Id value = SRASCIILiteralKeyCodeTransformer::sharedTransformer().reverseTransformedValue(keyPart);
        if (!value.isNumber())
            return nullptr;
        keyCode = value.numberValue<SRKeyCode>();
    }
    return shortcutWithCode(keyCode, flags);
}

std::shared_ptr<SRShortcut> SRShortcut::shortcutWithKeyBinding(const String& keyBinding)
{
    LogActivity activity("+[SRShortcut shortcutWithKeyBinding:]");
    return SRKeyBindingTransformer::sharedTransformer().shortcutForKeyBinding(keyBinding);
}

std::shared_ptr<SRShortcut> SRShortcut::copy() const
{
    return std::const_pointer_cast<SRShortcut>(std::static_pointer_cast<const SRShortcut>(shared_from_this()));
}

Dictionary SRShortcut::dictionaryRepresentation() const
{
    SR_METHOD_ACTIVITY("dictionaryRepresentation");
    Dictionary dictionary;
    dictionary.setObject(Id::number(keyCode_), keyCodeKey());
    dictionary.setObject(Id::number(modifierFlags_), modifierFlagsKey());
    if (characters_)
        dictionary.setObject(*characters_, charactersKey());
    if (charactersIgnoringModifiers_)
        dictionary.setObject(*charactersIgnoringModifiers_, charactersIgnoringModifiersKey());
    return dictionary;
}

Id SRShortcut::objectForKeyedSubscript(const String& key) const
{
    if (key == keyCodeKey())
        return Id::number(keyCode_);
    if (key == modifierFlagsKey())
        return Id::number(modifierFlags_);
    if (key == charactersKey())
        return idOf(characters_);
    if (key == charactersIgnoringModifiersKey())
        return idOf(charactersIgnoringModifiers_);
    return {};
}

String SRShortcut::readableStringRepresentation(bool isASCII) const
{
    SR_METHOD_ACTIVITY("readableStringRepresentation:");
    SRKeyCodeTransformer& transformer =
        isASCII ? static_cast<SRKeyCodeTransformer&>(SRASCIILiteralKeyCodeTransformer::sharedTransformer())
                : static_cast<SRKeyCodeTransformer&>(SRLiteralKeyCodeTransformer::sharedTransformer());
    Id keyText = transformer.transformedValue(Id::number(keyCode_));
    String key = keyText.string() ? *keyText.string() : String::format("<%hu>", keyCode_);

    String text;
    if (modifierFlags_ & NSEventModifierFlagCommand)
        text = text.appending(SRLocalizedText("Command-"));
    if (modifierFlags_ & NSEventModifierFlagOption)
        text = text.appending(SRLocalizedText("Option-"));
    if (modifierFlags_ & NSEventModifierFlagControl)
        text = text.appending(SRLocalizedText("Control-"));
    if (modifierFlags_ & NSEventModifierFlagShift)
        text = text.appending(SRLocalizedText("Shift-"));
    return text.appending(key);
}

bool SRShortcut::isEqualToShortcut(const SRShortcut* shortcut) const
{
    if (shortcut == this)
        return true;
    if (!shortcut)
        return false;
    return keyCode_ == shortcut->keyCode_ && modifierFlags_ == shortcut->modifierFlags_;
}

bool SRShortcut::isEqualToDictionary(const Dictionary& dictionary) const
{
    Id flags = dictionary.objectForKey(modifierFlagsKey());
    bool sameFlags = (flags.unsignedValue() & SRCocoaModifierFlagsMask) == modifierFlags_;
    if (!dictionary.contains(keyCodeKey()))
        return keyCode_ == SRKeyCodeNone && sameFlags;
    Id keyCode = dictionary.objectForKey(keyCodeKey());
    return keyCode.isNumber() && keyCode.numberValue<SRKeyCode>() == keyCode_ && sameFlags;
}

bool SRShortcut::isEqualToKeyEquivalent(const String& keyEquivalent, NSEventModifierFlags modifierFlags) const
{
    SR_METHOD_ACTIVITY("isEqualToKeyEquivalent:withModifierFlags:");
    if (keyEquivalent.empty() || keyCode_ == SRKeyCodeNone)
        return false;
    if (isEqualToKeyEquivalent(keyEquivalent, modifierFlags, SRASCIISymbolicKeyCodeTransformer::sharedTransformer()))
        return true;
    return isEqualToKeyEquivalent(keyEquivalent, modifierFlags, SRSymbolicKeyCodeTransformer::sharedTransformer());
}

bool SRShortcut::isEqualToKeyEquivalent(const String& keyEquivalent, NSEventModifierFlags modifierFlags,
                                        const SRKeyCodeTransformer& transformer) const
{
    SR_METHOD_ACTIVITY("isEqualToKeyEquivalent:withModifierFlags:usingTransformer:");
    if (keyEquivalent.empty() || keyCode_ == SRKeyCodeNone)
        return false;

    const NSEventModifierFlags given = modifierFlags & SRCocoaModifierFlagsMask;
    const NSEventModifierFlags own = modifierFlags_;

    // Menus show Tab and back-tab alike for the Tab key, whatever the layout.
    if (keyCode_ == 48 && own == given && keyEquivalent.length() == 1 &&
        (keyEquivalent.characterAtIndex(0) == 0x0009 || keyEquivalent.characterAtIndex(0) == 0x0019))
        return true;

    const NSUserInterfaceLayoutDirection direction = applicationLayoutDirection();
    auto text = [&](NSEventModifierFlags implicitFlags, NSEventModifierFlags explicitFlags) {
        return transformer.transformedValue(Id::number(keyCode_), Id::number(implicitFlags), Id::number(explicitFlags),
                                            direction);
    };

    const Id base = text(0, own);
    const Id wanted(keyEquivalent);
    if (base == wanted && own == given)
        return true;
    if (given & ~own)
        return false;

    // A menu item's key equivalent may already be the text that some of its
    // modifiers type (⇧1 shown as "!"): try each part of the given flags as
    // typing the text, the rest of this shortcut's flags along with it.
    for (NSEventModifierFlags combination : keyEquivalentFlagCombinations) {
        if ((combination & given) != combination)
            continue;
        Id candidate = text((own & ~given) | combination, given);
        if (candidate != base && candidate == wanted)
            return true;
    }
    return false;
}

bool SRShortcut::isEqual(const Id& other) const
{
    return SR_isEqual(*this, other, "isEqualToShortcut:", SRShortcut::descriptor());
}

std::size_t SRShortcut::hash() const
{
    return detail::SRShortcutKey(*this).hash();
}

String SRShortcut::description() const
{
    static SRShortcutFormatter* formatter = [] {
        auto* f = new SRShortcutFormatter();
        f->setUsesASCIICapableKeyboardInputSource(true);
        f->setIsKeyCodeLiteral(true);
        f->setLayoutDirection(NSUserInterfaceLayoutDirectionLeftToRight);
        return f;
    }();
    return formatter->stringForShortcut(*this);
}

std::shared_ptr<SRShortcut> SRShortcut::initWithCoder(NSCoder& coder)
{
    LogActivity activity("-[SRShortcut initWithCoder:]");
    Id keyCode = coder.decodeObjectOfClass(ValueClass::number(), keyCodeKey());
    Id flags = coder.decodeObjectOfClass(ValueClass::number(), modifierFlagsKey());
    Id characters = coder.decodeObjectOfClass(ValueClass::string(), charactersKey());
    Id charactersIgnoringModifiers = coder.decodeObjectOfClass(ValueClass::string(), charactersIgnoringModifiersKey());
    // A field of the wrong class fails the whole decode; no shortcut is made
    // from what is left of it.
    if (coder.error())
        return nullptr;
    return shortcutWithCode(keyCode.numberValue<SRKeyCode>(), flags.unsignedValue(), optionalString(characters),
                            optionalString(charactersIgnoringModifiers));
}

void SRShortcut::encodeWithCoder(NSCoder& coder) const
{
    SR_METHOD_ACTIVITY("encodeWithCoder:");
    // The version tells a reader of the archive which library wrote it.
    Id version;
    if (auto bundle = SRLibraryBundle())
        version = bundle->objectForInfoDictionaryKey("CFBundleVersion");
    coder.encodeObject(version, versionKey());
    coder.encodeObject(Id::number(keyCode_), keyCodeKey());
    coder.encodeObject(Id::number(modifierFlags_), modifierFlagsKey());
    coder.encodeObject(idOf(characters_), charactersKey());
    coder.encodeObject(idOf(charactersIgnoringModifiers_), charactersIgnoringModifiersKey());
}

std::uint32_t SRShortcut::carbonKeyCode() const
{
    if (keyCode_ == SRKeyCodeNone)
        Log::write(LogLevel::Error, {}, "#Critical SRKeyCodeNone has no representation in Carbon");
    return keyCode_;
}

std::uint32_t SRShortcut::carbonModifierFlags() const
{
    std::uint32_t flags = 0;
    if (modifierFlags_ & NSEventModifierFlagCommand)
        flags |= SRCarbonCommandKey;
    if (modifierFlags_ & NSEventModifierFlagShift)
        flags |= SRCarbonShiftKey;
    if (modifierFlags_ & NSEventModifierFlagOption)
        flags |= SRCarbonOptionKey;
    if (modifierFlags_ & NSEventModifierFlagControl)
        flags |= SRCarbonControlKey;
    // Asked of the key code itself: a shortcut without a key has no function
    // key, and asking carbonKeyCode would log it as critical a second time.
    if (isFunctionKey(keyCode_))
        flags |= SRCarbonFunctionKeyMask;
    return flags;
}

void SRShortcut::describe(ClassDescriptor& d)
{
    d.method<SRShortcut>("isEqualToShortcut:", ReturnKind::Boolean,
                         [](SRShortcut& self, std::span<const Id> arguments) {
                             auto other = arguments[0].object<SRShortcut>();
                             return Id::boolean(other && self.isEqualToShortcut(other.get()));
                         });
    d.property<SRShortcut>(SRShortcutKeyKeyCode, [](SRShortcut& self) { return Id::number(self.keyCode()); });
    d.property<SRShortcut>(SRShortcutKeyModifierFlags,
                           [](SRShortcut& self) { return Id::number(self.modifierFlags()); });
    d.property<SRShortcut>(SRShortcutKeyCharacters, [](SRShortcut& self) { return idOf(self.characters()); });
    d.property<SRShortcut>(SRShortcutKeyCharactersIgnoringModifiers,
                           [](SRShortcut& self) { return idOf(self.charactersIgnoringModifiers()); });
    d.property<SRShortcut>("carbonKeyCode", [](SRShortcut& self) { return Id::number(self.carbonKeyCode()); });
    d.property<SRShortcut>("carbonModifierFlags",
                           [](SRShortcut& self) { return Id::number(self.carbonModifierFlags()); });
    d.property<SRShortcut>("dictionaryRepresentation",
                           [](SRShortcut& self) { return Id(self.dictionaryRepresentation()); });
}
