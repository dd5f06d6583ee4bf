#include "shortcut-library/SRKeyCodeTransformer.h"

#include "KeyboardLayoutTestSupport.h"
#include "foundation/Log.h"
#include "shortcut-library/SRCommon.h"
#include "shortcut-library/SRKeyCodeTranslator.h"
#include "shortcut-library/SRShortcut.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace textinput::InputSourceID;

constexpr NSEventModifierFlags shift = NSEventModifierFlagShift;
constexpr NSEventModifierFlags option = NSEventModifierFlagOption;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;
constexpr auto LTR = NSUserInterfaceLayoutDirectionLeftToRight;
constexpr auto RTL = NSUserInterfaceLayoutDirectionRightToLeft;

Id number(std::uint64_t value)
{
    return Id::number(value);
}

std::optional<String> text(const Id& value)
{
    if (const String* string = value.string())
        return *string;
    return std::nullopt;
}

String unit(char16_t c)
{
    return String(std::u16string(1, c));
}

// The keys whose text never comes from the layout, as the library shows them.
struct SpecialKey {
    SRKeyCode keyCode;
    const char16_t* literal;      // left to right; nullptr: the localized "Space"
    const char16_t* rightToLeft;  // nullptr: as left to right
    char16_t symbol;
};

const SpecialKey specialKeys[] = {
    {36, u"\u21A9", nullptr, 0x000D},     // Return
    {48, u"\u21E5", u"\u21E4", 0x0009},   // Tab
    {49, nullptr, nullptr, 0x0020},       // Space
    {51, u"\u232B", u"\u2326", 0x0008},   // Delete
    {53, u"\u238B", nullptr, 0x001B},     // Escape
    {71, u"\u2327", nullptr, 0xF739},     // keypad Clear
    {76, u"\u2305", nullptr, 0x0003},     // keypad Enter
    {93, u"\u00A5", nullptr, 0x00A5},     // Yen
    {94, u"\uFF3F", nullptr, 0xFF3F},     // Japanese underscore
    {95, u"\u3001", nullptr, 0x3001},     // Japanese keypad comma
    {114, u"?\u20DD", nullptr, 0xF746},   // Help
    {115, u"\u2196", nullptr, 0xF729},    // Home
    {116, u"\u21DE", nullptr, 0xF72C},    // Page Up
    {117, u"\u2326", u"\u232B", 0x007F},  // Forward Delete
    {119, u"\u2198", nullptr, 0xF72B},    // End
    {121, u"\u21DF", nullptr, 0xF72D},    // Page Down
    {123, u"\u2190", nullptr, 0xF702},    // Left Arrow
    {124, u"\u2192", nullptr, 0xF703},    // Right Arrow
    {125, u"\u2193", nullptr, 0xF701},    // Down Arrow
    {126, u"\u2191", nullptr, 0xF700},    // Up Arrow
};

// F1 ... F20.
const SRKeyCode functionKeys[] = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                  103, 111, 105, 107, 113, 106, 64, 79,  80,  90};

const SpecialKey* findSpecialKey(SRKeyCode keyCode)
{
    for (const auto& key : specialKeys) {
        if (key.keyCode == keyCode)
            return &key;
    }
    return nullptr;
}

int functionKeyNumber(SRKeyCode keyCode)
{
    for (int i = 0; i < 20; ++i) {
        if (functionKeys[i] == keyCode)
            return i + 1;
    }
    return 0;
}

String literalOf(const SpecialKey& key, NSUserInterfaceLayoutDirection direction)
{
    if (!key.literal)
        return SRLocalizedText("Space");
    return String(direction == RTL && key.rightToLeft ? key.rightToLeft : key.literal);
}

// What each layout types on the ordinary known keys (all but the special and
// function keys), in the order of the known key codes, separated by spaces;
// "∅" where the key types nothing (a dead key, or an empty level).
struct LayoutRows {
    std::string_view identifier;
    const char* plain;
    const char* shift;
    const char* option;
};

