#pragma once

#include "appkit/NSControl.h"
#include "appkit/NSEditor.h"
#include "appkit/NSEvent.h"
#include "appkit/NSViewToolTipOwner.h"
#include "foundation/Id.h"
#include "foundation/String.h"
#include "shortcut-library/SRRecorderControlStyling.h"
#include "shortcut-library/SRShortcut.h"

#include <limits>
#include <memory>
#include <utility>
#include <vector>

class NSAttributedString;
class NSBezierPath;
class NSInvocation;
class NSLayoutConstraint;
class NSNotification;
class NSTrackingArea;
class SRRecorderControl;

// The button of a recorder that the mouse is pressing.
using SRRecorderControlButtonTag = NSUInteger;
inline constexpr SRRecorderControlButtonTag SRRecorderControlButtonTagCancel = 0;
inline constexpr SRRecorderControlButtonTag SRRecorderControlButtonTagClear = 1;
inline constexpr SRRecorderControlButtonTag SRRecorderControlButtonTagMain = 2;
inline constexpr SRRecorderControlButtonTag SRRecorderControlButtonTagNone =
    std::numeric_limits<SRRecorderControlButtonTag>::max();

// What a recorder asks and tells the one who decides what may be recorded.
// Every method is optional. A method that an older name stood for falls back
// to it: its default body asks the older one, whose own default is the
// answer the control assumes when nobody is asked. So a delegate overrides
// the newest method it knows and the control calls the newest one only.
class SRRecorderControlDelegate {
public:
    virtual ~SRRecorderControlDelegate() = default;

    // False refuses to begin (the control beeps).
    virtual bool recorderControlShouldBeginRecording(SRRecorderControl& control)
    {
        return shortcutRecorderShouldBeginRecording(control);
    }
    virtual void recorderControlDidBeginRecording(SRRecorderControl& /*control*/) { }
    // Asked when `flags` (masked to the four modifiers) fail the control's
    // allowed set; true lets them through. `keyCode` is SRKeyCodeNone for a
    // change of the modifiers alone.
    virtual bool recorderControlShouldUnconditionallyAllowModifierFlags(SRRecorderControl& control,
                                                                        NSEventModifierFlags flags, SRKeyCode keyCode)
    {
        return shortcutRecorderShouldUnconditionallyAllowModifierFlags(control, flags, keyCode);
    }
    // Asked once the flag rules passed; false refuses the shortcut (the
    // control beeps and goes on recording).
    virtual bool recorderControlCanRecordShortcut(SRRecorderControl& control, const SRShortcut& shortcut)
    {
        return shortcutRecorderCanRecordShortcut(control, shortcut.dictionaryRepresentation());
    }
    // After recording ended, the new value stored and written through the
    // binding, before the action is sent; at every end, changed or not.
    virtual void recorderControlDidEndRecording(SRRecorderControl& control)
    {
        shortcutRecorderDidEndRecording(control);
    }

    // The older names.
    virtual bool shortcutRecorderShouldBeginRecording(SRRecorderControl& /*control*/) { return true; }
    virtual bool shortcutRecorderShouldUnconditionallyAllowModifierFlags(SRRecorderControl& /*control*/,
                                                                         NSEventModifierFlags /*flags*/,
                                                                         SRKeyCode /*keyCode*/)
    {
        return false;
    }
    virtual bool shortcutRecorderCanRecordShortcut(SRRecorderControl& control, const Dictionary& shortcut);
    virtual void shortcutRecorderDidEndRecording(SRRecorderControl& /*control*/) { }

    // The generic control-editing question, asked last, with the shortcut.
    virtual bool controlIsValidObject(NSControl& /*control*/, const Id& /*object*/) { return true; }
};

