#include "DrawingTestSupport.h"
#include "appkit/NSGraphics.h"
#include "appkit/NSImage.h"
#include "appkit/NSImageView.h"
#include "foundation/NSBundle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

const Pixel kRed = {255, 0, 0, 255};
const Pixel kBlue = {0, 0, 255, 255};
const Pixel kGreen = {0, 255, 0, 255};
const Pixel kWhite = {255, 255, 255, 255};

// Draws into a fresh bitmap of `size` points at `scale`, flipped or not.
std::shared_ptr<NSBitmapImageRep> drawn(NSSize size, CGFloat scale, bool flipped, const std::function<void()>& draw)
{
    auto bitmap = std::make_shared<NSBitmapImageRep>(NSInteger(size.width * scale), NSInteger(size.height * scale));
    bitmap->setSize(size);
    CGContextRef cg = bitmap->makeContext();
    if (flipped) {
        CGContextTranslateCTM(cg, 0, size.height);
        CGContextScaleCTM(cg, 1, -1);
    }
    ScopedCurrentContext scoped(NSGraphicsContext::graphicsContextWithCGContext(cg, flipped));
    draw();
    return bitmap;
}

// PNG files in a folder of their own: red at 1x and blue at 2x, and an
// image whose top half is green and bottom half red.
class ImageDrawingTest : public DrawingTest {
protected:
    ImageDrawingTest()
    {
        folder = fs::temp_directory_path() / ("appkit-image-drawing-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        writePNG("Badge.png", {4, 4}, 1, [] {
            NSColor::redColor()->setFill();
            NSRectFill(NSMakeRect(0, 0, 4, 4));
        });
        writePNG("Badge@2x.png", {4, 4}, 2, [] {
            NSColor::blueColor()->setFill();
            NSRectFill(NSMakeRect(0, 0, 4, 4));
        });
        writePNG("Halves.png", {4, 4}, 1, [] {
            NSColor::redColor()->setFill();
            NSRectFill(NSMakeRect(0, 0, 4, 2));
            NSColor::greenColor()->setFill();
            NSRectFill(NSMakeRect(0, 2, 4, 2));
        });
    }
    ~ImageDrawingTest() override { fs::remove_all(folder); }

    void writePNG(const std::string& name, NSSize size, CGFloat scale, const std::function<void()>& draw)
    {
        ASSERT_TRUE(drawn(size, scale, false, draw)->writePNGToFile((folder / name).string()));
    }
    std::shared_ptr<NSImage> image(const std::string& name)
    {
        return NSImage::imageWithContentsOfFile((folder / name).string());
    }

    fs::path folder;
};

TEST_F(ImageDrawingTest, FilesGiveTheirPixelsAndTheTwoTimesFileServesScaleTwo)
{
    auto badge = image("Badge.png");
    ASSERT_NE(badge, nullptr);
    EXPECT_EQ(badge->size(), NSMakeSize(4, 4));
    EXPECT_TRUE(badge->isValid());
    EXPECT_EQ(badge->representations().size(), 2u);
    auto atOne = drawn({8, 8}, 1, false, [&] { badge->drawInRect(NSMakeRect(0, 0, 4, 4)); });
    auto atTwo = drawn({8, 8}, 2, false, [&] { badge->drawInRect(NSMakeRect(0, 0, 4, 4)); });
    EXPECT_EQ(pixelAt(*atOne, 1, 6), kRed);
    EXPECT_EQ(pixelAt(*atTwo, 2, 12), kBlue);
    // Drawn at twice its size at scale 1, it needs the density of the 2x
    // file too.
    auto enlarged = drawn({8, 8}, 1, false, [&] { badge->drawInRect(NSMakeRect(0, 0, 8, 8)); });
    EXPECT_EQ(pixelAt(*enlarged, 4, 4), kBlue);

    auto twoOnly = image("Badge@2x.png");
    ASSERT_NE(twoOnly, nullptr);
    EXPECT_EQ(twoOnly->size(), NSMakeSize(4, 4)) << "a 2x file alone is half its pixel size";
}

