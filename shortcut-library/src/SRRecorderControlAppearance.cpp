// The recorder's look: its style, its part in Auto Layout, what it draws,
// its focus ring, its tool tips and what it tells assistive applications.
// Recording asks for a refresh through noteLabelChanged, noteStateChanged
// and updateToolTip only.

#include "shortcut-library/SRRecorderControl.h"

#include "SRRecorderControlGeometry.h"
#include "appkit/NSAccessibilityConstants.h"
#include "appkit/NSAppearance.h"
#include "appkit/NSAttributedString.h"
#include "appkit/NSBezierPath.h"
#include "appkit/NSColor.h"
#include "appkit/NSGraphics.h"
#include "appkit/NSGraphicsContext.h"
#include "appkit/NSImage.h"
#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSLayoutGuide.h"
#include "appkit/NSValue.h"
#include "appkit/NSWindow.h"
#include "foundation/Log.h"
#include "foundation/NSInvocation.h"
#include "foundation/NSRunLoop.h"
#include "shortcut-library/SRCommon.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "shortcut-library/SRModifierFlagsTransformer.h"
#include "shortcut-library/SRRecorderControlStyle.h"
#include "shortcut-library/SRRecorderControlStyleResourceLoader.h"

#include <algorithm>
#include <cmath>

namespace {

using detail::recorder::frameOf;
using detail::recorder::isEmptyRect;

// The three kinds of observation of the style.
int kLayoutDirectionContext;
int kAppearanceContext;
int kGuideFrameContext;

String text(const std::optional<String>& styleText, const char* key)
{
    return styleText ? *styleText : SRLocalizedText(String(key));
}

CGFloat minimalDrawableWidth(const Dictionary& attributes)
{
    return attributes.objectForKey(SRMinimalDrawableWidthAttributeName).doubleValue();
}

// The label's origin: the left of its frame, and the baseline's height
// rounded out at the top left and in at the bottom right.
constexpr NSAlignmentOptions kLabelAlignment =
    NSAlignMinXOutward | NSAlignMinYOutward | NSAlignMaxXInward | NSAlignMaxYInward | NSAlignRectFlipped;
static_assert((kLabelAlignment & ~NSAlignRectFlipped) == 0x30C);

// A button's image in its drawing guide, where that is to be drawn; a
// button without a guide or an image is not drawn.
void drawButtonImage(NSView& control, const std::shared_ptr<NSLayoutGuide>& guide,
                     const std::shared_ptr<NSImage>& image)
{
    NSRect frame = control.centerScanRect(frameOf(guide, NSZeroRect));
    if (isEmptyRect(frame) || !control.needsToDrawRect(frame) || !image)
        return;
    NSGraphicsContext::saveCurrentGraphicsState();
    image->drawInRect(frame, NSZeroRect, NSCompositingOperationSourceOver, 1.0, true, Dictionary());
    NSGraphicsContext::restoreCurrentGraphicsState();
}

// A scope that leaves its flag as it found it, however it is left.
class FlagScope {
public:
    explicit FlagScope(bool& flag)
        : flag_(flag)
    {
        flag_ = true;
    }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

// MARK: - Style

const std::shared_ptr<SRRecorderControlStyling>& SRRecorderControl::style()
{
    if (!style_) {
        // Cleared however attaching ends: a style whose resources raise
        // must not leave the control answering as if it were still
        // attaching (which would hide its style's layout direction for
        // good).
        FlagScope lazily(isLazilyInitializingStyle_);
        attachStyle(makeDefaultStyle());
    }
    return style_;
}

const std::shared_ptr<SRRecorderControlStyling>& SRRecorderControl::styleForReading() const
{
    return const_cast<SRRecorderControl*>(this)->style();
}

void SRRecorderControl::setStyle(const std::shared_ptr<SRRecorderControlStyling>& style)
{
    if (style && style_ && style_->isEqual(Id(style)))
        return;
    willChangeValueForKey("style");
    try {
        attachStyle(style ? style->copyStyle() : makeDefaultStyle());
    } catch (...) {
        didChangeValueForKey("style");
        throw;
    }
    didChangeValueForKey("style");
}

std::shared_ptr<SRRecorderControlStyling> SRRecorderControl::makeDefaultStyle()
{
    return std::make_shared<SRRecorderControlStyle>();
}

void SRRecorderControl::attachStyle(const std::shared_ptr<SRRecorderControlStyling>& style)
{
    cancelPreviousPerformRequestsWithTarget(*notifyStyle_);
    if (auto old = style_) {
        old->prepareForRemoval();
        stopObservingStyle(*old);
    }
    style_ = style;
    try {
        style->prepareForRecorderControl(*this);
    } catch (...) {
        // A style that could not be attached is not kept: the control goes
        // without one, and the default one is tried again at the next use.
        style_.reset();
        throw;
    }

    if (labelWidthConstraint_)
        labelWidthConstraint_->setActive(false);
    labelWidthConstraint_ = style->labelDrawingGuide()->widthAnchor()->constraintEqualToConstant(0);
    labelWidthConstraint_->setPriority(751);
    labelWidthConstraint_->setActive(true);

    observeStyle(*style);
    updateToolTip();
}

void SRRecorderControl::observeStyle(SRRecorderControlStyling& style)
{
    auto observeKeyPath = [&](const char* keyPath, unsigned options, void* context) {
        style.addObserver(*this, keyPath, options, context);
        observedStyleKeyPaths_.emplace_back(keyPath, context);
    };
    if (style.preferredComponents()) {
        // The components name their direction "layoutDirection".
        observeKeyPath("preferredComponents.layoutDirection",
                       NSKeyValueObservingOptionNew | NSKeyValueObservingOptionPrior, &kLayoutDirectionContext);
        observeKeyPath("preferredComponents.appearance",
                       NSKeyValueObservingOptionNew | NSKeyValueObservingOptionInitial, &kAppearanceContext);
    }
    const unsigned frames = NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld;
    observeKeyPath("labelDrawingGuide.frame", frames, &kGuideFrameContext);
    if (style.backgroundDrawingGuide())
        observeKeyPath("backgroundDrawingGuide.frame", frames, &kGuideFrameContext);
    if (style.cancelButtonDrawingGuide())
        observeKeyPath("cancelButtonDrawingGuide.frame", frames, &kGuideFrameContext);
    if (style.clearButtonDrawingGuide())
        observeKeyPath("clearButtonDrawingGuide.frame", frames, &kGuideFrameContext);
}

void SRRecorderControl::stopObservingStyle(SRRecorderControlStyling& style)
{
    for (const auto& [keyPath, context] : observedStyleKeyPaths_)
        style.removeObserver(*this, keyPath, context);
    observedStyleKeyPaths_.clear();
}

void SRRecorderControl::observeValueForKeyPath(const String& keyPath, NSObject* object, const KeyValueChange& change,
                                               void* context)
{
    if (context == &kLayoutDirectionContext) {
        if (change.isPrior)
            willChangeValueForKey("userInterfaceLayoutDirection");
        else
            didChangeValueForKey("userInterfaceLayoutDirection");
    } else if (context == &kAppearanceContext) {
        NSUInteger appearance = change.newValue.isNilOrNull() ? 0 : NSUInteger(change.newValue.integerValue());
        setAppearance(appearance == SRComponentAppearanceUnspecified
                          ? nullptr
                          : NSAppearance::appearanceNamed(
                                SRAppearanceNameForComponentAppearance(SRComponentAppearance(appearance))));
    } else if (context == &kGuideFrameContext) {
        if (auto old = change.oldValue.object<NSValue>())
            setNeedsDisplayInRect(old->rectValue());
        if (auto now = change.newValue.object<NSValue>())
            setNeedsDisplayInRect(now->rectValue());
    } else {
        NSControl::observeValueForKeyPath(keyPath, object, change, context);
    }
}

// MARK: - Appearance

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
    cancelPreviousPerformRequestsWithTarget(*notifyStyle_);
    notifyStyle_->setArgument(reason, 2);
    performSelectorAfterDelay(*notifyStyle_, "invokeWithTarget:", Id(current), 0, {NSRunLoopCommonModes});
}

void SRRecorderControl::viewDidChangeBackingProperties()
{
    NSControl::viewDidChangeBackingProperties();
    scheduleControlViewAppearanceDidChange(Id());
}

void SRRecorderControl::viewDidChangeEffectiveAppearance()
{
    NSControl::viewDidChangeEffectiveAppearance();
    scheduleControlViewAppearanceDidChange(Id());
}

void SRRecorderControl::viewDidMoveToWindow()
{
    NSControl::viewDidMoveToWindow();
    // A style attached before the control was in a window resolved its look
    // without one; the window's may differ.
    if (style_ && window())
        scheduleControlViewAppearanceDidChange(Id());
}

NSUserInterfaceLayoutDirection SRRecorderControl::userInterfaceLayoutDirection() const
{
    if (hasOwnLayoutDirection_)
        return NSControl::userInterfaceLayoutDirection();
    if (!isLazilyInitializingStyle_) {
        auto components = styleForReading()->preferredComponents();
        if (components && components->layoutDirection() != SRComponentLayoutDirectionUnspecified)
            return SRUserInterfaceLayoutDirectionForComponentDirection(components->layoutDirection());
    }
    return NSControl::userInterfaceLayoutDirection();
}

void SRRecorderControl::setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirection direction)
{
    if (hasOwnLayoutDirection_ && NSControl::userInterfaceLayoutDirection() == direction)
        return;
    hasOwnLayoutDirection_ = true;
    NSControl::setUserInterfaceLayoutDirection(direction);
    scheduleControlViewAppearanceDidChange(Id());
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
    Dictionary attributes = drawingLabelAttributes();
    CGFloat width = 0;
    if (!label.empty())
        width = boundingRectWithSize(label, NSMakeSize(9999, intrinsicContentSize().height), 0, attributes).size.width;
    labelWidthConstraint_->setConstant(std::ceil(std::max(minimalDrawableWidth(attributes), width) + 2));
}

