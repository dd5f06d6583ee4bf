// The recorder's look: its style, its part in Auto Layout, what it draws,
// its tool tips and what it tells assistive applications. Recording asks
// for a refresh through noteLabelChanged, noteStateChanged and
// updateToolTip only.

#include "shortcut-library/SRRecorderControl.h"

#include "SRRecorderControlPlainStyle.h"
#include "appkit/NSAttributedString.h"
#include "appkit/NSColor.h"
#include "appkit/NSGraphics.h"
#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSLayoutGuide.h"
#include "foundation/NSRunLoop.h"
#include "shortcut-library/SRCommon.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "shortcut-library/SRModifierFlagsTransformer.h"

#include <cmath>

namespace {

String text(const std::optional<String>& styleText, const char* key)
{
    return styleText ? *styleText : SRLocalizedText(String(key));
}

}  // namespace

// MARK: - Style

const std::shared_ptr<SRRecorderControlStyling>& SRRecorderControl::style()
{
    if (!style_) {
        isLazilyInitializingStyle_ = true;
        attachStyle(makeDefaultStyle());
        isLazilyInitializingStyle_ = false;
    }
    return style_;
}

void SRRecorderControl::setStyle(const std::shared_ptr<SRRecorderControlStyling>& style)
{
    if (style && style_ && style_->isEqual(Id(style)))
        return;
    willChangeValueForKey("style");
    attachStyle(style ? style->copyStyle() : makeDefaultStyle());
    didChangeValueForKey("style");
}

std::shared_ptr<SRRecorderControlStyling> SRRecorderControl::makeDefaultStyle()
{
    return std::make_shared<detail::SRRecorderControlPlainStyle>();
}

void SRRecorderControl::attachStyle(const std::shared_ptr<SRRecorderControlStyling>& style)
{
    if (style_)
        style_->prepareForRemoval();
    style_ = style;
    style_->prepareForRecorderControl(*this);
    if (labelWidthConstraint_)
        labelWidthConstraint_->setActive(false);
    labelWidthConstraint_ = style_->labelDrawingGuide()->widthAnchor()->constraintEqualToConstant(0);
    labelWidthConstraint_->setPriority(751);
    labelWidthConstraint_->setActive(true);
    updateActiveConstraints();
    updateLabelConstraints();
    updateToolTip();
}

void SRRecorderControl::controlTintDidChange(const Id& notification)
{
    scheduleControlViewAppearanceDidChange(notification);
}

void SRRecorderControl::accessibilityDisplayOptionsDidChange(const Id& notification)
{
    scheduleControlViewAppearanceDidChange(notification);
}

void SRRecorderControl::scheduleControlViewAppearanceDidChange(const Id& reason)
{
    auto& current = style();
    if (!current->respondsToRecorderControlAppearanceDidChange())
        return;
    std::weak_ptr<SRRecorderControlStyling> weak = current;
    NSRunLoop::mainRunLoop().performAfterDelay(0, [weak, reason] {
        if (auto style = weak.lock())
            style->recorderControlAppearanceDidChange(reason);
    });
}

// MARK: - Layout

void SRRecorderControl::updateActiveConstraints()
{
    auto& s = style();
    NSLayoutConstraint::activateConstraints(s->alwaysConstraints());
    if (isRecording_ && objectValue_) {
        NSLayoutConstraint::deactivateConstraints(s->displayingConstraints());
        NSLayoutConstraint::deactivateConstraints(s->recordingWithNoValueConstraints());
        NSLayoutConstraint::activateConstraints(s->recordingWithValueConstraints());
    } else if (isRecording_) {
        NSLayoutConstraint::deactivateConstraints(s->displayingConstraints());
        NSLayoutConstraint::deactivateConstraints(s->recordingWithValueConstraints());
        NSLayoutConstraint::activateConstraints(s->recordingWithNoValueConstraints());
    } else {
        NSLayoutConstraint::deactivateConstraints(s->recordingWithNoValueConstraints());
        NSLayoutConstraint::deactivateConstraints(s->recordingWithValueConstraints());
        NSLayoutConstraint::activateConstraints(s->displayingConstraints());
    }
}

void SRRecorderControl::updateLabelConstraints()
{
    style();
    String label = drawingLabel();
    CGFloat width = 0;
    if (!label.empty())
        width =
            boundingRectWithSize(label, NSMakeSize(9999, intrinsicContentSize().height), 0, drawingLabelAttributes())
                .size.width;
    labelWidthConstraint_->setConstant(std::ceil(width + 2));
}

void SRRecorderControl::updateConstraints()
{
    updateActiveConstraints();
    updateLabelConstraints();
    NSControl::updateConstraints();
}

NSSize SRRecorderControl::intrinsicContentSize() const
{
    return const_cast<SRRecorderControl*>(this)->style()->intrinsicContentSize();
}

NSEdgeInsets SRRecorderControl::alignmentRectInsets() const
{
    return const_cast<SRRecorderControl*>(this)->style()->alignmentRectInsets();
}

CGFloat SRRecorderControl::baselineOffsetFromBottom() const
{
    auto& s = const_cast<SRRecorderControl*>(this)->style();
    return s->baselineLayoutOffsetFromBottom().value_or(s->baselineDrawingOffsetFromBottom());
}

