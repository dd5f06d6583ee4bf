#include "appkit/NSButton.h"

#include "appkit/NSAttributedString.h"
#include "appkit/NSBezierPath.h"
#include "appkit/NSColor.h"
#include "appkit/NSFont.h"
#include "appkit/NSImage.h"
#include "appkit/NSParagraphStyle.h"
#include "foundation/NSKeyValueBinding.h"

#include <algorithm>
#include <cmath>

namespace {

// A push button's bezel: this high, centred in the frame, and this far in
// from its sides; the title keeps this far from the bezel's sides.
constexpr CGFloat kBezelHeight = 22;
constexpr CGFloat kBezelInsetX = 6;
constexpr CGFloat kTitlePadding = 12;
constexpr CGFloat kBezelRadius = 5;
// A check box's box and the gap before its title.
constexpr CGFloat kBoxSize = 14;
constexpr CGFloat kBoxGap = 6;

}  // namespace

NSButton::NSButton(NSRect frame)
    : NSControl(frame, Id::number(NSInteger(NSControlStateValueOff)))
{
}

void NSButton::describe(ClassDescriptor& d)
{
    d.property<NSButton>(
        "title", [](NSButton& b) { return Id(b.title()); },
        [](NSButton& b, const Id& value) { b.setTitle(value.string() ? *value.string() : String()); });
    d.property<NSButton>(
        "image", [](NSButton& b) { return Id(b.image()); },
        [](NSButton& b, const Id& value) { b.setImage(value.object<NSImage>()); });
    d.property<NSButton>(
        "state", [](NSButton& b) { return Id::number(b.state()); },
        [](NSButton& b, const Id& value) { b.setState(value.integerValue()); });
    d.property<NSButton>(
        "buttonType", [](NSButton& b) { return Id::number(NSUInteger(b.buttonType())); },
        [](NSButton& b, const Id& value) {
            if (value.integerValue() >= 0 && value.integerValue() <= NSInteger(NSButtonTypeMomentaryPushIn))
                b.setButtonType(NSButtonType(value.integerValue()));
        });
    d.property<NSButton>(
        "bordered", [](NSButton& b) { return Id::boolean(b.isBordered()); },
        [](NSButton& b, const Id& value) { b.setBordered(value.boolValue()); });
    d.property<NSButton>(
        "keyEquivalent", [](NSButton& b) { return Id(b.keyEquivalent()); },
        [](NSButton& b, const Id& value) { b.setKeyEquivalent(value.string() ? *value.string() : String()); });
    d.method<NSButton>("performClick:", ReturnKind::Void, [](NSButton& b, std::span<const Id> arguments) {
        b.performClick(arguments[0]);
        return Id();
    });
}

void NSButton::setTitle(const String& title)
{
    title_ = title;
    setNeedsDisplay(true);
}

void NSButton::setImage(const std::shared_ptr<NSImage>& image)
{
    automaticChange("image", [&] { image_ = image; });
    invalidateIntrinsicContentSize();
    setNeedsDisplay(true);
}

void NSButton::setButtonType(NSButtonType type)
{
    buttonType_ = type;
    setNeedsDisplay(true);
}

void NSButton::setBezelStyle(NSBezelStyle style)
{
    bezelStyle_ = style;
    setNeedsDisplay(true);
}

void NSButton::setBordered(bool bordered)
{
    bordered_ = bordered;
    setNeedsDisplay(true);
}

void NSButton::setKeyEquivalent(const String& key)
{
    keyEquivalent_ = key;
    setNeedsDisplay(true);
}

void NSButton::highlight(bool highlighted)
{
    if (highlighted_ == highlighted)
        return;
    highlighted_ = highlighted;
    setNeedsDisplay(true);
}

bool NSButton::isCheckable() const
{
    return buttonType_ == NSButtonTypeSwitch || buttonType_ == NSButtonTypeRadio ||
           buttonType_ == NSButtonTypePushOnPushOff || buttonType_ == NSButtonTypeToggle ||
           buttonType_ == NSButtonTypeOnOff;
}

void NSButton::performClick(const Id&)
{
    if (!isEnabled())
        return;
    // A radio button stays on; the others turn over.
    if (isCheckable()) {
        setState(buttonType_ == NSButtonTypeRadio || state() != NSControlStateValueOn ? NSControlStateValueOn
                                                                                      : NSControlStateValueOff);
        // A bound check box stands for a Boolean: the model gets true or
        // false, not the state's number, so that readers of Booleans (user
        // defaults observed as optional Booleans) see the user's choice.
        propagateBindingValue(*this, NSValueBinding, Id::boolean(state() == NSControlStateValueOn));
    }
    sendAction(action(), target());
}

void NSButton::mouseDown(NSEvent& event)
{
    if (isEnabled())
        highlight(true);
    else
        NSControl::mouseDown(event);
}

void NSButton::mouseUp(NSEvent& event)
{
    highlight(false);
    if (isEnabled())
        performClick(Id(shared_from_this()));
    else
        NSControl::mouseUp(event);
}

NSSize NSButton::intrinsicContentSize() const
{
    if (image_ && title_.empty() && (!bordered_ || isCheckable()))
        return image_->size();
    NSSize text = title_.empty() ? NSZeroSize : sizeWithAttributes(title_, {{Id(NSFontAttributeName), Id(font())}});
    CGFloat lineHeight = std::ceil(font()->lineHeight());
    if (buttonType_ == NSButtonTypeSwitch || buttonType_ == NSButtonTypeRadio)
        return {kBoxSize + kBoxGap + std::ceil(text.width), std::max(kBoxSize, lineHeight) + 4};
    CGFloat content = std::ceil(text.width) + (image_ ? image_->size().width + (title_.empty() ? 0 : 4) : 0);
    return {content + 2 * (kBezelInsetX + kTitlePadding), 32};
}