void SRRecorderControl::updateConstraints()
{
    updateActiveConstraints();
    updateLabelConstraints();
    NSControl::updateConstraints();
}

NSSize SRRecorderControl::intrinsicContentSize() const
{
    return styleForReading()->intrinsicContentSize();
}

NSEdgeInsets SRRecorderControl::alignmentRectInsets() const
{
    return styleForReading()->alignmentRectInsets();
}

CGFloat SRRecorderControl::baselineOffsetFromBottom() const
{
    auto& s = styleForReading();
    return s->baselineLayoutOffsetFromBottom().value_or(s->baselineDrawingOffsetFromBottom());
}

CGFloat SRRecorderControl::firstBaselineOffsetFromTop() const
{
    return styleForReading()->alignmentGuide()->frame().size.height - baselineOffsetFromBottom();
}

bool SRRecorderControl::isOpaque() const
{
    return styleForReading()->isOpaque();
}

bool SRRecorderControl::allowsVibrancy() const
{
    return styleForReading()->allowsVibrancy();
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

// MARK: - Label

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

// MARK: - Drawing

void SRRecorderControl::drawRect(NSRect dirtyRect)
{
    drawBackground(dirtyRect);
    drawInterior(dirtyRect);
}

void SRRecorderControl::drawBackground(NSRect dirtyRect)
{
    auto& s = style();
    NSRect frame = centerScanRect(frameOf(s->backgroundDrawingGuide(), bounds()));
    if (isEmptyRect(frame) || !needsToDrawRect(frame))
        return;

    std::shared_ptr<NSImage> left, center, right;
    if (isRecording_) {
        left = s->bezelRecordingLeft();
        center = s->bezelRecordingCenter();
        right = s->bezelRecordingRight();
    } else if (isMainButtonHighlighted()) {
        left = s->bezelPressedLeft();
        center = s->bezelPressedCenter();
        right = s->bezelPressedRight();
    } else if (isEnabled()) {
        left = s->bezelNormalLeft();
        center = s->bezelNormalCenter();
        right = s->bezelNormalRight();
    } else {
        left = s->bezelDisabledLeft();
        center = s->bezelDisabledCenter();
        right = s->bezelDisabledRight();
    }

    NSGraphicsContext::saveCurrentGraphicsState();
    if (left && center && right) {
        Log::debug("#Developer drawing background using images");
        NSDrawThreePartImage(frame, left, center, right, false, NSCompositingOperationSourceOver, 1.0, isFlipped());
    } else {
        Log::debug("#Developer drawing background using color");
        (isOpaque() ? NSColor::windowBackgroundColor() : NSColor::clearColor())->setFill();
        NSRectFill(CGRectIntersection(frame, dirtyRect));
    }
    NSGraphicsContext::restoreCurrentGraphicsState();
}

void SRRecorderControl::drawInterior(NSRect dirtyRect)
{
    drawLabel(dirtyRect);
    if (isRecording_) {
        drawCancelButton(dirtyRect);
        if (objectValue_)
            drawClearButton(dirtyRect);
    }
}

void SRRecorderControl::drawLabel(NSRect)
{
    auto& s = style();
    NSRect frame = s->labelDrawingGuide()->frame();
    if (isEmptyRect(frame) || !needsToDrawRect(frame))
        return;
    String label = drawingLabel();
    Dictionary attributes = drawingLabelAttributes();
    // The baseline lies that far above the bottom of the label's frame
    // (the control being flipped, its largest y): where the style puts it,
    // whatever a subclass lays out by.
    CGFloat baseline = SRRecorderControl::baselineOffsetFromBottom();
    NSRect rect = frame;
    rect.origin.y = CGRectGetMaxY(frame) - baseline;
    rect = backingAlignedRect(rect, kLabelAlignment);

    NSGraphicsContext::saveCurrentGraphicsState();
    // Too narrow for even an ellipsis, the label is better left out.
    if (rect.size.width >= minimalDrawableWidth(attributes)) {
        if (!isOpaque() && s->isLabelDrawingFrameOpaque())
            if (auto context = NSGraphicsContext::currentContext())
                CGContextSetShouldSmoothFonts(context->CGContext(), true);
        drawWithRect(label, rect, 0, attributes);
    }
    NSGraphicsContext::restoreCurrentGraphicsState();
}

void SRRecorderControl::drawCancelButton(NSRect)
{
    auto& s = style();
    drawButtonImage(*this, s->cancelButtonDrawingGuide(),
                    isCancelButtonHighlighted() ? s->cancelButtonPressed() : s->cancelButton());
}

void SRRecorderControl::drawClearButton(NSRect)
{
    auto& s = style();
    drawButtonImage(*this, s->clearButtonDrawingGuide(),
                    isClearButtonHighlighted() ? s->clearButtonPressed() : s->clearButton());
}

// MARK: - Focus ring

std::shared_ptr<NSBezierPath> SRRecorderControl::focusRingShape()
{
    auto& s = style();
    NSRect frame = frameOf(s->backgroundDrawingGuide(), bounds());
    NSEdgeInsets control = alignmentRectInsets();
    NSEdgeInsets ring = s->focusRingInsets().value_or(NSEdgeInsetsZero);
    NSEdgeInsets insets{control.top + ring.top, control.left + ring.left, control.bottom + ring.bottom,
                        control.right + ring.right};
    frame.origin.x += insets.left;
    frame.origin.y += insets.top;
    frame.size.width = std::max(CGFloat(0), frame.size.width - (insets.left + insets.right));
    frame.size.height = std::max(CGFloat(0), frame.size.height - (insets.top + insets.bottom));
    NSSize radius = s->focusRingCornerRadius().value_or(NSZeroSize);
    return NSBezierPath::bezierPathWithRoundedRect(frame, radius.width, radius.height);
}

bool SRRecorderControl::hasFocusRing() const
{
    auto window = this->window();
    return isEnabled() && window && window->firstResponder().get() == this;
}

NSRect SRRecorderControl::focusRingMaskBounds() const
{
    if (!hasFocusRing())
        return NSZeroRect;
    return const_cast<SRRecorderControl*>(this)->focusRingShape()->bounds();
}

void SRRecorderControl::drawFocusRingMask()
{
    if (!hasFocusRing())
        return;
    focusRingShape()->fill();
}

void SRRecorderControl::setEnabled(bool enabled)
{
    NSControl::setEnabled(enabled);
    // The ring shows only while enabled, and reaches past the bounds.
    noteFocusRingMaskChanged();
    setNeedsDisplay(true);
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

String SRRecorderControl::accessibilityRole()
{
    return NSAccessibilityButtonRole;
}

String SRRecorderControl::accessibilityRoleDescription()
{
    return SRLocalizedText(isRecording_ ? "Press keys now" : "Shortcut").lowercase();
}

String SRRecorderControl::accessibilityLabel()
{
    if (!isRecording_)
        return NSControl::accessibilityLabel();
    Id words = SRLiteralModifierFlagsTransformer::sharedTransformer().transformedValue(
        Id::number(static_cast<unsigned long long>(lastSeenModifierFlags_)), NSUserInterfaceLayoutDirectionLeftToRight);
    return words.string() ? *words.string() : String();
}

String SRRecorderControl::accessibilityValue()
{
    if (isRecording_)
        return NSControl::accessibilityValue();
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

std::vector<String> SRRecorderControl::accessibilityActionNames()
{
    return {NSAccessibilityPressAction, NSAccessibilityCancelAction, NSAccessibilityDeleteAction};
}

std::shared_ptr<NSView> SRRecorderControl::accessibilityHitTest(NSPoint)
{
    return std::static_pointer_cast<NSView>(shared_from_this());
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
