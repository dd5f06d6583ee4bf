#include "quartz/CGEventMouse.h"

#include "TestDesktops.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

using namespace simulation;

namespace {

// A frontmost application whose window covers the top left, and another one
// behind it whose window lies further right.
constexpr const char* kDesktop = R"({
  "screens": [{"x": 0, "y": 0, "width": 1000, "height": 800}, {"x": 1000, "y": 0, "width": 1000, "height": 800}],
  "refusedEventTypes": [3],
  "applications": [
    {"pid": 10, "frontmost": true, "windows": [{"number": 100, "frame": {"x": 0, "y": 0, "width": 400, "height": 400}}]},
    {"pid": 20, "windows": [
      {"number": 200, "frame": {"x": 1200, "y": 100, "width": 400, "height": 300}},
      {"number": 201, "frame": {"x": 1300, "y": 200, "width": 400, "height": 300}}
    ]}
  ]
})";

DesktopState state()
{
    return test_desktops::fromJson(kDesktop);
}

TEST(CGEventMouseTest, MouseEventsAreMadeOnlyOfMouseTypes)
{
    ScopedDesktop desktop(state());
    struct Row {
        CGEventType type = kCGEventNull;
        CGMouseButton asked = kCGMouseButtonLeft;
        bool made = false;
        CGMouseButton button = kCGMouseButtonLeft;
    };
    const Row rows[] = {
        {.type = kCGEventLeftMouseDown, .asked = kCGMouseButtonRight, .made = true, .button = kCGMouseButtonLeft},
        {.type = kCGEventLeftMouseUp, .asked = kCGMouseButtonLeft, .made = true, .button = kCGMouseButtonLeft},
        {.type = kCGEventRightMouseUp, .asked = kCGMouseButtonLeft, .made = true, .button = kCGMouseButtonRight},
        {.type = kCGEventOtherMouseDown, .asked = kCGMouseButtonCenter, .made = true, .button = kCGMouseButtonCenter},
        {.type = kCGEventMouseMoved, .asked = kCGMouseButtonLeft, .made = true, .button = kCGMouseButtonLeft},
        {.type = kCGEventRightMouseDown, .asked = kCGMouseButtonRight, .made = false},  // refused by the desktop
        {.type = kCGEventKeyDown, .asked = kCGMouseButtonLeft, .made = false},
        {.type = kCGEventNull, .asked = kCGMouseButtonLeft, .made = false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        auto event = CGEventCreateMouseEvent(nullptr, row.type, {3, 4}, row.asked);
        ASSERT_EQ(event != nullptr, row.made);
        if (!event)
            continue;
        EXPECT_EQ(CGEventGetType(event), row.type);
        EXPECT_EQ(CGEventGetLocation(event), (CGPoint{3, 4}));
        EXPECT_EQ(CGEventGetIntegerValueField(event, kCGMouseEventButtonNumber), row.button);
    }
}

TEST(CGEventMouseTest, AClickAtAWindowsCentreIsLoggedInOrderAndLandsOnIt)
{
    ScopedDesktop desktop(state());
    CGPoint centre{1650, 450};  // inside 201 only, which lies behind 200
    EXPECT_EQ(CGWarpMouseCursorPosition(centre), kCGErrorSuccess);
    EXPECT_EQ(CGAssociateMouseAndMouseCursorPosition(true), kCGErrorSuccess);
    auto down = CGEventCreateMouseEvent(nullptr, kCGEventLeftMouseDown, centre, kCGMouseButtonLeft);
    auto up = CGEventCreateMouseEvent(nullptr, kCGEventLeftMouseUp, centre, kCGMouseButtonLeft);
    CGEventPost(kCGHIDEventTap, down);
    CGEventPost(kCGHIDEventTap, up);
    CGEventPost(kCGHIDEventTap, nullptr);

    auto log = desktop->pointerLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].kind, PointerLogEntry::Kind::Warp);
    EXPECT_EQ(log[0].location, centre);
    EXPECT_EQ(log[1].kind, PointerLogEntry::Kind::Associate);
    EXPECT_TRUE(log[1].associated);
    EXPECT_EQ(log[2].event.type, kCGEventLeftMouseDown);
    EXPECT_EQ(log[3].event.type, kCGEventLeftMouseUp);
    for (std::size_t i = 2; i < 4; ++i) {
        EXPECT_EQ(log[i].event.location, centre);
        EXPECT_EQ(log[i].event.mouseButton, kCGMouseButtonLeft);
        EXPECT_EQ(log[i].event.tap, kCGHIDEventTap);
    }
    EXPECT_EQ(desktop->postedEvents().size(), 2u);
    EXPECT_EQ(desktop->pointerLocation(), centre);

    // The press went to the window under the pointer: its application came
    // forward and the window became its main one.
    EXPECT_EQ(desktop->frontmostApplication(), 20);
    EXPECT_EQ(desktop->application(20)->mainWindow, 201u);
    EXPECT_EQ(desktop->application(20)->windows.front().number, 201u);
}

TEST(CGEventMouseTest, APressOverNoWindowOnlyMovesThePointer)
{
    ScopedDesktop desktop(state());
    CGEventPost(kCGSessionEventTap,
                CGEventCreateMouseEvent(nullptr, kCGEventLeftMouseDown, {900, 700}, kCGMouseButtonLeft));
    EXPECT_EQ(desktop->frontmostApplication(), 10);
    EXPECT_EQ(desktop->pointerLocation(), (CGPoint{900, 700}));
    EXPECT_TRUE(desktop->activations().empty());
    EXPECT_EQ(desktop->postedEvents()[0].tap, kCGSessionEventTap);
}

TEST(CGEventMouseTest, EventFieldsCarryKeysAndFlagsForOtherPosters)
{
    ScopedDesktop desktop(state());
    auto event = std::make_shared<CGEvent>(kCGEventKeyDown, CGPointZero);
    CGEventSetIntegerValueField(event, kCGKeyboardEventKeycode, 48);
    CGEventSetFlags(event, kCGEventFlagMaskControl);
    EXPECT_EQ(CGEventGetIntegerValueField(event, kCGKeyboardEventKeycode), 48);
    EXPECT_EQ(CGEventGetIntegerValueField(event, kCGMouseEventNumber), 0);
    CGEventPost(kCGHIDEventTap, event);
    ASSERT_EQ(desktop->postedEvents().size(), 1u);
    EXPECT_EQ(desktop->postedEvents()[0].keyCode, 48);
    EXPECT_EQ(desktop->postedEvents()[0].flags, kCGEventFlagMaskControl);
    EXPECT_FALSE(desktop->postedEvents()[0].mouse);
    // Key events are not the pointer's.
    EXPECT_TRUE(desktop->pointerLog().empty());
    EXPECT_EQ(CGEventGetType(nullptr), kCGEventNull);
}

}  // namespace
