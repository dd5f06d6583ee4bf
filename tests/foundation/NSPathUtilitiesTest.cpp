#include "foundation/NSPathUtilities.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Puts an environment variable back as it was.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old, had_ = true;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

class ScopedHome {
public:
    ScopedHome()
        : saved_(NSHomeDirectory())
    {
    }
    ~ScopedHome() { setHomeDirectory(saved_); }

private:
    String saved_;
};

}  // namespace

TEST(NSPathUtilitiesTest, DefaultHomeIsUnderTheDataFolder)
{
    ScopedHome keep;
    {
        ScopedEnvironment xdg("XDG_DATA_HOME", "/data/xdg");
        setHomeDirectory(String());
        EXPECT_EQ(NSHomeDirectory(), String("/data/xdg/Kestrova/home"));
    }
    {
        ScopedEnvironment xdg("XDG_DATA_HOME", "");
        ScopedEnvironment home("HOME", "/home/someone");
        setHomeDirectory(String());
        EXPECT_EQ(NSHomeDirectory(), String("/home/someone/.local/share/Kestrova/home"));
    }
}

TEST(NSPathUtilitiesTest, SetHomeDirectoryAndTildes)
{
    ScopedHome keep;
    setHomeDirectory("/tmp/simulated/");
    EXPECT_EQ(NSHomeDirectory(), String("/tmp/simulated"));
    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {.path = "~", .expected = "/tmp/simulated"},
        {.path = "~/Library/KeyBindings/DefaultKeyBinding.dict",
         .expected = "/tmp/simulated/Library/KeyBindings/DefaultKeyBinding.dict"},
        {.path = "/absolute", .expected = "/absolute"},
        {.path = "relative/~", .expected = "relative/~"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(stringByExpandingTildeInPath(c.path), String(c.expected));
    }
}

TEST(NSPathUtilitiesTest, PathComponents)
{
    EXPECT_EQ(stringByAppendingPathComponent("/a", "b"), String("/a/b"));
    EXPECT_EQ(stringByAppendingPathComponent("/a/", "/b"), String("/a/b"));
    EXPECT_EQ(stringByAppendingPathComponent("", "b"), String("b"));
    EXPECT_EQ(lastPathComponent("/x/y.bundle/"), String("y.bundle"));
    EXPECT_EQ(lastPathComponent("/"), String("/"));
    EXPECT_EQ(pathExtension("/x/y.tar.gz"), String("gz"));
    EXPECT_EQ(pathExtension("/x/.hidden"), String());
    EXPECT_EQ(stringByDeletingPathExtension("/x/y.plist"), String("/x/y"));
    EXPECT_EQ(stringByDeletingLastPathComponent("/x/y"), String("/x"));
    EXPECT_EQ(stringByDeletingLastPathComponent("/x"), String("/"));
    EXPECT_EQ(stringByDeletingLastPathComponent("x"), String());
    EXPECT_EQ(NSTemporaryDirectory().hasSuffix("/"), true);
}
