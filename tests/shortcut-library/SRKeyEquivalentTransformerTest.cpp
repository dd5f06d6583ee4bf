#include "shortcut-library/SRKeyEquivalentTransformer.h"

#include "KeyboardLayoutTestSupport.h"
#include "foundation/Log.h"
#include "shortcut-library/SRShortcut.h"

#include <gtest/gtest.h>

namespace {

using namespace textinput::InputSourceID;

Id number(std::uint64_t value)
{
    return Id::number(value);
}

String unit(char16_t c)
{
    return String(std::u16string(1, c));
}

Id shortcut(SRKeyCode keyCode, NSEventModifierFlags flags)
{
    return Id(SRShortcut::shortcutWithCode(keyCode, flags));
}

TEST(SRKeyEquivalentTransformerTest, KeyEquivalentAndMaskOfShortcutsAndDictionaries)
{
    ScopedKeyboardLayout layout(US);
    auto& keyEquivalent = SRKeyEquivalentTransformer::sharedTransformer();
    auto& mask = SRKeyEquivalentModifierMaskTransformer::sharedTransformer();
    struct Case {
        const char* name;
        Id value;
        Id keyEquivalent;
        Id mask;
    } cases[] = {
        // Shift shows in the mask only, never as an uppercase letter.
        {.name = "shift-A",
         .value = shortcut(0, NSEventModifierFlagShift),
         .keyEquivalent = Id("a"),
         .mask = number(0x20000)},
        {.name = "F5", .value = shortcut(96, 0), .keyEquivalent = Id(unit(0xF708)), .mask = number(0)},
        {.name = "Return",
         .value = shortcut(36, NSEventModifierFlagCommand),
         .keyEquivalent = Id(unit(0x000D)),
         .mask = number(0x100000)},
        {.name = "dictionary",
         .value = Id(Dictionary{{"keyCode", number(0)}, {"modifierFlags", number(0x120000)}}),
         .keyEquivalent = Id("a"),
         .mask = number(0x120000)},
        {.name = "dictionary without flags",
         .value = Id(Dictionary{{"keyCode", number(0)}}),
         .keyEquivalent = Id("a"),
         .mask = Id()},
        {.name = "flags that are not a number",
         .value = Id(Dictionary{{"keyCode", number(0)}, {"modifierFlags", Id("x")}}),
         .keyEquivalent = Id("a"),
         .mask = Id()},
        {.name = "key code that is not a number",
         .value = Id(Dictionary{{"keyCode", Id("0")}, {"modifierFlags", number(0x20000)}}),
         .keyEquivalent = Id(),
         .mask = number(0x20000)},
        {.name = "no key",
         .value = shortcut(SRKeyCodeNone, NSEventModifierFlagCommand),
         .keyEquivalent = Id(""),
         .mask = number(0x100000)},
        {.name = "string", .value = Id("a"), .keyEquivalent = Id(), .mask = Id()},
        {.name = "nil", .value = Id(), .keyEquivalent = Id(), .mask = Id()},
        {.name = "number", .value = number(0), .keyEquivalent = Id(), .mask = Id()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedLogCapture log(/*debug=*/false);
        EXPECT_EQ(keyEquivalent.transformedValue(c.value), c.keyEquivalent);
        EXPECT_EQ(mask.transformedValue(c.value), c.mask);
        EXPECT_TRUE(log.sink().entries().empty());
    }
}

TEST(SRKeyEquivalentTransformerTest, KeyEquivalentComesFromTheASCIICapableLayout)
{
    ScopedKeyboardLayout layout(German);
    layout.select(Russian);
    EXPECT_EQ(
        SRKeyEquivalentTransformer::sharedTransformer().transformedValue(shortcut(16, NSEventModifierFlagCommand)),
        Id("z"));
}

TEST(SRKeyEquivalentTransformerTest, NeitherReadsBack)
{
    EXPECT_FALSE(SRKeyEquivalentTransformer::sharedTransformer().allowsReverseTransformation());
    EXPECT_FALSE(SRKeyEquivalentModifierMaskTransformer::sharedTransformer().allowsReverseTransformation());
    EXPECT_EQ(SRKeyEquivalentTransformer::sharedTransformer().transformedValueClass(), String("NSString"));
    EXPECT_EQ(SRKeyEquivalentModifierMaskTransformer::sharedTransformer().transformedValueClass(), String("NSNumber"));
}

}  // namespace
