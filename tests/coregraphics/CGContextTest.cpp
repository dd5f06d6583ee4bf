#include "coregraphics/CGContext.h"

#include <cairo.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Premultiplied 32-bit pixels, alpha first in the word.
std::uint32_t pixel(const CGContextRef& context, std::size_t x, std::size_t y)
{
    auto* data = static_cast<const std::uint8_t*>(CGBitmapContextGetData(context));
    std::uint32_t value;
    std::memcpy(&value, data + y * CGBitmapContextGetBytesPerRow(context) + x * 4, 4);
    return value;
}

// Channel by channel within one step, as blending rounds.
::testing::AssertionResult nearPixel(std::uint32_t actual, std::uint32_t expected)
{
    for (int shift = 0; shift < 32; shift += 8) {
        int a = int((actual >> shift) & 0xFF), e = int((expected >> shift) & 0xFF);
        if (std::abs(a - e) > 1)
            return ::testing::AssertionFailure() << std::hex << actual << " is not near " << expected;
    }
    return ::testing::AssertionSuccess();
}

CGContextRef bitmap(std::size_t width, std::size_t height)
{
    return CGBitmapContextCreate(nullptr, width, height, 8, 0, CGColorSpaceCreateDeviceRGB(),
                                 kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Host);
}

TEST(CGContextTest, BitmapsAreClearWithTheirOriginAtTheBottomLeft)
{
    auto context = bitmap(4, 3);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(pixel(context, 0, 0), 0u);
    CGContextSetRGBFillColor(context, 1, 0, 0, 1);
    CGContextFillRect(context, CGRectMake(0, 0, 4, 1));
    EXPECT_EQ(pixel(context, 0, 2), 0xFFFF0000u) << "y 0 is the bottom row";
    EXPECT_EQ(pixel(context, 0, 0), 0u);
    EXPECT_EQ(CGContextGetCTM(context), CGAffineTransformIdentity);
}

TEST(CGContextTest, FillsAreStoredPremultipliedAndBlendByMode)
{
    auto context = bitmap(2, 1);
    CGContextSetRGBFillColor(context, 0, 0, 1, 1);
    CGContextFillRect(context, CGRectMake(0, 0, 2, 1));
    CGContextSetRGBFillColor(context, 1, 0, 0, 0.5);
    CGContextFillRect(context, CGRectMake(0, 0, 1, 1));
    EXPECT_TRUE(nearPixel(pixel(context, 0, 0), 0xFF800080u)) << "half red over blue";
    CGContextSetBlendMode(context, kCGBlendModeCopy);
    CGContextFillRect(context, CGRectMake(1, 0, 1, 1));
    EXPECT_TRUE(nearPixel(pixel(context, 1, 0), 0x80800000u)) << "copy replaces: half red, premultiplied";
    CGContextClearRect(context, CGRectMake(0, 0, 2, 1));
    EXPECT_EQ(pixel(context, 0, 0), 0u);
}

TEST(CGContextTest, GraphicsStateRestoresColoursClipAndTransformButNotThePath)
{
    auto context = bitmap(4, 4);
    CGContextSetRGBFillColor(context, 0, 1, 0, 1);
    CGContextMoveToPoint(context, 0, 0);
    CGContextSaveGState(context);
    CGContextSetRGBFillColor(context, 1, 0, 0, 1);
    CGContextClipToRect(context, CGRectMake(0, 0, 1, 1));
    CGContextTranslateCTM(context, 2, 2);
    CGContextRestoreGState(context);
    EXPECT_FALSE(CGContextIsPathEmpty(context)) << "the clip took no path away";
    CGContextFillRect(context, CGRectMake(3, 3, 1, 1));
    EXPECT_EQ(pixel(context, 3, 0), 0xFF00FF00u) << "green, unclipped, untransformed";
    CGContextRestoreGState(context);  // one too many: ignored
    EXPECT_EQ(CGContextGetClipBoundingBox(context), CGRectMake(0, 0, 4, 4));
}

