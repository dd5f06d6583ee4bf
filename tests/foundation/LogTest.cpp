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

}  // namespace
