#include "shortcut-library/SRRecorderControl.h"

#include "SRActivity.h"
#include "appkit/NSAccessibilityNotifications.h"
#include "appkit/NSApplication.h"
#include "appkit/NSAttributedString.h"
#include "appkit/NSColor.h"
#include "appkit/NSWindow.h"
#include "appkit/NSWorkspace.h"
#include "foundation/NSException.h"
#include "foundation/NSInvocation.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSLog.h"
#include "foundation/NSNotificationCenter.h"
#include "foundation/NSRunLoop.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/NSUserDefaultsController.h"
#include "foundation/NSValueTransformer.h"
#include "shortcut-library/SRCommon.h"
#include "shortcut-library/SRGlobalShortcutMonitor.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "shortcut-library/SRModifierFlagsTransformer.h"

namespace {

const char* const kCompatibilityModeWarning = "WARNING: Recorder compatibility mode enabled. Getters of objectValue "
                                              "and NSValueBinding will return an instance of NSDictionary.";

}  // namespace

bool SRRecorderControlDelegate::shortcutRecorderCanRecordShortcut(SRRecorderControl& control,
                                                                  const Dictionary& shortcut)
{
    return controlIsValidObject(control, Id(SRShortcut::shortcutWithDictionary(shortcut)));
}

// MARK: - Creation

SRRecorderControl::SRRecorderControl(NSRect frame)
    : NSControl(frame)
{
    setEnabled(true);
    notifyStyle_ = NSInvocation::invocationWithSelector("recorderControlAppearanceDidChange:");
    notifyStyle_->retainArguments();
    setTranslatesAutoresizingMaskIntoConstraints(false);
    setContentHuggingPriority(251, NSLayoutConstraintOrientationHorizontal);
    setContentHuggingPriority(750, NSLayoutConstraintOrientationVertical);
    setContentCompressionResistancePriority(750, NSLayoutConstraintOrientationHorizontal);
    setContentCompressionResistancePriority(750, NSLayoutConstraintOrientationVertical);
}

SRRecorderControl::~SRRecorderControl()
{
    NSNotificationCenter::defaultCenter().removeObserver(*this);
    NSWorkspace::sharedWorkspace().notificationCenter().removeObserver(*this);
    // A control released while it records gives back the pause it took.
    if (didPauseGlobalShortcutMonitor_) {
        didPauseGlobalShortcutMonitor_ = false;
        SRGlobalShortcutMonitor::sharedMonitor()->resume();
    }
    cancelPreviousPerformRequestsWithTarget(*notifyStyle_);
    if (style_)
        stopObservingStyle(*style_);
}

// MARK: - Flag rules and settings

void SRRecorderControl::setAllowedModifierFlags(NSEventModifierFlags allowed, NSEventModifierFlags required,
                                                bool allowsEmptyModifierFlags)
{
    allowed &= SRCocoaModifierFlagsMask;
    required &= SRCocoaModifierFlagsMask;
    if ((allowed & required) != required)
        NSException::raise(NSInvalidArgumentException, "Required flags (%lu) MUST be allowed (%lu)",
                           static_cast<unsigned long>(required), static_cast<unsigned long>(allowed));
    if (allowsEmptyModifierFlags && required != 0)
        NSException::raise(NSInvalidArgumentException,
                           "Empty modifier flags MUST be disallowed if required modifier flags are not empty.");
    if (allowed == allowedModifierFlags_ && required == requiredModifierFlags_ &&
        allowsEmptyModifierFlags == allowsEmptyModifierFlags_)
        return;
    endRecording();
    willChangeValueForKey("allowedModifierFlags");
    willChangeValueForKey("requiredModifierFlags");
    willChangeValueForKey("allowsEmptyModifierFlags");
    allowedModifierFlags_ = allowed;
    requiredModifierFlags_ = required;
    allowsEmptyModifierFlags_ = allowsEmptyModifierFlags;
    didChangeValueForKey("allowedModifierFlags");
    didChangeValueForKey("requiredModifierFlags");
    didChangeValueForKey("allowsEmptyModifierFlags");
}