TEST_F(ImageDrawingTest, NamedImagesOfTheMainBundleGetTheirPixels)
{
    fs::path contents = folder / "Test.app" / "Contents";
    fs::create_directories(contents / "Resources");
    std::ofstream(contents / "Info.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>com.kestrova.Test</string></dict></plist>\n";
    fs::copy_file(folder / "Badge.png", contents / "Resources" / "Status Item.png");
    fs::copy_file(folder / "Badge@2x.png", contents / "Resources" / "Status Item@2x.png");
    NSBundle::resetForTesting();
    NSBundle::setMainBundle(NSBundle::bundleWithPath((folder / "Test.app").string()));
    auto named = NSImage::imageNamed("Status Item");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->size(), NSMakeSize(4, 4));
    EXPECT_EQ(pixelAt(*drawn({4, 4}, 1, false, [&] { named->drawInRect(NSMakeRect(0, 0, 4, 4)); }), 1, 1), kRed);
    EXPECT_EQ(pixelAt(*drawn({4, 4}, 2, false, [&] { named->drawInRect(NSMakeRect(0, 0, 4, 4)); }), 1, 1), kBlue);
    NSBundle::resetForTesting();
}

TEST_F(ImageDrawingTest, SetSizeChangesTheSizeItIsDrawnAtNotItsPixels)
{
    auto halves = image("Halves.png");
    ASSERT_NE(halves, nullptr);
    halves->setSize({8, 8});
    auto bitmap = drawn({10, 10}, 1, false,
                        [&] { halves->drawAtPoint(NSZeroPoint, NSZeroRect, NSCompositingOperationSourceOver, 1); });
    EXPECT_EQ(countPixels(*bitmap, 0, 0, 10, 10, [](const Pixel& p) { return p.a == 255; }), 64);
    EXPECT_EQ(pixelAt(*bitmap, 3, 3), kGreen) << "the top half, scaled";
    EXPECT_EQ(pixelAt(*bitmap, 3, 8), kRed);
    auto bitmapRep = std::dynamic_pointer_cast<NSBitmapImageRep>(halves->representations().front());
    ASSERT_NE(bitmapRep, nullptr);
    EXPECT_EQ(bitmapRep->pixelsWide(), 4);
}

