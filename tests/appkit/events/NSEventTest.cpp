#include "appkit/NSEvent.h"
#include "foundation/NSException.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

namespace {

std::shared_ptr<NSEvent> keyEvent(NSEventType type, const String& characters = "a",
                                  const String& ignoringModifiers = "a")
{
    return NSEvent::keyEventWithType(type, NSZeroPoint, NSEventModifierFlagShift | 0x2, 12.5, 0, Id(), characters,
                                     ignoringModifiers, true, 0);
}

// The reason of the exception `read` raises on another thread, or nothing.
template <class Read> std::optional<std::string> raisedOffMainThread(Read read)
{
    std::optional<std::string> reason;
    std::thread([&] {
        try {
            read();
        } catch (const NSException& exception) {
            reason = exception.name().utf8() + ": " + exception.reason().utf8();
        }
    }).join();
    return reason;
}

TEST(NSEventTest, KeyEventKeepsWhatItWasMadeWith)
{
    auto event = NSEvent::keyEventWithType(NSEventTypeKeyDown, NSZeroPoint,
                                           NSEventModifierFlagCommand | NSEventModifierFlagOption | 0x8, 3.25, 0, Id(),
                                           "\u00e5", "a", false, 0);
    EXPECT_EQ(event->type(), NSEventTypeKeyDown);
    EXPECT_EQ(event->keyCode(), 0);
    // Device-dependent low bits pass through with the others.
    EXPECT_EQ(event->modifierFlags(), 0x180008UL);
    EXPECT_EQ(event->modifierFlags() & NSEventModifierFlagDeviceIndependentFlagsMask, 0x180000UL);
    EXPECT_EQ(event->timestamp(), 3.25);
    EXPECT_EQ(event->characters(), String("\u00e5"));
    EXPECT_EQ(event->charactersIgnoringModifiers(), String("a"));
    EXPECT_FALSE(event->isARepeat());
    EXPECT_EQ(event->window(), nullptr);
}

TEST(NSEventTest, FactoriesRefuseEventsOfTheOtherKind)
{
    EXPECT_THROW(NSEvent::keyEventWithType(NSEventTypeLeftMouseDown, NSZeroPoint, 0, 0, 0, Id(), "", "", false, 0),
                 NSException);
    EXPECT_THROW(NSEvent::mouseEventWithType(NSEventTypeKeyDown, NSZeroPoint, 0, 0, 0, Id(), 0, 1, 1), NSException);
}

TEST(NSEventTest, CharactersOnlyForKeyDownAndKeyUp)
{
    auto flags = NSEvent::keyEventWithType(NSEventTypeFlagsChanged, NSZeroPoint, NSEventModifierFlagShift, 0, 0, Id(),
                                           "", "", false, 56);
    auto mouse = NSEvent::mouseEventWithType(NSEventTypeLeftMouseDown, NSMakePoint(4, 5), 0, 0, 0, Id(), 0, 1, 1);
    EXPECT_THROW(flags->characters(), NSException);
    EXPECT_THROW(mouse->charactersIgnoringModifiers(), NSException);
    EXPECT_EQ(flags->keyCode(), 56);
    // Reading the key code of a mouse event doesn't raise, so that callers
    // can read type, key code and flags together before looking at the type.
    EXPECT_EQ(mouse->keyCode(), 0);
    EXPECT_EQ(mouse->locationInWindow(), NSMakePoint(4, 5));
    EXPECT_NO_THROW(keyEvent(NSEventTypeKeyUp)->characters());
}

TEST(NSEventTest, CharactersRaiseOffTheMainThread)
{
    auto event = keyEvent(NSEventTypeKeyDown, "A", "a");
    auto characters = raisedOffMainThread([&] { (void)event->characters(); });
    auto ignoring = raisedOffMainThread([&] { (void)event->charactersIgnoringModifiers(); });
    ASSERT_TRUE(characters);
    ASSERT_TRUE(ignoring);
    EXPECT_EQ(characters->rfind("NSInternalInconsistencyException: -[NSEvent characters]", 0), 0u) << *characters;
    EXPECT_EQ(ignoring->rfind("NSInternalInconsistencyException: -[NSEvent charactersIgnoringModifiers]", 0), 0u)
        << *ignoring;
    // Everything else reads anywhere.
    EXPECT_FALSE(raisedOffMainThread([&] { (void)(event->keyCode() + event->modifierFlags() + event->type()); }));
    EXPECT_EQ(event->characters(), String("A"));
}

TEST(NSEventTest, ButtonNumberFollowsTheType)
{
    struct Case {
        NSEventType type;
        NSInteger button;
    } cases[] = {
        {.type = NSEventTypeLeftMouseDown, .button = 0},
        {.type = NSEventTypeRightMouseUp, .button = 1},
        {.type = NSEventTypeOtherMouseDown, .button = 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(NSEvent::mouseEventWithType(c.type, NSZeroPoint, 0, 0, 0, Id(), 0, 1, 1)->buttonNumber(), c.button);
    }
}

}  // namespace