// The plain settings only store: the new value counts from its next use.
void SRRecorderControl::setDrawsASCIIEquivalentOfShortcut(bool draws)
{
    automaticChange("drawsASCIIEquivalentOfShortcut", [&] { drawsASCIIEquivalentOfShortcut_ = draws; });
}

void SRRecorderControl::setAllowsEscapeToCancelRecording(bool allows)
{
    automaticChange("allowsEscapeToCancelRecording", [&] { allowsEscapeToCancelRecording_ = allows; });
}

void SRRecorderControl::setAllowsDeleteToClearShortcutAndEndRecording(bool allows)
{
    automaticChange("allowsDeleteToClearShortcutAndEndRecording",
                    [&] { allowsDeleteToClearShortcutAndEndRecording_ = allows; });
}

void SRRecorderControl::setPausesGlobalShortcutMonitorWhileRecording(bool pauses)
{
    automaticChange("pausesGlobalShortcutMonitorWhileRecording",
                    [&] { pausesGlobalShortcutMonitorWhileRecording_ = pauses; });
}

void SRRecorderControl::setStringValueRespectsUserInterfaceLayoutDirection(bool respects)
{
    automaticChange("stringValueRespectsUserInterfaceLayoutDirection",
                    [&] { stringValueRespectsUserInterfaceLayoutDirection_ = respects; });
}

void SRRecorderControl::setAllowsModifierFlagsOnlyShortcut(bool allows)
{
    automaticChange("allowsModifierFlagsOnlyShortcut", [&] { allowsModifierFlagsOnlyShortcut_ = allows; });
}

// MARK: - Value

Id SRRecorderControl::objectValue() const
{
    if (!objectValue_)
        return Id();
    if (isCompatibilityModeEnabled_)
        return Id(objectValue_->dictionaryRepresentation());
    return Id(objectValue_);
}

void SRRecorderControl::setObjectValue(const std::shared_ptr<SRShortcut>& shortcut)
{
    setObjectValue(Id(shortcut));
}

void SRRecorderControl::setObjectValue(const Id& value)
{
    // An equal value is no change: nothing is announced or written back.
    if (value.isNilOrNull() && !objectValue_)
        return;
    if (objectValue_) {
        if (auto shortcut = value.object<SRShortcut>(); shortcut && shortcut->isEqualToShortcut(objectValue_.get()))
            return;
        if (const Dictionary* dictionary = value.dictionary();
            dictionary && objectValue_->isEqualToDictionary(*dictionary))
            return;
    }

    willChangeValueForKey("objectValue");
    std::shared_ptr<SRShortcut> stored;
    if (const Dictionary* dictionary = value.dictionary()) {
        if (!objectValue_ && !isCompatibilityModeEnabled_) {
            NSLog("%s", kCompatibilityModeWarning);
            isCompatibilityModeEnabled_ = true;
        }
        stored = SRShortcut::shortcutWithDictionary(*dictionary);
    } else if (auto shortcut = value.object<SRShortcut>()) {
        stored = shortcut->copy();
    }
    objectValue_ = std::move(stored);
    didChangeValueForKey("objectValue");

    if (isCompatibilityModeEnabled_)
        propagateValue(objectValue_ ? Id(objectValue_->dictionaryRepresentation()) : Id(), NSValueBinding);
    else
        propagateValue(Id(objectValue_), NSValueBinding);

    // While recording, the end of recording tells and redraws instead.
    if (!isRecording_) {
        auto self = shared_from_this();
        NSAccessibilityPostNotification(self, NSAccessibilityTitleChangedNotification);
        NSAccessibilityPostNotification(self, NSAccessibilityValueChangedNotification);
        noteLabelChanged();
    }
}

Id SRRecorderControl::dictionaryValue() const
{
    return objectValue_ ? Id(objectValue_->dictionaryRepresentation()) : Id();
}

void SRRecorderControl::setDictionaryValue(const Dictionary& dictionary)
{
    setObjectValue(Id(SRShortcut::shortcutWithDictionary(dictionary)));
}

void SRRecorderControl::setValue(const Id& value)
{
    if (NSIsControllerMarker(value))
        NSException::raise(NSInternalInconsistencyException,
                           "SRRecorderControl's NSValueBinding does not support controller value markers.");
    setObjectValue(value);
}

