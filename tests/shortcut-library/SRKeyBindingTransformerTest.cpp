#include "shortcut-library/SRKeyBindingTransformer.h"

#include "KeyboardLayoutTestSupport.h"
#include "foundation/Log.h"
#include "shortcut-library/SRKeyCodeTransformer.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

namespace {

namespace ID = textinput::InputSourceID;

constexpr NSEventModifierFlags shift = NSEventModifierFlagShift;
constexpr NSEventModifierFlags control = NSEventModifierFlagControl;
constexpr NSEventModifierFlags option = NSEventModifierFlagOption;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;

// Control characters made visible, for failure messages.
std::string show(const String& text)
{
    std::string out;
    for (char16_t c : text.utf16()) {
        if (c < 0x20 || c >= 0x7F)
            out += "<U+" + std::to_string(c) + ">";
        else
            out += static_cast<char>(c);
    }
    return out;
}

// What went wrong, leaving out the translator's debug traces.
std::vector<std::string> errors(const CapturingLogSink& sink)
{
    std::vector<std::string> texts;
    for (const LogEntry& entry : sink.entries())
        if (entry.level != LogLevel::Debug)
            texts.push_back(entry.text);
    return texts;
}

Id write(const Id& value)
{
    return SRKeyBindingTransformer::sharedTransformer().reverseTransformedValue(value);
}

std::shared_ptr<SRShortcut> read(const Id& value)
{
    return SRKeyBindingTransformer::sharedTransformer().transformedValue(value).object<SRShortcut>();
}

std::vector<NSEventModifierFlags> everyModifierSet()
{
    std::vector<NSEventModifierFlags> sets;
    for (unsigned bits = 0; bits < 16; ++bits)
        sets.push_back((bits & 1 ? control : 0) | (bits & 2 ? option : 0) | (bits & 4 ? shift : 0) |
                       (bits & 8 ? command : 0));
    return sets;
}

bool isKeypadKey(SRKeyCode keyCode)
{
    static const std::set<SRKeyCode> keypad = {65, 67, 69, 71, 75, 76, 78, 81, 82, 83, 84, 85, 86, 87, 88, 89, 91, 92};
    return keypad.count(keyCode) != 0;
}

// Every known key with every modifier set, written with the layout of the
// moment: the strings, and the key codes that have no string.
struct Written {
    std::map<std::pair<SRKeyCode, NSEventModifierFlags>, String> strings;
    std::set<SRKeyCode> unwritable;
};

Written writeEveryShortcut()
{
    Written written;
    for (SRKeyCode keyCode : SRKeyCodeTransformer::knownKeyCodes()) {
        for (NSEventModifierFlags flags : everyModifierSet()) {
            Id string = write(Id(SRShortcut::shortcutWithCode(keyCode, flags)));
            if (const String* s = string.string())
                written.strings[{keyCode, flags}] = *s;
            else
                written.unwritable.insert(keyCode);
        }
    }
    return written;
}

TEST(SRKeyBindingTransformerTest, EveryKnownShortcutIsWrittenInOrderAndReadsBackAsItself)
{
    ScopedKeyboardLayout layout(ID::US);
    ScopedLogCapture log;
    Written written = writeEveryShortcut();

    for (const auto& [key, string] : written.strings) {
        const auto [keyCode, flags] = key;
        SCOPED_TRACE(testing::Message() << "key code " << keyCode << " flags " << std::hex << flags << " -> "
                                        << show(string));
        auto shortcut = SRShortcut::shortcutWithCode(keyCode, flags);
        std::u16string expected;
        for (auto [flag, character] : {std::pair{control, u'^'}, {option, u'~'}, {shift, u'$'}, {command, u'@'}})
            if (flags & flag)
                expected += character;
        if (isKeypadKey(keyCode))
            expected += u'#';
        ASSERT_TRUE(shortcut->charactersIgnoringModifiers());
        expected += shortcut->charactersIgnoringModifiers()->utf16();
        EXPECT_EQ(string, String(expected));

        auto back = read(string);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->keyCode(), keyCode);
        EXPECT_EQ(back->modifierFlags(), flags);
    }

    // The keypad's "." and "/" have no key-binding reading of their own: "#."
    // and "#/" read as the main keyboard's keys.
    EXPECT_EQ(written.unwritable, (std::set<SRKeyCode>{65, 75}));
    EXPECT_TRUE(log.sink().contains(LogLevel::Error, "#Error unreadable key binding"));
}