const LayoutRows layoutRows[] = {
    {.identifier = textinput::InputSourceID::US,
     .plain = "0 1 2 3 4 5 6 7 8 9 a b \\ c , d e = f g ` h i j k 0 1 2 3 4 5 6 7 8 9 . / = - * + l [ m - n o p . q ' "
              "r ] s ; / t u v w x y z <",
     .shift = ") ! @ # $ % ^ & * ( A B | C < D E + F G ~ H I J K 0 1 2 3 4 5 6 7 8 9 . / = - * + L { M _ N O P > Q \" "
              "R } S : ? T U V W X Y Z >",
     .option = "0 1 2 3 4 5 6 7 8 9 a b \\ c , d e = f g ` h i j k 0 1 2 3 4 5 6 7 8 9 . / = - * + l [ m - n o p . q ' "
               "r ] s ; / t u v w x y z <"},
    {.identifier = textinput::InputSourceID::German,
     .plain = "0 1 2 3 4 5 6 7 8 9 a b # c , d e ∅ f g ∅ h i j k 0 1 2 3 4 5 6 7 8 9 , / = - * + l ü m ß n o p . q ä r "
              "+ s ö - t u v w x z y <",
     .shift = "= ! \" § $ % & / ( ) A B ' C ; D E ∅ F G ° H I J K 0 1 2 3 4 5 6 7 8 9 , / = - * + L Ü M ? N O P : Q Ä "
              "R * S Ö _ T U V W X Z Y >",
     .option = "} ¹ ² ³ ¼ ½ ¬ { [ ] æ “ ’ ¢ · ð € ∅ đ ŋ ′ ħ → ∅ ĸ 0 1 2 3 4 5 6 7 8 9 , / = - * + ł ∅ µ \\ ” ø þ … @ ∅ "
               "¶ ~ ſ ∅ – ŧ ↓ „ ſ « ← » |"},
    {.identifier = textinput::InputSourceID::French,
     .plain = "à & é \" ' ( - è _ ç q b * c ; d e = f g ² h i j k 0 1 2 3 4 5 6 7 8 9 . / = - * + l ∅ , ) n o p : a ù "
              "r $ s m ! t u v z x y w <",
     .shift = "0 1 2 3 4 5 6 7 8 9 Q B µ C . D E + F G ~ H I J K 0 1 2 3 4 5 6 7 8 9 . / = - * + L ∅ ? ° N O P / A % R "
              "£ S M § T U V Z X Y W >",
     .option = "@ ¹ ~ # { [ | ` \\ ^ @ “ ∅ ¢ • ð € } đ ŋ ¬ ħ → ∅ ĸ 0 1 2 3 4 5 6 7 8 9 . / = - * + ł ∅ ∅ ] ” ø þ · æ ∅ "
               "¶ ¤ ß µ ∅ ŧ ↓ „ « » ← ł |"},
    {.identifier = textinput::InputSourceID::Russian,
     .plain = "0 1 2 3 4 5 6 7 8 9 ф и \\ с б в у = а п ё р ш о л 0 1 2 3 4 5 6 7 8 9 , / = - * + д х ь - т щ з ю й э "
              "к ъ ы ж . е г м ц ч н я /",
     .shift = ") ! \" № ; % : ? * ( Ф И / С Б В У + А П Ё Р Ш О Л 0 1 2 3 4 5 6 7 8 9 , / = - * + Д Х Ь _ Т Щ З Ю Й Э "
              "К Ъ Ы Ж , Е Г М Ц Ч Н Я |",
     .option = "0 1 2 3 4 5 6 7 8 9 ф и \\ с б в у = а п ё р ш о л 0 1 2 3 4 5 6 7 8 9 , / = - * + д х ь - т щ з ю й э "
               "к ъ ы ж . е г м ц ч н я /"},
    {.identifier = textinput::InputSourceID::Hebrew,
     .plain = "0 1 2 3 4 5 6 7 8 9 ש נ \\ ב ת ג ק = כ ע ; י ן ח ל 0 1 2 3 4 5 6 7 8 9 . / = - * + ך ] צ - מ ם פ ץ / , "
              "ר [ ד ף . א ו ה ' ס ט ז <",
     .shift = "( ! @ # $ % ^ & * ) A B | C > D E + F G ~ H I J K 0 1 2 3 4 5 6 7 8 9 . / = - * + L } M _ N O P < Q \" "
              "R { S : ? T U V W X Y Z >",
     .option = "\u200F ∅ ∅ € ₪ ° \u05AB \u05BD × \u200E \u05B0 ∅ \u05BB \u05B1 ’ ∅ \u05B8 – ∅ ױ ׳ ײ ∅ \u05B4 ∅ 0 1 2 3 "
               "4 5 6 7 8 9 . / = - * + ” \u05B2 \u05B5 ־ ∅ ∅ \u05B7 ‚ \u05C2 ״ \u05B3 \u05BF \u05BC „ ÷ ∅ \u05B9 ∅ "
               "\u05C1 \u05B6 װ ∅ |"},
};

std::vector<std::optional<String>> tokens(const char* row)
{
    std::vector<std::optional<String>> result;
    std::istringstream stream(row);
    for (std::string token; stream >> token;)
        result.push_back(token == "∅" ? std::nullopt : std::optional<String>(String(token)));
    return result;
}

std::vector<SRKeyCode> ordinaryKnownKeyCodes()
{
    std::vector<SRKeyCode> result;
    for (SRKeyCode keyCode : SRKeyCodeTransformer::knownKeyCodes()) {
        if (!findSpecialKey(keyCode) && !functionKeyNumber(keyCode))
            result.push_back(keyCode);
    }
    return result;
}

