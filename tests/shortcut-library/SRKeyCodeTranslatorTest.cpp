#include "shortcut-library/SRKeyCodeTranslator.h"

#include "KeyboardLayoutTestSupport.h"
#include "foundation/Log.h"
#include "foundation/NSException.h"
#include "shortcut-library/SRKeyCodeTransformer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

using detail::SRKeyCodeASCIITranslator;
using detail::SRKeyCodeTranslator;
using detail::SRKeyCodeTranslatorCacheKey;
using textinput::InputSourceID::French;
using textinput::InputSourceID::German;
using textinput::InputSourceID::Russian;
using textinput::InputSourceID::US;

constexpr NSEventModifierFlags shift = NSEventModifierFlagShift;
constexpr NSEventModifierFlags option = NSEventModifierFlagOption;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;
constexpr NSEventModifierFlags capsLock = NSEventModifierFlagCapsLock;

long count(const CapturingLogSink& sink, const std::string& text)
{
    auto texts = sink.texts();
    return std::count(texts.begin(), texts.end(), text);
}

// MARK: - Cache key

TEST(SRKeyCodeTranslatorCacheKeyTest, MasksBothFlagSetsOnCreation)
{
    SRKeyCodeTranslatorCacheKey key("id", shift | capsLock | 0x800000, command | 0xFF, 5);
    EXPECT_EQ(key.implicitModifierFlags(), shift);
    EXPECT_EQ(key.explicitModifierFlags(), command);
    EXPECT_EQ(key.keyCode(), 5);
    EXPECT_EQ(key.identifier(), String("id"));
}

TEST(SRKeyCodeTranslatorCacheKeyTest, EqualityAndHash)
{
    const auto base = std::make_shared<SRKeyCodeTranslatorCacheKey>("com.apple.keylayout.US", shift, command, 0);
    struct Case {
        const char* name;
        std::shared_ptr<SRKeyCodeTranslatorCacheKey> other;
        bool equal;
    } cases[] = {
        {.name = "same fields",
         .other = std::make_shared<SRKeyCodeTranslatorCacheKey>("com.apple.keylayout.US", shift, command, 0),
         .equal = true},
        {.name = "bits outside the modifiers",
         .other = std::make_shared<SRKeyCodeTranslatorCacheKey>("com.apple.keylayout.US", shift | capsLock,
                                                                command | 0x800000, 0),
         .equal = true},
        {.name = "identifier",
         .other = std::make_shared<SRKeyCodeTranslatorCacheKey>("com.apple.keylayout.German", shift, command, 0),
         .equal = false},
        {.name = "key code",
         .other = std::make_shared<SRKeyCodeTranslatorCacheKey>("com.apple.keylayout.US", shift, command, 1),
         .equal = false},
        {.name = "implicit flags",
         .other = std::make_shared<SRKeyCodeTranslatorCacheKey>("com.apple.keylayout.US", 0, command, 0),
         .equal = false},
        {.name = "explicit flags",
         .other = std::make_shared<SRKeyCodeTranslatorCacheKey>("com.apple.keylayout.US", shift, 0, 0),
         .equal = false},
        // The same flag implicit in one key and explicit in the other must not meet.
        {.name = "flags swapped",
         .other = std::make_shared<SRKeyCodeTranslatorCacheKey>("com.apple.keylayout.US", command, shift, 0),
         .equal = false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(base->isEqual(Id(c.other)), c.equal);
        EXPECT_EQ(c.other->isEqual(Id(base)), c.equal);
        if (c.equal) {
            EXPECT_EQ(base->hash(), c.other->hash());
        }
    }
    EXPECT_TRUE(base->isEqual(Id(base)));
    EXPECT_FALSE(base->isEqual(Id()));
    EXPECT_FALSE(base->isEqual(Id("com.apple.keylayout.US")));
    EXPECT_FALSE(base->isEqual(Id(std::make_shared<NSObject>())));
}

TEST(SRKeyCodeTranslatorCacheKeyTest, HashKeepsKeyCodeAndFlagsInTheirOwnBits)
{
    // Key code in bits 0-15, implicit flags in 16-19, explicit flags in 20-23:
    // keys of one layout never collide.
    struct Case {
        NSEventModifierFlags implicitFlags;
        NSEventModifierFlags explicitFlags;
        SRKeyCode keyCode;
        std::uint64_t lowBits;
    } cases[] = {
        {.implicitFlags = 0, .explicitFlags = 0, .keyCode = 0, .lowBits = 0},
        {.implicitFlags = 0, .explicitFlags = 0, .keyCode = 0xFFFF, .lowBits = 0xFFFF},
        {.implicitFlags = shift, .explicitFlags = 0, .keyCode = 7, .lowBits = 0x010007},
        {.implicitFlags = command, .explicitFlags = 0, .keyCode = 0, .lowBits = 0x080000},
        {.implicitFlags = 0, .explicitFlags = shift, .keyCode = 0, .lowBits = 0x100000},
        {.implicitFlags = 0, .explicitFlags = command, .keyCode = 0, .lowBits = 0x800000},
        {.implicitFlags = SRCocoaModifierFlagsMask,
         .explicitFlags = SRCocoaModifierFlagsMask,
         .keyCode = 126,
         .lowBits = 0xFF007E},
    };
    const std::size_t identifierBits = static_cast<std::size_t>(String("X").hash()) << 24;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lowBits);
        SRKeyCodeTranslatorCacheKey key("X", c.implicitFlags, c.explicitFlags, c.keyCode);
        EXPECT_EQ(key.hash() & 0xFFFFFF, c.lowBits);
        EXPECT_EQ(key.hash() & ~std::size_t(0xFFFFFF), identifierBits & ~std::size_t(0xFFFFFF));
    }
}

