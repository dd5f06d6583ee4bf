#include "shortcut-library/SRShortcut.h"

#include "KeyboardLayoutTestSupport.h"
#include "appkit/NSEvent.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSException.h"
#include "foundation/NSKeyedArchiver.h"
#include "foundation/NSKeyedUnarchiver.h"
#include "foundation/ValueClasses.h"
#include "shortcut-library/SRCommon.h"
#include "shortcut-library/SRKeyCodeTransformer.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace {

namespace ID = textinput::InputSourceID;

constexpr NSEventModifierFlags shift = NSEventModifierFlagShift;
constexpr NSEventModifierFlags control = NSEventModifierFlagControl;
constexpr NSEventModifierFlags option = NSEventModifierFlagOption;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;
constexpr NSEventModifierFlags all = shift | control | option | command;

std::shared_ptr<NSEvent> keyEvent(NSEventType type, unsigned short keyCode, NSEventModifierFlags flags,
                                  const String& characters = "", const String& charactersIgnoringModifiers = "")
{
    return NSEvent::keyEventWithType(type, NSZeroPoint, flags, 0, 0, Id(), characters, charactersIgnoringModifiers,
                                     false, keyCode);
}

TEST(SRShortcutTest, KeepsOnlyTheFourModifiers)
{
    struct Case {
        NSEventModifierFlags given;
        NSEventModifierFlags kept;
    };
    const Case cases[] = {
        {all | NSEventModifierFlagCapsLock | NSEventModifierFlagNumericPad | NSEventModifierFlagFunction | 0x1, all},
        {NSEventModifierFlagCapsLock | 0x100, 0},
        {command | 0x8, command},
        {0, 0},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.given);
        auto shortcut = SRShortcut::shortcutWithCode(0, row.given, String("a"), String("a"));
        EXPECT_EQ(shortcut->modifierFlags(), row.kept);
        EXPECT_EQ(shortcut->dictionaryRepresentation()["modifierFlags"], Id::number(row.kept));
    }
}

TEST(SRShortcutTest, DerivesMissingTextsFromTheASCIILayout)
{
    ScopedKeyboardLayout layout(ID::Russian);
    auto shifted = SRShortcut::shortcutWithCode(0, shift | NSEventModifierFlagCapsLock);
    EXPECT_EQ(shifted->characters(), String("A"));
    EXPECT_EQ(shifted->charactersIgnoringModifiers(), String("a"));

    auto given = SRShortcut::shortcutWithCode(0, shift, String("x"), String());
    EXPECT_EQ(given->characters(), String("x"));
    EXPECT_EQ(given->charactersIgnoringModifiers(), String());  // empty is a text too

    auto keyless = SRShortcut::shortcutWithCode(SRKeyCodeNone, command);
    EXPECT_FALSE(keyless->characters());
    EXPECT_FALSE(keyless->charactersIgnoringModifiers());
}

TEST(SRShortcutTest, FlagsChangedEventGivesTheChangedModifierWithoutAKey)
{
    struct Case {
        unsigned short keyCode;
        NSEventModifierFlags eventFlags;
        NSEventModifierFlags expected;
    };
    const Case cases[] = {
        {56, 0, shift},
        {60, 0, shift},
        {54, 0, command},
        {55, option, command | option},
        {58, 0, option},
        {61, 0, option},
        {59, 0, control},
        {62, 0, control},
        {57, NSEventModifierFlagCapsLock | command, command},  // caps lock adds nothing
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.keyCode);
        auto event = keyEvent(NSEventTypeFlagsChanged, row.keyCode, row.eventFlags);
        auto shortcut = SRShortcut::shortcutWithEvent(*event);
        ASSERT_TRUE(shortcut);
        EXPECT_EQ(shortcut->keyCode(), SRKeyCodeNone);
        EXPECT_EQ(shortcut->modifierFlags(), row.expected);
        EXPECT_FALSE(shortcut->characters());
        EXPECT_FALSE(shortcut->charactersIgnoringModifiers());

        auto ignoring = SRShortcut::shortcutWithEvent(*event, true);
        EXPECT_EQ(ignoring->characters(), String());
        EXPECT_EQ(ignoring->charactersIgnoringModifiers(), String());
    }
}

