#pragma once

#include "coregraphics/CGAffineTransform.h"
#include "coregraphics/CGColor.h"
#include "coregraphics/CGGeometry.h"
#include "coregraphics/CGImage.h"
#include "coregraphics/CGPath.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

typedef struct _cairo cairo_t;

// How drawing combines with what is there, with the platform's raw values.
enum CGBlendMode : std::int32_t {
    kCGBlendModeNormal = 0,
    kCGBlendModeMultiply = 1,
    kCGBlendModeScreen = 2,
    kCGBlendModeOverlay = 3,
    kCGBlendModeDarken = 4,
    kCGBlendModeLighten = 5,
    kCGBlendModeColorDodge = 6,
    kCGBlendModeColorBurn = 7,
    kCGBlendModeSoftLight = 8,
    kCGBlendModeHardLight = 9,
    kCGBlendModeDifference = 10,
    kCGBlendModeExclusion = 11,
    kCGBlendModeHue = 12,
    kCGBlendModeSaturation = 13,
    kCGBlendModeColor = 14,
    kCGBlendModeLuminosity = 15,
    kCGBlendModeClear = 16,
    kCGBlendModeCopy = 17,
    kCGBlendModeSourceIn = 18,
    kCGBlendModeSourceOut = 19,
    kCGBlendModeSourceAtop = 20,
    kCGBlendModeDestinationOver = 21,
    kCGBlendModeDestinationIn = 22,
    kCGBlendModeDestinationOut = 23,
    kCGBlendModeDestinationAtop = 24,
    kCGBlendModeXOR = 25,
    kCGBlendModePlusDarker = 26,
    kCGBlendModePlusLighter = 27,
};

enum CGPathDrawingMode : std::int32_t {
    kCGPathFill = 0,
    kCGPathEOFill = 1,
    kCGPathStroke = 2,
    kCGPathFillStroke = 3,
    kCGPathEOFillStroke = 4,
};

// A drawing destination over a cairo context: a window's backing image, a
// bitmap, an image being drawn. The graphics state (colours, line width,
// alpha, blend mode, clip, transform) is saved and restored as a stack; the
// current path is not part of it.
class CGContext {
public:
    struct GState {
        std::array<CGFloat, 4> fill = {0, 0, 0, 1};
        std::array<CGFloat, 4> stroke = {0, 0, 0, 1};
        CGFloat lineWidth = 1;
        CGFloat alpha = 1;
        CGBlendMode blendMode = kCGBlendModeNormal;
        bool antialias = true;
        bool smoothFonts = true;
    };

    // Draws through `cr`, holding a reference of its own.
    explicit CGContext(cairo_t* cr);
    CGContext(const CGContext&) = delete;
    CGContext& operator=(const CGContext&) = delete;
    ~CGContext();

    cairo_t* cairo() const { return cr_; }
    const GState& state() const { return states_.back(); }
    GState& state() { return states_.back(); }
    void save();
    // An unbalanced restore is ignored.
    void restore();

    // Sets cairo's source and operator for a fill (or stroke) with the
    // current colour, alpha and blend mode.
    void prepareFill();
    void prepareStroke();
    // Sets cairo's operator for the current blend mode.
    void applyBlendMode();

    // The bitmap a bitmap context draws into; nullptr for other contexts.
    cairo_surface_t* bitmapSurface() const;

    // Draws through `cr` from now on, holding a reference of its own, and
    // returns the context drawn through until now, whose reference passes
    // to the caller: a layer drawn aside into a surface of its own goes on
    // through the same CGContext. The graphics-state stack stays as it is,
    // so what is saved through one cairo context is restored through it.
    cairo_t* exchangeCairo(cairo_t* cr);

private:
    cairo_t* cr_;
    std::vector<GState> states_ = {GState{}};
};

using CGContextRef = std::shared_ptr<CGContext>;

void CGContextSaveGState(const CGContextRef& context);
void CGContextRestoreGState(const CGContextRef& context);

