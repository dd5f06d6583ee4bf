// Recording: the two states, what starts and ends them, the order in which a
// candidate is validated, and the keys, modifier changes and clicks that
// drive it.

#include "shortcut-library/SRRecorderControl.h"

#include "SRActivity.h"
#include "SRRecorderControlGeometry.h"
#include "appkit/NSAccessibilityNotifications.h"
#include "appkit/NSApplication.h"
#include "appkit/NSLayoutGuide.h"
#include "appkit/NSTrackingArea.h"
#include "appkit/NSWindow.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSRunLoop.h"
#include "shortcut-library/SRGlobalShortcutMonitor.h"

#include <cstdint>

namespace {

using detail::recorder::frameOf;
using detail::recorder::isEmptyRect;

constexpr unsigned short kSpaceKeyCode = 49;
constexpr unsigned short kEscapeKeyCode = 53;
constexpr unsigned short kDeleteKeyCode = 51;
constexpr unsigned short kForwardDeleteKeyCode = 117;

// Entering and leaving, while the control is first responder, also while
// the button is held.
constexpr NSTrackingAreaOptions kButtonTrackingOptions =
    NSTrackingMouseEnteredAndExited | NSTrackingActiveWhenFirstResponder | NSTrackingEnabledDuringMouseDrag;
static_assert(kButtonTrackingOptions == 0x411);

// The platform's point-in-rectangle test: the top edge of a flipped
// rectangle (the bottom one of an unflipped) belongs to it, the far edges
// don't.
bool mouseInRect(NSPoint point, NSRect rect, bool flipped)
{
    if (rect.size.width <= 0 || rect.size.height <= 0)
        return false;
    bool inX = point.x >= rect.origin.x && point.x < rect.origin.x + rect.size.width;
    bool inY = flipped ? point.y >= rect.origin.y && point.y < rect.origin.y + rect.size.height
                       : point.y > rect.origin.y && point.y <= rect.origin.y + rect.size.height;
    return inX && inY;
}

// Tells the bound object that an edit began or ended, when it wants to know.
void tellBoundObject(SRRecorderControl& control, const char* selector)
{
    Id info = control.infoForBinding(NSValueBinding);
    const Dictionary* binding = info.dictionary();
    if (!binding)
        return;
    Id observed = binding->objectForKey(NSObservedObjectKey);
    NSObject* object = observed.objectPointer();
    if (object && object->respondsToSelector(Selector(selector)))
        object->performSelector(Selector(selector), Id(control.shared_from_this()));
}

}  // namespace

// MARK: - Beginning and ending

bool SRRecorderControl::beginRecording()
{
    SR_METHOD_ACTIVITY("beginRecording");
    if (!isEnabled())
        return false;
    if (isRecording_)
        return true;

    auto self = std::static_pointer_cast<SRRecorderControl>(shared_from_this());
    if (auto delegate = delegate_.lock(); delegate && !delegate->recorderControlShouldBeginRecording(*this)) {
        playAlert();
        return false;
    }
    auto window = this->window();
    if (!window || !window->makeFirstResponder(self)) {
        playAlert();
        return false;
    }

    lastSeenModifierFlags_ = NSEvent::currentModifierFlags() & allowedModifierFlags_;
    willChangeValueForKey("isRecording");
    isRecording_ = true;
    didChangeValueForKey("isRecording");

    noteStateChanged();
    updateTrackingAreas();
    updateToolTip();

    if (pausesGlobalShortcutMonitorWhileRecording_) {
        didPauseGlobalShortcutMonitor_ = true;
        SRGlobalShortcutMonitor::sharedMonitor()->pause();
    }
    tellBoundObject(*this, "objectDidBeginEditing:");
    if (auto delegate = delegate_.lock())
        delegate->recorderControlDidBeginRecording(*this);
    postRecordingAccessibilityNotifications();
    return true;
}

void SRRecorderControl::endRecording()
{
    SR_METHOD_ACTIVITY("endRecording");
    if (!isRecording_)
        return;
    endRecordingWithObjectValue(objectValue_);
}

void SRRecorderControl::clearAndEndRecording()
{
    SR_METHOD_ACTIVITY("clearAndEndRecording");
    if (!isRecording_)
        return;
    endRecordingWithObjectValue(nullptr);
}

