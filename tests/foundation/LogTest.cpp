#include "foundation/Log.h"

#include "foundation/Id.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(LogTest, LevelsValuesAndActivities)
{
    ScopedLogCapture capture(false);
    Log::debug("hidden %d", 1);
    {
        LogActivity outer("-[Outer run]");
        LogActivity inner("Key Code -> Symbol");
        Log::write(LogLevel::Error, {{"keyCode", Id::number(5)}}, "#Error %s", "bad");
    }
    Log::setDebugEnabled(true);
    Log::debug("shown");
    auto entries = capture.sink().entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].level, LogLevel::Error);
    EXPECT_EQ(entries[0].text, "#Error bad");
    EXPECT_EQ(entries[0].values.at(0).first, "keyCode");
    EXPECT_EQ(entries[0].activities, (std::vector<std::string>{"-[Outer run]", "Key Code -> Symbol"}));
    EXPECT_TRUE(capture.sink().contains(LogLevel::Debug, "shown"));
    EXPECT_TRUE(LogActivity::current().empty());
}

// What reaches the terminal is what the transcript would print: input can't
// send escape sequences, and each entry keeps to its line.
TEST(LogTest, ConsoleLinesEscapeControlCharacters)
{
    struct Case {
        const char* name;
        std::string text;
        const char* activity = nullptr;
        Id value{};
        std::string line;
    };
    const Case cases[] = {
        {.name = "escape sequence", .text = "for key k\x1b[2J", .line = "error for key k\\x1b[2J\n"},
        {.name = "bell, delete and line breaks",
         .text = "a\x07"
                 "b\x7f\r\n\tc",
         .line = "error a\\x07b\\x7f\\r\\n\\tc\n"},
        {.name = "C1 control in UTF-8",
         .text = "\xc2\x9b"
                 "31m",
         .line = "error \\u009b31m\n"},
        {.name = "byte that is no UTF-8", .text = "caf\xff", .line = "error caf\\xff\n"},
        {.name = "printable text as it is",
         .text = "Caf\u00e9 \u2318\u21e5 \U0001F600 \"q\" \\",
         .line = "error Caf\u00e9 \u2318\u21e5 \U0001F600 \"q\" \\\n"},
        {.name = "activity and value",
         .text = "t",
         .activity = "-[Run \x1b]0;title\x07]",
         .value = String("p\x1b[m"),
         .line = "error [-[Run \\x1b]0;title\\x07]] t {path=p\\x1b[m}\n"},
    };
    StandardErrorLogSink sink;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogEntry entry;
        entry.level = LogLevel::Error;
        entry.text = c.text;
        if (c.activity)
            entry.activities.emplace_back(c.activity);
        if (!c.value.isNil())
            entry.values.emplace_back("path", c.value);
        testing::internal::CaptureStderr();
        sink.write(entry);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.line);
    }
}

}  // namespace