// The control in which the user records one keyboard shortcut.
//
// Idle, it shows its value; a click, Space (when it is the first responder)
// or an accessibility press makes it record. While recording, the next key
// chord that passes the flag rules and the delegate becomes the value;
// Escape ends keeping the value, Delete clears it, and the cancel and clear
// buttons do the same with the mouse. Refused input is answered with a
// beep. While it records, the shared global hot-key monitor is paused, so
// that a shortcut already in use reaches the control instead of firing.
//
// The value is an SRShortcut (a dictionary to callers that switched the
// compatibility mode on by giving one). It can be bound (NSValueBinding):
// every change is written to the bound object at once, through the
// binding's value transformer in reverse.
//
// Its look comes from a style (SRRecorderControlStyling); drawing, layout
// and what the control tells assistive applications follow the style.
//
// Made with std::make_shared; main thread only.
class SRRecorderControl : public NSControl, public NSEditor, public NSViewToolTipOwner {
    KS_OBJECT(SRRecorderControl, NSControl)

public:
    explicit SRRecorderControl(NSRect frame = NSZeroRect);
    ~SRRecorderControl() override;

    // --- Value and binding ---

    std::shared_ptr<SRRecorderControlDelegate> delegate() const { return delegate_.lock(); }
    // Held weakly.
    void setDelegate(const std::shared_ptr<SRRecorderControlDelegate>& delegate) { delegate_ = delegate; }

    NSEventModifierFlags allowedModifierFlags() const { return allowedModifierFlags_; }
    NSEventModifierFlags requiredModifierFlags() const { return requiredModifierFlags_; }
    bool allowsEmptyModifierFlags() const { return allowsEmptyModifierFlags_; }
    // The three rules change together. Raises an invalid-argument exception
    // for a required flag that is not allowed, and for empty flags allowed
    // while some are required. A change ends recording.
    void setAllowedModifierFlags(NSEventModifierFlags allowed, NSEventModifierFlags required,
                                 bool allowsEmptyModifierFlags);

    bool drawsASCIIEquivalentOfShortcut() const { return drawsASCIIEquivalentOfShortcut_; }
    void setDrawsASCIIEquivalentOfShortcut(bool draws);
    bool allowsEscapeToCancelRecording() const { return allowsEscapeToCancelRecording_; }
    void setAllowsEscapeToCancelRecording(bool allows);
    bool allowsDeleteToClearShortcutAndEndRecording() const { return allowsDeleteToClearShortcutAndEndRecording_; }
    void setAllowsDeleteToClearShortcutAndEndRecording(bool allows);
    bool pausesGlobalShortcutMonitorWhileRecording() const { return pausesGlobalShortcutMonitorWhileRecording_; }
    void setPausesGlobalShortcutMonitorWhileRecording(bool pauses);
    bool stringValueRespectsUserInterfaceLayoutDirection() const
    {
        return stringValueRespectsUserInterfaceLayoutDirection_;
    }
    void setStringValueRespectsUserInterfaceLayoutDirection(bool respects);
    bool allowsModifierFlagsOnlyShortcut() const { return allowsModifierFlagsOnlyShortcut_; }
    void setAllowsModifierFlagsOnlyShortcut(bool allows);

    bool isRecording() const { return isRecording_; }

    // The shortcut, or nil; in compatibility mode its dictionary form.
    Id objectValue() const;
    // The shortcut itself, in either mode.
    const std::shared_ptr<SRShortcut>& objectValueShortcut() const { return objectValue_; }
    // A shortcut, nil, the null marker or a dictionary (which switches the
    // compatibility mode on when the control has no value yet). An equal
    // value changes nothing; any other is stored and written back through
    // the binding at once.
    void setObjectValue(const Id& value) override;
    void setObjectValue(const std::shared_ptr<SRShortcut>& shortcut);
    // The dictionary form of the value, in either mode; nil without one.
    Id dictionaryValue() const;
    void setDictionaryValue(const Dictionary& dictionary);
    bool isCompatibilityModeEnabled() const { return isCompatibilityModeEnabled_; }