TEST(SRKeyCodeTranslatorCacheKeyTest, CopyIsTheKeyItself)
{
    auto key = std::make_shared<SRKeyCodeTranslatorCacheKey>("id", 0, 0, 1);
    EXPECT_EQ(key->copy(), key);
}

// MARK: - Translation

TEST(SRKeyCodeTranslatorTest, NoKeyIsTheEmptyTextWithoutAskingForAnInputSource)
{
    int asked = 0;
    SRKeyCodeTranslator translator([&] {
        ++asked;
        return TISInputSourceRef();
    });
    ScopedLogCapture log;
    EXPECT_EQ(translator.translateKeyCode(SRKeyCodeNone, shift, command, true), String());
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(log.sink().entries().empty());
}

TEST(SRKeyCodeTranslatorTest, NoInputSourceIsLoggedAndGivesNil)
{
    ScopedKeyboardLayout layout;
    layout.registry().setCurrentInputSourceUnavailable(true);
    ScopedLogCapture log;
    EXPECT_EQ(SRKeyCodeTranslator::shared().translateKeyCode(0, 0, 0, true), std::nullopt);
    EXPECT_TRUE(log.sink().contains(LogLevel::Error, "#Critical Failed to create an input source"));
}

TEST(SRKeyCodeTranslatorTest, CreatorIsAskedOnEveryCallAndFollowsTheSelectedLayout)
{
    ScopedKeyboardLayout layout(US);
    int asked = 0;
    SRKeyCodeTranslator translator([&] {
        ++asked;
        return TISCopyCurrentKeyboardLayoutInputSource();
    });
    EXPECT_EQ(translator.translateKeyCode(16, 0, 0, true), String("y"));
    layout.select(German);
    EXPECT_EQ(translator.translateKeyCode(16, 0, 0, true), String("z"));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(translator.inputSource(), layout.source(German));
}

TEST(SRKeyCodeTranslatorTest, FixedInputSourceIgnoresTheSelection)
{
    ScopedKeyboardLayout layout(US);
    SRKeyCodeTranslator translator(layout.source(French));
    EXPECT_EQ(translator.inputSource(), layout.source(French));
    EXPECT_EQ(translator.translateKeyCode(0, 0, 0, true), String("q"));
    layout.select(Russian);
    EXPECT_EQ(translator.translateKeyCode(0, 0, 0, true), String("q"));
}

TEST(SRKeyCodeTranslatorTest, SecondRequestIsACacheHit)
{
    ScopedKeyboardLayout layout;
    SRKeyCodeTranslator translator(layout.source(US));
    ScopedLogCapture log;
    EXPECT_EQ(translator.translateKeyCode(0, 0, 0, true), String("a"));
    EXPECT_EQ(translator.translateKeyCode(0, 0, 0, true), String("a"));
    EXPECT_EQ(log.sink().texts(), (std::vector<std::string>{"Translation cache miss", "Translation cache hit"}));
    EXPECT_EQ(log.sink().entries()[0].level, LogLevel::Debug);
    EXPECT_EQ(translator.translationCache().count(), 1u);
}

TEST(SRKeyCodeTranslatorTest, CacheTracesStayOutOfTheLogUnlessDebugLoggingIsOn)
{
    ScopedKeyboardLayout layout;
    SRKeyCodeTranslator translator(layout.source(US));
    ScopedLogCapture log(/*debug=*/false);
    translator.translateKeyCode(0, 0, 0, true);
    translator.translateKeyCode(0, 0, 0, true);
    EXPECT_TRUE(log.sink().entries().empty());
}