TEST_F(ImageDrawingTest, DrawingOrientationOperationAndFraction)
{
    auto halves = image("Halves.png");
    ASSERT_NE(halves, nullptr);
    struct Case {
        const char* name;
        bool flipped;
        bool respectFlipped;
        Pixel top;
    };
    const Case cases[] = {
        {"unflipped", false, false, kGreen},
        {"flipped, respected", true, true, kGreen},
        {"flipped, not respected: upside down", true, false, kRed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bitmap = drawn({4, 4}, 1, c.flipped, [&] {
            halves->drawInRect(NSMakeRect(0, 0, 4, 4), NSZeroRect, NSCompositingOperationSourceOver, 1,
                               c.respectFlipped, Dictionary());
        });
        EXPECT_EQ(pixelAt(*bitmap, 1, 0), c.top);
    }
    // The simple form is upright in a flipped context too.
    EXPECT_EQ(pixelAt(*drawn({4, 4}, 1, true, [&] { halves->drawInRect(NSMakeRect(0, 0, 4, 4)); }), 1, 0), kGreen);

    // Half opacity over white, and a part of the image by its points.
    auto blended = drawn({4, 4}, 1, false, [&] {
        NSColor::whiteColor()->setFill();
        NSRectFill(NSMakeRect(0, 0, 4, 4));
        halves->drawInRect(NSMakeRect(0, 0, 4, 4), NSMakeRect(0, 0, 4, 2), NSCompositingOperationSourceOver, 0.5);
    });
    EXPECT_TRUE(near(pixelAt(*blended, 1, 0), {255, 128, 128, 255})) << "only the red bottom half, stretched";
    EXPECT_TRUE(near(pixelAt(*blended, 1, 3), {255, 128, 128, 255}));

    // Copy replaces what is there, transparency included.
    auto empty = std::make_shared<NSImage>(NSSize{4, 4});
    auto copied = drawn({4, 4}, 1, false, [&] {
        NSColor::whiteColor()->setFill();
        NSRectFill(NSMakeRect(0, 0, 4, 4));
        auto clearImage = NSImage::imageWithSize({4, 4}, false, [](NSRect) { return true; });
        clearImage->drawInRect(NSMakeRect(0, 0, 2, 4), NSZeroRect, NSCompositingOperationCopy, 1);
        empty->drawInRect(NSMakeRect(2, 0, 2, 4), NSZeroRect, NSCompositingOperationCopy, 1);
    });
    EXPECT_EQ(pixelAt(*copied, 0, 0).a, 0);
    EXPECT_EQ(pixelAt(*copied, 3, 0), kWhite) << "an image without representations draws nothing";
    EXPECT_FALSE(empty->isValid());
}

TEST_F(ImageDrawingTest, ImagesDrawnInCodeAndWithLockFocus)
{
    int calls = 0;
    auto handled = NSImage::imageWithSize({10, 10}, true, [&](NSRect rect) {
        ++calls;
        EXPECT_EQ(rect, NSMakeRect(0, 0, 10, 10));
        NSColor::blueColor()->setFill();
        NSRectFill(NSMakeRect(0, 0, 10, 5));  // flipped: the top half
        return true;
    });
    auto bitmap = drawn({10, 10}, 2, false, [&] { handled->drawInRect(NSMakeRect(0, 0, 10, 10)); });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(pixelAt(*bitmap, 10, 2), kBlue);
    EXPECT_EQ(pixelAt(*bitmap, 10, 18).a, 0);
    CGImageRef pixels = handled->CGImageForProposedRect(nullptr, nullptr, Dictionary());
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(CGImageGetWidth(pixels), 10u);

    auto focused = std::make_shared<NSImage>(NSSize{6, 6});
    focused->lockFocus();
    NSColor::greenColor()->setFill();
    NSRectFill(NSMakeRect(0, 0, 6, 3));
    focused->unlockFocus();
    EXPECT_EQ(NSGraphicsContext::currentContext(), nullptr) << "the previous context is back";
    ASSERT_TRUE(focused->isValid());
    auto shown = drawn({6, 6}, 1, false, [&] { focused->drawInRect(NSMakeRect(0, 0, 6, 6)); });
    EXPECT_EQ(pixelAt(*shown, 2, 5), kGreen);
    EXPECT_EQ(pixelAt(*shown, 2, 0).a, 0);
    // Locking again draws over what it showed.
    focused->lockFocus();
    NSColor::redColor()->setFill();
    NSRectFill(NSMakeRect(0, 5, 1, 1));
    focused->unlockFocus();
    shown = drawn({6, 6}, 1, false, [&] { focused->drawInRect(NSMakeRect(0, 0, 6, 6)); });
    EXPECT_EQ(pixelAt(*shown, 2, 5), kGreen);
    EXPECT_EQ(pixelAt(*shown, 0, 0), kRed);
}

TEST_F(ImageDrawingTest, FilesThatAreNotPicturesHaveNoPixels)
{
    std::ofstream(folder / "Broken.png") << "\x89PNG\r\n\x1a\n but not really";
    std::ofstream(folder / "Notes.txt") << "hello";
    for (const char* name : {"Broken.png", "Notes.txt"}) {
        SCOPED_TRACE(name);
        auto file = image(name);
        ASSERT_NE(file, nullptr);
        EXPECT_FALSE(file->isValid());
        file->setSize({4, 4});
        auto bitmap = drawn({4, 4}, 1, false, [&] { file->drawInRect(NSMakeRect(0, 0, 4, 4)); });
        EXPECT_EQ(pixelAt(*bitmap, 1, 1).a, 0);
    }
}

TEST_F(ImageDrawingTest, TheProgramsStatusImageHasPixels)
{
    auto status = NSImage::imageWithContentsOfFile(KESTROVA_SOURCE_DIR "/resources/Kestrova/Status Item.png");
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isValid());
    NSSize size = status->size();
    auto bitmap = drawn(size, 2, false, [&] { status->drawInRect({NSZeroPoint, size}); });
    EXPECT_GT(
        countPixels(*bitmap, 0, 0, bitmap->pixelsWide(), bitmap->pixelsHigh(), [](const Pixel& p) { return p.a > 0; }),
        0);
}