String SRRecorderControl::stringValue() const
{
    if (!objectValue_)
        return SRLocalizedText(String());
    NSUserInterfaceLayoutDirection direction = stringValueRespectsUserInterfaceLayoutDirection_
                                                   ? userInterfaceLayoutDirection()
                                                   : NSUserInterfaceLayoutDirectionLeftToRight;
    Id flags = Id::number(static_cast<unsigned long long>(objectValue_->modifierFlags()));
    Id modifiers = SRSymbolicModifierFlagsTransformer::sharedTransformer().transformedValue(flags, direction);
    const SRKeyCodeTransformer& transformer =
        drawsASCIIEquivalentOfShortcut_
            ? static_cast<const SRKeyCodeTransformer&>(SRASCIILiteralKeyCodeTransformer::sharedTransformer())
            : static_cast<const SRKeyCodeTransformer&>(SRLiteralKeyCodeTransformer::sharedTransformer());
    Id key = transformer.transformedValue(Id::number(static_cast<unsigned>(objectValue_->keyCode())), Id(), flags,
                                          direction);
    String modifierText = modifiers.string() ? *modifiers.string() : String();
    String keyText = key.string() ? *key.string() : String::format("<%hu>", objectValue_->keyCode());
    if (direction == NSUserInterfaceLayoutDirectionRightToLeft)
        return String::format("%s%s", keyText.utf8().c_str(), modifierText.utf8().c_str());
    return String::format("%s%s", modifierText.utf8().c_str(), keyText.utf8().c_str());
}

void SRRecorderControl::setStringValue(const String& keyEquivalent)
{
    setObjectValue(Id(SRShortcut::shortcutWithKeyEquivalent(keyEquivalent)));
}

std::shared_ptr<NSAttributedString> SRRecorderControl::attributedStringValue() const
{
    return std::make_shared<NSAttributedString>(stringValue());
}

void SRRecorderControl::setAttributedStringValue(const NSAttributedString& value)
{
    setStringValue(value.string());
}

void SRRecorderControl::prepareForInterfaceBuilder()
{
    setObjectValue(SRShortcut::shortcutWithCode(0, SRCocoaModifierFlagsMask, String(), String("a")));
}

// MARK: - Binding

std::vector<String> SRRecorderControl::exposedBindings()
{
    return {NSValueBinding};
}

const ClassDescriptor* SRRecorderControl::valueClassForBinding(const String& binding) const
{
    if (binding == NSValueBinding)
        return &SRShortcut::descriptor();
    return nullptr;
}

Array SRRecorderControl::optionDescriptionsForBinding(const String& binding) const
{
    if (binding != NSValueBinding)
        return Array();
    Array descriptions;
    for (const String& name : {NSValueTransformerBindingOption, NSValueTransformerNameBindingOption})
        descriptions.add(Id(Dictionary{{String("name"), Id(name)},
                                       {String("attributeType"), Id::number(700)},
                                       {String("defaultValue"), Id(String())}}));
    return descriptions;
}

