#include "driver/DriverCommand.h"

#include "driver/KeyStroke.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(KeyStrokeTest, NamesTheKeyAndTheModifiersHeld)
{
    struct Case {
        const char* text;
        unsigned short keyCode;
        NSEventModifierFlags flags;
    };
    const Case cases[] = {
        {"ctrl+tab", 48, NSEventModifierFlagControl},
        {"cmd+w", 13, NSEventModifierFlagCommand},
        {"Command+Option+w", 13, NSEventModifierFlagCommand | NSEventModifierFlagOption},
        {"cmd+W", 13, NSEventModifierFlagCommand | NSEventModifierFlagShift},
        {"escape", 53, 0},
        {"shift+a", 0, NSEventModifierFlagShift},
        {"!", 18, NSEventModifierFlagShift},
        {"0", 29, 0},
        {"cmd++", 24, NSEventModifierFlagCommand | NSEventModifierFlagShift},
        {"down", 125, 0},
        {"f12", 111, 0},
        {"f01", 122, 0},
        {"return", 36, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto stroke = KeyStroke::parse(c.text);
        ASSERT_TRUE(stroke) << stroke.error();
        EXPECT_EQ(stroke->keyCode, c.keyCode);
        EXPECT_EQ(stroke->modifierFlags, c.flags);
    }
}

TEST(KeyStrokeTest, NamesWhatItCannotRead)
{
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"", "no key given"},
        {"hyper+a", "unknown modifier 'hyper'"},
        {"ctrl+tabby", "unknown key 'tabby'"},
        {"f13", "unknown key 'f13'"},
        {"ctrl+", "unknown key 'ctrl+'"},
        // Numbers that would wrap round to f1 and f12.
        {"f4294967297", "unknown key 'f4294967297'"},
        {"f18446744073709551628", "unknown key 'f18446744073709551628'"},
        {"f0", "unknown key 'f0'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto stroke = KeyStroke::parse(c.text);
        EXPECT_FALSE(stroke);
        EXPECT_EQ(stroke.error(), c.error);
    }
}

