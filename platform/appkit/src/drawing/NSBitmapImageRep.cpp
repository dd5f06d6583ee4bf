#include "appkit/NSBitmapImageRep.h"

#include "appkit/NSColor.h"

#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

CGContextRef blankBitmap(NSInteger width, NSInteger height)
{
    return CGBitmapContextCreate(nullptr, std::size_t(std::max<NSInteger>(width, 1)),
                                 std::size_t(std::max<NSInteger>(height, 1)), 8, 0, CGColorSpaceCreateDeviceRGB(),
                                 kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Host);
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    auto& bytes = *static_cast<std::vector<std::uint8_t>*>(closure);
    bytes.insert(bytes.end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

NSBitmapImageRep::NSBitmapImageRep(const CGImageRef& image)
    : bitmap_(blankBitmap(image ? NSInteger(image->width()) : 1, image ? NSInteger(image->height()) : 1))
{
    pixelsWide_ = NSInteger(CGBitmapContextGetWidth(bitmap_));
    pixelsHigh_ = NSInteger(CGBitmapContextGetHeight(bitmap_));
    size_ = {CGFloat(pixelsWide_), CGFloat(pixelsHigh_)};
    if (image) {
        cairo_t* cr = cairo_create(cairo_get_target(bitmap_->cairo()));
        cairo_set_source_surface(cr, image->cairoSurface(), 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        image_ = image;
    }
}

NSBitmapImageRep::NSBitmapImageRep(NSInteger pixelsWide, NSInteger pixelsHigh)
    : bitmap_(blankBitmap(pixelsWide, pixelsHigh))
{
    pixelsWide_ = NSInteger(CGBitmapContextGetWidth(bitmap_));
    pixelsHigh_ = NSInteger(CGBitmapContextGetHeight(bitmap_));
    size_ = {CGFloat(pixelsWide_), CGFloat(pixelsHigh_)};
}

std::shared_ptr<NSBitmapImageRep> NSBitmapImageRep::imageRepWithData(const Data& data)
{
    auto provider = CGDataProviderCreateWithData(nullptr, data.bytes(), data.length(), nullptr);
    auto image = CGImageCreateWithPNGDataProvider(provider, nullptr, true, kCGRenderingIntentDefault);
    return image ? std::make_shared<NSBitmapImageRep>(image) : nullptr;
}

std::shared_ptr<NSBitmapImageRep> NSBitmapImageRep::imageRepWithContentsOfFile(const String& path)
{
    auto provider = CGDataProviderCreateWithFilename(path.utf8().c_str());
    auto image = CGImageCreateWithPNGDataProvider(provider, nullptr, true, kCGRenderingIntentDefault);
    return image ? std::make_shared<NSBitmapImageRep>(image) : nullptr;
}

CGImageRef NSBitmapImageRep::CGImage() const
{
    if (!image_)
        image_ = CGBitmapContextCreateImage(bitmap_);
    return image_;
}

std::shared_ptr<NSColor> NSBitmapImageRep::colorAtX(NSInteger x, NSInteger y) const
{
    if (x < 0 || y < 0 || x >= pixelsWide_ || y >= pixelsHigh_)
        return nullptr;
    auto* data = static_cast<const std::uint8_t*>(CGBitmapContextGetData(bitmap_));
    std::uint32_t pixel;
    std::memcpy(&pixel, data + std::size_t(y) * CGBitmapContextGetBytesPerRow(bitmap_) + std::size_t(x) * 4, 4);
    CGFloat a = CGFloat((pixel >> 24) & 0xFF) / 255;
    if (a == 0)
        return NSColor::colorWithSRGBRed(0, 0, 0, 0);
    auto channel = [&](int shift) { return CGFloat((pixel >> shift) & 0xFF) / 255 / a; };
    return NSColor::colorWithSRGBRed(channel(16), channel(8), channel(0), a);
}

Data NSBitmapImageRep::representationUsingType(NSBitmapImageFileType type, const Dictionary&) const
{
    if (type != NSBitmapImageFileTypePNG)
        return Data();
    std::vector<std::uint8_t> bytes;
    CGImageRef image = CGImage();
    if (!image || cairo_surface_write_to_png_stream(image->cairoSurface(), appendBytes, &bytes) != CAIRO_STATUS_SUCCESS)
        return Data();
    return Data(std::move(bytes));
}

bool NSBitmapImageRep::writePNGToFile(const String& path) const
{
    Data png = representationUsingType(NSBitmapImageFileTypePNG, Dictionary());
    if (png.length() == 0 || path.empty())
        return false;
    std::string target = path.utf8();
    std::string partial = target + ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(png.bytes()), std::streamsize(png.length()));
        file.close();
        if (!file) {
            std::remove(partial.c_str());
            return false;
        }
    }
    // Written beside and then moved, so that a reader never sees half a file.
    if (std::rename(partial.c_str(), target.c_str()) != 0) {
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

CGContextRef NSBitmapImageRep::makeContext()
{
    image_.reset();
    cairo_t* cr = cairo_create(cairo_get_target(bitmap_->cairo()));
    // y upwards from the bottom left, in points of the size.
    cairo_translate(cr, 0, CGFloat(pixelsHigh_));
    cairo_scale(cr, size_.width > 0 ? CGFloat(pixelsWide_) / size_.width : 1,
                -(size_.height > 0 ? CGFloat(pixelsHigh_) / size_.height : 1));
    auto context = std::make_shared<CGContext>(cr);
    cairo_destroy(cr);
    return context;
}
