#include "appkit/NSVisualEffectView.h"

#include "appkit/NSAppearance.h"
#include "appkit/NSGraphicsContext.h"
#include "drawing/Materials.h"

void NSVisualEffectView::setMaterial(NSVisualEffectMaterial material)
{
    material_ = material;
    setNeedsDisplay(true);
}

void NSVisualEffectView::setState(NSVisualEffectState state)
{
    state_ = state;
    setNeedsDisplay(true);
}

void NSVisualEffectView::drawRect(NSRect dirtyRect)
{
    auto context = NSGraphicsContext::currentContext();
    if (!context)
        return;
    auto appearance = NSAppearance::currentDrawingAppearance();
    NSColor::Components tint = state_ == NSVisualEffectStateInactive
                                   ? NSColor::windowBackgroundColor()->componentsForAppearance(*appearance)
                                   : detail::materialComponents(material_, *appearance);
    CGContextRef cg = context->CGContext();
    CGContextSaveGState(cg);
    CGContextSetRGBFillColor(cg, tint[0], tint[1], tint[2], tint[3]);
    CGContextFillRect(cg, CGRectIntersection(dirtyRect, bounds()));
    CGContextRestoreGState(cg);
}