const LayoutRows& rowsOf(std::string_view identifier)
{
    for (const auto& rows : layoutRows) {
        if (rows.identifier == identifier)
            return rows;
    }
    throw std::logic_error("no rows for the layout");
}

// MARK: - Known key codes

TEST(SRKeyCodeTransformerTest, KnownKeyCodesAreTheHundredAndThreeKeysInTheirOrder)
{
    auto known = SRKeyCodeTransformer::knownKeyCodes();
    ASSERT_EQ(known.size(), 103u);
    EXPECT_EQ(known.front(), 29);
    EXPECT_EQ(known[10], 0);
    EXPECT_EQ(known.back(), 126);
    std::vector<SRKeyCode> missing;
    for (SRKeyCode keyCode = 0; keyCode <= 126; ++keyCode) {
        if (std::find(known.begin(), known.end(), keyCode) == known.end())
            missing.push_back(keyCode);
    }
    EXPECT_EQ(missing, (std::vector<SRKeyCode>{52, 54, 55, 56, 57, 58, 59, 60,  61,  62,  63,  66,
                                               68, 70, 71, 72, 73, 74, 77, 102, 104, 108, 110, 112}));
    EXPECT_EQ(ordinaryKnownKeyCodes().size(), 64u);
}

// MARK: - Every known key in real layouts

struct Variant {
    const char* name;
    NSEventModifierFlags implicitFlags;
    NSEventModifierFlags explicitFlags;
    const char* LayoutRows::*row;
};

const Variant variants[] = {
    {.name = "no flags", .implicitFlags = 0, .explicitFlags = 0, .row = &LayoutRows::plain},
    {.name = "implicit shift", .implicitFlags = shift, .explicitFlags = 0, .row = &LayoutRows::shift},
    {.name = "implicit option", .implicitFlags = option, .explicitFlags = 0, .row = &LayoutRows::option},
    // Shown beside the key, so the key keeps its plain text.
    {.name = "explicit shift, option and command",
     .implicitFlags = 0,
     .explicitFlags = shift | option | command,
     .row = &LayoutRows::plain},
};

// Checks the four transformers on every known key code against the rows of
// the selected layout and of the ASCII-capable one.
void checkEveryKnownKeyCode(std::string_view selected, std::string_view asciiCapable)
{
    const auto ordinary = ordinaryKnownKeyCodes();
    struct Transformer {
        SRKeyCodeTransformer& transformer;
        bool literal;
        std::string_view layout;
    } transformers[] = {
        {SRLiteralKeyCodeTransformer::sharedTransformer(), true, selected},
        {SRSymbolicKeyCodeTransformer::sharedTransformer(), false, selected},
        {SRASCIILiteralKeyCodeTransformer::sharedTransformer(), true, asciiCapable},
        {SRASCIISymbolicKeyCodeTransformer::sharedTransformer(), false, asciiCapable},
    };
    for (const auto& t : transformers) {
        SCOPED_TRACE(t.transformer.className().utf8());
        for (const auto& variant : variants) {
            SCOPED_TRACE(variant.name);
            const auto row = tokens(rowsOf(t.layout).*variant.row);
            ASSERT_EQ(row.size(), ordinary.size());
            for (SRKeyCode keyCode : SRKeyCodeTransformer::knownKeyCodes()) {
                std::optional<String> expected;
                if (int n = functionKeyNumber(keyCode)) {
                    expected = t.literal ? String::format("F%d", n) : unit(static_cast<char16_t>(0xF703 + n));
                } else if (const SpecialKey* key = findSpecialKey(keyCode)) {
                    const bool backTab = keyCode == 48 && (variant.implicitFlags & shift);
                    expected = t.literal ? (backTab ? String(u"\u21E4") : literalOf(*key, LTR)) : unit(key->symbol);
                } else {
                    auto index = std::find(ordinary.begin(), ordinary.end(), keyCode) - ordinary.begin();
                    expected = row[index];
                    if (expected && t.literal)
                        expected = expected->uppercase();
                }
                Id value = t.transformer.transformedValue(number(keyCode), number(variant.implicitFlags),
                                                          number(variant.explicitFlags), LTR);
                EXPECT_EQ(text(value), expected) << "key code " << keyCode;
            }
        }
    }
}

TEST(SRKeyCodeTransformerTest, EveryKnownKeyCodeInUS)
{
    ScopedKeyboardLayout layout(US);
    checkEveryKnownKeyCode(US, US);
}

TEST(SRKeyCodeTransformerTest, EveryKnownKeyCodeInGerman)
{
    ScopedKeyboardLayout layout(German);
    checkEveryKnownKeyCode(German, German);
}

TEST(SRKeyCodeTransformerTest, EveryKnownKeyCodeInFrench)
{
    ScopedKeyboardLayout layout(French);
    checkEveryKnownKeyCode(French, French);
}

