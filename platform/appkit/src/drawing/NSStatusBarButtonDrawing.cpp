#include "appkit/NSStatusBarButton.h"

#include "appkit/NSColor.h"

void NSStatusBarButton::drawRect(NSRect)
{
    NSRect bounds = this->bounds();
    auto color = isEnabled() ? NSColor::labelColor() : NSColor::disabledControlTextColor();
    if (image()) {
        drawImage(bounds, *color);
        return;
    }
    drawTitle(bounds, color, NSTextAlignmentCenter);
}