TEST(SRShortcutTest, KeyEventGivesItsKeyAndTexts)
{
    for (NSEventType type : {NSEventTypeKeyDown, NSEventTypeKeyUp}) {
        SCOPED_TRACE(type);
        auto event = keyEvent(type, 0, shift | NSEventModifierFlagCapsLock, "A", "A");
        auto shortcut = SRShortcut::shortcutWithEvent(*event);
        ASSERT_TRUE(shortcut);
        EXPECT_EQ(shortcut->keyCode(), 0);
        EXPECT_EQ(shortcut->modifierFlags(), shift);
        EXPECT_EQ(shortcut->characters(), String("A"));
        EXPECT_EQ(shortcut->charactersIgnoringModifiers(), String("A"));

        auto ignoring = SRShortcut::shortcutWithEvent(*event, true);
        EXPECT_EQ(ignoring->characters(), String());
        EXPECT_EQ(ignoring->charactersIgnoringModifiers(), String());
    }
}

TEST(SRShortcutTest, OtherEventsGiveNilAndSaySo)
{
    ScopedLogCapture log;
    auto click = NSEvent::mouseEventWithType(NSEventTypeLeftMouseDown, NSZeroPoint, 0, 0, 0, Id(), 0, 1, 1);
    EXPECT_FALSE(SRShortcut::shortcutWithEvent(*click));
    EXPECT_TRUE(log.sink().contains(LogLevel::Error,
                                    "#Error aKeyboardEvent must be either NSEventTypeKeyUp, NSEventTypeKeyDown or "
                                    "NSEventTypeFlagsChanged, but got 1"));
}

class RecordingAssertionHandler : public NSAssertionHandler {
public:
    void handleFailure(const char*, const char* file, int line, const String& description) override
    {
        failures.push_back(description.utf8());
        this->file = file;
        this->line = line;
    }
    std::vector<std::string> failures;
    std::string file;
    int line = 0;
};

TEST(SRShortcutTest, ReadingEventTextsOffTheMainThreadIsAnAssertion)
{
    ScopedKeyboardLayout layout(ID::US);
    auto event = keyEvent(NSEventTypeKeyDown, 0, shift, "A", "A");

    // The default handler raises.
    std::optional<NSException> raised;
    std::thread([&] {
        try {
            SRShortcut::shortcutWithEvent(*event);
        } catch (const NSException& e) {
            raised = e;
        }
    }).join();
    ASSERT_TRUE(raised);
    EXPECT_EQ(raised->name(), NSInternalInconsistencyException);
    EXPECT_EQ(raised->reason(), String("Invalid parameter not satisfying: NO"));

    // A handler that returns gets a shortcut with the texts derived.
    ScopedLogCapture log;
    auto handler = std::make_shared<RecordingAssertionHandler>();
    std::shared_ptr<SRShortcut> shortcut;
    std::shared_ptr<SRShortcut> ignoring;
    std::thread([&] {
        ScopedAssertionHandler installed(handler);
        shortcut = SRShortcut::shortcutWithEvent(*event);
        ignoring = SRShortcut::shortcutWithEvent(*event, true);  // reads nothing, so nothing to assert
    }).join();
    EXPECT_EQ(handler->failures, std::vector<std::string>{"Invalid parameter not satisfying: NO"});
    EXPECT_NE(handler->file.find("SRShortcut"), std::string::npos);
    EXPECT_TRUE(log.sink().contains(LogLevel::Error,
                                    "#Error #Developer AppKit failed to extract characters because it is used in a "
                                    "non-main thread, see SRShortcut/shortcutWithEvent:ignoringCharacters:"));
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(shortcut->keyCode(), 0);
    EXPECT_EQ(shortcut->modifierFlags(), shift);
    EXPECT_EQ(shortcut->characters(), String("A"));
    EXPECT_EQ(shortcut->charactersIgnoringModifiers(), String("a"));
    ASSERT_TRUE(ignoring);
    EXPECT_EQ(ignoring->characters(), String());
}