// Layouts without Latin letters leave the ASCII transformers on the
// ASCII-capable layout selected before them.
TEST(SRKeyCodeTransformerTest, EveryKnownKeyCodeInRussianWithTheASCIILayoutStayingUS)
{
    ScopedKeyboardLayout layout(US);
    layout.select(Russian);
    checkEveryKnownKeyCode(Russian, US);
}

TEST(SRKeyCodeTransformerTest, EveryKnownKeyCodeInHebrewWithTheASCIILayoutStayingFrench)
{
    ScopedKeyboardLayout layout(French);
    layout.select(Hebrew);
    checkEveryKnownKeyCode(Hebrew, French);
}

TEST(SRKeyCodeTransformerTest, LiteralIsTheFullUppercaseOfTheLayoutsText)
{
    struct Case {
        std::string_view layout;
        SRKeyCode keyCode;
        const char16_t* literal;
    } cases[] = {
        {.layout = German, .keyCode = 27, .literal = u"SS"},       // ß
        {.layout = Russian, .keyCode = 50, .literal = u"\u0401"},  // ё
        {.layout = French, .keyCode = 29, .literal = u"\u00C0"},   // à
        {.layout = Hebrew, .keyCode = 0, .literal = u"\u05E9"},    // ש has no case
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.layout));
        ScopedKeyboardLayout layout(c.layout);
        EXPECT_EQ(SRLiteralKeyCodeTransformer::sharedTransformer().literalForKeyCode(c.keyCode, 0, 0, LTR),
                  String(c.literal));
    }
}

TEST(SRKeyCodeTransformerTest, ControlReachesTheLayoutOnlyAsAnImplicitFlag)
{
    ScopedKeyboardLayout layout(US);
    auto& symbolic = SRSymbolicKeyCodeTransformer::sharedTransformer();
    EXPECT_EQ(symbolic.symbolForKeyCode(0, NSEventModifierFlagControl, 0, LTR), unit(0x01));
    EXPECT_EQ(symbolic.symbolForKeyCode(0, 0, NSEventModifierFlagControl, LTR), String("a"));
}

// MARK: - Special keys

TEST(SRKeyCodeTransformerTest, SpecialKeysInBothDirections)
{
    ScopedKeyboardLayout layout(Hebrew);
    auto& literal = SRLiteralKeyCodeTransformer::sharedTransformer();
    auto& symbolic = SRSymbolicKeyCodeTransformer::sharedTransformer();
    for (const auto& key : specialKeys) {
        SCOPED_TRACE(key.keyCode);
        for (auto direction : {LTR, RTL}) {
            EXPECT_EQ(literal.literalForKeyCode(key.keyCode, 0, 0, direction), literalOf(key, direction));
            EXPECT_EQ(symbolic.symbolForKeyCode(key.keyCode, 0, 0, direction), unit(key.symbol));
        }
    }
}