    // What the value binding reads and writes; controller markers raise an
    // internal-inconsistency exception.
    Id value() const { return objectValue(); }
    void setValue(const Id& value);

    // Modifier glyphs and key text; key text first in a right-to-left
    // control that respects its direction.
    String stringValue() const;
    // A key equivalent (glyphs and a key), as SRShortcut reads them.
    void setStringValue(const String& keyEquivalent);
    std::shared_ptr<NSAttributedString> attributedStringValue() const;
    void setAttributedStringValue(const NSAttributedString& value);

    void prepareForInterfaceBuilder();

    // The bindings the control offers (NSValueBinding), the class its value
    // binding expects and the options it takes.
    static std::vector<String> exposedBindings();
    const ClassDescriptor* valueClassForBinding(const String& binding) const;
    // For NSValueBinding: the two transformer options, as dictionaries of
    // "name", "attributeType" (700, text) and "defaultValue" (empty).
    Array optionDescriptionsForBinding(const String& binding) const;
    // Writes `value` to the bound object of `binding`: reverse-transformed
    // where the binding's transformer allows it; as dictionaries from then
    // on when an untransformed shortcut would go into the user defaults.
    void propagateValue(const Id& value, const String& binding);

    // --- Recording ---

    // True when recording afterwards. Refused by the delegate or by the
    // window (the control can't become first responder), it beeps.
    bool beginRecording();
    // Each ends recording (nothing when not recording): keeping the value,
    // clearing it, or with a new one.
    void endRecording();
    void clearAndEndRecording();
    void endRecordingWithObjectValue(const std::shared_ptr<SRShortcut>& shortcut);

    // The flag rules, then the delegate. Does not beep.
    bool canEndRecordingWithObjectValue(const SRShortcut& shortcut);
    bool areModifierFlagsValid(NSEventModifierFlags flags, SRKeyCode keyCode);
    bool areModifierFlagsAllowed(NSEventModifierFlags flags, SRKeyCode keyCode);
    // Enabled, the first responder of its window, and no button pressed.
    bool canCaptureKeyEvent();
    // The refusal signal: a beep.
    virtual void playAlert();

    // The modifiers held during the chord being recorded.
    NSEventModifierFlags lastSeenModifierFlags() const { return lastSeenModifierFlags_; }

    // The button being pressed, and whether the pointer is over it.
    SRRecorderControlButtonTag mouseTrackingButtonTag() const { return mouseTrackingButtonTag_; }
    bool isMainButtonHighlighted() const;
    bool isCancelButtonHighlighted() const;
    bool isClearButtonHighlighted() const;
    bool isHighlighted() const { return isMainButtonHighlighted(); }
    // Where the buttons react, in the control's coordinates (zero when the
    // style has no guide for them).
    NSRect cancelButtonRect() const;
    NSRect clearButtonRect() const;

    // --- Events and the responder chain ---

    void keyDown(NSEvent& event) override;
    bool performKeyEquivalent(NSEvent& event) override;
    void flagsChanged(NSEvent& event) override;
    void mouseDown(NSEvent& event) override;
    void mouseUp(NSEvent& event) override;
    void mouseEntered(NSEvent& event) override;
    void mouseExited(NSEvent& event) override;
    void updateTrackingAreas() override;
    bool acceptsFirstMouse(NSEvent* event) override;
    bool acceptsFirstResponder() override;
    bool resignFirstResponder() override;
    bool canBecomeKeyView() const override;
    bool needsPanelToBecomeKey() const override;
    void prepareForReuse() override;
    void viewWillMoveToWindow(const std::shared_ptr<NSWindow>& window) override;
    bool isFlipped() const override { return true; }
    bool requiresConstraintBasedLayout() const override { return true; }

    // NSEditor: every one of them ends recording keeping the value.
    void discardEditing() override;
    bool commitEditing() override;
    bool commitEditingAndReturnError(std::shared_ptr<NSError>* error) override;
    // The delegate is told on a later turn of the main run loop.
    void commitEditingWithDelegate(const Id& delegate, Selector didCommitSelector, void* contextInfo) override;
    // Ends recording; false.
    bool abortEditing();