TEST(SRShortcutTest, ReadsTheDictionaryFormWithDefaultsForWhatIsMissing)
{
    ScopedKeyboardLayout layout(ID::US);
    struct Case {
        const char* name;
        Dictionary dictionary;
        SRKeyCode keyCode;
        NSEventModifierFlags flags;
        std::optional<String> characters;
        std::optional<String> charactersIgnoringModifiers;
    };
    const Case cases[] = {
        {"empty", {}, SRKeyCodeNone, 0, std::nullopt, std::nullopt},
        {"key code only", {{"keyCode", Id::number(0)}}, 0, 0, String("a"), String("a")},
        {"null key code",
         {{"keyCode", Id::null()}, {"modifierFlags", Id::number(command)}},
         SRKeyCodeNone,
         command,
         std::nullopt,
         std::nullopt},
        {"string key code", {{"keyCode", Id("0")}}, SRKeyCodeNone, 0, std::nullopt, std::nullopt},
        {"null flags", {{"keyCode", Id::number(0)}, {"modifierFlags", Id::null()}}, 0, 0, String("a"), String("a")},
        {"null texts",
         {{"keyCode", Id::number(SRKeyCodeNone)},
          {"characters", Id::null()},
          {"charactersIgnoringModifiers", Id::null()}},
         SRKeyCodeNone,
         0,
         std::nullopt,
         std::nullopt},
        {"texts kept",
         {{"keyCode", Id::number(0)}, {"characters", Id("x")}, {"charactersIgnoringModifiers", Id("y")}},
         0,
         0,
         String("x"),
         String("y")},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        auto shortcut = SRShortcut::shortcutWithDictionary(row.dictionary);
        ASSERT_TRUE(shortcut);
        EXPECT_EQ(shortcut->keyCode(), row.keyCode);
        EXPECT_EQ(shortcut->modifierFlags(), row.flags);
        EXPECT_EQ(shortcut->characters(), row.characters);
        EXPECT_EQ(shortcut->charactersIgnoringModifiers(), row.charactersIgnoringModifiers);
    }
}

TEST(SRShortcutTest, DictionaryFormHoldsTextsOnlyWhenThereAreSome)
{
    ScopedKeyboardLayout layout(ID::US);
    auto shortcut = SRShortcut::shortcutWithCode(40, command | shift);
    Dictionary form = shortcut->dictionaryRepresentation();
    EXPECT_EQ(form, (Dictionary{{"keyCode", Id::number(SRKeyCode(40))},
                                {"modifierFlags", Id::number(command | shift)},
                                {"characters", Id("K")},
                                {"charactersIgnoringModifiers", Id("k")}}));
    EXPECT_EQ(form["keyCode"].kind(), Id::Kind::Unsigned);
    EXPECT_EQ(SRShortcut::shortcutWithDictionary(form)->dictionaryRepresentation(), form);

    auto keyless = SRShortcut::shortcutWithCode(SRKeyCodeNone, option);
    EXPECT_EQ(keyless->dictionaryRepresentation().allKeys(), (Array{"keyCode", "modifierFlags"}));
}

TEST(SRShortcutTest, SubscriptsNameTheFields)
{
    auto shortcut = SRShortcut::shortcutWithCode(12, control, String("q"), std::nullopt);
    EXPECT_EQ(shortcut->objectForKeyedSubscript("keyCode"), Id::number(SRKeyCode(12)));
    EXPECT_EQ(shortcut->objectForKeyedSubscript("modifierFlags"), Id::number(control));
    EXPECT_EQ(shortcut->objectForKeyedSubscript("characters"), Id("q"));
    EXPECT_EQ(shortcut->objectForKeyedSubscript("charactersIgnoringModifiers"),
              Id(*shortcut->charactersIgnoringModifiers()));
    EXPECT_TRUE(shortcut->objectForKeyedSubscript("version").isNil());
    EXPECT_TRUE(shortcut->objectForKeyedSubscript("").isNil());
    // Bindings reach the same fields by key-value coding.
    EXPECT_EQ(shortcut->valueForKey("keyCode"), Id::number(SRKeyCode(12)));
}