TEST(SRKeyCodeTransformerTest, TabSwapsWithShiftAndDirection)
{
    ScopedKeyboardLayout layout(US);
    struct Case {
        NSEventModifierFlags implicitFlags;
        NSUserInterfaceLayoutDirection direction;
        const char16_t* literal;
    } cases[] = {
        {.implicitFlags = 0, .direction = LTR, .literal = u"\u21E5"},
        {.implicitFlags = shift, .direction = LTR, .literal = u"\u21E4"},
        {.implicitFlags = 0, .direction = RTL, .literal = u"\u21E4"},
        {.implicitFlags = shift, .direction = RTL, .literal = u"\u21E5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.implicitFlags << " " << c.direction);
        Id literal = SRLiteralKeyCodeTransformer::sharedTransformer().transformedValue(
            number(48), number(c.implicitFlags), Id(), c.direction);
        EXPECT_EQ(text(literal), String(c.literal));
        // Explicit shift is shown beside the key and never turns the glyph.
        EXPECT_EQ(SRLiteralKeyCodeTransformer::sharedTransformer().literalForKeyCode(48, 0, shift, c.direction),
                  String(c.direction == RTL ? u"\u21E4" : u"\u21E5"));
        Id symbol = SRSymbolicKeyCodeTransformer::sharedTransformer().transformedValue(
            number(48), number(c.implicitFlags), Id(), c.direction);
        EXPECT_EQ(text(symbol), unit(0x0009));
    }
}

TEST(SRKeyCodeTransformerTest, FunctionKeys)
{
    ScopedKeyboardLayout layout(Russian);
    for (int n = 1; n <= 20; ++n) {
        SCOPED_TRACE(n);
        const SRKeyCode keyCode = functionKeys[n - 1];
        for (auto direction : {LTR, RTL}) {
            EXPECT_EQ(SRLiteralKeyCodeTransformer::sharedTransformer().literalForKeyCode(keyCode, shift, 0, direction),
                      String::format("F%d", n));
            EXPECT_EQ(SRSymbolicKeyCodeTransformer::sharedTransformer().symbolForKeyCode(keyCode, shift, 0, direction),
                      unit(static_cast<char16_t>(0xF703 + n)));
        }
    }
    EXPECT_EQ(text(SRLiteralKeyCodeTransformer::sharedTransformer().transformedValue(number(105))), String("F13"));
    EXPECT_EQ(text(SRSymbolicKeyCodeTransformer::sharedTransformer().transformedValue(number(105))), unit(0xF710));
}

TEST(SRKeyCodeTransformerTest, RightToLeftKeepsOrdinaryKeys)
{
    ScopedKeyboardLayout layout(Hebrew);
    EXPECT_EQ(SRLiteralKeyCodeTransformer::sharedTransformer().literalForKeyCode(29, shift, 0, RTL), String("("));
    EXPECT_EQ(SRSymbolicKeyCodeTransformer::sharedTransformer().symbolForKeyCode(0, 0, 0, RTL), String(u"\u05E9"));
}

// MARK: - Forward transformation

TEST(SRKeyCodeTransformerTest, NoKeyIsTheEmptyTextEvenWithoutAnInputSource)
{
    ScopedKeyboardLayout layout(US);
    layout.registry().setInputSourcesUnavailable(true);
    ScopedLogCapture log;
    for (SRKeyCodeTransformer* transformer : std::initializer_list<SRKeyCodeTransformer*>{
             &SRLiteralKeyCodeTransformer::sharedTransformer(), &SRSymbolicKeyCodeTransformer::sharedTransformer(),
             &SRASCIILiteralKeyCodeTransformer::sharedTransformer(),
             &SRASCIISymbolicKeyCodeTransformer::sharedTransformer()}) {
        SCOPED_TRACE(transformer->className().utf8());
        EXPECT_EQ(text(transformer->transformedValue(number(SRKeyCodeNone))), String());
    }
    EXPECT_TRUE(log.sink().entries().empty());
    // An ordinary key has nothing to come from.
    EXPECT_EQ(SRSymbolicKeyCodeTransformer::sharedTransformer().transformedValue(number(0)), Id());
    EXPECT_TRUE(log.sink().contains(LogLevel::Error, "#Critical Failed to create an input source"));
}

TEST(SRKeyCodeTransformerTest, ValueThatIsNotANumberIsLoggedInTheConversionsActivity)
{
    ScopedKeyboardLayout layout(US);
    struct Case {
        SRKeyCodeTransformer& transformer;
        const char* activity;
    } cases[] = {
        {SRLiteralKeyCodeTransformer::sharedTransformer(), "Key Code -> Literal"},
        {SRSymbolicKeyCodeTransformer::sharedTransformer(), "Key Code -> Symbol"},
        {SRASCIILiteralKeyCodeTransformer::sharedTransformer(), "Key Code -> ASCII Literal"},
        {SRASCIISymbolicKeyCodeTransformer::sharedTransformer(), "Key Code -> ASCII Symbol"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.activity);
        for (const Id& value : {Id(), Id("0"), Id(Array{number(0)})}) {
            ScopedLogCapture log;
            EXPECT_EQ(c.transformer.transformedValue(value, Id(), Id(), LTR), Id());
            ASSERT_EQ(log.sink().entries().size(), 1u);
            const LogEntry entry = log.sink().entries()[0];
            EXPECT_EQ(entry.text, "#Error Invalid key code");
            EXPECT_EQ(entry.level, LogLevel::Error);
            EXPECT_EQ(entry.activities, std::vector<std::string>{c.activity});
        }
        ActivityRecorder activities;
        c.transformer.transformedValue(number(0));
        EXPECT_EQ(activities.names(), std::vector<std::string>{c.activity});
    }
}

TEST(SRKeyCodeTransformerTest, ShortcutFlagsAreExplicitAndNeverChangeTheText)
{
    ScopedKeyboardLayout layout(US);
    auto shiftA = SRShortcut::shortcutWithCode(0, shift, String("A"), String("a"));
    auto& symbolic = SRSymbolicKeyCodeTransformer::sharedTransformer();
    EXPECT_EQ(text(symbolic.transformedValue(Id(shiftA))), String("a"));
    EXPECT_EQ(symbolic.transformedValue(Id(shiftA)), symbolic.transformedValue(number(0)));
    auto shiftTab = SRShortcut::shortcutWithCode(48, shift, std::nullopt, std::nullopt);
    EXPECT_EQ(text(SRLiteralKeyCodeTransformer::sharedTransformer().transformedValue(Id(shiftTab))), String(u"\u21E5"));
}

TEST(SRKeyCodeTransformerTest, NilFlagsCountAsNone)
{
    ScopedKeyboardLayout layout(US);
    auto& symbolic = SRASCIISymbolicKeyCodeTransformer::sharedTransformer();
    EXPECT_EQ(text(symbolic.transformedValue(number(0), Id(), Id(), LTR)), String("a"));
    EXPECT_EQ(text(symbolic.transformedValue(number(0), number(shift), Id(), LTR)), String("A"));
}

TEST(SRKeyCodeTransformerTest, TransformerFixedToAnInputSource)
{
    ScopedKeyboardLayout layout(US);
    auto french = layout.source(French);
    auto transformer = SRLiteralKeyCodeTransformer::createWithInputSource(french);
    EXPECT_EQ(transformer->inputSource(), french);
    layout.select(Russian);
    EXPECT_EQ(text(transformer->transformedValue(number(0))), String("Q"));
    EXPECT_EQ(SRLiteralKeyCodeTransformer::sharedTransformer().inputSource(), layout.source(Russian));
    EXPECT_EQ(SRASCIILiteralKeyCodeTransformer::sharedTransformer().inputSource(), layout.source(US));

    // Without the ASCII translator there is no reverse map to read from.
    auto ascii = SRASCIISymbolicKeyCodeTransformer::createWithInputSource(french);
    EXPECT_EQ(text(ascii->transformedValue(number(0))), String("q"));
    ScopedLogCapture log;
    EXPECT_EQ(ascii->reverseTransformedValue(Id("q")), Id());
    EXPECT_EQ(log.sink().texts(), std::vector<std::string>{"#Error Invalid value for reverse transformation"});
    // The fixed tables need no map.
    EXPECT_EQ(ascii->reverseTransformedValue(Id("1")), number(18));
}

// MARK: - Creation and sharing

TEST(SRKeyCodeTransformerTest, BaseClassHandsOutTheSharedSymbolicTransformer)
{
    ScopedLogCapture log(/*debug=*/false);
    auto transformer = SRKeyCodeTransformer::create();
    EXPECT_EQ(transformer.get(), &SRSymbolicKeyCodeTransformer::sharedTransformer());
    EXPECT_EQ(&SRKeyCodeTransformer::sharedTransformer(), &SRSymbolicKeyCodeTransformer::sharedTransformer());
    EXPECT_EQ(log.sink().texts(),
              std::vector<std::string>{"#Developer #Error Use SRSymbolicKeyCodeTransformer instead"});
    EXPECT_EQ(log.sink().entries()[0].level, LogLevel::Error);

    ScopedKeyboardLayout layout(US);
    log.sink().clear();
    auto fixed = SRKeyCodeTransformer::createWithInputSource(layout.source(German));
    EXPECT_TRUE(fixed->isMemberOfClass(SRSymbolicKeyCodeTransformer::descriptor()));
    EXPECT_NE(fixed.get(), &SRSymbolicKeyCodeTransformer::sharedTransformer());
    EXPECT_EQ(text(fixed->transformedValue(number(16))), String("z"));
    EXPECT_EQ(log.sink().texts(),
              std::vector<std::string>{"#Developer #Error Use SRSymbolicKeyCodeTransformer instead"});
}

TEST(SRKeyCodeTransformerTest, SubclassesAreCreatedPlainly)
{
    ScopedLogCapture log;
    EXPECT_TRUE(SRLiteralKeyCodeTransformer::create()->isMemberOfClass(SRLiteralKeyCodeTransformer::descriptor()));
    EXPECT_TRUE(
        SRASCIISymbolicKeyCodeTransformer::create()->isMemberOfClass(SRASCIISymbolicKeyCodeTransformer::descriptor()));
    EXPECT_NE(SRSymbolicKeyCodeTransformer::create().get(), &SRSymbolicKeyCodeTransformer::sharedTransformer());
    EXPECT_TRUE(log.sink().entries().empty());
}

TEST(SRKeyCodeTransformerTest, SharedTransformersUseTheSharedTranslators)
{
    // The ASCII transformers must follow the ASCII-capable layout, or stored
    // key bindings would change meaning with the user's layout.
    EXPECT_EQ(SRLiteralKeyCodeTransformer::sharedTransformer().translator().get(),
              &detail::SRKeyCodeTranslator::shared());
    EXPECT_EQ(SRSymbolicKeyCodeTransformer::sharedTransformer().translator().get(),
              &detail::SRKeyCodeTranslator::shared());
    EXPECT_EQ(SRASCIILiteralKeyCodeTransformer::sharedTransformer().translator().get(),
              &detail::SRKeyCodeASCIITranslator::shared());
    EXPECT_EQ(SRASCIISymbolicKeyCodeTransformer::sharedTransformer().translator().get(),
              &detail::SRKeyCodeASCIITranslator::shared());
    EXPECT_EQ(&SRLiteralKeyCodeTransformer::sharedTransformer(), &SRLiteralKeyCodeTransformer::sharedTransformer());
    EXPECT_EQ(SRLiteralKeyCodeTransformer::sharedTransformer().transformedValueClass(), String("NSString"));
}

TEST(SRKeyCodeTransformerTest, OnlyTheASCIITransformersReadTextBack)
{
    ScopedKeyboardLayout layout(US);
    EXPECT_EQ(SRLiteralKeyCodeTransformer::sharedTransformer().reverseTransformedValue(Id("a")), Id());
    EXPECT_EQ(SRSymbolicKeyCodeTransformer::sharedTransformer().reverseTransformedValue(Id("a")), Id());
    EXPECT_TRUE(SRASCIILiteralKeyCodeTransformer::sharedTransformer().allowsReverseTransformation());
    EXPECT_TRUE(SRASCIISymbolicKeyCodeTransformer::sharedTransformer().allowsReverseTransformation());
}

// MARK: - Reverse transformations

struct ReverseCase {
    const char16_t* text;
    std::optional<SRKeyCode> keyCode;
};

void checkReverse(NSValueTransformer& transformer, std::initializer_list<ReverseCase> cases)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(String(c.text).utf8());
        ScopedLogCapture log;
        Id keyCode = transformer.reverseTransformedValue(Id(String(c.text)));
        if (c.keyCode) {
            EXPECT_EQ(keyCode, number(*c.keyCode));
            EXPECT_EQ(keyCode.kind(), Id::Kind::Unsigned);
            EXPECT_FALSE(log.sink().contains(LogLevel::Error, "#Error Invalid value for reverse transformation"));
        } else {
            EXPECT_EQ(keyCode, Id());
            EXPECT_TRUE(log.sink().contains(LogLevel::Error, "#Error Invalid value for reverse transformation"));
        }
    }
}