    // --- Look: style, layout, drawing, tool tips, accessibility ---
    // (SRRecorderControlAppearance.cpp)

    // Made on first use (makeDefaultStyle) unless one is set; a style is
    // copied when it is set, nil sets the default one. A style that can't
    // be attached (its resources are missing or broken) raises, and the
    // control is left without one: the next use tries the default again.
    const std::shared_ptr<SRRecorderControlStyling>& style();
    void setStyle(const std::shared_ptr<SRRecorderControlStyling>& style);
    // A new SRRecorderControlStyle.
    virtual std::shared_ptr<SRRecorderControlStyling> makeDefaultStyle();
    // While style() attaches the default style.
    bool isLazilyInitializingStyle() const { return isLazilyInitializingStyle_; }

    // Appearance changes reach the style once per turn of the run loop:
    // however many come in one pass (tint, contrast, backing, look,
    // direction), the style is told once, after them.
    void controlTintDidChange(const Id& notification);
    void accessibilityDisplayOptionsDidChange(const Id& notification);
    void scheduleControlViewAppearanceDidChange(const Id& reason);
    void viewDidChangeBackingProperties() override;
    void viewDidChangeEffectiveAppearance() override;
    void viewDidMoveToWindow() override;
    void observeValueForKeyPath(const String& keyPath, NSObject* object, const KeyValueChange& change,
                                void* context) override;

    // The direction set for the control; else the one its style prefers;
    // else the application's.
    NSUserInterfaceLayoutDirection userInterfaceLayoutDirection() const override;
    // A new direction refreshes the style.
    void setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirection direction) override;

    // The active constraint set for the state, and the label guide's width
    // for the label now shown.
    void updateActiveConstraints();
    void updateLabelConstraints();
    void updateConstraints() override;

    // The text shown: held modifiers while recording, the value, or the
    // no-value label of the state.
    String drawingLabel();
    Dictionary drawingLabelAttributes();

    NSSize intrinsicContentSize() const override;
    NSEdgeInsets alignmentRectInsets() const override;
    CGFloat baselineOffsetFromBottom() const override;
    CGFloat firstBaselineOffsetFromTop() const override;
    bool isOpaque() const override;
    bool allowsVibrancy() const;

    // The background (the state's bezel, else a plain fill), then the
    // label and, while recording, the buttons; each part only where it
    // meets the dirty rectangle.
    void drawRect(NSRect dirtyRect) override;
    void drawBackground(NSRect dirtyRect);
    void drawInterior(NSRect dirtyRect);
    void drawLabel(NSRect dirtyRect);
    void drawCancelButton(NSRect dirtyRect);
    void drawClearButton(NSRect dirtyRect);

    // The focus ring follows the bezel's body, while the control is enabled
    // and first responder.
    std::shared_ptr<NSBezierPath> focusRingShape();
    NSRect focusRingMaskBounds() const override;
    void drawFocusRingMask() override;
    void setEnabled(bool enabled) override;

    String viewStringForToolTip(NSView& view, NSToolTipTag tag, NSPoint point, void* userData) override;

    // Accessibility: a button whose value is the shortcut in words.
    bool isAccessibilityElement() override { return true; }
    bool isAccessibilityEnabled() override { return isEnabled(); }
    String accessibilityRole() override;
    String accessibilityRoleDescription() override;
    String accessibilityValue() override;
    String accessibilityLabel() override;
    String accessibilityHelp() override { return String(); }
    std::vector<String> accessibilityActionNames() override;
    std::shared_ptr<NSView> accessibilityHitTest(NSPoint point) override;
    bool accessibilityPerformPress() override;
    bool accessibilityPerformCancel() override;
    bool accessibilityPerformDelete() override;