TEST(CGContextTest, ImagesDrawWithTheirTopRowAtTheTopOfAYUpSpace)
{
    // 1 x 2 pixels: red on top of blue.
    auto source = bitmap(1, 2);
    CGContextSetRGBFillColor(source, 1, 0, 0, 1);
    CGContextFillRect(source, CGRectMake(0, 1, 1, 1));
    CGContextSetRGBFillColor(source, 0, 0, 1, 1);
    CGContextFillRect(source, CGRectMake(0, 0, 1, 1));
    CGImageRef image = CGBitmapContextCreateImage(source);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(CGImageGetWidth(image), 1u);
    EXPECT_EQ(CGImageGetHeight(image), 2u);

    auto upright = bitmap(2, 4);
    CGContextDrawImage(upright, CGRectMake(0, 0, 2, 4), image);
    EXPECT_EQ(pixel(upright, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixel(upright, 1, 3), 0xFF0000FFu);

    // In a flipped space the same call turns the image over.
    auto flipped = bitmap(2, 4);
    CGContextTranslateCTM(flipped, 0, 4);
    CGContextScaleCTM(flipped, 1, -1);
    CGContextDrawImage(flipped, CGRectMake(0, 0, 2, 4), image);
    EXPECT_EQ(pixel(flipped, 0, 0), 0xFF0000FFu);
}

// A real PNG of the bitmap, as the bitmap code writes them.
std::vector<std::uint8_t> pngOf(const CGContextRef& context)
{
    std::vector<std::uint8_t> png;
    cairo_surface_write_to_png_stream(
        CGBitmapContextCreateImage(context)->cairoSurface(),
        [](void* closure, const unsigned char* data, unsigned int length) {
            auto& bytes = *static_cast<std::vector<std::uint8_t>*>(closure);
            bytes.insert(bytes.end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    return png;
}

CGImageRef readPNG(const std::vector<std::uint8_t>& bytes)
{
    return CGImageCreateWithPNGDataProvider(CGDataProviderCreateWithData(nullptr, bytes.data(), bytes.size(), nullptr),
                                            nullptr, false, kCGRenderingIntentDefault);
}

TEST(CGContextTest, PNGImagesComeFromTheirBytesAndAnythingElseIsRefused)
{
    auto context = bitmap(3, 2);
    CGContextSetRGBFillColor(context, 0, 1, 0, 1);
    CGContextFillRect(context, CGRectMake(0, 0, 1, 2));
    auto png = pngOf(context);
    auto read = readPNG(png);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(CGImageGetWidth(read), 3u);
    EXPECT_EQ(CGImageGetHeight(read), 2u);

    std::vector<std::uint8_t> truncated(png.begin(), png.begin() + long(png.size() / 2));
    const char* text = "not an image";
    for (const auto& bytes : {truncated, std::vector<std::uint8_t>(text, text + 12), std::vector<std::uint8_t>()})
        EXPECT_EQ(readPNG(bytes), nullptr);
    // A well-made file of a size the drawing won't hold.
    EXPECT_NE(readPNG(pngOf(bitmap(16384, 1))), nullptr);
    EXPECT_EQ(readPNG(pngOf(bitmap(16385, 1))), nullptr);
    EXPECT_EQ(CGImageCreateWithPNGDataProvider(nullptr, nullptr, false, kCGRenderingIntentDefault), nullptr);
    EXPECT_EQ(CGDataProviderCreateWithFilename("/nonexistent/file.png"), nullptr);
}

TEST(CGContextTest, BitmapsOfNoSizeOrAnotherLayoutAreRefused)
{
    auto space = CGColorSpaceCreateDeviceRGB();
    CGBitmapInfo info = kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Host;
    EXPECT_EQ(CGBitmapContextCreate(nullptr, 0, 4, 8, 0, space, info), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(nullptr, 4, 4, 16, 0, space, info), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(nullptr, 4, 4, 8, 0, space, 1), nullptr);
    std::vector<std::uint32_t> pixels(4 * 4, 0xFFFFFFFFu);
    EXPECT_EQ(CGBitmapContextCreate(pixels.data(), 4, 4, 8, 8, space, info), nullptr) << "rows too short";
    auto given = CGBitmapContextCreate(pixels.data(), 4, 4, 8, 16, space, info);
    ASSERT_NE(given, nullptr);
    EXPECT_EQ(pixels[0], 0u) << "cleared";
    EXPECT_EQ(CGBitmapContextCreateImage(nullptr), nullptr);
}

}  // namespace
