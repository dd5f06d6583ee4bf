#include "shortcut-library/SRKeyCodeTransformer.h"

#include "foundation/Log.h"
#include "shortcut-library/SRCommon.h"
#include "shortcut-library/SRKeyCodeTranslator.h"

#include <array>
#include <optional>

namespace {

constexpr std::array<SRKeyCode, 103> knownKeyCodeList = {
    29, 18, 19,  20,  21,  23,  22,  26, 28,  25, 0,  11,  42,  8,   43,  2,   14,  24,  3,   5,   50,
    4,  34, 38,  40,  82,  83,  84,  85, 86,  87, 88, 89,  91,  92,  65,  75,  76,  81,  78,  67,  69,
    37, 33, 46,  27,  45,  31,  35,  47, 12,  39, 15, 30,  1,   41,  44,  17,  32,  9,   13,  7,   16,
    6,  51, 125, 119, 53,  122, 120, 99, 118, 96, 97, 98,  100, 101, 109, 103, 111, 105, 107, 113, 106,
    64, 79, 80,  90,  117, 114, 115, 10, 95,  94, 93, 123, 121, 116, 36,  124, 49,  48,  126,
};

enum : SRKeyCode {
    keyCodeReturn = 36,
    keyCodeTab = 48,
    keyCodeSpace = 49,
    keyCodeDelete = 51,
    keyCodeEscape = 53,
    keyCodeKeypadClear = 71,
    keyCodeKeypadEnter = 76,
    keyCodeHelp = 114,
    keyCodeForwardDelete = 117,
};

// F1 ... F20 by key code; 0 for any other key.
int functionKeyNumber(SRKeyCode keyCode)
{
    switch (keyCode) {
    case 122:
        return 1;
    case 120:
        return 2;
    case 99:
        return 3;
    case 118:
        return 4;
    case 96:
        return 5;
    case 97:
        return 6;
    case 98:
        return 7;
    case 100:
        return 8;
    case 101:
        return 9;
    case 109:
        return 10;
    case 103:
        return 11;
    case 111:
        return 12;
    case 105:
        return 13;
    case 107:
        return 14;
    case 113:
        return 15;
    case 106:
        return 16;
    case 64:
        return 17;
    case 79:
        return 18;
    case 80:
        return 19;
    case 90:
        return 20;
    default:
        return 0;
    }
}

constexpr std::array<SRKeyCode, 20> functionKeyCodes = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                                        103, 111, 105, 107, 113, 106, 64, 79,  80,  90};

// The key-equivalent character of F1 is U+F704, of F20 U+F717.
constexpr char16_t functionKeySymbolBase = 0xF703;

// Keys whose text never comes from the layout, apart from the function keys.
// Tab, Delete and Forward Delete depend on more than the key code and are
// handled where the direction is known; their rows give the left-to-right text.
struct SpecialKey {
    SRKeyCode keyCode;
    const char16_t* literal;
    char16_t symbol;
};

constexpr SpecialKey specialKeys[] = {
    {keyCodeReturn, u"\u21A9", 0x000D},
    {keyCodeTab, u"\u21E5", 0x0009},
    {keyCodeSpace, nullptr, 0x0020},  // the localized "Space"
    {keyCodeDelete, u"\u232B", 0x0008},
    {keyCodeEscape, u"\u238B", 0x001B},
    {keyCodeKeypadClear, u"\u2327", 0xF739},
    {keyCodeKeypadEnter, u"\u2305", 0x0003},
    {93, u"\u00A5", 0x00A5},  // Yen key of Japanese keyboards
    {94, u"\uFF3F", 0xFF3F},  // underscore key of Japanese keyboards
    {95, u"\u3001", 0x3001},  // keypad comma of Japanese keyboards
    {keyCodeHelp, u"?\u20DD", 0xF746},
    {115, u"\u2196", 0xF729},  // Home
    {116, u"\u21DE", 0xF72C},  // Page Up
    {keyCodeForwardDelete, u"\u2326", 0x007F},
    {119, u"\u2198", 0xF72B},  // End
    {121, u"\u21DF", 0xF72D},  // Page Down
    {123, u"\u2190", 0xF702},  // Left Arrow
    {124, u"\u2192", 0xF703},  // Right Arrow
    {125, u"\u2193", 0xF701},  // Down Arrow
    {126, u"\u2191", 0xF700},  // Up Arrow
};