TEST(DriverCommandTest, ReadsEveryCommand)
{
    using Kind = DriverCommand::Kind;
    struct Case {
        const char* line;
        Kind kind;
        std::string argument;
        Id value = Id();
    };
    const Case cases[] = {
        {"press ctrl+tab", Kind::Press, "ctrl+tab"},
        {"  shortcut  ", Kind::Shortcut, ""},
        {"activate Safari", Kind::Activate, "Safari"},
        {"quit Mail", Kind::QuitApplication, "Mail"},
        {"quit", Kind::Quit, ""},
        {"launch com.apple.TextEdit", Kind::Launch, "com.apple.TextEdit"},
        {"trust off", Kind::Trust, ""},
        {"default miniMode true", Kind::Default, "miniMode", Id::boolean(true)},
        {"default count 12", Kind::Default, "count", Id::number(12)},
        {"default ratio 0.5", Kind::Default, "ratio", Id::number(0.5)},
        {"default lowest -9223372036854775808", Kind::Default, "lowest", Id::number(INT64_MIN)},
        {"default highest 18446744073709551615", Kind::Default, "highest", Id::number(UINT64_MAX)},
        {"default large 1e300", Kind::Default, "large", Id::number(1e300)},
        {"default word inf", Kind::Default, "word", Id(String("inf"))},
        {"default shortcut-Kestrova \"^\\t\"", Kind::Default, "shortcut-Kestrova", Id(String(u"^\t"))},
        {"default name Safari", Kind::Default, "name", Id(String("Safari"))},
        {"default miniMode", Kind::Default, "miniMode", Id()},
        {"menu About Kestrova", Kind::Menu, "About Kestrova"},
        {"close", Kind::Close, ""},
        {"close Welcome to Kestrova", Kind::Close, "Welcome to Kestrova"},
        {"wait 0.05", Kind::Wait, ""},
        {"snapshot shots/safari windows.png", Kind::Snapshot, "shots/safari windows.png"},
        {"status", Kind::Status, ""},
        {"appearance dark", Kind::Appearance, "dark"},
        {"contrast on", Kind::Contrast, ""},
        {"tint graphite", Kind::Tint, "graphite"},
        {"accessibility", Kind::Accessibility, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        auto parsed = DriverCommand::parse(c.line);
        ASSERT_TRUE(parsed) << parsed.error();
        ASSERT_TRUE(*parsed);
        const DriverCommand& command = **parsed;
        EXPECT_EQ(command.kind, c.kind);
        if (c.kind != Kind::Wait) {
            EXPECT_EQ(command.argument, c.argument);
        }
        if (c.kind == Kind::Default) {
            EXPECT_EQ(command.value, c.value);
        }
    }
    EXPECT_DOUBLE_EQ((*DriverCommand::parse("wait 0.05"))->seconds, 0.05);
    EXPECT_TRUE((*DriverCommand::parse("trust on"))->flag);
    EXPECT_TRUE((*DriverCommand::parse("contrast on"))->flag);
    EXPECT_FALSE((*DriverCommand::parse("contrast off"))->flag);
}

TEST(DriverCommandTest, CommentsAndBlankLinesAreNoCommands)
{
    for (const char* line : {"", "   ", "# press escape", "  # note"}) {
        auto parsed = DriverCommand::parse(line);
        ASSERT_TRUE(parsed) << parsed.error();
        EXPECT_FALSE(*parsed);
    }
}

TEST(DriverCommandTest, NamesWhatIsWrongWithALine)
{
    struct Case {
        const char* line;
        const char* error;
    };
    const Case cases[] = {
        {"jump", "unknown command 'jump'"},
        {"press", "press: the keys missing"},
        {"press ctrl+banana", "press: unknown key 'banana'"},
        {"shortcut now", "shortcut: nothing may follow"},
        {"trust maybe", "trust: expected on or off"},
        {"appearance sepia", "appearance: expected light or dark"},
        {"contrast", "contrast: expected on or off"},
        {"tint red", "tint: expected default, blue or graphite"},
        {"accessibility tree", "accessibility: nothing may follow"},
        {"default", "default: the key missing"},
        {"default name \"open", "default: unterminated text"},
        {"default name \"a\\q\"", "default: unknown escape \\q"},
        {"wait soon", "wait: expected seconds (0 to 3600)"},
        {"wait -1", "wait: expected seconds (0 to 3600)"},
        {"activate", "activate: the application missing"},
        {"snapshot", "snapshot: the file missing"},
        // Numbers that don't fit are refused, not wrapped or made infinite.
        {"press f4294967297", "press: unknown key 'f4294967297'"},
        {"default count 18446744073709551616", "default: the number 18446744073709551616 is out of range"},
        {"default count -9223372036854775809", "default: the number -9223372036854775809 is out of range"},
        {"default ratio 1e400", "default: the number 1e400 is out of range"},
        {"activate 4294967297", "activate: the pid 4294967297 is out of range"},
        {"quit 2147483648", "quit: the pid 2147483648 is out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        auto parsed = DriverCommand::parse(c.line);
        EXPECT_FALSE(parsed);
        EXPECT_EQ(parsed.error(), c.error);
    }
}

TEST(DriverCommandTest, ReadsDragsOfRowsAndOfText)
{
    struct Case {
        const char* line;
        std::uint32_t row;
        std::uint32_t gap;
        bool cancel = false;
        const char* text = "";
        const char* error = nullptr;
    };
    const Case cases[] = {
        {.line = "drag 3 to 1", .row = 3, .gap = 1, .cancel = false, .text = "", .error = nullptr},
        {.line = "drag 1 to 4 cancel", .row = 1, .gap = 4, .cancel = true, .text = "", .error = nullptr},
        {.line = "drag text \"a to b\" to 2", .row = 0, .gap = 2, .text = "a to b", .error = nullptr},
        {.line = "drag 0 to 1",
         .row = 0,
         .gap = 0,
         .cancel = false,
         .text = "",
         .error = "drag: expected ROW to GAP, counted from 1"},
        {.line = "drag 2 onto 1",
         .row = 0,
         .gap = 0,
         .cancel = false,
         .text = "",
         .error = "drag: expected ROW to GAP, counted from 1"},
        {.line = "drag 2 to 0",
         .row = 0,
         .gap = 0,
         .cancel = false,
         .text = "",
         .error = "drag: expected the gap, counted from 1, after to"},
        {.line = "drag 2 to 4294967296",
         .row = 0,
         .gap = 0,
         .error = "drag: expected the gap, counted from 1, after to"},
        {.line = "drag 2 to 1 later",
         .row = 0,
         .gap = 0,
         .cancel = false,
         .text = "",
         .error = "drag: unexpected 'later'"},
        {.line = "drag text \"x\" to 1 cancel",
         .row = 0,
         .gap = 0,
         .cancel = false,
         .text = "",
         .error = "drag: unexpected 'cancel'"},
        {.line = "drag text x to 1",
         .row = 0,
         .gap = 0,
         .cancel = false,
         .text = "",
         .error = "drag: expected text \"TEXT\" to GAP"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        auto parsed = DriverCommand::parse(c.line);
        if (c.error) {
            ASSERT_FALSE(parsed);
            EXPECT_EQ(parsed.error(), c.error);
            continue;
        }
        ASSERT_TRUE(parsed) << parsed.error();
        const DriverCommand& command = **parsed;
        EXPECT_EQ(command.kind, DriverCommand::Kind::Drag);
        EXPECT_EQ(command.dragRow, c.row);
        EXPECT_EQ(command.dragGap, c.gap);
        EXPECT_EQ(command.flag, c.cancel);
        EXPECT_EQ(command.argument, c.text);
    }
}

TEST(DriverCommandTest, ReadsModifierKeysClicksAndSnapshots)
{
    using Kind = DriverCommand::Kind;
    struct Case {
        const char* line;
        Kind kind = Kind::Status;
        unsigned short keyCode = 0;
        NSEventModifierFlags flag = 0;
        std::uint32_t row = 0;
        std::string argument = "";
        double x = 0;
        double y = 0;
        const char* error = nullptr;
    };
    const Case cases[] = {
        {.line = "hold cmd", .kind = Kind::Hold, .keyCode = 55, .flag = NSEventModifierFlagCommand},
        {.line = "hold right cmd", .kind = Kind::Hold, .keyCode = 54, .flag = NSEventModifierFlagCommand},
        {.line = "release Left Shift", .kind = Kind::Release, .keyCode = 56, .flag = NSEventModifierFlagShift},
        {.line = "release right shift", .kind = Kind::Release, .keyCode = 60, .flag = NSEventModifierFlagShift},
        {.line = "hold option", .kind = Kind::Hold, .keyCode = 58, .flag = NSEventModifierFlagOption},
        {.line = "hold right alt", .kind = Kind::Hold, .keyCode = 61, .flag = NSEventModifierFlagOption},
        {.line = "hold ctrl", .kind = Kind::Hold, .keyCode = 59, .flag = NSEventModifierFlagControl},
        {.line = "hold right control", .kind = Kind::Hold, .keyCode = 62, .flag = NSEventModifierFlagControl},
        {.line = "click 2", .kind = Kind::Click, .row = 2},
        {.line = "click 12 \"Use old shortcut\"", .kind = Kind::Click, .row = 12, .argument = "Use old shortcut"},
        {.line = "click 20 14.5", .kind = Kind::Click, .x = 20, .y = 14.5},
        {.line = "click 0 0", .kind = Kind::Click},
        {.line = "snapshot /tmp/list.png", .kind = Kind::Snapshot, .argument = "/tmp/list.png"},
        {.line = "hold", .error = "hold: the key missing"},
        {.line = "hold a", .error = "hold: unknown modifier key 'a'"},
        {.line = "release right", .error = "release: unknown modifier key 'right'"},
        {.line = "click", .error = "click: expected the row, counted from 1"},
        {.line = "click 0", .error = "click: expected the row, counted from 1"},
        {.line = "click 4294967296", .error = "click: expected the row, counted from 1"},
        {.line = "click 1 Clear", .error = "click: expected the tool tip in double quotes after the row"},
        {.line = "click 1 \"Clear", .error = "click: expected the tool tip in double quotes after the row"},
        {.line = "click 1 2 3", .error = "click: expected X Y, points from the window's top left corner (0 to 100000)"},
        {.line = "click -1 2", .error = "click: expected X Y, points from the window's top left corner (0 to 100000)"},
        {.line = "click 1.5 nan",
         .error = "click: expected X Y, points from the window's top left corner (0 to 100000)"},
        {.line = "snapshot", .error = "snapshot: the file missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        auto parsed = DriverCommand::parse(c.line);
        if (c.error) {
            EXPECT_FALSE(parsed);
            EXPECT_EQ(parsed.error(), c.error);
            continue;
        }
        ASSERT_TRUE(parsed) << parsed.error();
        const DriverCommand& command = **parsed;
        EXPECT_EQ(command.kind, c.kind);
        if (c.kind == Kind::Hold || c.kind == Kind::Release) {
            EXPECT_EQ(command.keys.keyCode, c.keyCode);
            EXPECT_EQ(command.keys.modifierFlags, c.flag);
        } else {
            EXPECT_EQ(command.row, c.row);
            EXPECT_EQ(command.argument, c.argument);
            EXPECT_EQ(command.x, c.x);
            EXPECT_EQ(command.y, c.y);
        }
    }
}

}  // namespace