TEST(SRShortcutTest, KeyAndModifiersDecideEqualityAndHash)
{
    auto a = SRShortcut::shortcutWithCode(0, command, String("a"), String("a"));
    auto b = SRShortcut::shortcutWithCode(0, command | NSEventModifierFlagCapsLock, String("x"), std::nullopt);
    EXPECT_TRUE(a->isEqual(Id(b)));
    EXPECT_TRUE(b->isEqual(Id(a)));
    EXPECT_EQ(a->hash(), b->hash());
    EXPECT_FALSE(a->isEqual(Id(SRShortcut::shortcutWithCode(0, command | shift))));
    EXPECT_FALSE(a->isEqual(Id(SRShortcut::shortcutWithCode(1, command))));
    EXPECT_FALSE(a->isEqual(Id(a->dictionaryRepresentation())));
    EXPECT_FALSE(a->isEqual(Id()));
    EXPECT_EQ(a->copy(), a);
    // Reached dynamically too, as the shared equality rule does.
    EXPECT_EQ(a->performSelector("isEqualToShortcut:", Id(b)), Id::boolean(true));
    EXPECT_EQ(a->performSelector("isEqualToShortcut:", Id("a")), Id::boolean(false));

    std::set<std::size_t> hashes;
    std::size_t count = 0;
    for (SRKeyCode keyCode : SRKeyCodeTransformer::knownKeyCodes()) {
        for (NSEventModifierFlags flags = 0; flags <= all; flags += shift, ++count)
            hashes.insert(SRShortcut::shortcutWithCode(keyCode, flags, String(), String())->hash());
    }
    EXPECT_EQ(hashes.size(), count);
}

TEST(SRShortcutTest, ComparesWithDictionaries)
{
    auto commandA = SRShortcut::shortcutWithCode(0, command, String(), String());
    auto commandOnly = SRShortcut::shortcutWithCode(SRKeyCodeNone, command);
    struct Case {
        const char* name;
        const SRShortcut& shortcut;
        Dictionary dictionary;
        bool equal;
    };
    const Case cases[] = {
        {"same", *commandA, {{"keyCode", Id::number(0)}, {"modifierFlags", Id::number(command)}}, true},
        {"other bits", *commandA, {{"keyCode", Id::number(0)}, {"modifierFlags", Id::number(command | 0x10000)}}, true},
        {"no flags", *commandA, {{"keyCode", Id::number(0)}}, false},
        {"other key", *commandA, {{"keyCode", Id::number(1)}, {"modifierFlags", Id::number(command)}}, false},
        {"null key code", *commandA, {{"keyCode", Id::null()}, {"modifierFlags", Id::number(command)}}, false},
        {"no key code", *commandA, {{"modifierFlags", Id::number(command)}}, false},
        {"keyless, no key code", *commandOnly, {{"modifierFlags", Id::number(command)}}, true},
        {"keyless, other flags", *commandOnly, {{"modifierFlags", Id::number(shift)}}, false},
        {"keyless, null key code",
         *commandOnly,
         {{"keyCode", Id::null()}, {"modifierFlags", Id::number(command)}},
         false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.shortcut.isEqualToDictionary(row.dictionary), row.equal);
    }
}