const SpecialKey* specialKey(SRKeyCode keyCode)
{
    for (const SpecialKey& key : specialKeys) {
        if (key.keyCode == keyCode)
            return &key;
    }
    return nullptr;
}

void logInvalidReverseValue()
{
    Log::write(LogLevel::Error, {}, "#Error Invalid value for reverse transformation");
}

Id keyCodeNumber(std::optional<SRKeyCode> keyCode)
{
    return keyCode ? Id::number(*keyCode) : Id();
}

// The ASCII translator's reverse map, when the transformer has one: one fixed
// to an input source doesn't.
std::optional<SRKeyCode> reverseMapKeyCode(detail::SRKeyCodeTranslator& translator, const String& lowercaseText)
{
    auto* ascii = dynamic_cast<detail::SRKeyCodeASCIITranslator*>(&translator);
    if (!ascii)
        return std::nullopt;
    return ascii->keyCodeForTranslation(lowercaseText);
}

// The key code of a digit, "-", ".", "/", "=" or a Japanese key: always the
// main keyboard's, as keypad keys of the same character are told apart only by
// the key-binding string's keypad marker.
std::optional<SRKeyCode> mainKeyboardKeyCode(char16_t character)
{
    switch (character) {
    case u'-':
        return 27;
    case u'.':
        return 47;
    case u'/':
        return 44;
    case u'0':
        return 29;
    case u'1':
        return 18;
    case u'2':
        return 19;
    case u'3':
        return 20;
    case u'4':
        return 21;
    case u'5':
        return 23;
    case u'6':
        return 22;
    case u'7':
        return 26;
    case u'8':
        return 28;
    case u'9':
        return 25;
    case u'=':
        return 24;
    case u'\u00A5':
        return 93;
    case u'\u3001':
        return 95;
    case u'\uFF3F':
        return 94;
    default:
        return std::nullopt;
    }
}

std::optional<SRKeyCode> literalGlyphKeyCode(char16_t character)
{
    if (auto keyCode = mainKeyboardKeyCode(character))
        return keyCode;
    switch (character) {
    case u' ':
        return keyCodeSpace;
    case u'\u2190':
        return 123;  // ←
    case u'\u2191':
        return 126;  // ↑
    case u'\u2192':
        return 124;  // →
    case u'\u2193':
        return 125;  // ↓
    case u'\u2196':
        return 115;  // ↖
    case u'\u2198':
        return 119;  // ↘
    case u'\u21A9':
        return keyCodeReturn;
    case u'\u21DE':
        return 116;  // ⇞
    case u'\u21DF':
        return 121;  // ⇟
    case u'\u21E4':
    case u'\u21E5':
        return keyCodeTab;
    case u'\u2305':
        return keyCodeKeypadEnter;
    case u'\u2326':
        return keyCodeForwardDelete;
    case u'\u2327':
        return keyCodeKeypadClear;
    case u'\u232B':
        return keyCodeDelete;
    case u'\u238B':
        return keyCodeEscape;
    default:
        return std::nullopt;
    }
}

std::optional<SRKeyCode> symbolKeyCode(char16_t character)
{
    if (auto keyCode = mainKeyboardKeyCode(character))
        return keyCode;
    if (character >= functionKeySymbolBase + 1 && character <= functionKeySymbolBase + 20)
        return functionKeyCodes[character - functionKeySymbolBase - 1];
    switch (character) {
    case u'\u0019':
        return keyCodeTab;  // back-tab
    case u'\uF700':
        return 126;
    case u'\uF701':
        return 125;
    case u'\uF702':
        return 123;
    case u'\uF703':
        return 124;
    case u'\uF729':
        return 115;
    case u'\uF72B':
        return 119;
    case u'\uF72C':
        return 116;
    case u'\uF72D':
        return 121;
    case u'\uF746':
        return keyCodeHelp;
    default:
        return std::nullopt;
    }
}

// The number after "f" as a numeric reading would take it: digits only, any
// other text reads as 0.
int functionKeyNumberOfName(const String& lowercaseName)
{
    int number = 0;
    for (std::size_t i = 1; i < lowercaseName.length(); ++i) {
        char16_t c = lowercaseName.characterAtIndex(i);
        if (c < u'0' || c > u'9')
            return 0;
        number = number * 10 + (c - u'0');
    }
    return number;
}