TEST(SRKeyCodeTransformerTest, ASCIILiteralReverseOfGlyphsAndFixedCharacters)
{
    ScopedKeyboardLayout layout(US);
    checkReverse(SRASCIILiteralKeyCodeTransformer::sharedTransformer(),
                 {{u" ", 49},       {u"-", 27},       {u".", 47},       {u"/", 44},       {u"0", 29},
                  {u"1", 18},       {u"2", 19},       {u"3", 20},       {u"4", 21},       {u"5", 23},
                  {u"6", 22},       {u"7", 26},       {u"8", 28},       {u"9", 25},       {u"=", 24},
                  {u"\u00A5", 93},  {u"\uFF3F", 94},  {u"\u3001", 95},  {u"\u2190", 123}, {u"\u2191", 126},
                  {u"\u2192", 124}, {u"\u2193", 125}, {u"\u2196", 115}, {u"\u2198", 119}, {u"\u21A9", 36},
                  {u"\u21DE", 116}, {u"\u21DF", 121}, {u"\u21E4", 48},  {u"\u21E5", 48},  {u"\u2305", 76},
                  {u"\u2326", 117}, {u"\u2327", 71},  {u"\u232B", 51},  {u"\u238B", 53}});
}

TEST(SRKeyCodeTransformerTest, ASCIILiteralReverseOfNames)
{
    ScopedKeyboardLayout layout(US);
    checkReverse(SRASCIILiteralKeyCodeTransformer::sharedTransformer(),
                 {{u"F1", 122},
                  {u"f9", 101},
                  {u"F10", 109},
                  {u"F13", 105},
                  {u"f13", 105},
                  {u"f20", 90},
                  // Not a function key: left to the layout, which has no such text.
                  {u"f21", std::nullopt},
                  {u"f013", std::nullopt},
                  {u"f0", std::nullopt},
                  {u"f01", std::nullopt},
                  {u"fx", std::nullopt},
                  // "f" alone is the F key.
                  {u"f", 3},
                  {u"F", 3},
                  {u"Escape", 53},
                  {u"esc", 53},
                  {u"eSC", 53},
                  {u"ESCAPE", 53},
                  {u"Enter", 36},
                  {u"tab", 48},
                  {u"TAB", 48},
                  {u"space", 49},
                  {u"Space", 49},
                  {u"help", 114},
                  {u"?\u20DD", 114},
                  // Everything else comes from the ASCII-capable layout.
                  {u"a", 0},
                  {u"A", 0},
                  {u"`", 50},
                  {u";", 41},
                  {u"\\", 42},
                  {u"zz", std::nullopt},
                  {u"\u0444", std::nullopt},
                  {u"\u21E7", std::nullopt}});
    EXPECT_EQ(
        SRASCIILiteralKeyCodeTransformer::sharedTransformer().reverseTransformedValue(Id(SRLocalizedText("Space"))),
        number(49));
}

