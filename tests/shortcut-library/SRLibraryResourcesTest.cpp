#include "shortcut-library/SRCommon.h"

#include "TemporaryFolder.h"
#include "foundation/NSBundle.h"
#include "foundation/NSException.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

std::string infoPlist(const std::string& identifier)
{
    return "{ CFBundleIdentifier = \"" + identifier + "\"; CFBundleVersion = \"7\"; }";
}

// A temporary application bundle that tests make the main bundle; the
// library's own code bundle stays where the build put it unless a test moves it.
class SRLibraryResourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app_ = root_ / "Test.app";
        writeFile(app_ / "Contents/Info.plist", infoPlist("com.kestrova.test"));
        fs::create_directories(app_ / "Contents/Resources");
    }
    void TearDown() override
    {
        NSBundle::resetForTesting();
        detail::SRSetLibraryCodeBundlePath(SR_TEST_CODE_BUNDLE);
    }
    void useApp() { NSBundle::setMainBundle(NSBundle::bundleWithPath(String(app_.string()))); }
    void addResourceBundle(const fs::path& resources, const std::string& spaceText)
    {
        fs::path bundle = resources / "ShortcutLibrary_ShortcutLibrary.bundle";
        writeFile(bundle / "Info.plist", infoPlist("com.kestrova.resources.copy"));
        writeFile(bundle / "Resources/en.lproj/ShortcutLibrary.strings", "\"Space\" = \"" + spaceText + "\";\n");
    }

    TemporaryFolder folder_;
    fs::path root_ = folder_.path();
    fs::path app_;
};

TEST_F(SRLibraryResourcesTest, TheBuildsBundleBesideTheCodeIsFoundAndReadsItsTable)
{
    useApp();
    auto bundle = SRLibraryBundle();
    ASSERT_TRUE(bundle);
    EXPECT_TRUE(bundle->bundlePath().hasSuffix("ShortcutLibrary_ShortcutLibrary.bundle"));
    EXPECT_TRUE(bundle->objectForInfoDictionaryKey("CFBundleVersion").isString());
    EXPECT_EQ(SRLocalizedText("Space"), String("Space"));
    EXPECT_EQ(SRLocalizedText("Record Shortcut"), String("Record Shortcut"));
    EXPECT_EQ(SRLocalizedText("no such key"), String("no such key"));
    EXPECT_TRUE(SRLibraryImageNamed("no such image").isNil());
}

TEST_F(SRLibraryResourcesTest, TheApplicationsResourcesComeFirst)
{
    addResourceBundle(app_ / "Contents/Resources", "Leertaste");
    useApp();
    EXPECT_EQ(SRLocalizedText("Space"), String("Leertaste"));
    EXPECT_EQ(SRLocalizedText("Shift"), String("Shift"));  // missing from that table: the key
}

TEST_F(SRLibraryResourcesTest, TheMainBundlesOwnFolderIsTheLastCandidate)
{
    detail::SRSetLibraryCodeBundlePath(String((root_ / "nowhere.framework").string()));
    addResourceBundle(app_, "Last");
    useApp();
    EXPECT_EQ(SRLocalizedText("Space"), String("Last"));
}

TEST_F(SRLibraryResourcesTest, NoBundleAnywhereRaises)
{
    detail::SRSetLibraryCodeBundlePath(String((root_ / "nowhere.framework").string()));
    useApp();
    try {
        SRLibraryBundle();
        FAIL() << "no exception";
    } catch (const NSException& e) {
        EXPECT_EQ(e.reason(), String("unable to find bundle named ShortcutLibrary_ShortcutLibrary"));
    }
}

}  // namespace