std::optional<SRKeyCode> namedKeyCode(const String& lowercaseName)
{
    if (lowercaseName.caseInsensitiveEquals(SRLocalizedText("Space")) || lowercaseName == String("space"))
        return keyCodeSpace;
    if (lowercaseName == String("esc") || lowercaseName == String("escape"))
        return keyCodeEscape;
    if (lowercaseName == String("tab"))
        return keyCodeTab;
    if (lowercaseName == String("help") || lowercaseName == String(u"?\u20DD"))
        return keyCodeHelp;
    if (lowercaseName == String("enter"))
        return keyCodeReturn;
    return std::nullopt;
}

}  // namespace

// MARK: - SRKeyCodeTransformer

std::span<const SRKeyCode> SRKeyCodeTransformer::knownKeyCodes()
{
    return knownKeyCodeList;
}

SRKeyCodeTransformer& SRKeyCodeTransformer::sharedTransformer()
{
    return SRSymbolicKeyCodeTransformer::sharedTransformer();
}

std::shared_ptr<SRKeyCodeTransformer> SRKeyCodeTransformer::create()
{
    Log::write(LogLevel::Error, {}, "#Developer #Error Use SRSymbolicKeyCodeTransformer instead");
    auto& shared = SRSymbolicKeyCodeTransformer::sharedTransformer();
    return std::static_pointer_cast<SRKeyCodeTransformer>(shared.shared_from_this());
}

std::shared_ptr<SRKeyCodeTransformer> SRKeyCodeTransformer::createWithInputSource(TISInputSourceRef inputSource)
{
    Log::write(LogLevel::Error, {}, "#Developer #Error Use SRSymbolicKeyCodeTransformer instead");
    return std::make_shared<SRSymbolicKeyCodeTransformer>(std::move(inputSource));
}

SRKeyCodeTransformer::SRKeyCodeTransformer(std::shared_ptr<detail::SRKeyCodeTranslator> translator)
    : translator_(std::move(translator))
{
}

TISInputSourceRef SRKeyCodeTransformer::inputSource() const
{
    return translator_->inputSource();
}

std::optional<String> SRKeyCodeTransformer::literalForKeyCode(SRKeyCode keyCode,
                                                              NSEventModifierFlags implicitModifierFlags,
                                                              NSEventModifierFlags explicitModifierFlags,
                                                              NSUserInterfaceLayoutDirection layoutDirection) const
{
    const bool rightToLeft = layoutDirection == NSUserInterfaceLayoutDirectionRightToLeft;
    switch (keyCode) {
    case keyCodeTab: {
        // Back-tab points the other way; so does reading right to left.
        const bool backward = ((implicitModifierFlags & NSEventModifierFlagShift) != 0) != rightToLeft;
        return String(backward ? u"\u21E4" : u"\u21E5");
    }
    case keyCodeDelete:
        return String(rightToLeft ? u"\u2326" : u"\u232B");
    case keyCodeForwardDelete:
        return String(rightToLeft ? u"\u232B" : u"\u2326");
    case keyCodeSpace:
        return SRLocalizedText("Space");
    default:
        break;
    }
    if (int number = functionKeyNumber(keyCode))
        return String::format("F%d", number);
    if (const SpecialKey* key = specialKey(keyCode))
        return String(key->literal);

    auto text = translator_->translateKeyCode(keyCode, implicitModifierFlags, explicitModifierFlags, true);
    if (!text)
        return std::nullopt;
    return text->uppercase();
}

std::optional<String> SRKeyCodeTransformer::symbolForKeyCode(SRKeyCode keyCode,
                                                             NSEventModifierFlags implicitModifierFlags,
                                                             NSEventModifierFlags explicitModifierFlags,
                                                             NSUserInterfaceLayoutDirection) const
{
    if (int number = functionKeyNumber(keyCode))
        return String(std::u16string(1, static_cast<char16_t>(functionKeySymbolBase + number)));
    if (const SpecialKey* key = specialKey(keyCode))
        return String(std::u16string(1, key->symbol));
    return translator_->translateKeyCode(keyCode, implicitModifierFlags, explicitModifierFlags, true);
}

Id SRKeyCodeTransformer::transformedValue(const Id&, const Id&, const Id&, NSUserInterfaceLayoutDirection) const
{
    return {};
}

Id SRKeyCodeTransformer::transformedValue(const Id& value)
{
    if (auto shortcut = value.object<SRShortcut>())
        return transformedValue(Id::number(shortcut->keyCode()), Id(), Id::number(shortcut->modifierFlags()),
                                NSUserInterfaceLayoutDirectionLeftToRight);
    return transformedValue(value, Id(), Id(), NSUserInterfaceLayoutDirectionLeftToRight);
}