void NSButton::drawTitle(NSRect rect, const std::shared_ptr<NSColor>& color, NSTextAlignment alignment) const
{
    if (title_.empty())
        return;
    auto style = std::make_shared<NSMutableParagraphStyle>();
    style->setAlignment(alignment);
    style->setLineBreakMode(NSLineBreakByTruncatingTail);
    NSAttributedString text(title_, {{Id(NSFontAttributeName), Id(font())},
                                     {Id(NSForegroundColorAttributeName), Id(color)},
                                     {Id(NSParagraphStyleAttributeName), Id(style)}});
    CGFloat height = std::ceil(font()->lineHeight());
    text.drawInRect({{rect.origin.x, CGRectGetMidY(rect) - height / 2}, {rect.size.width, height}});
}

void NSButton::drawImage(NSRect rect, const NSColor& color) const
{
    if (!image_)
        return;
    NSSize size = image_->size();
    NSRect place = {
        {std::round(CGRectGetMidX(rect) - size.width / 2), std::round(CGRectGetMidY(rect) - size.height / 2)}, size};
    CGFloat fraction = isEnabled() ? 1 : 0.5;
    if (image_->isTemplate())
        image_->drawTemplateInRect(place, color, fraction);
    else
        image_->drawInRect(place, NSZeroRect, NSCompositingOperationSourceOver, fraction, true, Dictionary());
}

void NSButton::drawRect(NSRect)
{
    NSRect bounds = this->bounds();
    bool enabled = isEnabled();
    auto textColor = enabled ? NSColor::controlTextColor() : NSColor::disabledControlTextColor();
    if (buttonType_ == NSButtonTypeSwitch || buttonType_ == NSButtonTypeRadio) {
        NSRect box = {{bounds.origin.x + 1, std::round(CGRectGetMidY(bounds) - kBoxSize / 2)}, {kBoxSize, kBoxSize}};
        bool on = state() == NSControlStateValueOn;
        CGFloat radius = buttonType_ == NSButtonTypeRadio ? kBoxSize / 2 : 3;
        auto shape = NSBezierPath::bezierPathWithRoundedRect(box, radius, radius);
        (on && enabled ? NSColor::controlAccentColor() : NSColor::controlColor())->setFill();
        shape->fill();
        NSColor::labelColor()->colorWithAlphaComponent(0.25)->setStroke();
        shape->setLineWidth(0.5);
        shape->stroke();
        if (on) {
            NSColor::whiteColor()->setStroke();
            auto mark = NSBezierPath::bezierPath();
            if (buttonType_ == NSButtonTypeRadio) {
                mark = NSBezierPath::bezierPathWithOvalInRect(CGRectInset(box, 4.5, 4.5));
                NSColor::whiteColor()->setFill();
                mark->fill();
            } else {
                // A tick, drawn the same way up whatever the flippedness.
                auto at = [&](CGFloat fx, CGFloat fy) {
                    return NSPoint{box.origin.x + fx * kBoxSize,
                                   isFlipped() ? box.origin.y + fy * kBoxSize : CGRectGetMaxY(box) - fy * kBoxSize};
                };
                mark->moveToPoint(at(0.25, 0.52));
                mark->lineToPoint(at(0.43, 0.72));
                mark->lineToPoint(at(0.76, 0.3));
                mark->setLineWidth(2);
                mark->stroke();
            }
        }
        NSRect title = {{box.origin.x + kBoxSize + kBoxGap - 1, bounds.origin.y},
                        {std::max(CGFloat(0), bounds.size.width - kBoxSize - kBoxGap), bounds.size.height}};
        drawTitle(title, enabled ? NSColor::labelColor() : NSColor::disabledControlTextColor(), NSTextAlignmentLeft);
        return;
    }
    NSRect bezel = bounds;
    if (bordered_) {
        CGFloat height = std::min(bounds.size.height, kBezelHeight);
        CGFloat inset = bounds.size.width > 4 * kBezelInsetX ? kBezelInsetX : 0;
        bezel = {{bounds.origin.x + inset, std::round(CGRectGetMidY(bounds) - height / 2)},
                 {bounds.size.width - 2 * inset, height}};
        bool isDefault = keyEquivalent_ == String("\r") && enabled;
        bool on = isCheckable() && state() == NSControlStateValueOn;
        auto shape = NSBezierPath::bezierPathWithRoundedRect(bezel, kBezelRadius, kBezelRadius);
        std::shared_ptr<NSColor> fill = isDefault || on ? NSColor::controlAccentColor() : NSColor::controlColor();
        if (highlighted_)
            fill = isDefault ? NSColor::selectedContentBackgroundColor() : NSColor::selectedControlColor();
        fill->setFill();
        shape->fill();
        NSColor::labelColor()->colorWithAlphaComponent(0.2)->setStroke();
        shape->setLineWidth(0.5);
        shape->stroke();
        if (isDefault || on)
            textColor = NSColor::alternateSelectedControlTextColor();
        bezel = CGRectInset(bezel, kTitlePadding / 2, 0);
    }
    if (image_ && title_.empty()) {
        drawImage(bezel, *textColor);
        return;
    }
    if (image_) {
        NSSize size = image_->size();
        drawImage({bezel.origin, {size.width, bezel.size.height}}, *textColor);
        bezel.origin.x += size.width + 4;
        bezel.size.width = std::max(CGFloat(0), bezel.size.width - size.width - 4);
    }
    drawTitle(bezel, textColor, image_ ? NSTextAlignmentLeft : NSTextAlignmentCenter);
}
