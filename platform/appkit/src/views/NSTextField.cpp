#include "appkit/NSTextField.h"

#include "appkit/NSAttributedString.h"
#include "appkit/NSColor.h"
#include "appkit/NSFont.h"
#include "appkit/NSGraphics.h"
#include "appkit/NSParagraphStyle.h"
#include "drawing/DrawingValues.h"

#include <algorithm>
#include <cmath>

namespace {

// Text sits this far in from the sides of a label, and a bezel adds its
// own margin around it.
constexpr CGFloat kTextInset = 2;
constexpr CGFloat kBezelMarginX = 1;
constexpr CGFloat kBezelMarginY = 3;

}  // namespace

NSTextField::NSTextField(NSRect frame)
    : NSControl(frame)
{
}

void NSTextField::describe(ClassDescriptor& d)
{
    auto flag = [&](const char* key, bool (NSTextField::*get)() const, void (NSTextField::*set)(bool)) {
        d.property<NSTextField>(
            key, [get](NSTextField& f) { return Id::boolean((f.*get)()); },
            [set](NSTextField& f, const Id& value) { (f.*set)(value.boolValue()); });
    };
    flag("editable", &NSTextField::isEditable, &NSTextField::setEditable);
    flag("selectable", &NSTextField::isSelectable, &NSTextField::setSelectable);
    flag("bezeled", &NSTextField::isBezeled, &NSTextField::setBezeled);
    flag("bordered", &NSTextField::isBordered, &NSTextField::setBordered);
    flag("drawsBackground", &NSTextField::drawsBackground, &NSTextField::setDrawsBackground);
    d.property<NSTextField>(
        "font", [](NSTextField& f) { return Id(f.font()); },
        [](NSTextField& f, const Id& value) { f.setFont(detail::fontFromValue(value)); });
    d.property<NSTextField>(
        "textColor", [](NSTextField& f) { return Id(f.textColor()); },
        [](NSTextField& f, const Id& value) { f.setTextColor(detail::colorFromValue(value)); });
    d.property<NSTextField>(
        "backgroundColor", [](NSTextField& f) { return Id(f.backgroundColor()); },
        [](NSTextField& f, const Id& value) { f.setBackgroundColor(detail::colorFromValue(value)); });
    d.property<NSTextField>(
        "alignment", [](NSTextField& f) { return Id::number(NSInteger(f.alignment())); },
        [](NSTextField& f, const Id& value) {
            auto raw = value.integerValue();
            if (raw >= NSTextAlignmentLeft && raw <= NSTextAlignmentNatural)
                f.setAlignment(NSTextAlignment(raw));
        });
    d.property<NSTextField>(
        "lineBreakMode", [](NSTextField& f) { return Id::number(NSUInteger(f.lineBreakMode())); },
        [](NSTextField& f, const Id& value) {
            auto raw = value.integerValue();
            if (raw >= 0 && raw <= NSInteger(NSLineBreakByTruncatingMiddle))
                f.setLineBreakMode(NSLineBreakMode(raw));
        });
    d.property<NSTextField>(
        "preferredMaxLayoutWidth", [](NSTextField& f) { return Id::number(f.preferredMaxLayoutWidth()); },
        [](NSTextField& f, const Id& value) {
            f.setPreferredMaxLayoutWidth(std::max(0.0, value.doubleValue()));
            f.invalidateIntrinsicContentSize();
        });
    d.property<NSTextField>(
        "placeholderString", [](NSTextField& f) { return Id(f.placeholderString()); },
        [](NSTextField& f, const Id& value) { f.setPlaceholderString(value.string() ? *value.string() : String()); });
}

std::shared_ptr<NSTextField> NSTextField::labelWithString(const String& text)
{
    auto field = std::make_shared<NSTextField>();
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setDrawsBackground(false);
    field->setStringValue(text);
    field->setFrameSize(field->intrinsicContentSize());
    return field;
}

std::shared_ptr<NSTextField> NSTextField::wrappingLabelWithString(const String& text)
{
    auto field = labelWithString(text);
    field->setLineBreakMode(NSLineBreakByWordWrapping);
    field->setSelectable(true);
    return field;
}

std::shared_ptr<NSTextField> NSTextField::textFieldWithString(const String& text)
{
    auto field = std::make_shared<NSTextField>();
    field->setStringValue(text);
    NSSize size = field->intrinsicContentSize();
    field->setFrameSize({96, size.height});
    return field;
}

void NSTextField::setBezeled(bool bezeled)
{
    bezeled_ = bezeled;
    setNeedsDisplay(true);
}

