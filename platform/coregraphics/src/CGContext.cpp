#include "coregraphics/CGContext.h"

#include <cairo.h>

#include <cmath>

namespace {

cairo_operator_t cairoOperator(CGBlendMode mode)
{
    switch (mode) {
    case kCGBlendModeNormal:
        return CAIRO_OPERATOR_OVER;
    case kCGBlendModeMultiply:
        return CAIRO_OPERATOR_MULTIPLY;
    case kCGBlendModeScreen:
        return CAIRO_OPERATOR_SCREEN;
    case kCGBlendModeOverlay:
        return CAIRO_OPERATOR_OVERLAY;
    case kCGBlendModeDarken:
        return CAIRO_OPERATOR_DARKEN;
    case kCGBlendModeLighten:
        return CAIRO_OPERATOR_LIGHTEN;
    case kCGBlendModeColorDodge:
        return CAIRO_OPERATOR_COLOR_DODGE;
    case kCGBlendModeColorBurn:
        return CAIRO_OPERATOR_COLOR_BURN;
    case kCGBlendModeSoftLight:
        return CAIRO_OPERATOR_SOFT_LIGHT;
    case kCGBlendModeHardLight:
        return CAIRO_OPERATOR_HARD_LIGHT;
    case kCGBlendModeDifference:
        return CAIRO_OPERATOR_DIFFERENCE;
    case kCGBlendModeExclusion:
        return CAIRO_OPERATOR_EXCLUSION;
    case kCGBlendModeHue:
        return CAIRO_OPERATOR_HSL_HUE;
    case kCGBlendModeSaturation:
        return CAIRO_OPERATOR_HSL_SATURATION;
    case kCGBlendModeColor:
        return CAIRO_OPERATOR_HSL_COLOR;
    case kCGBlendModeLuminosity:
        return CAIRO_OPERATOR_HSL_LUMINOSITY;
    case kCGBlendModeClear:
        return CAIRO_OPERATOR_CLEAR;
    case kCGBlendModeCopy:
        return CAIRO_OPERATOR_SOURCE;
    case kCGBlendModeSourceIn:
        return CAIRO_OPERATOR_IN;
    case kCGBlendModeSourceOut:
        return CAIRO_OPERATOR_OUT;
    case kCGBlendModeSourceAtop:
        return CAIRO_OPERATOR_ATOP;
    case kCGBlendModeDestinationOver:
        return CAIRO_OPERATOR_DEST_OVER;
    case kCGBlendModeDestinationIn:
        return CAIRO_OPERATOR_DEST_IN;
    case kCGBlendModeDestinationOut:
        return CAIRO_OPERATOR_DEST_OUT;
    case kCGBlendModeDestinationAtop:
        return CAIRO_OPERATOR_DEST_ATOP;
    case kCGBlendModeXOR:
        return CAIRO_OPERATOR_XOR;
    case kCGBlendModePlusDarker:
        // cairo has no darkening sum; darken is the nearest it has.
        return CAIRO_OPERATOR_DARKEN;
    case kCGBlendModePlusLighter:
        return CAIRO_OPERATOR_ADD;
    }
    return CAIRO_OPERATOR_OVER;
}

CGAffineTransform fromCairo(const cairo_matrix_t& m)
{
    return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

cairo_matrix_t toCairo(const CGAffineTransform& t)
{
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    return m;
}

// Runs `body` with an empty current path and puts the caller's path back
// afterwards, for the calls that must leave it alone.
template <class F> void withOwnPath(cairo_t* cr, F&& body)
{
    cairo_path_t* saved = cairo_copy_path(cr);
    cairo_new_path(cr);
    body();
    cairo_new_path(cr);
    cairo_append_path(cr, saved);
    cairo_path_destroy(saved);
}

void addPath(cairo_t* cr, const CGPath& path)
{
    for (const auto& element : path.elements()) {
        const auto& p = element.points;
        switch (element.type) {
        case CGPath::ElementType::MoveToPoint:
            cairo_move_to(cr, p[0].x, p[0].y);
            break;
        case CGPath::ElementType::AddLineToPoint:
            cairo_line_to(cr, p[0].x, p[0].y);
            break;
        case CGPath::ElementType::AddCurveToPoint:
            cairo_curve_to(cr, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
            break;
        case CGPath::ElementType::CloseSubpath:
            cairo_close_path(cr);
            break;
        }
    }
}

}  // namespace

CGContext::CGContext(cairo_t* cr)
    : cr_(cairo_reference(cr))
{
}

CGContext::~CGContext()
{
    cairo_destroy(cr_);
}

void CGContext::save()
{
    cairo_save(cr_);
    states_.push_back(states_.back());
}

void CGContext::restore()
{
    if (states_.size() < 2)
        return;
    states_.pop_back();
    cairo_restore(cr_);
}

void CGContext::applyBlendMode()
{
    cairo_set_operator(cr_, cairoOperator(state().blendMode));
    cairo_set_antialias(cr_, state().antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void CGContext::prepareFill()
{
    const auto& c = state().fill;
    cairo_set_source_rgba(cr_, c[0], c[1], c[2], c[3] * state().alpha);
    applyBlendMode();
}

void CGContext::prepareStroke()
{
    const auto& c = state().stroke;
    cairo_set_source_rgba(cr_, c[0], c[1], c[2], c[3] * state().alpha);
    cairo_set_line_width(cr_, state().lineWidth);
    applyBlendMode();
}

cairo_surface_t* CGContext::bitmapSurface() const
{
    cairo_surface_t* target = cairo_get_target(cr_);
    return cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE ? target : nullptr;
}

cairo_t* CGContext::exchangeCairo(cairo_t* cr)
{
    cairo_t* previous = cr_;
    cr_ = cairo_reference(cr);
    return previous;
}

void CGContextSaveGState(const CGContextRef& context)
{
    if (context)
        context->save();
}

void CGContextRestoreGState(const CGContextRef& context)
{
    if (context)
        context->restore();
}

void CGContextSetRGBFillColor(const CGContextRef& context, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    if (context)
        context->state().fill = CGColor(red, green, blue, alpha).components();
}

void CGContextSetRGBStrokeColor(const CGContextRef& context, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    if (context)
        context->state().stroke = CGColor(red, green, blue, alpha).components();
}

void CGContextSetGrayFillColor(const CGContextRef& context, CGFloat gray, CGFloat alpha)
{
    CGContextSetRGBFillColor(context, gray, gray, gray, alpha);
}

void CGContextSetGrayStrokeColor(const CGContextRef& context, CGFloat gray, CGFloat alpha)
{
    CGContextSetRGBStrokeColor(context, gray, gray, gray, alpha);
}

void CGContextSetFillColorWithColor(const CGContextRef& context, const CGColorRef& color)
{
    if (context)
        context->state().fill = color ? color->components() : std::array<CGFloat, 4>{0, 0, 0, 0};
}

void CGContextSetStrokeColorWithColor(const CGContextRef& context, const CGColorRef& color)
{
    if (context)
        context->state().stroke = color ? color->components() : std::array<CGFloat, 4>{0, 0, 0, 0};
}

void CGContextSetLineWidth(const CGContextRef& context, CGFloat width)
{
    if (context && width >= 0)
        context->state().lineWidth = width;
}

void CGContextSetAlpha(const CGContextRef& context, CGFloat alpha)
{
    if (context)
        context->state().alpha = CGColor(0, 0, 0, alpha).alpha();
}

void CGContextSetBlendMode(const CGContextRef& context, CGBlendMode mode)
{
    if (context)
        context->state().blendMode = mode;
}

void CGContextSetShouldAntialias(const CGContextRef& context, bool shouldAntialias)
{
    if (context)
        context->state().antialias = shouldAntialias;
}

void CGContextSetShouldSmoothFonts(const CGContextRef& context, bool shouldSmoothFonts)
{
    if (context)
        context->state().smoothFonts = shouldSmoothFonts;
}

void CGContextTranslateCTM(const CGContextRef& context, CGFloat tx, CGFloat ty)
{
    if (context)
        cairo_translate(context->cairo(), tx, ty);
}

void CGContextScaleCTM(const CGContextRef& context, CGFloat sx, CGFloat sy)
{
    // A zero scale makes cairo's matrix singular, which puts the context in
    // an error state for good.
    if (context && sx != 0 && sy != 0)
        cairo_scale(context->cairo(), sx, sy);
}

void CGContextConcatCTM(const CGContextRef& context, CGAffineTransform transform)
{
    if (!context || transform.a * transform.d - transform.b * transform.c == 0)
        return;
    cairo_matrix_t m = toCairo(transform);
    cairo_transform(context->cairo(), &m);
}

CGAffineTransform CGContextGetUserSpaceToDeviceSpaceTransform(const CGContextRef& context)
{
    if (!context)
        return CGAffineTransformIdentity;
    cairo_matrix_t m;
    cairo_get_matrix(context->cairo(), &m);
    return fromCairo(m);
}

CGAffineTransform CGContextGetCTM(const CGContextRef& context)
{
    CGAffineTransform device = CGContextGetUserSpaceToDeviceSpaceTransform(context);
    cairo_surface_t* bitmap = context ? context->bitmapSurface() : nullptr;
    if (!bitmap)
        return device;
    // The base space of a bitmap is y-up: flip the device's rows back.
    CGFloat height = cairo_image_surface_get_height(bitmap);
    return CGAffineTransformConcat(device, {1, 0, 0, -1, 0, height});
}

CGRect CGContextConvertRectToDeviceSpace(const CGContextRef& context, CGRect rect)
{
    return CGRectApplyAffineTransform(rect, CGContextGetUserSpaceToDeviceSpaceTransform(context));
}

void CGContextBeginPath(const CGContextRef& context)
{
    if (context)
        cairo_new_path(context->cairo());
}

void CGContextMoveToPoint(const CGContextRef& context, CGFloat x, CGFloat y)
{
    if (context)
        cairo_move_to(context->cairo(), x, y);
}

void CGContextAddLineToPoint(const CGContextRef& context, CGFloat x, CGFloat y)
{
    if (context)
        cairo_line_to(context->cairo(), x, y);
}

void CGContextAddCurveToPoint(const CGContextRef& context, CGFloat cp1x, CGFloat cp1y, CGFloat cp2x, CGFloat cp2y,
                              CGFloat x, CGFloat y)
{
    if (context)
        cairo_curve_to(context->cairo(), cp1x, cp1y, cp2x, cp2y, x, y);
}

void CGContextClosePath(const CGContextRef& context)
{
    if (context)
        cairo_close_path(context->cairo());
}

void CGContextAddRect(const CGContextRef& context, CGRect rect)
{
    if (!context)
        return;
    rect = CGRectStandardize(rect);
    cairo_rectangle(context->cairo(), rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
}

void CGContextAddPath(const CGContextRef& context, const CGPathRef& path)
{
    if (context && path)
        addPath(context->cairo(), *path);
}

void CGContextAddEllipseInRect(const CGContextRef& context, CGRect rect)
{
    CGContextAddPath(context, CGPathCreateWithEllipseInRect(rect, nullptr));
}

bool CGContextIsPathEmpty(const CGContextRef& context)
{
    if (!context)
        return true;
    cairo_path_t* path = cairo_copy_path(context->cairo());
    bool empty = path->num_data == 0;
    cairo_path_destroy(path);
    return empty;
}

void CGContextDrawPath(const CGContextRef& context, CGPathDrawingMode mode)
{
    if (!context)
        return;
    cairo_t* cr = context->cairo();
    bool evenOdd = mode == kCGPathEOFill || mode == kCGPathEOFillStroke;
    bool fills = mode != kCGPathStroke;
    bool strokes = mode == kCGPathStroke || mode == kCGPathFillStroke || mode == kCGPathEOFillStroke;
    if (fills) {
        context->prepareFill();
        cairo_set_fill_rule(cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
        cairo_fill_preserve(cr);
    }
    if (strokes) {
        context->prepareStroke();
        cairo_stroke_preserve(cr);
    }
    cairo_new_path(cr);
}

void CGContextFillPath(const CGContextRef& context)
{
    CGContextDrawPath(context, kCGPathFill);
}

void CGContextEOFillPath(const CGContextRef& context)
{
    CGContextDrawPath(context, kCGPathEOFill);
}

void CGContextStrokePath(const CGContextRef& context)
{
    CGContextDrawPath(context, kCGPathStroke);
}

void CGContextClip(const CGContextRef& context)
{
    if (!context)
        return;
    cairo_set_fill_rule(context->cairo(), CAIRO_FILL_RULE_WINDING);
    cairo_clip(context->cairo());
}

void CGContextEOClip(const CGContextRef& context)
{
    if (!context)
        return;
    cairo_set_fill_rule(context->cairo(), CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(context->cairo());
    cairo_set_fill_rule(context->cairo(), CAIRO_FILL_RULE_WINDING);
}

void CGContextFillRects(const CGContextRef& context, const CGRect* rects, std::size_t count)
{
    if (!context || !rects)
        return;
    withOwnPath(context->cairo(), [&] {
        for (std::size_t i = 0; i < count; ++i)
            CGContextAddRect(context, rects[i]);
        context->prepareFill();
        cairo_set_fill_rule(context->cairo(), CAIRO_FILL_RULE_WINDING);
        cairo_fill(context->cairo());
    });
}

void CGContextFillRect(const CGContextRef& context, CGRect rect)
{
    CGContextFillRects(context, &rect, 1);
}

void CGContextStrokeRectWithWidth(const CGContextRef& context, CGRect rect, CGFloat width)
{
    if (!context)
        return;
    withOwnPath(context->cairo(), [&] {
        CGContextAddRect(context, rect);
        context->prepareStroke();
        cairo_set_line_width(context->cairo(), width);
        cairo_stroke(context->cairo());
    });
}

void CGContextStrokeRect(const CGContextRef& context, CGRect rect)
{
    if (context)
        CGContextStrokeRectWithWidth(context, rect, context->state().lineWidth);
}

void CGContextClearRect(const CGContextRef& context, CGRect rect)
{
    if (!context)
        return;
    withOwnPath(context->cairo(), [&] {
        CGContextAddRect(context, rect);
        cairo_set_operator(context->cairo(), CAIRO_OPERATOR_CLEAR);
        cairo_fill(context->cairo());
    });
}

void CGContextFillEllipseInRect(const CGContextRef& context, CGRect rect)
{
    if (!context)
        return;
    withOwnPath(context->cairo(), [&] {
        CGContextAddEllipseInRect(context, rect);
        context->prepareFill();
        cairo_fill(context->cairo());
    });
}

void CGContextClipToRect(const CGContextRef& context, CGRect rect)
{
    if (!context)
        return;
    withOwnPath(context->cairo(), [&] {
        CGContextAddRect(context, rect);
        cairo_clip(context->cairo());
    });
}

CGRect CGContextGetClipBoundingBox(const CGContextRef& context)
{
    if (!context)
        return CGRectNull;
    double x1, y1, x2, y2;
    cairo_clip_extents(context->cairo(), &x1, &y1, &x2, &y2);
    return {{x1, y1}, {x2 - x1, y2 - y1}};
}

void CGContextDrawImage(const CGContextRef& context, CGRect rect, const CGImageRef& image)
{
    if (!context || !image)
        return;
    rect = CGRectStandardize(rect);
    if (CGRectIsEmpty(rect) || image->width() == 0 || image->height() == 0)
        return;
    cairo_t* cr = context->cairo();
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(image->cairoSurface());
    // User space to image pixels: the top row sits at the rectangle's
    // maximum y.
    cairo_matrix_t m;
    CGFloat sx = CGFloat(image->width()) / rect.size.width;
    CGFloat sy = CGFloat(image->height()) / rect.size.height;
    cairo_matrix_init(&m, sx, 0, 0, -sy, -rect.origin.x * sx, (rect.origin.y + rect.size.height) * sy);
    cairo_pattern_set_matrix(pattern, &m);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
    // Edges take the nearest pixel rather than fading into transparency.
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    withOwnPath(cr, [&] {
        cairo_set_source(cr, pattern);
        context->applyBlendMode();
        CGContextAddRect(context, rect);
        cairo_save(cr);
        cairo_clip(cr);
        cairo_paint_with_alpha(cr, context->state().alpha);
        cairo_restore(cr);
    });
    cairo_pattern_destroy(pattern);
}

CGContextRef CGBitmapContextCreate(void* data, std::size_t width, std::size_t height, std::size_t bitsPerComponent,
                                   std::size_t bytesPerRow, const CGColorSpaceRef&, CGBitmapInfo bitmapInfo)
{
    constexpr CGBitmapInfo alphaMask = 0x1F;
    if (width == 0 || height == 0 || bitsPerComponent != 8 ||
        (bitmapInfo & alphaMask) != kCGImageAlphaPremultipliedFirst)
        return nullptr;
    if (width > 32767 || height > 32767)
        return nullptr;
    int w = static_cast<int>(width), h = static_cast<int>(height);
    cairo_surface_t* surface = nullptr;
    if (data) {
        int minimum = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, w);
        if (bytesPerRow < std::size_t(minimum) || bytesPerRow % 4 != 0)
            return nullptr;
        surface = cairo_image_surface_create_for_data(static_cast<unsigned char*>(data), CAIRO_FORMAT_ARGB32, w, h,
                                                      static_cast<int>(bytesPerRow));
    } else {
        surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    }
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_t* cr = cairo_create(surface);
    cairo_surface_destroy(surface);
    if (data) {
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    }
    cairo_translate(cr, 0, CGFloat(height));
    cairo_scale(cr, 1, -1);
    auto context = std::make_shared<CGContext>(cr);
    cairo_destroy(cr);
    return context;
}

std::size_t CGBitmapContextGetWidth(const CGContextRef& context)
{
    cairo_surface_t* surface = context ? context->bitmapSurface() : nullptr;
    return surface ? static_cast<std::size_t>(cairo_image_surface_get_width(surface)) : 0;
}

std::size_t CGBitmapContextGetHeight(const CGContextRef& context)
{
    cairo_surface_t* surface = context ? context->bitmapSurface() : nullptr;
    return surface ? static_cast<std::size_t>(cairo_image_surface_get_height(surface)) : 0;
}

std::size_t CGBitmapContextGetBytesPerRow(const CGContextRef& context)
{
    cairo_surface_t* surface = context ? context->bitmapSurface() : nullptr;
    return surface ? static_cast<std::size_t>(cairo_image_surface_get_stride(surface)) : 0;
}

void* CGBitmapContextGetData(const CGContextRef& context)
{
    cairo_surface_t* surface = context ? context->bitmapSurface() : nullptr;
    if (!surface)
        return nullptr;
    cairo_surface_flush(surface);
    return cairo_image_surface_get_data(surface);
}

CGImageRef CGBitmapContextCreateImage(const CGContextRef& context)
{
    cairo_surface_t* surface = context ? context->bitmapSurface() : nullptr;
    if (!surface)
        return nullptr;
    cairo_surface_flush(surface);
    int width = cairo_image_surface_get_width(surface);
    int height = cairo_image_surface_get_height(surface);
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    return std::make_shared<const CGImage>(copy);
}