void SRRecorderControl::endRecordingWithObjectValue(const std::shared_ptr<SRShortcut>& shortcut)
{
    SR_METHOD_ACTIVITY("endRecordingWithObjectValue:");
    if (!isRecording_)
        return;
    // Held: the delegate or the action may let go of the control.
    auto self = std::static_pointer_cast<SRRecorderControl>(shared_from_this());

    willChangeValueForKey("isRecording");
    isRecording_ = false;
    didChangeValueForKey("isRecording");

    // Stored and written through the binding before anyone hears of the end.
    setObjectValue(shortcut);
    lastSeenModifierFlags_ = 0;

    noteStateChanged();
    updateTrackingAreas();
    updateToolTip();

    if (didPauseGlobalShortcutMonitor_) {
        didPauseGlobalShortcutMonitor_ = false;
        SRGlobalShortcutMonitor::sharedMonitor()->resume();
    }
    tellBoundObject(*this, "objectDidEndEditing:");

    // Without full keyboard access the control is no stop for the keyboard,
    // so it doesn't keep the focus once it is done.
    if (auto window = this->window(); window && window->firstResponder().get() == this && !canBecomeKeyView())
        window->makeFirstResponder(nullptr);

    if (auto delegate = delegate_.lock())
        delegate->recorderControlDidEndRecording(*this);
    sendAction(action(), target());
    postRecordingAccessibilityNotifications();
}

void SRRecorderControl::postRecordingAccessibilityNotifications()
{
    auto self = shared_from_this();
    NSAccessibilityPostNotificationWithUserInfo(self, NSAccessibilityLayoutChangedNotification,
                                                Dictionary{{NSAccessibilityUIElementsKey, Id(Array{Id(self)})}});
    NSAccessibilityPostNotification(self, NSAccessibilityTitleChangedNotification);
}

// MARK: - Validation

bool SRRecorderControl::canEndRecordingWithObjectValue(const SRShortcut& shortcut)
{
    SR_METHOD_ACTIVITY("canEndRecordingWithObjectValue:");
    NSEventModifierFlags flags = shortcut.modifierFlags() & SRCocoaModifierFlagsMask;
    if (!areModifierFlagsValid(flags, shortcut.keyCode())) {
        Log::debug("Modifier flags %lu rejected", static_cast<unsigned long>(flags));
        return false;
    }
    if (auto delegate = delegate_.lock(); delegate && !delegate->recorderControlCanRecordShortcut(*this, shortcut)) {
        Log::debug("Delegate rejected");
        return false;
    }
    Log::debug("Valid and accepted shortcut");
    return true;
}

bool SRRecorderControl::areModifierFlagsValid(NSEventModifierFlags flags, SRKeyCode keyCode)
{
    SR_METHOD_ACTIVITY("areModifierFlagsValid:forKeyCode:");
    flags &= SRCocoaModifierFlagsMask;
    if ((flags & requiredModifierFlags_) != requiredModifierFlags_)
        return false;
    return areModifierFlagsAllowed(flags, keyCode);
}

bool SRRecorderControl::areModifierFlagsAllowed(NSEventModifierFlags flags, SRKeyCode keyCode)
{
    SR_METHOD_ACTIVITY("areModifierFlagsAllowed:forKeyCode:");
    flags &= SRCocoaModifierFlagsMask;
    if (flags == 0 && allowsEmptyModifierFlags_)
        return true;
    if (flags != 0 && (flags & ~allowedModifierFlags_) == 0)
        return true;
    auto delegate = delegate_.lock();
    return delegate && delegate->recorderControlShouldUnconditionallyAllowModifierFlags(*this, flags, keyCode);
}

bool SRRecorderControl::canCaptureKeyEvent()
{
    if (!isEnabled()) {
        Log::debug("The control is disabled");
        return false;
    }
    auto window = this->window();
    if (!window || window->firstResponder().get() != this) {
        Log::debug("The control is not the first responder");
        return false;
    }
    if (mouseTrackingButtonTag_ != SRRecorderControlButtonTagNone) {
        Log::debug("The control is tracking %lu", static_cast<unsigned long>(mouseTrackingButtonTag_));
        return false;
    }
    return true;
}

void SRRecorderControl::playAlert()
{
    NSBeep();
}

// MARK: - Keys

void SRRecorderControl::keyDown(NSEvent& event)
{
    if (!performKeyEquivalent(event))
        NSControl::keyDown(event);
}

