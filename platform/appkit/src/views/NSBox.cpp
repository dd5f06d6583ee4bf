#include "appkit/NSBox.h"

#include "appkit/NSAttributedString.h"
#include "appkit/NSBezierPath.h"
#include "appkit/NSColor.h"
#include "appkit/NSFont.h"
#include "drawing/DrawingValues.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr CGFloat kPrimaryRadius = 5;
constexpr CGFloat kTitleGap = 3;

}  // namespace

NSBox::NSBox(NSRect frame)
    : NSView(frame)
{
}

void NSBox::describe(ClassDescriptor& d)
{
    d.property<NSBox>(
        "boxType", [](NSBox& b) { return Id::number(NSUInteger(b.boxType())); },
        [](NSBox& b, const Id& value) {
            auto raw = value.integerValue();
            if (raw == NSBoxPrimary || raw == NSBoxSeparator || raw == NSBoxCustom)
                b.setBoxType(NSBoxType(raw));
        });
    d.property<NSBox>(
        "fillColor", [](NSBox& b) { return Id(b.fillColor()); },
        [](NSBox& b, const Id& value) { b.setFillColor(detail::colorFromValue(value)); });
    d.property<NSBox>(
        "borderColor", [](NSBox& b) { return Id(b.borderColor()); },
        [](NSBox& b, const Id& value) { b.setBorderColor(detail::colorFromValue(value)); });
    d.property<NSBox>(
        "borderWidth", [](NSBox& b) { return Id::number(b.borderWidth()); },
        [](NSBox& b, const Id& value) { b.setBorderWidth(value.doubleValue()); });
    d.property<NSBox>(
        "cornerRadius", [](NSBox& b) { return Id::number(b.cornerRadius()); },
        [](NSBox& b, const Id& value) { b.setCornerRadius(value.doubleValue()); });
    d.property<NSBox>(
        "transparent", [](NSBox& b) { return Id::boolean(b.isTransparent()); },
        [](NSBox& b, const Id& value) { b.setTransparent(value.boolValue()); });
    d.property<NSBox>(
        "title", [](NSBox& b) { return Id(b.title()); },
        [](NSBox& b, const Id& value) { b.setTitle(value.string() ? *value.string() : String()); });
}

void NSBox::setBoxType(NSBoxType type)
{
    boxType_ = type;
    setNeedsDisplay(true);
}

std::shared_ptr<NSColor> NSBox::fillColor() const
{
    return fillColor_ ? fillColor_ : NSColor::clearColor();
}

void NSBox::setFillColor(const std::shared_ptr<NSColor>& color)
{
    fillColor_ = color;
    setNeedsDisplay(true);
}

std::shared_ptr<NSColor> NSBox::borderColor() const
{
    return borderColor_ ? borderColor_ : NSColor::separatorColor();
}

void NSBox::setBorderColor(const std::shared_ptr<NSColor>& color)
{
    borderColor_ = color;
    setNeedsDisplay(true);
}

void NSBox::setBorderWidth(CGFloat width)
{
    borderWidth_ = std::max(CGFloat(0), width);
    setNeedsDisplay(true);
}

void NSBox::setCornerRadius(CGFloat radius)
{
    cornerRadius_ = std::max(CGFloat(0), radius);
    setNeedsDisplay(true);
}

void NSBox::setTransparent(bool transparent)
{
    transparent_ = transparent;
    setNeedsDisplay(true);
}

void NSBox::setTitle(const String& title)
{
    title_ = title;
    setNeedsDisplay(true);
}

void NSBox::setTitlePosition(NSTitlePosition position)
{
    titlePosition_ = position;
    setNeedsDisplay(true);
}

void NSBox::drawRect(NSRect)
{
    if (transparent_)
        return;
    NSRect bounds = this->bounds();
    switch (boxType_) {
    case NSBoxSeparator: {
        NSColor::separatorColor()->setFill();
        NSRect line = bounds.size.width >= bounds.size.height
                          ? NSRect{{bounds.origin.x, std::floor(CGRectGetMidY(bounds))}, {bounds.size.width, 1}}
                          : NSRect{{std::floor(CGRectGetMidX(bounds)), bounds.origin.y}, {1, bounds.size.height}};
        NSBezierPath::fillRect(line);
        return;
    }
    case NSBoxCustom: {
        // The border lies inside the bounds, so the fill sits within it.
        CGFloat inset = borderWidth_ / 2;
        NSRect shape = CGRectInset(bounds, inset, inset);
        if (CGRectIsNull(shape))
            return;
        CGFloat radius = std::max(CGFloat(0), cornerRadius_ - inset);
        auto path = NSBezierPath::bezierPathWithRoundedRect(shape, radius, radius);
        if (fillColor()->alphaComponent() > 0) {
            fillColor()->setFill();
            if (borderWidth_ > 0)
                NSBezierPath::bezierPathWithRoundedRect(bounds, cornerRadius_, cornerRadius_)->fill();
            else
                path->fill();
        }
        if (borderWidth_ > 0 && borderColor()->alphaComponent() > 0) {
            borderColor()->setStroke();
            path->setLineWidth(borderWidth_);
            path->stroke();
        }
        return;
    }
    case NSBoxPrimary:
        break;
    }
    NSRect panel = bounds;
    if (!title_.empty() && titlePosition_ != NSNoTitle) {
        auto font = NSFont::systemFontOfSize(NSFont::smallSystemFontSize());
        CGFloat height = std::ceil(font->lineHeight());
        Dictionary attributes{{Id(NSFontAttributeName), Id(font)},
                              {Id(NSForegroundColorAttributeName), Id(NSColor::secondaryLabelColor())}};
        NSRect titleRect = isFlipped() ? NSRect{{4, 0}, {bounds.size.width - 8, height}}
                                       : NSRect{{4, bounds.size.height - height}, {bounds.size.width - 8, height}};
        drawInRect(title_, titleRect, attributes);
        panel.size.height = std::max(CGFloat(0), panel.size.height - height - kTitleGap);
        if (isFlipped())
            panel.origin.y += height + kTitleGap;
    }
    auto path = NSBezierPath::bezierPathWithRoundedRect(CGRectInset(panel, 0.5, 0.5), kPrimaryRadius, kPrimaryRadius);
    NSColor::quaternaryLabelColor()->colorWithAlphaComponent(0.05)->setFill();
    path->fill();
    NSColor::separatorColor()->setStroke();
    path->stroke();
}
