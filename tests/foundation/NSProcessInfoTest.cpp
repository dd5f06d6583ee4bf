#include "foundation/NSProcessInfo.h"

#include <gtest/gtest.h>

namespace {

// Puts the version source back to none, as the foundation alone has it.
struct ScopedVersionSource {
    explicit ScopedVersionSource(NSProcessInfo::OperatingSystemVersionSource source)
    {
        NSProcessInfo::setOperatingSystemVersionSource(std::move(source));
    }
    ~ScopedVersionSource() { NSProcessInfo::setOperatingSystemVersionSource(nullptr); }
};

TEST(NSProcessInfoTest, WithoutASystemBehindItTheVersionIsZero)
{
    auto version = NSProcessInfo::processInfo().operatingSystemVersion();
    EXPECT_EQ(version.majorVersion, 0);
    EXPECT_EQ(version.minorVersion, 0);
    EXPECT_EQ(version.patchVersion, 0);
    EXPECT_FALSE(NSProcessInfo::processInfo().isOperatingSystemAtLeastVersion({.majorVersion = 1}));
    EXPECT_TRUE(NSProcessInfo::processInfo().isOperatingSystemAtLeastVersion({}));
}

TEST(NSProcessInfoTest, VersionsCompareComponentByComponent)
{
    NSOperatingSystemVersion running{.majorVersion = 14, .minorVersion = 4, .patchVersion = 1};
    ScopedVersionSource source([&running] { return running; });
    struct Row {
        NSOperatingSystemVersion wanted;
        bool atLeast;
    };
    const Row rows[] = {
        {{14, 0, 0}, true}, {{14, 4, 1}, true},  {{14, 4, 2}, false}, {{14, 5, 0}, false},
        {{13, 9, 9}, true}, {{15, 0, 0}, false}, {{0, 0, 0}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.wanted.majorVersion) + "." + std::to_string(row.wanted.minorVersion) + "." +
                     std::to_string(row.wanted.patchVersion));
        EXPECT_EQ(NSProcessInfo::processInfo().isOperatingSystemAtLeastVersion(row.wanted), row.atLeast);
    }

    // The source is asked on every read.
    running = {13, 6, 0};
    EXPECT_EQ(NSProcessInfo::processInfo().operatingSystemVersion().minorVersion, 6);
    EXPECT_FALSE(NSProcessInfo::processInfo().isOperatingSystemAtLeastVersion({.majorVersion = 14}));
}

TEST(NSProcessInfoTest, TheProcessIsNamedAfterItsExecutable)
{
    EXPECT_EQ(NSProcessInfo::processInfo().processName(), String("foundation_tests"));
}

}  // namespace