bool SRRecorderControl::performKeyEquivalent(NSEvent& event)
{
    SR_METHOD_ACTIVITY("performKeyEquivalent:");
    if (!canCaptureKeyEvent())
        return false;
    unsigned short keyCode = event.keyCode();
    if (!isRecording_) {
        if (keyCode != kSpaceKeyCode)
            return false;
        Log::debug("Begin recording via Space");
        return beginRecording();
    }
    if (keyCode == SRKeyCodeNone) {
        Log::debug("Invalid key code");
        return false;
    }
    bool noModifiers = (event.modifierFlags() & SRCocoaModifierFlagsMask) == 0;
    if (allowsEscapeToCancelRecording_ && keyCode == kEscapeKeyCode && noModifiers) {
        Log::debug("Cancel via Esc");
        endRecording();
        return true;
    }
    if (allowsDeleteToClearShortcutAndEndRecording_ &&
        (keyCode == kDeleteKeyCode || keyCode == kForwardDeleteKeyCode) && noModifiers) {
        Log::debug("Clear via Delete");
        clearAndEndRecording();
        return true;
    }
    auto shortcut = SRShortcut::shortcutWithEvent(event);
    if (shortcut && canEndRecordingWithObjectValue(*shortcut))
        endRecordingWithObjectValue(shortcut);
    else
        playAlert();
    return true;
}

void SRRecorderControl::flagsChanged(NSEvent& event)
{
    if (isRecording_ && canCaptureKeyEvent()) {
        NSEventModifierFlags flags = event.modifierFlags() & SRCocoaModifierFlagsMask;
        unsigned short keyCode = event.keyCode();
        if (!allowsModifierFlagsOnlyShortcut_) {
            if (areModifierFlagsAllowed(flags, SRKeyCodeNone))
                lastSeenModifierFlags_ = flags;
            else
                playAlert();
        } else {
            // The modifiers of one chord add up while they are pressed; the
            // chord is offered when the last of them is let go.
            struct ModifierKey {
                unsigned short left;
                unsigned short right;
                NSEventModifierFlags flag;
            };
            static constexpr ModifierKey keys[] = {
                {54, 55, NSEventModifierFlagCommand},
                {58, 61, NSEventModifierFlagOption},
                {56, 60, NSEventModifierFlagShift},
                {59, 62, NSEventModifierFlagControl},
            };
            std::optional<NSEventModifierFlags> candidate;
            for (const ModifierKey& key : keys) {
                if ((keyCode == key.left || keyCode == key.right) && (flags & key.flag)) {
                    candidate = lastSeenModifierFlags_ ^ key.flag;
                    break;
                }
            }
            if (candidate) {
                if (areModifierFlagsAllowed(*candidate, SRKeyCodeNone))
                    lastSeenModifierFlags_ = *candidate;
                else
                    playAlert();
            } else if (flags == 0 && lastSeenModifierFlags_ != 0) {
                offerModifierFlagsOnlyChord();
            }
        }
        // The held modifiers show as they change.
        if (isRecording_)
            noteLabelChanged();
    }
    NSControl::flagsChanged(event);
}

void SRRecorderControl::offerModifierFlagsOnlyChord()
{
    auto chord = std::make_shared<SRShortcut>(SRKeyCodeNone, lastSeenModifierFlags_, std::nullopt, std::nullopt);
    // Refused, the chord stays and recording goes on, without a beep: the
    // user may still be in the middle of a longer chord.
    if (canEndRecordingWithObjectValue(*chord))
        endRecordingWithObjectValue(chord);
}

// MARK: - Mouse

NSRect SRRecorderControl::cancelButtonRect() const
{
    if (!style_)
        return NSZeroRect;
    if (auto guide = style_->cancelButtonLayoutGuide())
        return guide->frame();
    return frameOf(style_->cancelButtonDrawingGuide(), NSZeroRect);
}

NSRect SRRecorderControl::clearButtonRect() const
{
    if (!style_)
        return NSZeroRect;
    if (auto guide = style_->clearButtonLayoutGuide())
        return guide->frame();
    return frameOf(style_->clearButtonDrawingGuide(), NSZeroRect);
}

NSRect SRRecorderControl::areaForButton(SRRecorderControlButtonTag tag) const
{
    switch (tag) {
    case SRRecorderControlButtonTagCancel:
        return cancelButtonRect();
    case SRRecorderControlButtonTagClear:
        return clearButtonRect();
    case SRRecorderControlButtonTagMain:
        return bounds();
    default:
        return NSZeroRect;
    }
}