void CGContextSetRGBFillColor(const CGContextRef& context, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
void CGContextSetRGBStrokeColor(const CGContextRef& context, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
void CGContextSetGrayFillColor(const CGContextRef& context, CGFloat gray, CGFloat alpha);
void CGContextSetGrayStrokeColor(const CGContextRef& context, CGFloat gray, CGFloat alpha);
void CGContextSetFillColorWithColor(const CGContextRef& context, const CGColorRef& color);
void CGContextSetStrokeColorWithColor(const CGContextRef& context, const CGColorRef& color);
void CGContextSetLineWidth(const CGContextRef& context, CGFloat width);
void CGContextSetAlpha(const CGContextRef& context, CGFloat alpha);
void CGContextSetBlendMode(const CGContextRef& context, CGBlendMode mode);
void CGContextSetShouldAntialias(const CGContextRef& context, bool shouldAntialias);
void CGContextSetShouldSmoothFonts(const CGContextRef& context, bool shouldSmoothFonts);

void CGContextTranslateCTM(const CGContextRef& context, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(const CGContextRef& context, CGFloat sx, CGFloat sy);
void CGContextConcatCTM(const CGContextRef& context, CGAffineTransform transform);
// User space to the context's base space (a bitmap's is y-up, in pixels).
CGAffineTransform CGContextGetCTM(const CGContextRef& context);
// User space to device pixels, y growing downwards from the top row.
CGAffineTransform CGContextGetUserSpaceToDeviceSpaceTransform(const CGContextRef& context);
CGRect CGContextConvertRectToDeviceSpace(const CGContextRef& context, CGRect rect);

void CGContextBeginPath(const CGContextRef& context);
void CGContextMoveToPoint(const CGContextRef& context, CGFloat x, CGFloat y);
void CGContextAddLineToPoint(const CGContextRef& context, CGFloat x, CGFloat y);
void CGContextAddCurveToPoint(const CGContextRef& context, CGFloat cp1x, CGFloat cp1y, CGFloat cp2x, CGFloat cp2y,
                              CGFloat x, CGFloat y);
void CGContextClosePath(const CGContextRef& context);
void CGContextAddRect(const CGContextRef& context, CGRect rect);
void CGContextAddPath(const CGContextRef& context, const CGPathRef& path);
void CGContextAddEllipseInRect(const CGContextRef& context, CGRect rect);
bool CGContextIsPathEmpty(const CGContextRef& context);
// Each of these uses up the current path.
void CGContextFillPath(const CGContextRef& context);
void CGContextEOFillPath(const CGContextRef& context);
void CGContextStrokePath(const CGContextRef& context);
void CGContextDrawPath(const CGContextRef& context, CGPathDrawingMode mode);
void CGContextClip(const CGContextRef& context);
void CGContextEOClip(const CGContextRef& context);

// These leave the current path alone.
void CGContextFillRect(const CGContextRef& context, CGRect rect);
void CGContextFillRects(const CGContextRef& context, const CGRect* rects, std::size_t count);
void CGContextStrokeRect(const CGContextRef& context, CGRect rect);
void CGContextStrokeRectWithWidth(const CGContextRef& context, CGRect rect, CGFloat width);
// Makes the rectangle fully transparent.
void CGContextClearRect(const CGContextRef& context, CGRect rect);
void CGContextFillEllipseInRect(const CGContextRef& context, CGRect rect);
void CGContextClipToRect(const CGContextRef& context, CGRect rect);
// The bounds of the clip in user space.
CGRect CGContextGetClipBoundingBox(const CGContextRef& context);

// The image fills `rect`, its top row along the rectangle's maximum y, as in
// the platform's y-up space: in a flipped space it appears upside down.
void CGContextDrawImage(const CGContextRef& context, CGRect rect, const CGImageRef& image);

// A bitmap of 32-bit pixels, cleared, with a y-up space in pixels whose
// origin is the bottom left. `data` nullptr allocates the pixels; given
// pixels must hold `bytesPerRow` × `height` bytes and outlive the context.
// nullptr for a size of zero or a layout other than 8 bits a component with
// premultiplied alpha first.
CGContextRef CGBitmapContextCreate(void* data, std::size_t width, std::size_t height, std::size_t bitsPerComponent,
                                   std::size_t bytesPerRow, const CGColorSpaceRef& space, CGBitmapInfo bitmapInfo);
std::size_t CGBitmapContextGetWidth(const CGContextRef& context);
std::size_t CGBitmapContextGetHeight(const CGContextRef& context);
std::size_t CGBitmapContextGetBytesPerRow(const CGContextRef& context);
void* CGBitmapContextGetData(const CGContextRef& context);
// A copy of the pixels drawn so far; nullptr for a context that isn't a
// bitmap.
CGImageRef CGBitmapContextCreateImage(const CGContextRef& context);
