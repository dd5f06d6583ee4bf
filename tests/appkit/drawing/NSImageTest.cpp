#include "appkit/NSImage.h"
#include "AppKitTestFixture.h"
#include "TemporaryFolder.h"
#include "foundation/NSBundle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// A main bundle on disk with one PNG resource of 18 x 16 points and one
// file that isn't a PNG.
class ImageTest : public AppKitTest {
protected:
    ImageTest()
    {
        fs::path contents = root / "Test.app" / "Contents";
        fs::create_directories(contents / "Resources");
        std::ofstream(contents / "Info.plist")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>CFBundleIdentifier</key><string>com.kestrova.Test</string></dict></plist>\n";
        const unsigned char png[24] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13,
                                       'I',  'H', 'D', 'R', 0,    0,    0,    18,   0, 0, 0, 16};
        std::ofstream(contents / "Resources" / "Status Item.png", std::ios::binary)
            .write(reinterpret_cast<const char*>(png), sizeof png);
        std::ofstream(contents / "Resources" / "Badge.pdf") << "%PDF-1.4\n";
        NSBundle::resetForTesting();
        NSBundle::setMainBundle(NSBundle::bundleWithPath((root / "Test.app").string()));
    }
    ~ImageTest() override
    {
        NSBundle::resetForTesting();
        NSImage::resetNamedImagesForTesting();
    }

    TemporaryFolder folder;
    fs::path root = folder.path();
};

TEST_F(ImageTest, NamedImagesComeFromTheMainBundleOnce)
{
    auto image = NSImage::imageNamed("Status Item");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image, NSImage::imageNamed("Status Item"));
    EXPECT_EQ(image->name(), String("Status Item"));
    EXPECT_EQ(image->size(), NSMakeSize(18, 16));
    EXPECT_TRUE(image->path().hasSuffix("Resources/Status Item.png"));

    auto pdf = NSImage::imageNamed("Badge");
    ASSERT_NE(pdf, nullptr);
    EXPECT_EQ(pdf->size(), NSZeroSize) << "only PNG headers are read";
    EXPECT_EQ(NSImage::imageNamed("Missing"), nullptr);
    EXPECT_EQ(NSImage::imageNamed(""), nullptr);
}

TEST_F(ImageTest, ResourceImagesAreNewEachTime)
{
    auto bundle = NSBundle::mainBundle();
    auto first = NSImage::imageForResource(*bundle, "Status Item");
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, NSImage::imageForResource(*bundle, "Status Item"));
    EXPECT_EQ(NSImage::imageForResource(*bundle, "Missing"), nullptr);
}

TEST_F(ImageTest, RegisteredNameWinsWhileTheImageLives)
{
    auto made = std::make_shared<NSImage>(String(), NSMakeSize(4, 4));
    ASSERT_TRUE(made->setName("Status Item"));
    EXPECT_EQ(NSImage::imageNamed("Status Item"), made);
    auto rival = std::make_shared<NSImage>(String(), NSMakeSize(4, 4));
    EXPECT_FALSE(rival->setName("Status Item"));
    made.reset();
    EXPECT_EQ(NSImage::imageNamed("Status Item")->size(), NSMakeSize(18, 16));
}

TEST_F(ImageTest, TheApplicationIconIsTheBundlesIconFileOrOneMadeForIt)
{
    auto made = NSImage::imageNamed(NSImageNameApplicationIcon);
    ASSERT_NE(made, nullptr) << "every program has an icon";
    EXPECT_TRUE(made->path().empty());
    EXPECT_EQ(made->size(), NSMakeSize(512, 512));
    EXPECT_EQ(NSImage::imageNamed("NSApplicationIcon"), made);

    fs::path contents = root / "Iconic.app" / "Contents";
    fs::create_directories(contents / "Resources");
    fs::copy_file(root / "Test.app/Contents/Resources/Status Item.png", contents / "Resources" / "Status Item.png");
    std::ofstream(contents / "Info.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>com.kestrova.Iconic</string>"
           "<key>CFBundleIconFile</key><string>Status Item</string></dict></plist>\n";
    NSBundle::setMainBundle(NSBundle::bundleWithPath((root / "Iconic.app").string()));
    auto icon = NSImage::imageNamed(NSImageNameApplicationIcon);
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->path().hasSuffix("Iconic.app/Contents/Resources/Status Item.png"));
}

}  // namespace
