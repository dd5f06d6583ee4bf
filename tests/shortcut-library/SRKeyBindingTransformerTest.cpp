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

// The ASCII-capable layouts on offer, from the catalogue itself so that a
// layout added there is walked too.
std::vector<std::string> asciiCapableLayouts()
{
    std::vector<std::string> identifiers;
    for (const auto& source : textinput::KeyboardLayoutCatalog::shared().inputSources())
        if (source->isASCIICapable() && source->identifier())
            identifiers.push_back(*source->identifier());
    return identifiers;
}

// The keys whose character can't name them on a layout, written by key code:
// dead keys, which type nothing by themselves, and U.S.-International's
// backslash key, whose "\" has always read as the key beside the left shift.
const std::map<std::string, std::set<SRKeyCode>, std::less<>>& keysWrittenByKeyCode()
{
    static const std::map<std::string, std::set<SRKeyCode>, std::less<>> keys = {
        {std::string(ID::USInternationalPC), {39, 42, 50}},
        {std::string(ID::German), {24, 50}},
        {std::string(ID::French), {33}},
    };
    return keys;
}

TEST(SRKeyBindingTransformerTest, EveryShortcutOfEveryOfferedLayoutIsWrittenInOrderAndReadsBackAsItself)
{
    ScopedLogCapture log;
    const auto layouts = asciiCapableLayouts();
    ASSERT_GE(layouts.size(), 7u);
    for (const std::string& identifier : layouts) {
        SCOPED_TRACE(identifier);
        ScopedKeyboardLayout layout(identifier);
        const auto found = keysWrittenByKeyCode().find(identifier);
        const std::set<SRKeyCode> byKeyCode =
            found == keysWrittenByKeyCode().end() ? std::set<SRKeyCode>() : found->second;
        Written written = writeEveryShortcut();
        EXPECT_TRUE(written.unwritable.empty()) << testing::PrintToString(written.unwritable);

        for (const auto& [key, string] : written.strings) {
            const auto [keyCode, flags] = key;
            SCOPED_TRACE(testing::Message()
                         << "key code " << keyCode << " flags " << std::hex << flags << " -> " << show(string));
            std::u16string expected;
            for (auto [flag, character] : {std::pair{control, u'^'}, {option, u'~'}, {shift, u'$'}, {command, u'@'}})
                if (flags & flag)
                    expected += character;
            if (isKeypadKey(keyCode))
                expected += u'#';
            if (byKeyCode.count(keyCode)) {
                expected += static_cast<char16_t>(0xE000 + keyCode);
            } else {
                auto character = SRShortcut::shortcutWithCode(keyCode, 0)->charactersIgnoringModifiers();
                ASSERT_TRUE(character);
                expected += character->utf16();
            }
            EXPECT_EQ(string, String(expected));

            auto back = read(string);
            ASSERT_TRUE(back);
            EXPECT_EQ(back->keyCode(), keyCode);
            EXPECT_EQ(back->modifierFlags(), flags);
        }
    }
    EXPECT_FALSE(log.sink().contains(LogLevel::Error, "#Error unreadable key binding"));
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
        {u"#a", 0, 0},   // a marker where the keypad has no such key changes nothing
        {u"#.", 65, 0},  // the keypad's period and slash, not the main keyboard's
        {u"#/", 75, 0},
        {u"*", 67, 0},  // the keypad's alone types "*": no marker needed to find it
        {u" ", 49, 0},  // a lone space or tab is the key itself
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
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        ScopedLogCapture log;
        EXPECT_FALSE(write(row.value));
        EXPECT_TRUE(log.sink().contains(LogLevel::Error, row.message)) << testing::PrintToString(log.sink().texts());
    }
}

TEST(SRKeyBindingTransformerTest, EachLayoutReadsACharacterAsTheKeyThatTypesIt)
{
    // Where two keys share a character, or the character is a modifier
    // character, the string names the key that wrote it: the keypad's with
    // the marker, the main keyboard's without it, and the last character of
    // a string of modifier characters is its key.
    struct Case {
        std::string_view layout;
        const char16_t* string;
        SRKeyCode keyCode;
        NSEventModifierFlags flags;
    };
    const Case cases[] = {
        {ID::German, u"@,", 43, command},  // Command-comma: not the keypad's decimal comma
        {ID::German, u"#,", 65, 0},
        {ID::German, u"-", 44, 0},  // not the U.S. "-" key, which types "ß" here
        {ID::German, u"#-", 78, 0},
        {ID::German, u"+", 30, 0},
        {ID::German, u"#+", 69, 0},
        {ID::German, u"@#", 42, command},
        {ID::German, u"##", 42, 0},  // no keypad key types "#": the marker changes nothing
        {ID::French, u"$", 30, 0},
        {ID::French, u"$@$", 30, shift | command},
        {ID::French, u"-", 22, 0},
        {ID::French, u"*", 42, 0},
        {ID::French, u"#*", 67, 0},
        {ID::French, u"1", 18, 0},  // no key types "1" unshifted: the digit keeps its main-keyboard code
        {ID::French, u"#.", 65, 0},
        {ID::Dvorak, u"@.", 14, command},  // Command-period
        {ID::Dvorak, u"/", 33, 0},
        {ID::Dvorak, u"-", 39, 0},
        {ID::Dvorak, u"=", 30, 0},
        {ID::Dvorak, u"#=", 81, 0},
        {ID::USInternationalPC, u"\\", 10, 0},  // as it always has: the key beside the left shift
        {ID::USInternationalPC, u"@\uE02A", 42, command},
        {ID::German, u"\uE018", 24, 0},    // the dead acute key
        {ID::US, u"^\uE000", 0, control},  // a key of its own character written by key code reads all the same
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << row.layout << " " << show(row.string));
        ScopedKeyboardLayout layout(row.layout);
        ScopedLogCapture log;
        auto shortcut = read(String(row.string));
        ASSERT_TRUE(shortcut);
        EXPECT_EQ(shortcut->keyCode(), row.keyCode);
        EXPECT_EQ(shortcut->modifierFlags(), row.flags);
        EXPECT_TRUE(errors(log.sink()).empty()) << testing::PrintToString(errors(log.sink()));
    }

    // Key codes that no key has, or that the library doesn't know, name nothing.
    ScopedKeyboardLayout layout(ID::US);
    for (const char16_t* string : {u"\uE034", u"\uE07F", u"@\uE080"}) {
        SCOPED_TRACE(show(string));
        ScopedLogCapture log;
        EXPECT_FALSE(read(String(string)));
        EXPECT_TRUE(log.sink().contains(LogLevel::Error, "#Error unexpected key symbol"));
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