TEST(SRShortcutTest, MatchesMenuKeyEquivalents)
{
    ScopedKeyboardLayout layout(ID::US);
    struct Case {
        const char* name;
        SRKeyCode keyCode;
        NSEventModifierFlags flags;
        const char16_t* keyEquivalent;
        NSEventModifierFlags menuFlags;
        bool equal;
    };
    const Case cases[] = {
        {"same", 0, command, u"a", command, true},
        {"menu flags beyond the four are ignored", 0, command, u"a", command | NSEventModifierFlagFunction, true},
        {"menu has more flags", 0, command, u"a", command | shift, false},
        {"shortcut has more flags", 0, command | shift, u"a", command, false},
        {"other key", 1, command, u"a", command, false},
        {"shifted text with its shift", 18, shift, u"!", shift, true},
        {"shifted text, shift left out of the menu", 18, command | shift, u"!", command, true},
        {"shifted text without shift", 18, command, u"!", command, false},
        {"tab", 48, control, u"\t", control, true},
        {"back-tab", 48, control, u"\u0019", control, true},
        {"tab with other flags", 48, control, u"\t", 0, false},
        {"empty key equivalent", 0, 0, u"", 0, false},
        {"no key", SRKeyCodeNone, command, u"a", command, false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        auto shortcut = SRShortcut::shortcutWithCode(row.keyCode, row.flags);
        EXPECT_EQ(shortcut->isEqualToKeyEquivalent(String(row.keyEquivalent), row.menuFlags), row.equal);
    }
}

TEST(SRShortcutTest, MatchesKeyEquivalentsOfTheCurrentLayoutToo)
{
    ScopedKeyboardLayout layout(ID::Russian);
    auto commandA = SRShortcut::shortcutWithCode(0, command);
    EXPECT_TRUE(commandA->isEqualToKeyEquivalent(String(u"a"), command));
    EXPECT_TRUE(commandA->isEqualToKeyEquivalent(String(u"\u0444"), command));  // ф
    EXPECT_FALSE(commandA->isEqualToKeyEquivalent(String(u"\u0444"), command,
                                                  SRASCIISymbolicKeyCodeTransformer::sharedTransformer()));
}

// Answers `match` only for one set of implicit flags, so a test can see which
// sets the key-equivalent match tries.
class OneCombinationTransformer : public SRKeyCodeTransformer {
    KS_OBJECT(OneCombinationTransformer, SRKeyCodeTransformer)
public:
    explicit OneCombinationTransformer(NSEventModifierFlags typing)
        : SRKeyCodeTransformer(nullptr)
        , typing_(typing)
    {
    }
    using SRKeyCodeTransformer::transformedValue;
    Id transformedValue(const Id&, const Id& implicitFlags, const Id&, NSUserInterfaceLayoutDirection) const override
    {
        return implicitFlags.unsignedValue() == typing_ ? Id("match") : Id("base");
    }

private:
    NSEventModifierFlags typing_;
};

TEST(SRShortcutTest, KeyEquivalentMatchTriesFifteenModifierCombinations)
{
    auto shortcut = SRShortcut::shortcutWithCode(0, all, String(), String());
    std::set<NSEventModifierFlags> matched;
    for (NSEventModifierFlags typing = 0; typing <= all; typing += shift) {
        OneCombinationTransformer transformer(typing);
        if (shortcut->isEqualToKeyEquivalent(String("match"), all, transformer))
            matched.insert(typing);
    }
    EXPECT_EQ(matched.size(), 15u);
    EXPECT_EQ(matched.count(shift | control | option), 0u);
}

TEST(SRShortcutTest, ReadsKeyEquivalents)
{
    ScopedKeyboardLayout layout(ID::US);
    struct Case {
        const char16_t* keyEquivalent;
        bool parses;
        SRKeyCode keyCode;
        NSEventModifierFlags flags;
    };
    const Case cases[] = {
        {u"\u2318", true, SRKeyCodeNone, command},
        {u"\u2318\u21E7a", true, 0, command | shift},
        {u"\u21E7\u2318A", true, 0, command | shift},
        {u"\u2303\u2325F13", true, 105, control | option},
        {u"\u2325esc", true, 53, option},
        {u"a", true, 0, 0},
        {u"", false, 0, 0},
        {u"\u2318\u2318a", false, 0, 0},
        {u"\u2318xyz", false, 0, 0},
        // Blanks before the glyphs are passed over, as the key-binding
        // reader passes them over before its modifier characters.
        {u" \u2318a", true, 0, command},
        {u"\t \u2303\u21E7\u2318", true, SRKeyCodeNone, control | shift | command},
        {u" a", false, 0, 0},  // with no glyphs after them they are part of the key
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << String(row.keyEquivalent));
        auto shortcut = SRShortcut::shortcutWithKeyEquivalent(String(row.keyEquivalent));
        ASSERT_EQ(bool(shortcut), row.parses);
        if (!shortcut)
            continue;
        EXPECT_EQ(shortcut->keyCode(), row.keyCode);
        EXPECT_EQ(shortcut->modifierFlags(), row.flags);
    }
    // The texts are derived.
    EXPECT_EQ(SRShortcut::shortcutWithKeyEquivalent(String(u"\u21E7a"))->characters(), String("A"));
}

TEST(SRShortcutTest, ReadableTextListsModifierWordsThenTheKey)
{
    ScopedKeyboardLayout layout(ID::Russian);
    struct Case {
        SRKeyCode keyCode;
        NSEventModifierFlags flags;
        bool ascii;
        const char16_t* expected;
    };
    const Case cases[] = {
        {0, command | shift, true, u"Command-Shift-A"},
        {0, all, true, u"Command-Option-Control-Shift-A"},
        {0, 0, false, u"\u0424"},  // Ф, from the current layout
        {96, option, true, u"Option-F5"},
        {200, control, true, u"Control-<200>"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.keyCode);
        auto shortcut = SRShortcut::shortcutWithCode(row.keyCode, row.flags, String(), String());
        EXPECT_EQ(shortcut->readableStringRepresentation(row.ascii), String(row.expected));
    }
}

TEST(SRShortcutTest, DescriptionIsGlyphsAndTheKeyName)
{
    ScopedKeyboardLayout layout(ID::Russian);
    EXPECT_EQ(SRShortcut::shortcutWithCode(0, command | shift)->description(), String(u"\u21E7\u2318A"));
    EXPECT_EQ(SRShortcut::shortcutWithCode(48, control)->description(), String(u"\u2303\u21E5"));
}

