#pragma once

#include "appkit/AppKitDefines.h"
#include "coregraphics/CGContext.h"
#include "coregraphics/CGImage.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>

class NSColor;

enum NSBitmapImageFileType : NSUInteger {
    NSBitmapImageFileTypeTIFF = 0,
    NSBitmapImageFileTypeBMP = 1,
    NSBitmapImageFileTypeGIF = 2,
    NSBitmapImageFileTypeJPEG = 3,
    NSBitmapImageFileTypePNG = 4,
    NSBitmapImageFileTypeJPEG2000 = 5,
};

// One way of showing an image: a size in points and, for bitmaps, pixels.
class NSImageRep : public NSObject {
    KS_OBJECT(NSImageRep, NSObject)

public:
    NSSize size() const { return size_; }
    void setSize(NSSize size) { size_ = size; }
    NSInteger pixelsWide() const { return pixelsWide_; }
    NSInteger pixelsHigh() const { return pixelsHigh_; }

protected:
    NSSize size_;
    NSInteger pixelsWide_ = 0;
    NSInteger pixelsHigh_ = 0;
};

// Pixels: 8 bits a component, alpha premultiplied. Its size is the pixel
// size unless set (a 2x bitmap of a 16-point image is 32 pixels wide).
class NSBitmapImageRep : public NSImageRep {
    KS_OBJECT(NSBitmapImageRep, NSImageRep)

public:
    // The image's pixels; an image without any makes an empty bitmap.
    explicit NSBitmapImageRep(const CGImageRef& image);
    // Transparent pixels of that size (at least 1 × 1).
    NSBitmapImageRep(NSInteger pixelsWide, NSInteger pixelsHigh);

    // nullptr when the bytes are not a PNG image.
    static std::shared_ptr<NSBitmapImageRep> imageRepWithData(const Data& data);
    static std::shared_ptr<NSBitmapImageRep> imageRepWithContentsOfFile(const String& path);

    // A copy of the pixels as they are now.
    CGImageRef CGImage() const;
    // The colour of a pixel counted from the top left; nullptr outside.
    std::shared_ptr<NSColor> colorAtX(NSInteger x, NSInteger y) const;
    // The file's bytes; PNG is the one type written, others answer empty.
    Data representationUsingType(NSBitmapImageFileType type, const Dictionary& properties) const;
    // Writes a PNG file; false (and nothing written) when that fails.
    bool writePNGToFile(const String& path) const;

    // Internal: a context that draws into the pixels, in points of the
    // size, y upwards from the bottom left.
    CGContextRef makeContext();
    // Internal: the pixels, for reading; valid while the bitmap lives and
    // isn't drawn into.
    const CGContextRef& bitmapContext() const { return bitmap_; }

private:
    CGContextRef bitmap_;
    mutable CGImageRef image_;
};
