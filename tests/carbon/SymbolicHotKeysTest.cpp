#include "carbon/SymbolicHotKeys.h"

#include "carbon/CarbonEvents.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

using namespace simulation;

namespace {

TEST(SymbolicHotKeysTest, EntriesCarryCodeModifiersAndEnabledFlag)
{
    ScopedDesktop desktop{DesktopState{}};
    Array hotKeys;
    ASSERT_EQ(CopySymbolicHotKeys(&hotKeys), noErr);
    ASSERT_EQ(hotKeys.count(), desktop->hotKeys()->symbolicHotKeys().size());

    bool spotlight = false;
    std::size_t disabled = 0;
    for (const Id& entry : hotKeys) {
        ASSERT_TRUE(entry.isDictionary());
        EXPECT_EQ(entry.dictionary()->count(), 3u);
        const Id code = entry[kHISymbolicHotKeyCode];
        const Id modifiers = entry[kHISymbolicHotKeyModifiers];
        const Id enabled = entry[kHISymbolicHotKeyEnabled];
        ASSERT_TRUE(code.isNumber() && !code.isBoolean());
        ASSERT_TRUE(modifiers.isNumber() && !modifiers.isBoolean());
        // Readers count an entry only when this is the Boolean true.
        ASSERT_TRUE(enabled.isBoolean());
        if (code.unsignedValue() == 49 && modifiers.unsignedValue() == cmdKey && enabled.boolValue())
            spotlight = true;
        if (!enabled.boolValue())
            ++disabled;
    }
    EXPECT_TRUE(spotlight);
    EXPECT_GT(disabled, 0u);
}

TEST(SymbolicHotKeysTest, FollowsTheDesktopAndItsFailure)
{
    ScopedDesktop desktop{DesktopState{}};
    desktop->hotKeys()->setSymbolicHotKeys(
        {{.name = "Custom", .keyCode = 3, .modifiers = controlKey | 0x20000, .enabled = false}});
    Array hotKeys;
    ASSERT_EQ(CopySymbolicHotKeys(&hotKeys), noErr);
    ASSERT_EQ(hotKeys.count(), 1u);
    EXPECT_EQ(hotKeys[0], Id(Dictionary{{kHISymbolicHotKeyCode, Id::number(3)},
                                        {kHISymbolicHotKeyModifiers, Id::number(controlKey | 0x20000)},
                                        {kHISymbolicHotKeyEnabled, Id::boolean(false)}}));

    desktop->hotKeys()->setFailures({.copySymbolicHotKeys = -9874});
    EXPECT_EQ(CopySymbolicHotKeys(&hotKeys), -9874);
    EXPECT_TRUE(hotKeys.empty());
    EXPECT_EQ(CopySymbolicHotKeys(nullptr), paramErr);
}

}  // namespace