TEST(SRKeyCodeTransformerTest, ASCIISymbolicReverse)
{
    ScopedKeyboardLayout layout(US);
    checkReverse(SRASCIISymbolicKeyCodeTransformer::sharedTransformer(),
                 {{u"\u0019", 48},
                  {u"-", 27},
                  {u".", 47},
                  {u"/", 44},
                  {u"0", 29},
                  {u"1", 18},
                  {u"2", 19},
                  {u"3", 20},
                  {u"4", 21},
                  {u"5", 23},
                  {u"6", 22},
                  {u"7", 26},
                  {u"8", 28},
                  {u"9", 25},
                  {u"=", 24},
                  {u"\u00A5", 93},
                  {u"\u3001", 95},
                  {u"\uFF3F", 94},
                  {u"\uF700", 126},
                  {u"\uF701", 125},
                  {u"\uF702", 123},
                  {u"\uF703", 124},
                  {u"\uF729", 115},
                  {u"\uF72B", 119},
                  {u"\uF72C", 116},
                  {u"\uF72D", 121},
                  {u"\uF746", 114},
                  // Found through the layout's own text for those keys.
                  {u"\r", 36},
                  {u"\t", 48},
                  {u" ", 49},
                  {u"\b", 51},
                  {u"\u007F", 117},
                  {u"\u001B", 53},
                  {u"\u0003", 76},
                  {u"a", 0},
                  {u"A", 0},
                  {u"`", 50},
                  // Keypad Clear's symbol: its key code is not a known one.
                  {u"\uF739", std::nullopt},
                  {u"\uF718", std::nullopt},
                  {u"\u0444", std::nullopt}});
    for (int n = 1; n <= 20; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(SRASCIISymbolicKeyCodeTransformer::sharedTransformer().reverseTransformedValue(
                      Id(unit(static_cast<char16_t>(0xF703 + n)))),
                  number(functionKeys[n - 1]));
    }
}

