#include "appkit/NSGraphics.h"

#include "appkit/NSImage.h"

#include <algorithm>

namespace {

template <class F> void withOperation(NSCompositingOperation operation, F&& draw)
{
    auto context = NSGraphicsContext::currentContext();
    if (!context)
        return;
    CGContextRef cg = context->CGContext();
    CGContextSaveGState(cg);
    CGContextSetBlendMode(cg, NSBlendModeForCompositingOperation(operation));
    draw(cg);
    CGContextRestoreGState(cg);
}

}  // namespace

void NSRectFill(NSRect rect)
{
    NSRectFillUsingOperation(rect, NSCompositingOperationCopy);
}

void NSRectFillUsingOperation(NSRect rect, NSCompositingOperation operation)
{
    withOperation(operation, [&](const CGContextRef& cg) { CGContextFillRect(cg, rect); });
}

void NSFrameRect(NSRect rect)
{
    NSFrameRectWithWidth(rect, 1);
}

void NSFrameRectWithWidth(NSRect rect, CGFloat width)
{
    NSFrameRectWithWidthUsingOperation(rect, width, NSCompositingOperationCopy);
}

void NSFrameRectWithWidthUsingOperation(NSRect rect, CGFloat width, NSCompositingOperation operation)
{
    rect = CGRectStandardize(rect);
    if (CGRectIsEmpty(rect) || !(width > 0))
        return;
    // Four bands inside the edges, so that no pixel is covered twice.
    CGFloat w = std::min(width, rect.size.width / 2), h = std::min(width, rect.size.height / 2);
    NSRect bands[4] = {
        {rect.origin, {rect.size.width, h}},
        {{rect.origin.x, CGRectGetMaxY(rect) - h}, {rect.size.width, h}},
        {{rect.origin.x, rect.origin.y + h}, {w, rect.size.height - 2 * h}},
        {{CGRectGetMaxX(rect) - w, rect.origin.y + h}, {w, rect.size.height - 2 * h}},
    };
    withOperation(operation, [&](const CGContextRef& cg) { CGContextFillRects(cg, bands, 4); });
}

void NSEraseRect(NSRect rect)
{
    withOperation(NSCompositingOperationCopy, [&](const CGContextRef& cg) {
        CGContextSetRGBFillColor(cg, 1, 1, 1, 1);
        CGContextFillRect(cg, rect);
    });
}

void NSRectClip(NSRect rect)
{
    if (auto context = NSGraphicsContext::currentContext())
        CGContextClipToRect(context->CGContext(), rect);
}

void NSDrawThreePartImage(NSRect frame, const std::shared_ptr<NSImage>& startCap,
                          const std::shared_ptr<NSImage>& centerFill, const std::shared_ptr<NSImage>& endCap,
                          bool vertical, NSCompositingOperation operation, CGFloat alphaFraction, bool flipped)
{
    frame = CGRectStandardize(frame);
    if (CGRectIsEmpty(frame))
        return;
    CGFloat start = startCap ? (vertical ? startCap->size().height : startCap->size().width) : 0;
    CGFloat end = endCap ? (vertical ? endCap->size().height : endCap->size().width) : 0;
    CGFloat length = vertical ? frame.size.height : frame.size.width;
    // Caps that don't fit share the length.
    if (start + end > length && start + end > 0) {
        CGFloat share = length / (start + end);
        start *= share;
        end *= share;
    }
    NSRect startRect, centerRect, endRect;
    if (vertical) {
        // The start cap is at the top: the smaller y when flipped.
        CGFloat top = flipped ? frame.origin.y : CGRectGetMaxY(frame) - start;
        CGFloat bottom = flipped ? CGRectGetMaxY(frame) - end : frame.origin.y;
        startRect = {{frame.origin.x, top}, {frame.size.width, start}};
        endRect = {{frame.origin.x, bottom}, {frame.size.width, end}};
        centerRect = {{frame.origin.x, flipped ? frame.origin.y + start : frame.origin.y + end},
                      {frame.size.width, length - start - end}};
    } else {
        startRect = {frame.origin, {start, frame.size.height}};
        endRect = {{CGRectGetMaxX(frame) - end, frame.origin.y}, {end, frame.size.height}};
        centerRect = {{frame.origin.x + start, frame.origin.y}, {length - start - end, frame.size.height}};
    }
    auto part = [&](const std::shared_ptr<NSImage>& image, NSRect rect) {
        if (image && !CGRectIsEmpty(rect))
            image->drawInRect(rect, NSZeroRect, operation, alphaFraction, true, Dictionary());
    };
    part(startCap, startRect);
    part(centerFill, centerRect);
    part(endCap, endRect);
}