protected:
    static void describe(ClassDescriptor& d);

    bool automaticallyNotifiesObserversForKey(const String& key) const override;
    std::vector<String> keyPathsForValuesAffectingValueForKey(const String& key) const override;

    // The parts of the look that recording asks to refresh, each a hook of
    // SRRecorderControlAppearance.cpp: the label after a change of the value
    // or of the held modifiers, the whole control at a change of state, the
    // control's own tool tip for the state.
    void noteLabelChanged();
    void noteStateChanged();
    void updateToolTip();

private:
    // Recording's parts (SRRecorderControlRecording.cpp).
    void addButtonArea(NSRect rect, std::shared_ptr<NSTrackingArea>& area, NSToolTipTag& toolTipTag);
    NSRect areaForButton(SRRecorderControlButtonTag tag) const;
    void redisplayButton(SRRecorderControlButtonTag tag);
    NSPoint pointerLocation() const;
    void offerModifierFlagsOnlyChord();
    void postRecordingAccessibilityNotifications();
    void observeWindow(const std::shared_ptr<NSWindow>& window);
    void stopObservingWindow(const std::shared_ptr<NSWindow>& window);

    // The look's parts (SRRecorderControlAppearance.cpp).
    void attachStyle(const std::shared_ptr<SRRecorderControlStyling>& style);
    void observeStyle(SRRecorderControlStyling& style);
    void stopObservingStyle(SRRecorderControlStyling& style);
    const std::shared_ptr<SRRecorderControlStyling>& styleForReading() const;
    // Enabled and its window's first responder.
    bool hasFocusRing() const;

    bool isCompatibilityModeEnabled_ = false;
    std::shared_ptr<SRRecorderControlStyling> style_;
    std::shared_ptr<NSTrackingArea> mainButtonTrackingArea_;
    std::shared_ptr<NSTrackingArea> cancelButtonTrackingArea_;
    std::shared_ptr<NSTrackingArea> clearButtonTrackingArea_;
    SRRecorderControlButtonTag mouseTrackingButtonTag_ = SRRecorderControlButtonTagNone;
    NSToolTipTag cancelButtonToolTipTag_ = std::numeric_limits<NSToolTipTag>::max();
    NSToolTipTag clearButtonToolTipTag_ = std::numeric_limits<NSToolTipTag>::max();
    std::shared_ptr<SRShortcut> objectValue_;
    NSEventModifierFlags lastSeenModifierFlags_ = 0;
    bool isLazilyInitializingStyle_ = false;
    bool didPauseGlobalShortcutMonitor_ = false;
    std::shared_ptr<NSLayoutConstraint> labelWidthConstraint_;
    bool allowsEmptyModifierFlags_ = false;
    bool drawsASCIIEquivalentOfShortcut_ = true;
    bool allowsEscapeToCancelRecording_ = true;
    bool allowsDeleteToClearShortcutAndEndRecording_ = true;
    bool pausesGlobalShortcutMonitorWhileRecording_ = true;
    bool stringValueRespectsUserInterfaceLayoutDirection_ = false;
    bool allowsModifierFlagsOnlyShortcut_ = false;
    bool isRecording_ = false;
    std::weak_ptr<SRRecorderControlDelegate> delegate_;
    NSEventModifierFlags allowedModifierFlags_ = SRCocoaModifierFlagsMask;
    NSEventModifierFlags requiredModifierFlags_ = 0;
    // The window whose resigning key ends recording, and the observations.
    std::weak_ptr<NSWindow> observedWindow_;
    bool windowObserved_ = false;
    // The style's recorderControlAppearanceDidChange:, made once and sent
    // after a delay of 0, so that a burst of changes gives one refresh.
    std::shared_ptr<NSInvocation> notifyStyle_;
    // The key paths of the style observed, with their contexts.
    std::vector<std::pair<String, void*>> observedStyleKeyPaths_;
    // A direction was set for the control itself.
    bool hasOwnLayoutDirection_ = false;
};
