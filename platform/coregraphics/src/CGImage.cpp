#include "coregraphics/CGImage.h"

#include <cairo.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

CGDataProviderRef CGDataProviderCreateWithFilename(const char* filename)
{
    if (!filename)
        return nullptr;
    std::ifstream file(filename, std::ios::binary);
    if (!file)
        return nullptr;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return nullptr;
    return std::make_shared<const CGDataProvider>(std::move(bytes));
}

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, std::size_t size,
                                               CGDataProviderReleaseDataCallback release)
{
    if (!data && size > 0)
        return nullptr;
    auto bytes = static_cast<const std::uint8_t*>(data);
    auto provider = std::make_shared<const CGDataProvider>(std::vector<std::uint8_t>(bytes, bytes + size));
    if (release)
        release(info, data, size);
    return provider;
}

CGColorSpaceRef CGColorSpaceCreateDeviceRGB()
{
    static const auto space = std::make_shared<const CGColorSpace>();
    return space;
}

CGImage::CGImage(cairo_surface_t* surface)
    : surface_(surface)
{
    cairo_surface_flush(surface_);
}

CGImage::~CGImage()
{
    cairo_surface_destroy(surface_);
}

std::size_t CGImage::width() const
{
    return static_cast<std::size_t>(cairo_image_surface_get_width(surface_));
}

std::size_t CGImage::height() const
{
    return static_cast<std::size_t>(cairo_image_surface_get_height(surface_));
}

std::size_t CGImage::bytesPerRow() const
{
    return static_cast<std::size_t>(cairo_image_surface_get_stride(surface_));
}

const std::uint8_t* CGImage::data() const
{
    return cairo_image_surface_get_data(surface_);
}

namespace {

struct PNGReader {
    const std::vector<std::uint8_t>& bytes;
    std::size_t offset = 0;
};

cairo_status_t readPNG(void* closure, unsigned char* data, unsigned int length)
{
    auto& reader = *static_cast<PNGReader*>(closure);
    if (reader.bytes.size() - reader.offset < length)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, reader.bytes.data() + reader.offset, length);
    reader.offset += length;
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

CGImageRef CGImageCreateWithPNGDataProvider(const CGDataProviderRef& source, const CGFloat*, bool,
                                            CGColorRenderingIntent)
{
    static constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!source || source->bytes().size() < sizeof signature ||
        std::memcmp(source->bytes().data(), signature, sizeof signature) != 0)
        return nullptr;
    PNGReader reader{source->bytes()};
    cairo_surface_t* loaded = cairo_image_surface_create_from_png_stream(readPNG, &reader);
    if (cairo_surface_status(loaded) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(loaded);
        return nullptr;
    }
    if (cairo_image_surface_get_format(loaded) == CAIRO_FORMAT_ARGB32)
        return std::make_shared<const CGImage>(loaded);
    // Opaque or gray files come in other formats; every image here is 32-bit.
    int width = cairo_image_surface_get_width(loaded);
    int height = cairo_image_surface_get_height(loaded);
    cairo_surface_t* converted = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(converted);
    cairo_set_source_surface(cr, loaded, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(loaded);
    return std::make_shared<const CGImage>(converted);
}

CGImageRef CGImageCreateWithImageInRect(const CGImageRef& image, CGRect rect)
{
    if (!image)
        return nullptr;
    CGRect bounds = CGRectMake(0, 0, CGFloat(image->width()), CGFloat(image->height()));
    CGRect part = CGRectIntegral(CGRectIntersection(CGRectStandardize(rect), bounds));
    if (CGRectIsNull(part) || CGRectIsEmpty(part))
        return nullptr;
    int width = static_cast<int>(part.size.width);
    int height = static_cast<int>(part.size.height);
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, image->cairoSurface(), -part.origin.x, -part.origin.y);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    return std::make_shared<const CGImage>(copy);
}

std::size_t CGImageGetWidth(const CGImageRef& image)
{
    return image ? image->width() : 0;
}

std::size_t CGImageGetHeight(const CGImageRef& image)
{
    return image ? image->height() : 0;
}

std::size_t CGImageGetBytesPerRow(const CGImageRef& image)
{
    return image ? image->bytesPerRow() : 0;
}

std::size_t CGImageGetBitsPerComponent(const CGImageRef& image)
{
    return image ? 8 : 0;
}

std::size_t CGImageGetBitsPerPixel(const CGImageRef& image)
{
    return image ? 32 : 0;
}
