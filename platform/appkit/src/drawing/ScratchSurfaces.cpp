#include "drawing/ScratchSurfaces.h"

#include <cairo.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace detail {

namespace {

// Enough for a window closed and another opened, and for a layer aside
// inside a layer aside; more would be memory held for nothing, as would
// the pixels of a window much larger than a screen.
constexpr std::size_t kKeptBackings = 2;
constexpr std::size_t kKeptScratchSurfaces = 2;
constexpr long kLargestKept = 4096L * 4096L;

struct Kept {
    std::vector<CGContextRef> backings;
    std::vector<cairo_surface_t*> scratch;

    Kept() = default;
    Kept(const Kept&) = delete;
    Kept& operator=(const Kept&) = delete;
    ~Kept()
    {
        for (cairo_surface_t* surface : scratch)
            cairo_surface_destroy(surface);
    }
};

Kept& kept()
{
    thread_local Kept memory;
    return memory;
}

long area(cairo_surface_t* surface)
{
    return long(cairo_image_surface_get_width(surface)) * cairo_image_surface_get_height(surface);
}

// The parts of the state a drawing aside starts from, as cairo's own
// groups keep them; the source and path are set by every drawing anyway.
void copyState(cairo_t* from, cairo_t* to)
{
    cairo_set_operator(to, cairo_get_operator(from));
    cairo_set_antialias(to, cairo_get_antialias(from));
    cairo_set_fill_rule(to, cairo_get_fill_rule(from));
    cairo_set_tolerance(to, cairo_get_tolerance(from));
    cairo_set_line_width(to, cairo_get_line_width(from));
    cairo_set_line_cap(to, cairo_get_line_cap(from));
    cairo_set_line_join(to, cairo_get_line_join(from));
    cairo_set_miter_limit(to, cairo_get_miter_limit(from));
    if (int count = cairo_get_dash_count(from); count > 0) {
        std::vector<double> dashes(std::size_t(count), 0);
        double offset = 0;
        cairo_get_dash(from, dashes.data(), &offset);
        cairo_set_dash(to, dashes.data(), count, offset);
    }
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_get_font_options(from, options);
    cairo_set_font_options(to, options);
    cairo_font_options_destroy(options);
}

}  // namespace

CGContextRef takeBackingContext(std::size_t width, std::size_t height)
{
    auto& backings = kept().backings;
    auto found = std::find_if(backings.begin(), backings.end(), [&](const CGContextRef& context) {
        return CGBitmapContextGetWidth(context) == width && CGBitmapContextGetHeight(context) == height;
    });
    if (found != backings.end()) {
        CGContextRef context = std::move(*found);
        backings.erase(found);
        return context;
    }
    return CGBitmapContextCreate(nullptr, width, height, 8, 0, CGColorSpaceCreateDeviceRGB(),
                                 kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Host);
}

void keepBackingContext(CGContextRef context)
{
    // One that something else still draws through stays with it.
    if (!context || context.use_count() != 1 || !context->bitmapSurface() ||
        area(context->bitmapSurface()) > kLargestKept)
        return;
    auto& backings = kept().backings;
    if (backings.size() >= kKeptBackings)
        backings.erase(backings.begin());
    backings.push_back(std::move(context));
}

ScratchSurface::ScratchSurface(int width, int height)
{
    auto& scratch = kept().scratch;
    auto best = scratch.end();
    for (auto it = scratch.begin(); it != scratch.end(); ++it)
        if (cairo_image_surface_get_width(*it) >= width && cairo_image_surface_get_height(*it) >= height &&
            (best == scratch.end() || area(*it) < area(*best)))
            best = it;
    if (best != scratch.end()) {
        memory_ = *best;
        scratch.erase(best);
    } else {
        memory_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    }
    surface_ = cairo_image_surface_create_for_data(cairo_image_surface_get_data(memory_), CAIRO_FORMAT_ARGB32, width,
                                                   height, cairo_image_surface_get_stride(memory_));
    // Cleared by painting, which also tells cairo that it is clear: the
    // first drawing into it then goes the way it goes into a new surface.
    cairo_t* cr = cairo_create(surface_);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_destroy(cr);
}