void SRRecorderControl::redisplayButton(SRRecorderControlButtonTag tag)
{
    std::shared_ptr<NSLayoutGuide> guide;
    if (style_) {
        if (tag == SRRecorderControlButtonTagMain)
            guide = style_->backgroundDrawingGuide();
        else if (tag == SRRecorderControlButtonTagCancel)
            guide = style_->cancelButtonDrawingGuide();
        else if (tag == SRRecorderControlButtonTagClear)
            guide = style_->clearButtonDrawingGuide();
    }
    if (guide)
        setNeedsDisplayInRect(guide->frame());
    else if (tag == SRRecorderControlButtonTagMain)
        setNeedsDisplay(true);
}

NSPoint SRRecorderControl::pointerLocation() const
{
    auto window = this->window();
    if (!window)
        return NSMakePoint(-1, -1);
    return convertPointFromView(window->mouseLocationOutsideOfEventStream(), nullptr);
}

bool SRRecorderControl::isMainButtonHighlighted() const
{
    return mouseTrackingButtonTag_ == SRRecorderControlButtonTagMain && window() &&
           mouseInRect(pointerLocation(), bounds(), isFlipped());
}

bool SRRecorderControl::isCancelButtonHighlighted() const
{
    return mouseTrackingButtonTag_ == SRRecorderControlButtonTagCancel && window() &&
           mouseInRect(pointerLocation(), cancelButtonRect(), isFlipped());
}

bool SRRecorderControl::isClearButtonHighlighted() const
{
    return mouseTrackingButtonTag_ == SRRecorderControlButtonTagClear && window() &&
           mouseInRect(pointerLocation(), clearButtonRect(), isFlipped());
}

void SRRecorderControl::mouseDown(NSEvent& event)
{
    if (!isEnabled()) {
        NSControl::mouseDown(event);
        return;
    }
    NSPoint point = convertPointFromView(event.locationInWindow(), nullptr);
    if (isRecording_) {
        if (mouseInRect(point, cancelButtonRect(), isFlipped())) {
            mouseTrackingButtonTag_ = SRRecorderControlButtonTagCancel;
            redisplayButton(SRRecorderControlButtonTagCancel);
            return;
        }
        if (mouseInRect(point, clearButtonRect(), isFlipped())) {
            mouseTrackingButtonTag_ = SRRecorderControlButtonTagClear;
            redisplayButton(SRRecorderControlButtonTagClear);
            return;
        }
    } else if (mouseInRect(point, bounds(), isFlipped())) {
        mouseTrackingButtonTag_ = SRRecorderControlButtonTagMain;
        setNeedsDisplay(true);
        return;
    }
    NSControl::mouseDown(event);
}

void SRRecorderControl::mouseUp(NSEvent& event)
{
    if (!isEnabled() || mouseTrackingButtonTag_ == SRRecorderControlButtonTagNone) {
        NSControl::mouseUp(event);
        return;
    }
    SRRecorderControlButtonTag tag = mouseTrackingButtonTag_;
    mouseTrackingButtonTag_ = SRRecorderControlButtonTagNone;
    auto window = this->window();
    if (window && window->isKeyWindow()) {
        NSPoint point = convertPointFromView(event.locationInWindow(), nullptr);
        if (mouseInRect(point, areaForButton(tag), isFlipped())) {
            if (tag == SRRecorderControlButtonTagMain)
                beginRecording();
            else if (tag == SRRecorderControlButtonTagCancel)
                endRecording();
            else if (tag == SRRecorderControlButtonTagClear)
                clearAndEndRecording();
        }
        redisplayButton(tag);
    } else {
        setNeedsDisplay(true);
    }
}

void SRRecorderControl::mouseEntered(NSEvent& event)
{
    if (isEnabled()) {
        auto area = event.trackingArea();
        if ((mouseTrackingButtonTag_ == SRRecorderControlButtonTagMain && area == mainButtonTrackingArea_) ||
            (mouseTrackingButtonTag_ == SRRecorderControlButtonTagCancel && area == cancelButtonTrackingArea_) ||
            (mouseTrackingButtonTag_ == SRRecorderControlButtonTagClear && area == clearButtonTrackingArea_))
            redisplayButton(mouseTrackingButtonTag_);
    }
    NSControl::mouseEntered(event);
}

