#include "appkit/NSControl.h"

#include "appkit/NSFont.h"

std::shared_ptr<NSFont> NSControl::font() const
{
    if (!font_) {
        // The same object each time, as callers may compare it.
        thread_local auto standard = NSFont::systemFontOfSize(NSFont::systemFontSize());
        return standard;
    }
    return font_;
}

void NSControl::setFont(const std::shared_ptr<NSFont>& font)
{
    font_ = font;
    setNeedsDisplay(true);
}

void NSControl::setAlignment(NSTextAlignment alignment)
{
    alignment_ = alignment;
    setNeedsDisplay(true);
}

void NSControl::setLineBreakMode(NSLineBreakMode mode)
{
    lineBreakMode_ = mode;
    setNeedsDisplay(true);
}
