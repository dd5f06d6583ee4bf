#pragma once

#include "coregraphics/CGBase.h"
#include "coregraphics/CGGeometry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

// Bytes an image is read from.
class CGDataProvider {
public:
    explicit CGDataProvider(std::vector<std::uint8_t> bytes)
        : bytes_(std::move(bytes))
    {
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

using CGDataProviderRef = std::shared_ptr<const CGDataProvider>;
using CGDataProviderReleaseDataCallback = void (*)(void* info, const void* data, std::size_t size);

// nullptr when the file can't be read.
CGDataProviderRef CGDataProviderCreateWithFilename(const char* filename);
// Copies the bytes; the release callback, when given, runs at once, as the
// provider no longer needs them.
CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, std::size_t size,
                                               CGDataProviderReleaseDataCallback release);

// The one colour space of the drawing: device RGB.
class CGColorSpace { };
using CGColorSpaceRef = std::shared_ptr<const CGColorSpace>;
CGColorSpaceRef CGColorSpaceCreateDeviceRGB();

enum CGColorRenderingIntent : std::int32_t {
    kCGRenderingIntentDefault = 0,
    kCGRenderingIntentAbsoluteColorimetric = 1,
    kCGRenderingIntentRelativeColorimetric = 2,
    kCGRenderingIntentPerceptual = 3,
    kCGRenderingIntentSaturation = 4,
};

// How bitmap pixels are laid out. Every bitmap here is 32 bits a pixel,
// 8 bits a component, alpha premultiplied and first, in the machine's byte
// order; other layouts are refused.
using CGBitmapInfo = std::uint32_t;
inline constexpr CGBitmapInfo kCGImageAlphaPremultipliedFirst = 2;
inline constexpr CGBitmapInfo kCGBitmapByteOrder32Little = 2u << 12;
inline constexpr CGBitmapInfo kCGBitmapByteOrder32Host = kCGBitmapByteOrder32Little;

// Pixels: rows from the top, 32 bits each (premultiplied alpha first, in the
// machine's byte order). Immutable once made.
class CGImage {
public:
    // Takes over one reference of an image surface in the 32-bit format.
    explicit CGImage(cairo_surface_t* surface);
    CGImage(const CGImage&) = delete;
    CGImage& operator=(const CGImage&) = delete;
    ~CGImage();

    std::size_t width() const;
    std::size_t height() const;
    std::size_t bytesPerRow() const;
    const std::uint8_t* data() const;
    cairo_surface_t* cairoSurface() const { return surface_; }

private:
    cairo_surface_t* surface_;
};

using CGImageRef = std::shared_ptr<const CGImage>;

// nullptr when the bytes are not a PNG image.
CGImageRef CGImageCreateWithPNGDataProvider(const CGDataProviderRef& source, const CGFloat* decode,
                                            bool shouldInterpolate, CGColorRenderingIntent intent);
// The part of the image inside `rect` (in pixels, from the top left);
// nullptr when it lies outside.
CGImageRef CGImageCreateWithImageInRect(const CGImageRef& image, CGRect rect);
std::size_t CGImageGetWidth(const CGImageRef& image);
std::size_t CGImageGetHeight(const CGImageRef& image);
std::size_t CGImageGetBytesPerRow(const CGImageRef& image);
std::size_t CGImageGetBitsPerComponent(const CGImageRef& image);
std::size_t CGImageGetBitsPerPixel(const CGImageRef& image);