Id SRKeyCodeTransformer::reverseTransformedValue(const Id&)
{
    return {};
}

// MARK: - The four styles

namespace {

enum class Style { Literal, Symbolic };

// Runs one forward transformation inside its activity.
Id transformKeyCode(const SRKeyCodeTransformer& transformer, Style style, const char* activityName, const Id& value,
                    const Id& implicitModifierFlags, const Id& explicitModifierFlags,
                    NSUserInterfaceLayoutDirection layoutDirection)
{
    LogActivity activity(activityName);
    if (!value.isNumber()) {
        Log::write(LogLevel::Error, {}, "#Error Invalid key code");
        return {};
    }
    const auto keyCode = value.numberValue<SRKeyCode>();
    // A nil flag number reads as 0.
    const NSEventModifierFlags implicitFlags = implicitModifierFlags.unsignedValue();
    const NSEventModifierFlags explicitFlags = explicitModifierFlags.unsignedValue();
    std::optional<String> text =
        style == Style::Literal ? transformer.literalForKeyCode(keyCode, implicitFlags, explicitFlags, layoutDirection)
                                : transformer.symbolForKeyCode(keyCode, implicitFlags, explicitFlags, layoutDirection);
    return text ? Id(*text) : Id();
}

template <class T> std::shared_ptr<T> strongReference(T& object)
{
    return std::static_pointer_cast<T>(object.shared_from_this());
}

std::shared_ptr<detail::SRKeyCodeTranslator> sharedTranslator()
{
    return strongReference(detail::SRKeyCodeTranslator::shared());
}

std::shared_ptr<detail::SRKeyCodeTranslator> sharedASCIITranslator()
{
    return strongReference<detail::SRKeyCodeTranslator>(detail::SRKeyCodeASCIITranslator::shared());
}

template <class T> T& makeShared()
{
    // Kept for the life of the process; held by a shared pointer so that
    // callers may take references that outlive a scope (bindings, Id values).
    static auto* transformer = new std::shared_ptr<T>(std::make_shared<T>());
    return **transformer;
}

}  // namespace

SRLiteralKeyCodeTransformer& SRLiteralKeyCodeTransformer::sharedTransformer()
{
    return makeShared<SRLiteralKeyCodeTransformer>();
}

SRLiteralKeyCodeTransformer::SRLiteralKeyCodeTransformer()
    : SRKeyCodeTransformer(sharedTranslator())
{
}

SRLiteralKeyCodeTransformer::SRLiteralKeyCodeTransformer(TISInputSourceRef inputSource)
    : SRKeyCodeTransformer(std::make_shared<detail::SRKeyCodeTranslator>(std::move(inputSource)))
{
}

Id SRLiteralKeyCodeTransformer::transformedValue(const Id& value, const Id& implicitModifierFlags,
                                                 const Id& explicitModifierFlags,
                                                 NSUserInterfaceLayoutDirection layoutDirection) const
{
    return transformKeyCode(*this, Style::Literal, "Key Code -> Literal", value, implicitModifierFlags,
                            explicitModifierFlags, layoutDirection);
}

SRSymbolicKeyCodeTransformer& SRSymbolicKeyCodeTransformer::sharedTransformer()
{
    return makeShared<SRSymbolicKeyCodeTransformer>();
}

SRSymbolicKeyCodeTransformer::SRSymbolicKeyCodeTransformer()
    : SRKeyCodeTransformer(sharedTranslator())
{
}

SRSymbolicKeyCodeTransformer::SRSymbolicKeyCodeTransformer(TISInputSourceRef inputSource)
    : SRKeyCodeTransformer(std::make_shared<detail::SRKeyCodeTranslator>(std::move(inputSource)))
{
}

Id SRSymbolicKeyCodeTransformer::transformedValue(const Id& value, const Id& implicitModifierFlags,
                                                  const Id& explicitModifierFlags,
                                                  NSUserInterfaceLayoutDirection layoutDirection) const
{
    return transformKeyCode(*this, Style::Symbolic, "Key Code -> Symbol", value, implicitModifierFlags,
                            explicitModifierFlags, layoutDirection);
}