bool SRRecorderControl::isOpaque() const
{
    return const_cast<SRRecorderControl*>(this)->style()->isOpaque();
}

void SRRecorderControl::noteLabelChanged()
{
    setNeedsDisplayInRect(style()->labelDrawingGuide()->frame());
    updateLabelConstraints();
}

void SRRecorderControl::noteStateChanged()
{
    setNeedsDisplay(true);
    updateActiveConstraints();
    updateLabelConstraints();
}

// MARK: - Label and drawing

String SRRecorderControl::drawingLabel()
{
    String label;
    if (isRecording_ && lastSeenModifierFlags_) {
        NSUserInterfaceLayoutDirection direction = stringValueRespectsUserInterfaceLayoutDirection_
                                                       ? userInterfaceLayoutDirection()
                                                       : NSUserInterfaceLayoutDirectionLeftToRight;
        Id modifiers = SRSymbolicModifierFlagsTransformer::sharedTransformer().transformedValue(
            Id::number(static_cast<unsigned long long>(lastSeenModifierFlags_)), direction);
        if (const String* glyphs = modifiers.string())
            label = *glyphs;
    } else {
        label = stringValue();
    }
    if (label.empty())
        label = isRecording_ ? text(style()->noValueRecordingLabel(), "Press keys now")
                             : text(style()->noValueNormalLabel(), "Record Shortcut");
    return label;
}

Dictionary SRRecorderControl::drawingLabelAttributes()
{
    auto& s = style();
    std::optional<Dictionary> attributes = !isEnabled()   ? s->disabledLabelAttributes()
                                           : isRecording_ ? s->recordingLabelAttributes()
                                                          : s->normalLabelAttributes();
    return attributes.value_or(Dictionary());
}

void SRRecorderControl::drawRect(NSRect)
{
    auto& s = style();
    // A plain look: a frame of the control colour, the label in the middle.
    NSRect background = s->backgroundDrawingGuide() ? s->backgroundDrawingGuide()->frame() : bounds();
    (isRecording_ ? NSColor::controlColor() : NSColor::windowBackgroundColor())->setFill();
    NSRectFill(background);
    NSRect label = s->labelDrawingGuide()->frame();
    if (label.size.width > 0)
        drawInRect(drawingLabel(), label, drawingLabelAttributes());
}

// MARK: - Tool tips

void SRRecorderControl::updateToolTip()
{
    auto& s = style();
    setToolTip(isRecording_ ? text(s->recordingTooltip(), "Press keys now")
                            : text(s->normalTooltip(), "Click to record shortcut"));
}

String SRRecorderControl::viewStringForToolTip(NSView&, NSToolTipTag tag, NSPoint, void*)
{
    auto& s = style();
    if (tag == cancelButtonToolTipTag_)
        return s->cancelButtonTooltip() ? *s->cancelButtonTooltip()
                                        : SRLocalizedText(objectValue_ ? "Use old shortcut" : "Cancel recording");
    if (tag == clearButtonToolTipTag_)
        return text(s->clearButtonTooltip(), "Delete current shortcut");
    return String();
}

// MARK: - Accessibility

String SRRecorderControl::accessibilityRoleDescription()
{
    return SRLocalizedText(isRecording_ ? "Press keys now" : "Shortcut").lowercase();
}

String SRRecorderControl::accessibilityLabel()
{
    if (!isRecording_)
        return String();
    Id words = SRLiteralModifierFlagsTransformer::sharedTransformer().transformedValue(
        Id::number(static_cast<unsigned long long>(lastSeenModifierFlags_)), NSUserInterfaceLayoutDirectionLeftToRight);
    return words.string() ? *words.string() : String();
}

String SRRecorderControl::accessibilityValue()
{
    if (isRecording_)
        return String();
    if (!objectValue_)
        return SRLocalizedText("Not set");
    Id words = SRLiteralModifierFlagsTransformer::sharedTransformer().transformedValue(
        Id::number(static_cast<unsigned long long>(objectValue_->modifierFlags())),
        NSUserInterfaceLayoutDirectionLeftToRight);
    SRKeyCodeTransformer& transformer =
        drawsASCIIEquivalentOfShortcut_
            ? static_cast<SRKeyCodeTransformer&>(SRASCIILiteralKeyCodeTransformer::sharedTransformer())
            : static_cast<SRKeyCodeTransformer&>(SRLiteralKeyCodeTransformer::sharedTransformer());
    Id key = transformer.transformedValue(Id::number(static_cast<unsigned>(objectValue_->keyCode())));
    String keyText = key.string() ? *key.string() : String::format("%hu", objectValue_->keyCode());
    String modifiers = words.string() ? *words.string() : String();
    if (modifiers.empty())
        return keyText;
    return String::format("%s-%s", modifiers.utf8().c_str(), keyText.utf8().c_str());
}

bool SRRecorderControl::accessibilityPerformPress()
{
    return beginRecording();
}

bool SRRecorderControl::accessibilityPerformCancel()
{
    if (!isRecording_)
        return false;
    endRecording();
    return true;
}

bool SRRecorderControl::accessibilityPerformDelete()
{
    if (!isRecording_ || !objectValue_)
        return false;
    clearAndEndRecording();
    return true;
}