TEST(SRKeyBindingTransformerTest, StringsStayTheSameWhileALayoutWithoutLatinLettersIsSelected)
{
    ScopedKeyboardLayout layout(ID::US);
    ScopedLogCapture quiet(false);
    const Written us = writeEveryShortcut();
    for (auto selected : {ID::Russian, ID::Hebrew}) {
        SCOPED_TRACE(std::string(selected));
        ASSERT_TRUE(layout.select(selected));
        Written now = writeEveryShortcut();
        EXPECT_EQ(now.unwritable, us.unwritable);
        EXPECT_TRUE(now.strings == us.strings);
        for (const auto& [key, string] : us.strings) {
            auto back = read(string);
            ASSERT_TRUE(back) << show(string);
            EXPECT_EQ(back->keyCode(), key.first) << show(string);
            EXPECT_EQ(back->modifierFlags(), key.second) << show(string);
        }
    }
}

TEST(SRKeyBindingTransformerTest, ReadsStoredStrings)
{
    ScopedKeyboardLayout layout(ID::US);
    struct Case {
        const char16_t* string;
        SRKeyCode keyCode;
        NSEventModifierFlags flags;
    };
    const Case cases[] = {
        {u"^\t", 48, control},
        {u"$@k", 40, shift | command},
        {u"@K", 40, shift | command},   // an uppercase letter is the shifted key
        {u"@$k", 40, shift | command},  // any order
        {u"^^a", 0, control},           // repeats count once
        {u"~^$@a", 0, control | option | shift | command},
        {u"#1", 83, 0},
        {u"1", 18, 0},
        {u"#=", 81, 0},
        {u"#-", 78, 0},
        {u"#a", 0, 0},   // the keypad marker only moves digits, "=" and "-"
        {u"#.", 47, 0},  // as it always has: the main keyboard's period
        {u" ", 49, 0},   // a lone space or tab is the key itself
        {u"\t", 48, 0},
        {u"^ ", 49, control},
        {u" ^a", 0, control},  // white space before the modifiers is passed over
        {u"\r", 36, 0},
        {u"@\uF704", 122, command},  // F1
        {u"^\uF700", 126, control},  // Up Arrow
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(show(row.string));
        ScopedLogCapture log;
        auto shortcut = read(String(row.string));
        ASSERT_TRUE(shortcut);
        EXPECT_EQ(shortcut->keyCode(), row.keyCode);
        EXPECT_EQ(shortcut->modifierFlags(), row.flags);
        EXPECT_TRUE(errors(log.sink()).empty()) << testing::PrintToString(errors(log.sink()));
    }
}

TEST(SRKeyBindingTransformerTest, ReadShortcutCarriesTheTextsOfItsKey)
{
    ScopedKeyboardLayout layout(ID::US);
    auto shortcut = read(String("$@k"));
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(shortcut->characters(), String("K"));
    EXPECT_EQ(shortcut->charactersIgnoringModifiers(), String("k"));
    EXPECT_TRUE(SRShortcut::shortcutWithKeyBinding("$@k")->isEqual(Id(shortcut)));
}

TEST(SRKeyBindingTransformerTest, UnreadableStringsGiveNilAndSaySo)
{
    ScopedKeyboardLayout layout(ID::US);
    for (const char16_t* string : {u"^", u"^ab", u"ab", u"@$", u"^\u20AC", u"  a", u"\t^"}) {
        SCOPED_TRACE(show(string));
        ScopedLogCapture log;
        EXPECT_FALSE(read(String(string)));
        EXPECT_TRUE(log.sink().contains(LogLevel::Error, "#Error unexpected key symbol"));
    }
    for (const Id& value : {Id(String()), Id(), Id::number(48), Id(Dictionary{{"keyCode", Id::number(0)}})}) {
        ScopedLogCapture log;
        EXPECT_FALSE(read(value));
        EXPECT_TRUE(errors(log.sink()).empty()) << value;
    }
}

