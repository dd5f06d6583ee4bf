#include "foundation/NSDataAsset.h"

#include <gtest/gtest.h>

#include <string>

#include "TemporaryFolder.h"

namespace {

class NSDataAssetTest : public testing::Test {
protected:
    void SetUp() override
    {
        NSBundle::resetForTesting();
        folder.write("Style.bundle/Info.plist", "{ CFBundleIdentifier = org.kestrova.Style; }");
        folder.write("Style.bundle/Resources/Assets/sr-mojave-info.json", "{\"metrics\": {}}");
        folder.write("Style.bundle/Resources/Assets/sr-mojave-info.txt", "second by name");
        folder.write("Style.bundle/Resources/Assets/blob", "raw");
        folder.write("Style.bundle/Resources/Assets/notes.txt", "text");
        folder.write("Style.bundle/Resources/Assets/folder.json/inside", "not a file asset");
        bundle = NSBundle::bundleWithPath(folder / "Style.bundle");
        ASSERT_TRUE(bundle);
    }
    void TearDown() override { NSBundle::resetForTesting(); }

    static std::string text(const Data& data)
    {
        return std::string(reinterpret_cast<const char*>(data.bytes()), data.length());
    }

    TemporaryFolder folder;
    std::shared_ptr<NSBundle> bundle;
};

}  // namespace

TEST_F(NSDataAssetTest, NamedAssetsWithTheirTypes)
{
    struct Case {
        const char* name;
        const char* contents;
        const char* type;
    };
    const Case cases[] = {
        {.name = "sr-mojave-info", .contents = "{\"metrics\": {}}", .type = "public.json"},
        {.name = "blob", .contents = "raw", .type = "public.data"},
        {.name = "notes", .contents = "text", .type = "public.plain-text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto asset = NSDataAsset::create(c.name, bundle);
        ASSERT_TRUE(asset);
        EXPECT_EQ(asset->name(), String(c.name));
        EXPECT_EQ(text(asset->data()), c.contents);
        EXPECT_EQ(asset->typeIdentifier(), String(c.type));
    }
}

TEST_F(NSDataAssetTest, MissingAssetsAreNil)
{
    for (const char* name : {"sr-yosemite-info", "folder", "", "../Info", "sr-mojave"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(NSDataAsset::create(name, bundle));
    }
}

TEST_F(NSDataAssetTest, WithoutABundleTheMainBundleIsAsked)
{
    EXPECT_FALSE(NSDataAsset::create("sr-mojave-info"));
    NSBundle::setMainBundle(bundle);
    EXPECT_TRUE(NSDataAsset::create("sr-mojave-info"));
}