TEST_F(ImageDrawingTest, GeneratedApplicationIconsDifferByNameAndStayTheSame)
{
    auto safari = NSImage::generatedApplicationIcon("Safari");
    auto again = NSImage::generatedApplicationIcon("Safari");
    auto mail = NSImage::generatedApplicationIcon("Mail");
    auto nameless = NSImage::generatedApplicationIcon("");
    safari->setSize({64, 64});
    auto render = [](const std::shared_ptr<NSImage>& icon) {
        return drawn({64, 64}, 1, false, [&] { icon->drawInRect(NSMakeRect(0, 0, 64, 64)); });
    };
    auto a = render(safari), b = render(again), c = render(mail), d = render(nameless);
    EXPECT_EQ(pixelAt(*a, 32, 10), pixelAt(*b, 32, 10));
    EXPECT_NE(pixelAt(*a, 32, 10), pixelAt(*c, 32, 10));
    EXPECT_EQ(pixelAt(*a, 32, 10).a, 255);
    EXPECT_EQ(pixelAt(*a, 1, 1).a, 0) << "a margin around the shape";
    EXPECT_EQ(pixelAt(*d, 32, 10).a, 255);
    a->writePNGToFile(snapshotPath("icon-safari"));
}

TEST_F(ImageDrawingTest, ImageViewsScaleTheirImageAndTintTemplates)
{
    auto halves = image("Halves.png");
    ASSERT_NE(halves, nullptr);
    struct Case {
        const char* name;
        NSImageScaling scaling;
        NSRect drawnRect;
    };
    // A 4-point image in a 20 x 10 view.
    const Case cases[] = {
        {"down only: natural size", NSImageScaleProportionallyDown, NSMakeRect(8, 3, 4, 4)},
        {"up or down: fits the height", NSImageScaleProportionallyUpOrDown, NSMakeRect(5, 0, 10, 10)},
        {"axes independently: fills", NSImageScaleAxesIndependently, NSMakeRect(0, 0, 20, 10)},
        {"none", NSImageScaleNone, NSMakeRect(8, 3, 4, 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto view = NSImageView::imageViewWithImage(halves);
        view->setFrame(NSMakeRect(0, 0, 20, 10));
        view->setImageScaling(c.scaling);
        EXPECT_EQ(view->imageRect(), c.drawnRect);
    }
    auto small = std::make_shared<NSImageView>(NSMakeRect(0, 0, 2, 2));
    small->setImage(halves);
    EXPECT_EQ(small->imageRect(), NSMakeRect(0, 0, 2, 2)) << "shrunk to fit";
    EXPECT_EQ(small->intrinsicContentSize(), NSMakeSize(4, 4));

    halves->setTemplate(true);
    auto view = NSImageView::imageViewWithImage(halves);
    view->setContentTintColor(NSColor::blueColor());
    auto window = makeWindow({4, 4}, view);
    auto snapshot = window->snapshot(1);
    EXPECT_EQ(pixelAt(*snapshot, 1, 0), kBlue) << "the shape, in the tint";
    EXPECT_EQ(pixelAt(*snapshot, 1, 3), kBlue);
}

}  // namespace
