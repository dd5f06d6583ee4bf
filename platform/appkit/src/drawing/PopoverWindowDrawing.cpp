#include "windows/PopoverWindow.h"

#include "appkit/NSAppearance.h"
#include "appkit/NSBezierPath.h"
#include "appkit/NSGraphicsContext.h"
#include "drawing/Materials.h"

#include <algorithm>

namespace detail {

namespace {

constexpr CGFloat kPopoverCornerRadius = 10;

}  // namespace

void PopoverWindow::drawWindowFrame(NSRect bounds)
{
    auto context = NSGraphicsContext::currentContext();
    if (!context)
        return;
    CGFloat radius = std::min({kPopoverCornerRadius, bounds.size.width / 2, bounds.size.height / 2});
    auto shape = NSBezierPath::bezierPathWithRoundedRect(bounds, radius, radius);
    NSColor::Components tint =
        materialComponents(NSVisualEffectMaterialPopover, *NSAppearance::currentDrawingAppearance());
    CGContextSetRGBFillColor(context->CGContext(), tint[0], tint[1], tint[2], tint[3]);
    shape->fill();
    shape->addClip();
}

}  // namespace detail