ScratchSurface::~ScratchSurface()
{
    // Finished, so that nothing still holding it can reach the memory
    // once another drawing has it.
    cairo_surface_finish(surface_);
    cairo_surface_destroy(surface_);
    auto& scratch = kept().scratch;
    if (cairo_surface_status(memory_) != CAIRO_STATUS_SUCCESS || area(memory_) > kLargestKept) {
        cairo_surface_destroy(memory_);
        return;
    }
    // The smallest goes first: a larger one serves every drawing it could.
    scratch.push_back(memory_);
    if (scratch.size() > kKeptScratchSurfaces) {
        auto smallest = std::min_element(scratch.begin(), scratch.end(),
                                         [](cairo_surface_t* a, cairo_surface_t* b) { return area(a) < area(b); });
        cairo_surface_destroy(*smallest);
        scratch.erase(smallest);
    }
}

LayerGroup::LayerGroup(const CGContextRef& context)
    : context_(context)
{
    cairo_t* cr = context->cairo();
    cairo_surface_t* target = cairo_get_target(cr);
    cairo_matrix_t matrix;
    cairo_get_matrix(cr, &matrix);
    cairo_identity_matrix(cr);
    cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr);
    cairo_set_matrix(cr, &matrix);
    if (clip->status != CAIRO_STATUS_SUCCESS || cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE) {
        cairo_rectangle_list_destroy(clip);
        cairo_push_group(cr);
        cairoGroup_ = true;
        return;
    }
    // The clip's pixels, within the target's.
    int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
    for (int i = 0; i < clip->num_rectangles; ++i) {
        const cairo_rectangle_t& r = clip->rectangles[i];
        x0 = std::min(x0, int(std::lround(r.x)));
        y0 = std::min(y0, int(std::lround(r.y)));
        x1 = std::max(x1, int(std::lround(r.x + r.width)));
        y1 = std::max(y1, int(std::lround(r.y + r.height)));
    }
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, cairo_image_surface_get_width(target));
    y1 = std::min(y1, cairo_image_surface_get_height(target));
    if (x0 >= x1 || y0 >= y1) {
        // Nothing of it can show: it draws where it is, clipped away.
        cairo_rectangle_list_destroy(clip);
        return;
    }
    scratch_.emplace(x1 - x0, y1 - y0);
    x_ = x0;
    y_ = y0;
    cairo_t* inner = cairo_create(scratch_->surface());
    for (int i = 0; i < clip->num_rectangles; ++i) {
        const cairo_rectangle_t& r = clip->rectangles[i];
        cairo_rectangle(inner, r.x - x0, r.y - y0, r.width, r.height);
    }
    cairo_rectangle_list_destroy(clip);
    cairo_clip(inner);
    copyState(cr, inner);
    matrix.x0 -= x0;
    matrix.y0 -= y0;
    cairo_set_matrix(inner, &matrix);
    outer_ = context->exchangeCairo(inner);
    cairo_destroy(inner);
}

LayerGroup::~LayerGroup()
{
    if (cairoGroup_)
        cairo_pattern_destroy(cairo_pop_group(context_->cairo()));
    end();
}

void LayerGroup::end()
{
    if (!outer_)
        return;
    cairo_destroy(context_->exchangeCairo(outer_));
    cairo_destroy(outer_);
    outer_ = nullptr;
}

void LayerGroup::layDown(const CGPathRef& shape, CGFloat opacity)
{
    if (!cairoGroup_ && !scratch_)
        return;
    end();
    cairo_t* cr = context_->cairo();
    if (cairoGroup_) {
        cairo_pop_group_to_source(cr);
        cairoGroup_ = false;
    }
    cairo_save(cr);
    if (shape) {
        cairo_new_path(cr);
        CGContextAddPath(context_, shape);
        cairo_clip(cr);
    }
    if (scratch_) {
        cairo_identity_matrix(cr);
        cairo_set_source_surface(cr, scratch_->surface(), x_, y_);
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_paint_with_alpha(cr, opacity);
    cairo_restore(cr);
    scratch_.reset();
}

}  // namespace detail
