#include "drawing/ViewDrawing.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace detail {

void strokeNearEdges(const CGContextRef& context, const CGPathRef& path, NSRect bounds, CGFloat reach)
{
    cairo_t* cr = context->cairo();
    auto strokeWhole = [&] {
        CGContextBeginPath(context);
        CGContextAddPath(context, path);
        CGContextStrokePath(context);
    };
    cairo_matrix_t matrix;
    cairo_get_matrix(cr, &matrix);
    bounds = CGRectStandardize(bounds);
    // The bounds in whole device pixels, outwards; the bands are whole
    // pixels too, a pixel wider than the reach, so that every pixel the
    // stroke touches lies in exactly one of them, whole.
    double x0 = CGRectGetMinX(bounds), y0 = CGRectGetMinY(bounds);
    double x1 = CGRectGetMaxX(bounds), y1 = CGRectGetMaxY(bounds);
    cairo_user_to_device(cr, &x0, &y0);
    cairo_user_to_device(cr, &x1, &y1);
    double left = std::floor(std::min(x0, x1)), right = std::ceil(std::max(x0, x1));
    double top = std::floor(std::min(y0, y1)), bottom = std::ceil(std::max(y0, y1));
    double across = reach, down = reach;
    cairo_user_to_device_distance(cr, &across, &down);
    double band = std::ceil(std::max(std::abs(across), std::abs(down))) + 1;
    bool turned = matrix.xy != 0 || matrix.yx != 0;
    if (turned || !std::isfinite(band) || 2 * band >= right - left || 2 * band >= bottom - top) {
        strokeWhole();
        return;
    }
    const double bands[4][4] = {
        {left, top, right - left, band},
        {left, bottom - band, right - left, band},
        {left, top + band, band, bottom - top - 2 * band},
        {right - band, top + band, band, bottom - top - 2 * band},
    };
    for (const auto& b : bands) {
        CGContextSaveGState(context);
        cairo_identity_matrix(cr);
        cairo_new_path(cr);
        cairo_rectangle(cr, b[0], b[1], b[2], b[3]);
        cairo_clip(cr);
        cairo_set_matrix(cr, &matrix);
        strokeWhole();
        CGContextRestoreGState(context);
    }
}

}  // namespace detail