void SRRecorderControl::mouseExited(NSEvent& event)
{
    if (isEnabled()) {
        auto area = event.trackingArea();
        if ((mouseTrackingButtonTag_ == SRRecorderControlButtonTagMain && area == mainButtonTrackingArea_) ||
            (mouseTrackingButtonTag_ == SRRecorderControlButtonTagCancel && area == cancelButtonTrackingArea_) ||
            (mouseTrackingButtonTag_ == SRRecorderControlButtonTagClear && area == clearButtonTrackingArea_))
            redisplayButton(mouseTrackingButtonTag_);
    }
    NSControl::mouseExited(event);
}

void SRRecorderControl::addButtonArea(NSRect rect, std::shared_ptr<NSTrackingArea>& area, NSToolTipTag& toolTipTag)
{
    area = std::make_shared<NSTrackingArea>(rect, kButtonTrackingOptions, shared_from_this());
    addTrackingArea(area);
    toolTipTag = addToolTipRect(area->rect(), shared_from_this(), nullptr);
}

void SRRecorderControl::updateTrackingAreas()
{
    // The buttons' places come from the style's guides, which the layout
    // moves as recording begins and ends: the areas follow the laid-out
    // guides, not the ones of the state before.
    if (window())
        layoutSubtreeIfNeeded();
    if (mainButtonTrackingArea_)
        removeTrackingArea(mainButtonTrackingArea_);
    mainButtonTrackingArea_ = std::make_shared<NSTrackingArea>(bounds(), kButtonTrackingOptions, shared_from_this());
    addTrackingArea(mainButtonTrackingArea_);

    constexpr NSToolTipTag none = std::numeric_limits<NSToolTipTag>::max();
    for (auto* area : {&cancelButtonTrackingArea_, &clearButtonTrackingArea_}) {
        if (*area)
            removeTrackingArea(*area);
        area->reset();
    }
    for (auto* tag : {&cancelButtonToolTipTag_, &clearButtonToolTipTag_}) {
        if (*tag != none)
            removeToolTip(*tag);
        *tag = none;
    }

    if (isRecording_) {
        if (NSRect cancel = cancelButtonRect(); !isEmptyRect(cancel))
            addButtonArea(cancel, cancelButtonTrackingArea_, cancelButtonToolTipTag_);
        if (NSRect clear = clearButtonRect(); objectValue_ && !isEmptyRect(clear))
            addButtonArea(clear, clearButtonTrackingArea_, clearButtonToolTipTag_);
    }
    NSControl::updateTrackingAreas();
}

// MARK: - Focus

bool SRRecorderControl::acceptsFirstMouse(NSEvent*)
{
    return true;
}

bool SRRecorderControl::acceptsFirstResponder()
{
    return isEnabled() && !refusesFirstResponder();
}

bool SRRecorderControl::resignFirstResponder()
{
    endRecording();
    mouseTrackingButtonTag_ = SRRecorderControlButtonTagNone;
    return NSControl::resignFirstResponder();
}

bool SRRecorderControl::canBecomeKeyView() const
{
    return NSControl::canBecomeKeyView() && NSApplication::sharedApplication()->isFullKeyboardAccessEnabled();
}

bool SRRecorderControl::needsPanelToBecomeKey() const
{
    return true;
}

void SRRecorderControl::prepareForReuse()
{
    endRecording();
    NSControl::prepareForReuse();
}

// MARK: - Editing

void SRRecorderControl::discardEditing()
{
    endRecording();
}

bool SRRecorderControl::commitEditing()
{
    discardEditing();
    return true;
}

bool SRRecorderControl::commitEditingAndReturnError(std::shared_ptr<NSError>*)
{
    return commitEditing();
}

bool SRRecorderControl::abortEditing()
{
    endRecording();
    return false;
}

void SRRecorderControl::commitEditingWithDelegate(const Id& delegate, Selector didCommitSelector, void* contextInfo)
{
    bool committed = commitEditing();
    NSObject* receiver = delegate.objectPointer();
    if (!receiver || !didCommitSelector)
        return;
    // The arguments are held until the call is made.
    auto arguments =
        std::vector<Id>{Id(shared_from_this()), Id::boolean(committed),
                        Id::number(static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(contextInfo)))};
    std::shared_ptr<NSObject> held = receiver->shared_from_this();
    NSRunLoop::mainRunLoop().performAfterDelay(0, [held, didCommitSelector, arguments] {
        if (held->respondsToSelector(didCommitSelector))
            held->performSelector(didCommitSelector, arguments);
    });
}
