#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSGraphicsContext.h"
#include "coregraphics/CGImage.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class NSBundle;
class NSColor;
class NSImageRep;
class NSBitmapImageRep;

// The program's own icon, by name: the main bundle's "CFBundleIconFile"
// image, else the icon made for an application without one, from the
// bundle's name.
extern const String NSImageNameApplicationIcon;

// An image: a size in points and representations that draw it: bitmaps
// (a PNG file, its "@2x" companion as the bitmap for backing scale 2,
// pixels drawn with lockFocus) or a drawing handler. Drawing picks the
// bitmap whose pixel density best fits the destination and scales it to
// the rectangle; setSize changes the size the image is drawn at, not its
// pixels. Pixels of files are read when the image is first drawn.
class NSImage : public NSObject {
    KS_OBJECT(NSImage, NSObject)

public:
    // Draws the image into the rectangle (the image's bounds at its size
    // when made); answers whether it drew.
    using DrawingHandler = std::function<bool(NSRect dstRect)>;

    // An image read from a file when drawn: `path` may be empty (an image
    // with no pixels), and `size` is the size in points. The name here only
    // labels the image; setName registers one.
    NSImage(String path, NSSize size, String name = String());
    // An empty image of that size, for lockFocus or added representations.
    explicit NSImage(NSSize size);
    // The pixels at that size; a zero size takes the pixel size.
    NSImage(const CGImageRef& image, NSSize size);

    static std::shared_ptr<NSImage> imageWithSize(NSSize size, bool flipped, DrawingHandler handler);
    // An image registered under the name with setName, else the main
    // bundle's image resource of that name. The same object for the same
    // name (and main bundle); nullptr when there is none.
    static std::shared_ptr<NSImage> imageNamed(const String& name);
    // The bundle's image resource of that name, a new object each time;
    // nullptr when there is none.
    static std::shared_ptr<NSImage> imageForResource(const NSBundle& bundle, const String& name);
    // nullptr when the file doesn't exist. A PNG's size comes from its
    // header (half of it for an "@2x" file); other files have no pixels
    // and a zero size until something sets it.
    static std::shared_ptr<NSImage> imageWithContentsOfFile(const String& path);
    // The icon made for an application that has none of its own: a rounded
    // square in a colour of its own name, with the name's first letter.
    static std::shared_ptr<NSImage> generatedApplicationIcon(const String& applicationName);
    // Tests: forgets the registered and cached names.
    static void resetNamedImagesForTesting();

    const String& name() const { return name_; }
    // Registers the image under the name for imageNamed; the empty name
    // unregisters it. False when another image holds the name.
    bool setName(const String& name);
    // Empty for an image made in code.
    const String& path() const { return path_; }
    NSSize size() const { return size_; }
    void setSize(NSSize size) { size_ = size; }
    // A template image is a shape: views that show it fill it with their
    // text colour. Files whose names end in "Template" are templates.
    bool isTemplate() const { return template_; }
    void setTemplate(bool isTemplate) { template_ = isTemplate; }

    std::vector<std::shared_ptr<NSImageRep>> representations() const;
    void addRepresentation(const std::shared_ptr<NSImageRep>& representation);
    // Whether there is anything to draw.
    bool isValid() const;

    // Drawing into the image: the current context becomes one over a bitmap
    // of the image's size at the main screen's scale, which (holding what
    // the image showed) becomes its representation at unlockFocus.
    void lockFocus() { lockFocusFlipped(false); }
    void lockFocusFlipped(bool flipped);
    void unlockFocus();

    // The whole image in the rectangle, upright in flipped views too.
    void drawInRect(NSRect rect);
    // The part `fromRect` (the whole image when empty), in the image's
    // points, combined by the operation at that opacity. In a flipped
    // context this draws upside down, unless `respectFlipped`.
    void drawInRect(NSRect rect, NSRect fromRect, NSCompositingOperation operation, CGFloat fraction);
    void drawInRect(NSRect rect, NSRect fromRect, NSCompositingOperation operation, CGFloat fraction,
                    bool respectFlipped, const Dictionary& hints);
    void drawAtPoint(NSPoint point, NSRect fromRect, NSCompositingOperation operation, CGFloat fraction);
    // Draws the image's shape filled with a colour: how views show
    // templates.
    void drawTemplateInRect(NSRect rect, const NSColor& color, CGFloat fraction);
    // The pixels that would be drawn into the proposed rectangle (the whole
    // image when nullptr) of the context (the current one when nullptr);
    // nullptr for an image without any.
    CGImageRef CGImageForProposedRect(NSRect* proposedRect, const std::shared_ptr<NSGraphicsContext>& context,
                                      const Dictionary& hints);

    String description() const override;

private:
    struct Placement;
    void loadFileRepresentations() const;
    std::shared_ptr<NSBitmapImageRep> bestBitmap(CGFloat pixelsPerPoint) const;
    void draw(NSRect rect, NSRect fromRect, NSCompositingOperation operation, CGFloat fraction, bool respectFlipped,
              const NSColor* templateColor);
    // The image drawn into a new bitmap at that density.
    std::shared_ptr<NSBitmapImageRep> rendered(CGFloat scale);
    std::shared_ptr<NSBitmapImageRep> handlerRendering(CGFloat pixelsPerPoint);

    String path_;
    String name_;
    NSSize size_;
    bool template_ = false;
    DrawingHandler handler_;
    NSSize handlerSize_;
    bool handlerFlipped_ = false;
    // The handler's last rendering.
    std::mutex handlerMutex_;
    std::shared_ptr<NSBitmapImageRep> handlerCache_;
    CGFloat handlerCacheDensity_ = 0;

    mutable std::mutex mutex_;
    mutable bool filesLoaded_ = false;
    mutable std::vector<std::shared_ptr<NSImageRep>> representations_;
    // While focus is locked: the bitmap drawn into and the context that was
    // current before.
    std::shared_ptr<NSBitmapImageRep> focusBitmap_;
    std::vector<std::shared_ptr<NSGraphicsContext>> focusPrevious_;
};
