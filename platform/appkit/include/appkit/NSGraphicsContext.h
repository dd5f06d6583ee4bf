#pragma once

#include "appkit/AppKitDefines.h"
#include "coregraphics/CGContext.h"
#include "foundation/NSObject.h"

#include <memory>

class NSBitmapImageRep;

// How drawn pixels combine with those already there, with the platform's
// raw values.
enum NSCompositingOperation : NSUInteger {
    NSCompositingOperationClear = 0,
    NSCompositingOperationCopy = 1,
    NSCompositingOperationSourceOver = 2,
    NSCompositingOperationSourceIn = 3,
    NSCompositingOperationSourceOut = 4,
    NSCompositingOperationSourceAtop = 5,
    NSCompositingOperationDestinationOver = 6,
    NSCompositingOperationDestinationIn = 7,
    NSCompositingOperationDestinationOut = 8,
    NSCompositingOperationDestinationAtop = 9,
    NSCompositingOperationXOR = 10,
    NSCompositingOperationPlusDarker = 11,
    NSCompositingOperationPlusLighter = 13,
    NSCompositingOperationMultiply = 14,
    NSCompositingOperationScreen = 15,
    NSCompositingOperationOverlay = 16,
    NSCompositingOperationDarken = 17,
    NSCompositingOperationLighten = 18,
    NSCompositingOperationColorDodge = 19,
    NSCompositingOperationColorBurn = 20,
    NSCompositingOperationSoftLight = 21,
    NSCompositingOperationHardLight = 22,
    NSCompositingOperationDifference = 23,
    NSCompositingOperationExclusion = 24,
    NSCompositingOperationHue = 25,
    NSCompositingOperationSaturation = 26,
    NSCompositingOperationColor = 27,
    NSCompositingOperationLuminosity = 28,
};

// The blend mode that carries out an operation.
CGBlendMode NSBlendModeForCompositingOperation(NSCompositingOperation operation);

// Where drawing goes: a Core Graphics context, with whether its space is
// flipped (y downwards) as the view being drawn sees it. Each thread has a
// current context, set while a window draws its views, while an image is
// drawn into, or by the caller.
class NSGraphicsContext : public NSObject {
    KS_OBJECT(NSGraphicsContext, NSObject)

public:
    NSGraphicsContext(CGContextRef context, bool flipped);

    static std::shared_ptr<NSGraphicsContext> graphicsContextWithCGContext(const CGContextRef& context, bool flipped);
    // Draws into the bitmap's pixels, in points of its size; nullptr when the
    // bitmap has no pixels.
    static std::shared_ptr<NSGraphicsContext> graphicsContextWithBitmapImageRep(
        const std::shared_ptr<NSBitmapImageRep>& bitmap);

    // nullptr when nothing is being drawn on this thread.
    static std::shared_ptr<NSGraphicsContext> currentContext();
    static void setCurrentContext(const std::shared_ptr<NSGraphicsContext>& context);
    // The class's save and restore: remember the current context and its
    // graphics state, and bring both back. A restore without a save does
    // nothing.
    static void saveCurrentGraphicsState();
    static void restoreCurrentGraphicsState();

    CGContextRef CGContext() const { return context_; }
    bool isFlipped() const { return flipped_; }
    void saveGraphicsState();
    void restoreGraphicsState();
    // Drawing goes straight to the pixels; nothing is buffered.
    void flushGraphics() { }

    bool shouldAntialias() const;
    void setShouldAntialias(bool antialias);
    // Part of the graphics state.
    NSCompositingOperation compositingOperation() const;
    void setCompositingOperation(NSCompositingOperation operation);

    // Internal: the focus moved to a view of this flippedness.
    void setFlipped(bool flipped) { flipped_ = flipped; }

private:
    CGContextRef context_;
    bool flipped_ = false;
};

// Internal: makes a context current for a scope and puts the one before it
// back afterwards.
class ScopedCurrentContext {
public:
    explicit ScopedCurrentContext(std::shared_ptr<NSGraphicsContext> context);
    ScopedCurrentContext(const ScopedCurrentContext&) = delete;
    ScopedCurrentContext& operator=(const ScopedCurrentContext&) = delete;
    ~ScopedCurrentContext();

private:
    std::shared_ptr<NSGraphicsContext> previous_;
};