TEST(SRKeyCodeTransformerTest, DigitsReadBackAsTheMainKeyboardsEvenWhereTheKeypadWinsTheMap)
{
    ScopedKeyboardLayout layout(US);
    EXPECT_EQ(detail::SRKeyCodeASCIITranslator::shared().keyCodeForTranslation("1"), 83);
    EXPECT_EQ(SRASCIISymbolicKeyCodeTransformer::sharedTransformer().reverseTransformedValue(Id("1")), number(18));
    EXPECT_EQ(SRASCIILiteralKeyCodeTransformer::sharedTransformer().reverseTransformedValue(Id("1")), number(18));
}

TEST(SRKeyCodeTransformerTest, ReverseFollowsTheASCIICapableLayoutNotTheSelectedOne)
{
    ScopedKeyboardLayout layout(German);
    layout.select(Russian);
    auto& symbolic = SRASCIISymbolicKeyCodeTransformer::sharedTransformer();
    EXPECT_EQ(symbolic.reverseTransformedValue(Id("y")), number(6));
    EXPECT_EQ(symbolic.reverseTransformedValue(Id("z")), number(16));
    EXPECT_EQ(symbolic.reverseTransformedValue(Id(u"\u00F6")), number(41));
    EXPECT_EQ(symbolic.reverseTransformedValue(Id(u"\u0444")), Id());
}

TEST(SRKeyCodeTransformerTest, InvalidReverseValuesAreLogged)
{
    ScopedKeyboardLayout layout(US);
    auto& literal = SRASCIILiteralKeyCodeTransformer::sharedTransformer();
    auto& symbolic = SRASCIISymbolicKeyCodeTransformer::sharedTransformer();
    struct Case {
        NSValueTransformer& transformer;
        Id value;
        const char* message;
        const char* activity;
    } cases[] = {
        {literal, Id(), "#Error Invalid ASCII literal", "ASCII Literal -> Key Code"},
        {literal, Id(""), "#Error Invalid ASCII literal", "ASCII Literal -> Key Code"},
        {literal, number(0), "#Error Invalid ASCII literal", "ASCII Literal -> Key Code"},
        {symbolic, Id(), "#Error Invalid ASCII symbol", "ASCII Symbol -> Key Code"},
        {symbolic, Id(""), "#Error Invalid ASCII symbol", "ASCII Symbol -> Key Code"},
        {symbolic, Id("ab"), "#Error Invalid ASCII symbol", "ASCII Symbol -> Key Code"},
        {symbolic, Id(u"\U0001F600"), "#Error Invalid ASCII symbol", "ASCII Symbol -> Key Code"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.description().utf8());
        ScopedLogCapture log;
        ActivityRecorder activities;
        EXPECT_EQ(c.transformer.reverseTransformedValue(c.value), Id());
        EXPECT_EQ(log.sink().texts(),
                  (std::vector<std::string>{c.message, "#Error Invalid value for reverse transformation"}));
        for (const LogEntry& entry : log.sink().entries()) {
            EXPECT_EQ(entry.level, LogLevel::Error);
            EXPECT_EQ(entry.activities, std::vector<std::string>{c.activity});
        }
        EXPECT_EQ(activities.names(), std::vector<std::string>{c.activity});
    }
}

}  // namespace