TEST(SRKeyCodeTranslatorTest, ExplicitFlagsGiveEqualTextsFromSeparateEntries)
{
    ScopedKeyboardLayout layout;
    SRKeyCodeTranslator translator(layout.source(US));
    ScopedLogCapture log;
    EXPECT_EQ(translator.translateKeyCode(0, 0, 0, true), String("a"));
    EXPECT_EQ(translator.translateKeyCode(0, 0, shift | command, true), String("a"));
    EXPECT_EQ(count(log.sink(), "Translation cache miss"), 2);
    EXPECT_EQ(translator.translationCache().count(), 2u);
}

TEST(SRKeyCodeTranslatorTest, ImplicitFlagsReachTheLayout)
{
    ScopedKeyboardLayout layout;
    SRKeyCodeTranslator translator(layout.source(textinput::InputSourceID::ABC));
    struct Case {
        NSEventModifierFlags flags;
        const char16_t* text;
    } cases[] = {
        {.flags = 0, .text = u"a"},
        {.flags = shift, .text = u"A"},
        {.flags = option, .text = u"\u00E5"},
        {.flags = shift | option, .text = u"\u00C5"},
        {.flags = NSEventModifierFlagControl, .text = u"\u0001"},
        // Command changes no text; caps lock is not one of the four modifiers.
        {.flags = command, .text = u"a"},
        {.flags = capsLock, .text = u"a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(translator.translateKeyCode(0, c.flags, 0, true), String(c.text));
        EXPECT_EQ(translator.translateKeyCode(0, c.flags, 0, false), String(c.text));
    }
}

TEST(SRKeyCodeTranslatorTest, LayoutSwitchNeverServesTheOldLayoutsText)
{
    ScopedKeyboardLayout layout(US);
    EXPECT_EQ(SRKeyCodeTranslator::shared().translateKeyCode(12, 0, 0, true), String("q"));
    layout.select(French);
    EXPECT_EQ(SRKeyCodeTranslator::shared().translateKeyCode(12, 0, 0, true), String("a"));
    layout.select(Russian);
    EXPECT_EQ(SRKeyCodeTranslator::shared().translateKeyCode(12, 0, 0, true), String(u"\u0439"));
    layout.select(US);
    EXPECT_EQ(SRKeyCodeTranslator::shared().translateKeyCode(12, 0, 0, true), String("q"));
}

TEST(SRKeyCodeTranslatorTest, WithoutCacheNothingIsLookedUpOrStored)
{
    ScopedKeyboardLayout layout;
    SRKeyCodeTranslator translator(layout.source(US));
    ScopedLogCapture log;
    EXPECT_EQ(translator.translateKeyCode(0, 0, 0, false), String("a"));
    EXPECT_TRUE(log.sink().entries().empty());
    EXPECT_EQ(translator.translationCache().count(), 0u);
}

TEST(SRKeyCodeTranslatorTest, SourceWithoutIdentifierTranslatesUncached)
{
    ScopedKeyboardLayout layout;
    SRKeyCodeTranslator translator(layout.fake({.identifier = std::nullopt}));
    ScopedLogCapture log;
    EXPECT_EQ(translator.translateKeyCode(0, 0, 0, true), String("a"));
    EXPECT_EQ(translator.translateKeyCode(0, 0, 0, true), String("a"));
    EXPECT_EQ(log.sink().texts(),
              (std::vector<std::string>{"#Error Input source misses an ID", "#Error Input source misses an ID"}));
    EXPECT_EQ(log.sink().entries()[0].level, LogLevel::Error);
    EXPECT_EQ(translator.translationCache().count(), 0u);

    // Without the cache the identifier isn't needed at all.
    log.sink().clear();
    EXPECT_EQ(translator.translateKeyCode(0, 0, 0, false), String("a"));
    EXPECT_TRUE(log.sink().entries().empty());
}

TEST(SRKeyCodeTranslatorTest, FailedTranslationIsLoggedWithMaskedFlagsAndNotCached)
{
    ScopedKeyboardLayout layout;
    SRKeyCodeTranslator translator(layout.fake({.translationStatus = -25340}));
    ScopedLogCapture log;
    EXPECT_EQ(translator.translateKeyCode(3, shift | capsLock, command, true), std::nullopt);
    EXPECT_EQ(translator.translateKeyCode(3, shift | capsLock, command, true), std::nullopt);

    EXPECT_EQ(log.sink().texts(), (std::vector<std::string>{
                                      "Translation cache miss",
                                      "#Error Unable to translate keyCode 3 and modifierFlags 131072: -25340",
                                      "Translation cache miss",
                                      "#Error Unable to translate keyCode 3 and modifierFlags 131072: -25340",
                                  }));
    const LogEntry error = log.sink().entries()[1];
    EXPECT_EQ(error.level, LogLevel::Error);
    EXPECT_EQ(error.values, (std::vector<std::pair<std::string, Id>>{{"keyCode", Id::number(3)},
                                                                     {"modifierFlags", Id::number(shift)}}));
    EXPECT_EQ(translator.translationCache().count(), 0u);
}

TEST(SRKeyCodeTranslatorTest, SourceWithoutKeyLayoutDataGivesNil)
{
    ScopedKeyboardLayout layout;
    SRKeyCodeTranslator translator(layout.fake({.keysFrom = ""}));
    ScopedLogCapture log;
    EXPECT_EQ(translator.translateKeyCode(0, 0, 0, true), std::nullopt);
    EXPECT_TRUE(log.sink().contains(LogLevel::Error, "#Error Unable to translate keyCode 0 and modifierFlags 0: -50"));
    EXPECT_EQ(translator.translationCache().count(), 0u);
}

TEST(SRKeyCodeTranslatorTest, DeadKeyGivesNilAndIsTracedOnlyInDebug)
{
    ScopedKeyboardLayout layout;
    // The German acute accent only starts a composition.
    SRKeyCodeTranslator translator(layout.source(German));
    {
        ScopedLogCapture log;
        EXPECT_EQ(translator.translateKeyCode(24, shift | capsLock, 0, true), std::nullopt);
        EXPECT_EQ(translator.translateKeyCode(24, shift | capsLock, 0, true), std::nullopt);
        EXPECT_EQ(count(log.sink(), "Translation cache miss"), 2);
        auto entries = log.sink().entries();
        auto found = std::find_if(entries.begin(), entries.end(), [](const LogEntry& e) {
            return e.text == "#Error No translation exists for keyCode 24 and modifierFlags 131072";
        });
        ASSERT_NE(found, entries.end());
        EXPECT_EQ(found->level, LogLevel::Debug);
    }
    {
        ScopedLogCapture log(/*debug=*/false);
        EXPECT_EQ(translator.translateKeyCode(24, 0, 0, true), std::nullopt);
        EXPECT_TRUE(log.sink().entries().empty());
    }
    EXPECT_EQ(translator.translationCache().count(), 0u);
}

// MARK: - Reverse map

std::shared_ptr<SRKeyCodeASCIITranslator> makeASCIITranslator()
{
    return std::make_shared<SRKeyCodeASCIITranslator>(&TISCopyCurrentASCIICapableKeyboardLayoutInputSource);
}

TEST(SRKeyCodeASCIITranslatorTest, FindsTheKeyCodeOfATranslation)
{
    ScopedKeyboardLayout layout(US);
    auto translator = makeASCIITranslator();
    struct Case {
        const char16_t* text;
        std::optional<SRKeyCode> keyCode;
    } cases[] = {
        {.text = u"a", .keyCode = 0},
        {.text = u"z", .keyCode = 6},
        {.text = u"`", .keyCode = 50},
        {.text = u"\r", .keyCode = 36},
        {.text = u" ", .keyCode = 49},
        {.text = u"*", .keyCode = 67},
        // Ties go to the key code that comes later in the known list: the
        // keypad digits come after the main ones, the main "-" and "/" after
        // the keypad's, and every function key types the same character.
        {.text = u"1", .keyCode = 83},
        {.text = u"0", .keyCode = 82},
        {.text = u"-", .keyCode = 27},
        {.text = u"/", .keyCode = 44},
        {.text = u"=", .keyCode = 81},
        {.text = u"\u0010", .keyCode = 90},
        {.text = u"ab", .keyCode = std::nullopt},
        {.text = u"", .keyCode = std::nullopt},
        {.text = u"\u0444", .keyCode = std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(String(c.text).utf8());
        EXPECT_EQ(translator->keyCodeForTranslation(c.text), c.keyCode);
    }

    // Every key of a tie, for readers that must tell them apart.
    using Codes = std::vector<SRKeyCode>;
    auto codes = [&](const String& text) {
        auto list = translator->keyCodesForTranslation(text);
        return list ? *list : Codes();
    };
    EXPECT_EQ(codes("1"), (Codes{18, 83}));
    EXPECT_EQ(codes("-"), (Codes{78, 27}));
    EXPECT_EQ(codes("q"), (Codes{12}));
    EXPECT_EQ(translator->keyCodesForTranslation(u"\u0444"), nullptr);
}

TEST(SRKeyCodeASCIITranslatorTest, MapIsRebuiltOnlyWhenTheIdentifierChanges)
{
    ScopedKeyboardLayout layout(US);
    auto translator = makeASCIITranslator();
    ScopedLogCapture log;
    const std::string rebuild = "Updating translation -> key code mapping";

    EXPECT_EQ(translator->keyCodeForTranslation("y"), 16);
    EXPECT_EQ(count(log.sink(), rebuild), 1);
    EXPECT_EQ(translator->keyCodeForTranslation(u"\u0436"), std::nullopt);
    EXPECT_EQ(translator->keyCodeForTranslation("q"), 12);
    EXPECT_EQ(count(log.sink(), rebuild), 1);

    // A layout without Latin letters leaves the ASCII-capable one as it was.
    layout.select(Russian);
    EXPECT_EQ(translator->keyCodeForTranslation("y"), 16);
    EXPECT_EQ(count(log.sink(), rebuild), 1);

    layout.select(German);
    EXPECT_EQ(translator->keyCodeForTranslation("y"), 6);
    EXPECT_EQ(translator->keyCodeForTranslation(u"\u00DF"), 27);
    EXPECT_EQ(count(log.sink(), rebuild), 2);

    // The map survives its cache's loss of every entry.
    translator->translationCache().simulateMemoryPressure();
    EXPECT_EQ(translator->keyCodeForTranslation("z"), 16);
    EXPECT_EQ(count(log.sink(), rebuild), 2);
}

TEST(SRKeyCodeASCIITranslatorTest, UppercaseArgumentIsAProgrammerError)
{
    ScopedKeyboardLayout layout(US);
    auto translator = makeASCIITranslator();
    for (const char16_t* text : {u"A", u"aB", u"\u0424"}) {
        SCOPED_TRACE(String(text).utf8());
        try {
            translator->keyCodeForTranslation(text);
            ADD_FAILURE() << "expected an assertion";
        } catch (const NSException& exception) {
            EXPECT_EQ(exception.name(), NSInternalInconsistencyException);
            EXPECT_EQ(exception.reason(), String("aTranslation must be a lowercase string"));
        }
    }
    // Lowercase text outside ASCII passes.
    EXPECT_EQ(translator->keyCodeForTranslation(u"\u0444"), std::nullopt);
}

TEST(SRKeyCodeASCIITranslatorTest, FailuresToGetTheInputSourceGiveNil)
{
    ScopedKeyboardLayout layout(US);
    auto translator = makeASCIITranslator();
    {
        layout.registry().setASCIICapableInputSourceUnavailable(true);
        ScopedLogCapture log;
        EXPECT_EQ(translator->keyCodeForTranslation("a"), std::nullopt);
        EXPECT_EQ(log.sink().texts(), std::vector<std::string>{"#Critical Failed to create an input source"});
        layout.registry().setASCIICapableInputSourceUnavailable(false);
    }
    {
        layout.select(layout.fake({.identifier = std::nullopt, .asciiCapable = true}));
        ScopedLogCapture log;
        EXPECT_EQ(translator->keyCodeForTranslation("a"), std::nullopt);
        EXPECT_EQ(log.sink().texts(), std::vector<std::string>{"#Error Input source misses an ID"});
        EXPECT_EQ(log.sink().entries()[0].level, LogLevel::Error);
    }
}

TEST(SRKeyCodeASCIITranslatorTest, ConcurrentLookupsAndLayoutSwitches)
{
    ScopedKeyboardLayout layout(US);
    auto translator = makeASCIITranslator();
    std::atomic<bool> stop{false};
    std::thread switcher([&] {
        for (int i = 0; i < 200; ++i)
            layout.select(i % 2 ? German : US);
        stop = true;
    });
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!stop) {
                // "a" is key 0 in both layouts; "y" moves between them.
                EXPECT_EQ(translator->keyCodeForTranslation("a"), 0);
                auto y = translator->keyCodeForTranslation("y");
                EXPECT_TRUE(y == 16 || y == 6);
                EXPECT_TRUE(translator->translateKeyCode(0, 0, 0, true).has_value());
            }
        });
    }
    switcher.join();
    for (auto& reader : readers)
        reader.join();
}

}  // namespace