TEST(SRShortcutTest, CarbonValues)
{
    struct Case {
        SRKeyCode keyCode;
        NSEventModifierFlags flags;
        std::uint32_t carbonFlags;
    };
    const Case cases[] = {
        {96, command, 0x800000 | 0x100},  // F5
        {90, 0, 0x800000},                // F20
        {0, command, 0x100},
        {0, shift, 0x200},
        {0, option, 0x800},
        {0, control, 0x1000},
        {0, all, 0x1B00},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.keyCode);
        auto shortcut = SRShortcut::shortcutWithCode(row.keyCode, row.flags, String(), String());
        EXPECT_EQ(shortcut->carbonKeyCode(), row.keyCode);
        EXPECT_EQ(shortcut->carbonModifierFlags(), row.carbonFlags);
    }

    ScopedLogCapture log;
    auto keyless = SRShortcut::shortcutWithCode(SRKeyCodeNone, command);
    EXPECT_EQ(keyless->carbonKeyCode(), 0xFFFFu);
    EXPECT_EQ(keyless->carbonModifierFlags(), 0x100u);
    EXPECT_EQ(log.sink().texts(), std::vector<std::string>{"#Critical SRKeyCodeNone has no representation in Carbon"});
}

TEST(SRShortcutTest, ArchivesUnderSecureCoding)
{
    ScopedKeyboardLayout layout(ID::US);
    for (auto shortcut : {SRShortcut::shortcutWithCode(40, command | shift, String("x"), String("y")),
                          SRShortcut::shortcutWithCode(SRKeyCodeNone, option)}) {
        String error;
        auto data = NSKeyedArchiver::archivedDataWithRootObject(Id(shortcut), true, &error);
        ASSERT_TRUE(data) << error;
        auto back = NSKeyedUnarchiver::unarchivedObjectOfClass<SRShortcut>(*data, &error);
        ASSERT_TRUE(back) << error;
        EXPECT_TRUE(back->isEqual(Id(shortcut)));
        EXPECT_EQ(back->characters(), shortcut->characters());
        EXPECT_EQ(back->charactersIgnoringModifiers(), shortcut->charactersIgnoringModifiers());
    }
}

// Keeps what is encoded, in order, and decodes from a dictionary the way a
// keyed unarchiver restricts classes.
class DictionaryCoder : public NSCoder {
public:
    explicit DictionaryCoder(Dictionary fields = {})
        : fields_(std::move(fields))
    {
    }
    void encodeObject(const Id& object, const String& key) override { encoded.emplace_back(key.utf8(), object); }
    bool containsValueForKey(const String& key) const override { return fields_.contains(key); }
    Id decodeObjectOfClass(const ClassDescriptor& cls, const String& key) override
    {
        Id value = fields_.objectForKey(key);
        return valueIsKindOfClass(value, cls) ? value : Id();
    }
    std::vector<std::pair<std::string, Id>> encoded;

private:
    Dictionary fields_;
};

TEST(SRShortcutTest, EncodesTheLibraryVersionFirstAndNeverReadsIt)
{
    auto shortcut = SRShortcut::shortcutWithCode(40, command, String("k"), std::nullopt);
    DictionaryCoder coder;
    shortcut->encodeWithCoder(coder);
    Id version = SRLibraryBundle()->objectForInfoDictionaryKey("CFBundleVersion");
    ASSERT_TRUE(version.isString());
    using Field = std::pair<std::string, Id>;
    EXPECT_EQ(coder.encoded,
              (std::vector<Field>{{"version", version},
                                  {"keyCode", Id::number(SRKeyCode(40))},
                                  {"modifierFlags", Id::number(command)},
                                  {"characters", Id("k")},
                                  {"charactersIgnoringModifiers", *shortcut->charactersIgnoringModifiers()}}));

    // A coder without a key code decodes to key code 0, not to no key.
    DictionaryCoder withoutKeyCode(Dictionary{{"version", Id("999")}, {"modifierFlags", Id::number(command)}});
    auto decoded = SRShortcut::initWithCoder(withoutKeyCode);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->keyCode(), 0);
    EXPECT_EQ(decoded->modifierFlags(), command);
}

}  // namespace
