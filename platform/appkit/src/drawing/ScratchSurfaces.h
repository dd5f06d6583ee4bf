#pragma once

#include "coregraphics/CGContext.h"

#include <cstddef>
#include <optional>

typedef struct _cairo_surface cairo_surface_t;

namespace detail {

// Pixel memory kept from one draw to the next, on each drawing thread. A
// window's backing image and the surfaces its layers are drawn aside into
// are a few megabytes each at scale 2, and memory freshly mapped costs a
// page fault for every page the first drawing touches: the switcher's
// window, made anew at every opening, spent most of its drawing in them.

// A bitmap context of `width` × `height` pixels for a window's backing
// image: one a closed window gave back, else a new one. Its pixels are as
// the last window left them, and its graphics state as it was made.
CGContextRef takeBackingContext(std::size_t width, std::size_t height);
// Keeps a backing image no window draws into any more, for the next
// window of its size; the oldest kept goes when there are too many.
void keepBackingContext(CGContextRef context);

// A cleared surface of 32-bit pixels for one drawing aside, over kept
// memory where some is large enough; the memory goes back when it ends.
class ScratchSurface {
public:
    ScratchSurface(int width, int height);
    ~ScratchSurface();
    ScratchSurface(const ScratchSurface&) = delete;
    ScratchSurface& operator=(const ScratchSurface&) = delete;

    cairo_surface_t* surface() const { return surface_; }

private:
    // The kept surface whose pixels this one draws into.
    cairo_surface_t* memory_;
    cairo_surface_t* surface_;
};

// A layer's subtree drawn aside and laid down once through the layer's
// shape and opacity. While it lasts, what is drawn through the context goes
// to a cleared scratch surface covering the context's clip, with the same
// clip and transform, so that laying it down gives the pixels cairo's own
// groups give. A clip not made of whole device pixels (a window shaped by
// a curve) takes cairo's own group.
class LayerGroup {
public:
    explicit LayerGroup(const CGContextRef& context);
    // Draws nothing of the group unless it was laid down.
    ~LayerGroup();
    LayerGroup(const LayerGroup&) = delete;
    LayerGroup& operator=(const LayerGroup&) = delete;

    // Lays the group down over what was drawn before it, inside `shape`
    // (user space as it is now; nullptr for everywhere) at `opacity`.
    void layDown(const CGPathRef& shape, CGFloat opacity);

private:
    // Back to drawing through the context's own cairo context.
    void end();

    CGContextRef context_;
    // The cairo context drawn through before the group; nullptr for
    // cairo's own group, or once ended.
    cairo_t* outer_ = nullptr;
    std::optional<ScratchSurface> scratch_;
    // The scratch surface's top left in the outer surface's pixels.
    int x_ = 0;
    int y_ = 0;
    bool cairoGroup_ = false;
};

}  // namespace detail