TEST(SRKeyBindingTransformerTest, WritesShortcutsAndTheirDictionaries)
{
    ScopedKeyboardLayout layout(ID::US);
    struct Case {
        Id value;
        const char16_t* expected;
    };
    const Case cases[] = {
        {Id(SRShortcut::shortcutWithCode(48, control)), u"^\t"},
        {Id(SRShortcut::shortcutWithCode(40, command | shift)), u"$@k"},
        {Id(SRShortcut::shortcutWithCode(83, 0)), u"#1"},
        {Id(SRShortcut::shortcutWithCode(122, option)), u"~\uF704"},
        {Id(Dictionary{{"keyCode", Id::number(SRKeyCode(83))}}), u"#1"},  // no flags: only the key
        {Id(Dictionary{{"keyCode", Id::number(SRKeyCode(0))}, {"modifierFlags", Id("x")}}), u"a"},
        // Bits other than the four modifiers are not written.
        {Id(Dictionary{{"keyCode", Id::number(0)},
                       {"modifierFlags", Id::number(SRCocoaModifierFlagsMask | NSEventModifierFlagCapsLock)}}),
         u"^~$@a"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(show(row.expected));
        ScopedLogCapture log;
        EXPECT_EQ(write(row.value), Id(String(row.expected)));
        EXPECT_TRUE(errors(log.sink()).empty()) << testing::PrintToString(errors(log.sink()));
    }
}

TEST(SRKeyBindingTransformerTest, ValuesThatCantBeWrittenGiveNilWithTheirReason)
{
    ScopedKeyboardLayout layout(ID::US);
    struct Case {
        const char* name;
        Id value;
        const char* message;
    };
    const Case cases[] = {
        {"string", Id("^a"), "#Error invalid class of the value"},
        {"number", Id::number(0), "#Error invalid class of the value"},
        {"no key code", Id(Dictionary{{"modifierFlags", Id::number(0)}}), "#Error invalid key code"},
        {"key code not a number", Id(Dictionary{{"keyCode", Id("0")}}), "#Error invalid key code"},
        {"key code without a character", Id(Dictionary{{"keyCode", Id::number(200)}}), "#Error unexpected key code"},
        // Written, "@" alone would read as nothing.
        {"no key", Id(SRShortcut::shortcutWithCode(SRKeyCodeNone, command)), "#Error unreadable key binding"},
        // "#." would read as the main keyboard's period.
        {"keypad period", Id(SRShortcut::shortcutWithCode(65, 0)), "#Error unreadable key binding"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        ScopedLogCapture log;
        EXPECT_FALSE(write(row.value));
        EXPECT_TRUE(log.sink().contains(LogLevel::Error, row.message)) << testing::PrintToString(log.sink().texts());
    }
}

TEST(SRKeyBindingTransformerTest, KeyWhoseCharacterIsAModifierCharacterIsNotWritten)
{
    // On the French layout "$" is unshifted, on the German one "#": written
    // after the modifiers, either would be read as a modifier of an empty key.
    struct Case {
        std::string_view layout;
        SRKeyCode keyCode;
    };
    for (const Case& row : {Case{ID::French, 30}, Case{ID::German, 42}}) {
        SCOPED_TRACE(std::string(row.layout));
        ScopedKeyboardLayout layout(row.layout);
        ScopedLogCapture log;
        auto shortcut = SRShortcut::shortcutWithCode(row.keyCode, command);
        ASSERT_TRUE(shortcut->charactersIgnoringModifiers());
        ASSERT_EQ(shortcut->charactersIgnoringModifiers()->length(), 1u);
        EXPECT_TRUE(String("^~$@#").find(*shortcut->charactersIgnoringModifiers()) != String::npos);
        EXPECT_FALSE(write(Id(shortcut)));
        EXPECT_TRUE(log.sink().contains(LogLevel::Error, "#Error unreadable key binding"));

        // The layout's other keys still round-trip.
        auto other = SRShortcut::shortcutWithCode(0, command);
        auto back = read(write(Id(other)));
        ASSERT_TRUE(back);
        EXPECT_TRUE(back->isEqual(Id(other)));
    }
}

TEST(SRKeyBindingTransformerTest, SharedTransformerAndNewOnesAgree)
{
    ScopedKeyboardLayout layout(ID::US);
    auto own = SRKeyBindingTransformer::create();
    EXPECT_NE(own.get(), &SRKeyBindingTransformer::sharedTransformer());
    EXPECT_EQ(&SRKeyBindingTransformer::sharedTransformer(), &SRKeyBindingTransformer::sharedTransformer());
    EXPECT_EQ(own->reverseTransformedValue(Id(SRShortcut::shortcutWithCode(48, control))), Id(String(u"^\t")));
    EXPECT_TRUE(own->allowsReverseTransformation());
}

}  // namespace