void SRRecorderControl::propagateValue(const Id& value, const String& binding)
{
    if (binding.empty()) {
        NSAssertParameterFailure(__func__, __FILE__, __LINE__, "aBinding != nil");
        return;
    }
    Id info = infoForBinding(binding);
    const Dictionary* bindingInfo = info.dictionary();
    if (!bindingInfo)
        return;
    Id observed = bindingInfo->objectForKey(NSObservedObjectKey);
    if (observed.isNilOrNull())
        NSException::raise(NSInternalInconsistencyException, "NSObservedObjectKey MUST NOT be nil for binding \"%s\"",
                           binding.utf8().c_str());
    Id keyPath = bindingInfo->objectForKey(NSObservedKeyPathKey);
    if (keyPath.isNilOrNull() || !keyPath.string())
        NSException::raise(NSInternalInconsistencyException, "NSObservedKeyPathKey MUST NOT be nil for binding \"%s\"",
                           binding.utf8().c_str());

    Id written = value;
    Id optionsValue = bindingInfo->objectForKey(NSOptionsKey);
    if (const Dictionary* options = optionsValue.dictionary()) {
        if (auto transformer = valueTransformerForBindingOptions(*options)) {
            if (transformer->allowsReverseTransformation())
                written = transformer->reverseTransformedValue(written);
            else
                NSLog("WARNING: binding \"%s\" has value transformer, but it doesn't allow reverse transformations "
                      "in %s",
                      binding.utf8().c_str(), "-[SRRecorderControl propagateValue:forBinding:]");
        }
    }

    // The user defaults store property-list values only: a shortcut can go
    // there as its dictionary, and does from now on.
    NSObject* object = observed.objectPointer();
    if (!isCompatibilityModeEnabled_ && object &&
        (object->isKindOf<NSUserDefaults>() || object->isKindOf<NSUserDefaultsController>())) {
        if (auto shortcut = written.object<SRShortcut>()) {
            Log::error("#Error The control is bound to NSUserDefaults but is not transformed into an allowed "
                       "CFPreferences value");
            NSLog("%s", kCompatibilityModeWarning);
            isCompatibilityModeEnabled_ = true;
            written = Id(shortcut->dictionaryRepresentation());
        }
    }
    // Written as it is: the transformation is done, and the binding does
    // not echo the write back into the control.
    writeBindingValue(*this, binding, written);
}

// MARK: - Key-value observing

bool SRRecorderControl::automaticallyNotifiesObserversForKey(const String& key) const
{
    static const String manual[] = {
        "value",       "objectValue",          "stringValue",           "attributedStringValue",
        "isRecording", "allowedModifierFlags", "requiredModifierFlags", "allowsEmptyModifierFlags"};
    for (const String& name : manual)
        if (key == name)
            return false;
    return NSControl::automaticallyNotifiesObserversForKey(key);
}

std::vector<String> SRRecorderControl::keyPathsForValuesAffectingValueForKey(const String& key) const
{
    if (key == String("dictionaryValue") || key == String("value"))
        return {"objectValue"};
    if (key == String("stringValue"))
        return {"objectValue", "userInterfaceLayoutDirection", "stringValueRespectsUserInterfaceLayoutDirection"};
    if (key == String("attributedStringValue"))
        return {"stringValue"};
    if (key == String("userInterfaceLayoutDirection"))
        return {"style"};
    return NSControl::keyPathsForValuesAffectingValueForKey(key);
}

// MARK: - Window and system notifications

void SRRecorderControl::viewWillMoveToWindow(const std::shared_ptr<NSWindow>& window)
{
    if (observedWindow_.lock() != window || !windowObserved_) {
        if (windowObserved_)
            stopObservingWindow(observedWindow_.lock());
        if (window)
            observeWindow(window);
    }
    NSControl::viewWillMoveToWindow(window);
}

void SRRecorderControl::stopObservingWindow(const std::shared_ptr<NSWindow>& window)
{
    auto& center = NSNotificationCenter::defaultCenter();
    if (window)
        center.removeObserver(*this, NSWindowDidResignKeyNotification, Id(window));
    center.removeObserver(*this, NSControlTintDidChangeNotification, Id());
    NSWorkspace::sharedWorkspace().notificationCenter().removeObserver(
        *this, NSWorkspaceAccessibilityDisplayOptionsDidChangeNotification, Id());
    observedWindow_.reset();
    windowObserved_ = false;
}

void SRRecorderControl::observeWindow(const std::shared_ptr<NSWindow>& window)
{
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(*this, Selector("endRecording"), NSWindowDidResignKeyNotification, Id(window));
    // The desktop posts the tint change without an object.
    center.addObserver(*this, Selector("controlTintDidChange:"), NSControlTintDidChangeNotification, Id());
    NSWorkspace::sharedWorkspace().notificationCenter().addObserver(
        *this, Selector("accessibilityDisplayOptionsDidChange:"),
        NSWorkspaceAccessibilityDisplayOptionsDidChangeNotification, Id());
    observedWindow_ = window;
    windowObserved_ = true;
}

// MARK: - Run-time description