void NSTextField::setBordered(bool bordered)
{
    bordered_ = bordered;
    setNeedsDisplay(true);
}

void NSTextField::setDrawsBackground(bool draws)
{
    drawsBackground_ = draws;
    setNeedsDisplay(true);
}

std::shared_ptr<NSColor> NSTextField::backgroundColor() const
{
    return backgroundColor_ ? backgroundColor_ : NSColor::textBackgroundColor();
}

void NSTextField::setBackgroundColor(const std::shared_ptr<NSColor>& color)
{
    backgroundColor_ = color;
    setNeedsDisplay(true);
}

std::shared_ptr<NSColor> NSTextField::textColor() const
{
    if (textColor_)
        return textColor_;
    return bezeled_ || editable_ ? NSColor::textColor() : NSColor::labelColor();
}

void NSTextField::setTextColor(const std::shared_ptr<NSColor>& color)
{
    textColor_ = color;
    setNeedsDisplay(true);
}

void NSTextField::setPlaceholderString(const String& placeholder)
{
    placeholderString_ = placeholder;
    setNeedsDisplay(true);
}

Dictionary NSTextField::textAttributes(const std::shared_ptr<NSColor>& color) const
{
    auto style = std::make_shared<NSMutableParagraphStyle>();
    style->setAlignment(alignment());
    style->setLineBreakMode(lineBreakMode());
    return {{Id(NSFontAttributeName), Id(font())},
            {Id(NSForegroundColorAttributeName), Id(color)},
            {Id(NSParagraphStyleAttributeName), Id(style)}};
}

std::shared_ptr<NSAttributedString> NSTextField::attributedStringValue() const
{
    return std::make_shared<NSAttributedString>(stringValue(), textAttributes(textColor()));
}

NSSize NSTextField::bezelInsets() const
{
    if (bezeled_ || bordered_)
        return {kTextInset + kBezelMarginX, kBezelMarginY};
    return {kTextInset, 0};
}

NSRect NSTextField::titleRect() const
{
    NSSize insets = bezelInsets();
    NSRect inner = CGRectInset(bounds(), insets.width, insets.height);
    return CGRectIsNull(inner) ? NSZeroRect : inner;
}

NSSize NSTextField::intrinsicContentSize() const
{
    NSSize insets = bezelInsets();
    CGFloat lineHeight = std::ceil(font()->lineHeight());
    String text = stringValue().empty() ? placeholderString_ : stringValue();
    bool wraps = lineBreakMode() == NSLineBreakByWordWrapping || lineBreakMode() == NSLineBreakByCharWrapping;
    NSSize textSize = {0, lineHeight};
    if (!text.empty()) {
        NSAttributedString measured(text, textAttributes(NSColor::labelColor()));
        NSRect box = wraps && preferredMaxLayoutWidth_ > 0
                         ? measured.boundingRectWithSize({preferredMaxLayoutWidth_ - 2 * insets.width, 0},
                                                         NSStringDrawingUsesLineFragmentOrigin)
                         : NSRect{NSZeroPoint, measured.size()};
        textSize = {std::ceil(box.size.width), std::max(lineHeight, std::ceil(box.size.height))};
    }
    CGFloat height = textSize.height + 2 * insets.height;
    // An editable field grows with what is typed into it, so it asks for
    // no width of its own.
    if (editable_)
        return {NSViewNoIntrinsicMetric, height};
    return {textSize.width + 2 * insets.width, height};
}

void NSTextField::drawRect(NSRect)
{
    NSRect bounds = this->bounds();
    if (drawsBackground_ || bezeled_) {
        backgroundColor()->setFill();
        NSRectFillUsingOperation(bounds, NSCompositingOperationSourceOver);
    }
    if (bezeled_) {
        NSColor::separatorColor()->colorWithAlphaComponent(0.25)->setFill();
        NSFrameRectWithWidthUsingOperation(bounds, 1, NSCompositingOperationSourceOver);
    } else if (bordered_) {
        NSColor::labelColor()->setFill();
        NSFrameRectWithWidthUsingOperation(bounds, 1, NSCompositingOperationSourceOver);
    }
    String text = stringValue();
    std::shared_ptr<NSColor> color = isEnabled() ? textColor() : NSColor::disabledControlTextColor();
    if (text.empty()) {
        text = placeholderString_;
        color = NSColor::placeholderTextColor();
    }
    if (text.empty())
        return;
    NSAttributedString(text, textAttributes(color)).drawInRect(titleRect());
}