SRASCIILiteralKeyCodeTransformer& SRASCIILiteralKeyCodeTransformer::sharedTransformer()
{
    return makeShared<SRASCIILiteralKeyCodeTransformer>();
}

SRASCIILiteralKeyCodeTransformer::SRASCIILiteralKeyCodeTransformer()
    : SRKeyCodeTransformer(sharedASCIITranslator())
{
}

SRASCIILiteralKeyCodeTransformer::SRASCIILiteralKeyCodeTransformer(TISInputSourceRef inputSource)
    : SRKeyCodeTransformer(std::make_shared<detail::SRKeyCodeTranslator>(std::move(inputSource)))
{
}

Id SRASCIILiteralKeyCodeTransformer::transformedValue(const Id& value, const Id& implicitModifierFlags,
                                                      const Id& explicitModifierFlags,
                                                      NSUserInterfaceLayoutDirection layoutDirection) const
{
    return transformKeyCode(*this, Style::Literal, "Key Code -> ASCII Literal", value, implicitModifierFlags,
                            explicitModifierFlags, layoutDirection);
}

Id SRASCIILiteralKeyCodeTransformer::reverseTransformedValue(const Id& value)
{
    LogActivity activity("ASCII Literal -> Key Code");

    const String* literal = value.string();
    if (!literal || literal->empty()) {
        Log::write(LogLevel::Error, {}, "#Error Invalid ASCII literal");
        logInvalidReverseValue();
        return {};
    }

    const String name = literal->lowercase();
    std::optional<SRKeyCode> keyCode;
    bool functionKeyLike = false;
    if (name.length() == 1)
        keyCode = literalGlyphKeyCode(name.characterAtIndex(0));
    if (!keyCode && (name.length() == 2 || name.length() == 3) && name.characterAtIndex(0) == u'f') {
        // "f1" to "f9" and "f10" to "f20"; "f01" or "f21" is no function key
        // and goes to the layout, as any other text would.
        functionKeyLike = true;
        const int number = functionKeyNumberOfName(name);
        if ((name.length() == 2 && number >= 1 && number <= 9) || (name.length() == 3 && number >= 10 && number <= 20))
            keyCode = functionKeyCodes[number - 1];
    }
    if (!keyCode && !functionKeyLike)
        keyCode = namedKeyCode(name);
    if (!keyCode)
        keyCode = reverseMapKeyCode(*translator(), name);

    if (!keyCode) {
        logInvalidReverseValue();
        return {};
    }
    return keyCodeNumber(keyCode);
}

SRASCIISymbolicKeyCodeTransformer& SRASCIISymbolicKeyCodeTransformer::sharedTransformer()
{
    return makeShared<SRASCIISymbolicKeyCodeTransformer>();
}

SRASCIISymbolicKeyCodeTransformer::SRASCIISymbolicKeyCodeTransformer()
    : SRKeyCodeTransformer(sharedASCIITranslator())
{
}

SRASCIISymbolicKeyCodeTransformer::SRASCIISymbolicKeyCodeTransformer(TISInputSourceRef inputSource)
    : SRKeyCodeTransformer(std::make_shared<detail::SRKeyCodeTranslator>(std::move(inputSource)))
{
}

Id SRASCIISymbolicKeyCodeTransformer::transformedValue(const Id& value, const Id& implicitModifierFlags,
                                                       const Id& explicitModifierFlags,
                                                       NSUserInterfaceLayoutDirection layoutDirection) const
{
    return transformKeyCode(*this, Style::Symbolic, "Key Code -> ASCII Symbol", value, implicitModifierFlags,
                            explicitModifierFlags, layoutDirection);
}

Id SRASCIISymbolicKeyCodeTransformer::reverseTransformedValue(const Id& value)
{
    LogActivity activity("ASCII Symbol -> Key Code");

    const String* symbol = value.string();
    if (!symbol || symbol->length() != 1) {
        Log::write(LogLevel::Error, {}, "#Error Invalid ASCII symbol");
        logInvalidReverseValue();
        return {};
    }

    std::optional<SRKeyCode> keyCode = symbolKeyCode(symbol->characterAtIndex(0));
    // Return, Tab, Space, Delete, Escape and keypad Enter are found through the
    // layout's own text for those keys.
    if (!keyCode)
        keyCode = reverseMapKeyCode(*translator(), symbol->lowercase());

    if (!keyCode) {
        logInvalidReverseValue();
        return {};
    }
    return keyCodeNumber(keyCode);
}