void SRRecorderControl::describe(ClassDescriptor& d)
{
    using Self = SRRecorderControl;
    // The value as bindings and key-value coding see it.
    for (const char* key : {"objectValue", "value"})
        d.property<Self>(
            key, [](Self& c) { return c.objectValue(); }, [](Self& c, const Id& value) { c.setValue(value); });
    d.property<Self>(
        "dictionaryValue", [](Self& c) { return c.dictionaryValue(); },
        [](Self& c, const Id& value) {
            if (const Dictionary* dictionary = value.dictionary())
                c.setDictionaryValue(*dictionary);
            else
                c.setObjectValue(Id());
        });
    d.property<Self>(
        "stringValue", [](Self& c) { return Id(c.stringValue()); },
        [](Self& c, const Id& value) { c.setStringValue(value.string() ? *value.string() : String()); });
    d.property<Self>("attributedStringValue", [](Self& c) { return Id(c.attributedStringValue()); });
    d.property<Self>("isRecording", [](Self& c) { return Id::boolean(c.isRecording()); });
    // The attached style as it is; reading it attaches nothing.
    d.property<Self>("style", [](Self& c) { return Id(c.style_); });
    d.property<Self>("allowedModifierFlags",
                     [](Self& c) { return Id::number(static_cast<unsigned long long>(c.allowedModifierFlags())); });
    d.property<Self>("requiredModifierFlags",
                     [](Self& c) { return Id::number(static_cast<unsigned long long>(c.requiredModifierFlags())); });
    d.property<Self>("allowsEmptyModifierFlags", [](Self& c) { return Id::boolean(c.allowsEmptyModifierFlags()); });

    struct Flag {
        const char* key;
        bool (Self::*get)() const;
        void (Self::*set)(bool);
    };
    static const Flag flags[] = {
        {"drawsASCIIEquivalentOfShortcut", &Self::drawsASCIIEquivalentOfShortcut,
         &Self::setDrawsASCIIEquivalentOfShortcut},
        {"allowsEscapeToCancelRecording", &Self::allowsEscapeToCancelRecording,
         &Self::setAllowsEscapeToCancelRecording},
        {"allowsDeleteToClearShortcutAndEndRecording", &Self::allowsDeleteToClearShortcutAndEndRecording,
         &Self::setAllowsDeleteToClearShortcutAndEndRecording},
        {"pausesGlobalShortcutMonitorWhileRecording", &Self::pausesGlobalShortcutMonitorWhileRecording,
         &Self::setPausesGlobalShortcutMonitorWhileRecording},
        {"stringValueRespectsUserInterfaceLayoutDirection", &Self::stringValueRespectsUserInterfaceLayoutDirection,
         &Self::setStringValueRespectsUserInterfaceLayoutDirection},
        {"allowsModifierFlagsOnlyShortcut", &Self::allowsModifierFlagsOnlyShortcut,
         &Self::setAllowsModifierFlagsOnlyShortcut},
    };
    for (const Flag& flag : flags) {
        auto get = flag.get;
        auto set = flag.set;
        d.property<Self>(
            flag.key, [get](Self& c) { return Id::boolean((c.*get)()); },
            [set](Self& c, const Id& value) { (c.*set)(value.boolValue()); });
    }

    // Reached through notifications and target and action.
    d.method<Self>("endRecording", ReturnKind::Void, [](Self& c, std::span<const Id>) {
        c.endRecording();
        return Id();
    });
    d.method<Self>("beginRecording", ReturnKind::Boolean,
                   [](Self& c, std::span<const Id>) { return Id::boolean(c.beginRecording()); });
    d.method<Self>("clearAndEndRecording", ReturnKind::Void, [](Self& c, std::span<const Id>) {
        c.clearAndEndRecording();
        return Id();
    });
    d.method<Self>("controlTintDidChange:", ReturnKind::Void, [](Self& c, std::span<const Id> arguments) {
        c.controlTintDidChange(arguments.empty() ? Id() : arguments[0]);
        return Id();
    });
    d.method<Self>("accessibilityDisplayOptionsDidChange:", ReturnKind::Void,
                   [](Self& c, std::span<const Id> arguments) {
                       c.accessibilityDisplayOptionsDidChange(arguments.empty() ? Id() : arguments[0]);
                       return Id();
                   });
}
