#include "shortcut-library/SRShortcutController.h"

#include "SRActivity.h"
#include "SRKeyPaths.h"
#include "foundation/CFNotificationCenter.h"
#include "foundation/Log.h"
#include "foundation/NSException.h"
#include "foundation/NSKeyValueBinding.h"
#include "shortcut-library/SRGlobalShortcutMonitor.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "shortcut-library/SRKeyEquivalentTransformer.h"
#include "shortcut-library/SRModifierFlagsTransformer.h"
#include "textinput/TISInputSource.h"

#include <array>

namespace {

namespace keys = detail::keys;

const String& layoutChangedNotification()
{
    static const String* name = new String(kTISNotifySelectedKeyboardInputSourceChanged);
    return *name;
}

// The computed keys, in the order of the cached fields.
enum ComputedKey : std::size_t {
    KeyEquivalent,
    KeyEquivalentModifierMask,
    LiteralKeyCode,
    SymbolicKeyCode,
    LiteralASCIIKeyCode,
    SymbolicASCIIKeyCode,
    LiteralModifierFlags,
    SymbolicModifierFlags,
    ComputedKeyCount,
};

const std::array<String, ComputedKeyCount>& computedKeys()
{
    static const auto* keys = new std::array<String, ComputedKeyCount>{
        "keyEquivalent",       "keyEquivalentModifierMask", "literalKeyCode",       "symbolicKeyCode",
        "literalASCIIKeyCode", "symbolicASCIIKeyCode",      "literalModifierFlags", "symbolicModifierFlags",
    };
    return *keys;
}

const std::array<String, ComputedKeyCount>& computedKeyPaths()
{
    static const auto* paths = [] {
        auto* result = new std::array<String, ComputedKeyCount>();
        for (std::size_t i = 0; i < ComputedKeyCount; ++i)
            (*result)[i] = String("selection.").appending(computedKeys()[i]);
        return result;
    }();
    return *paths;
}

// The values that depend on the keyboard layout, announced when it changes;
// the modifier texts and the mask don't.
constexpr ComputedKey layoutDependentKeys[] = {
    KeyEquivalent, LiteralKeyCode, SymbolicKeyCode, LiteralASCIIKeyCode, SymbolicASCIIKeyCode,
};

void selectedKeyboardInputSourceChanged(NSNotificationCenter*, void* observer, const String&, const Id&, const Id&)
{
    static_cast<SRShortcutController*>(observer)->onSelectedKeyboardInputSourceObserverChange();
}

}  // namespace

// MARK: - Life

SRShortcutController::SRShortcutController()
    : SRShortcutController(Id())
{
}

SRShortcutController::SRShortcutController(Id content)
    : NSObjectController(std::move(content))
{
    // With content, the values come from the first selection change (the
    // content binding's initial value); without, nothing is selected.
    if (this->content().isNil())
        computedValues_.fill(NSNoSelectionMarker);
}

SRShortcutController::~SRShortcutController()
{
    removeSelectedKeyboardInputSourceObserverIfNeeded();
    // An action left in the shared monitor would keep its hot key registered
    // for a shortcut nobody answers any more (its target is gone, so presses
    // would go to the application object).
    if (shortcutAction_)
        SRGlobalShortcutMonitor::sharedMonitor()->removeAction(shortcutAction_);
}

// MARK: - Content

const ClassDescriptor* SRShortcutController::objectClass() const
{
    return &SRShortcut::descriptor();
}

Id SRShortcutController::newObject()
{
    SR_METHOD_ACTIVITY("newObject");
    NSException::raise(NSInternalInconsistencyException, "newObject is not implemented");
}

void SRShortcutController::addObject(const Id& object)
{
    SR_METHOD_ACTIVITY("addObject:");
    if (!object.isNil() && !object.object<SRShortcut>()) {
        Log::error("#Error %s takes a shortcut as content, not %s", className().utf8().c_str(),
                   object.description().utf8().c_str());
        return;
    }
    NSObjectController::addObject(object);
}

void SRShortcutController::removeObject(const Id& object)
{
    SR_METHOD_ACTIVITY("removeObject:");
    NSObjectController::removeObject(object);
}

// MARK: - Computed values

void SRShortcutController::updateComputedKeyPaths()
{
    SR_METHOD_ACTIVITY("updateComputedKeyPaths");
    static_assert(std::tuple_size_v<decltype(computedValues_)> == ComputedKeyCount);
    auto& fields = computedValues_;

    // Answered by the base class: the computed keys aren't involved.
    Id keyCode = NSObjectController::valueForKeyPath("selection.keyCode");
    if (NSIsControllerMarker(keyCode)) {
        fields.fill(keyCode);
        return;
    }
    Id modifierFlags = NSObjectController::valueForKeyPath("selection.modifierFlags");
    Id shortcut(SRShortcut::shortcutWithCode(keyCode.numberValue<SRKeyCode>(),
                                             modifierFlags.numberValue<NSEventModifierFlags>()));

    fields[KeyEquivalent] = SRKeyEquivalentTransformer::sharedTransformer().transformedValue(shortcut);
    fields[KeyEquivalentModifierMask] =
        SRKeyEquivalentModifierMaskTransformer::sharedTransformer().transformedValue(shortcut);
    fields[LiteralKeyCode] = SRLiteralKeyCodeTransformer::sharedTransformer().transformedValue(keyCode);
    fields[SymbolicKeyCode] = SRSymbolicKeyCodeTransformer::sharedTransformer().transformedValue(keyCode);
    fields[LiteralASCIIKeyCode] = SRASCIILiteralKeyCodeTransformer::sharedTransformer().transformedValue(keyCode);
    fields[SymbolicASCIIKeyCode] = SRASCIISymbolicKeyCodeTransformer::sharedTransformer().transformedValue(keyCode);
    fields[LiteralModifierFlags] =
        SRLiteralModifierFlagsTransformer::sharedTransformer().transformedValue(modifierFlags);
    fields[SymbolicModifierFlags] =
        SRSymbolicModifierFlagsTransformer::sharedTransformer().transformedValue(modifierFlags);
}

const Id* SRShortcutController::computedValueForKey(const String& key) const
{
    const auto& keys = computedKeys();
    for (std::size_t i = 0; i < ComputedKeyCount; ++i) {
        if (key == keys[i])
            return &computedValues_[i];
    }
    return nullptr;
}

Id SRShortcutController::valueForKeyPath(const String& keyPath)
{
    const auto& paths = computedKeyPaths();
    for (std::size_t i = 0; i < ComputedKeyCount; ++i) {
        if (keyPath == paths[i])
            return computedValues_[i];
    }
    return NSObjectController::valueForKeyPath(keyPath);
}

Id SRShortcutController::singleValueForKey(const String& key)
{
    // So that the selection proxy and the controller's own key paths agree.
    if (const Id* value = computedValueForKey(key))
        return *value;
    return NSObjectController::singleValueForKey(key);
}

void SRShortcutController::didChangeValueForKey(const String& key)
{
    // Recomputed before the base class tells the observers, so that they
    // read fresh values when they hear of the change.
    if (key == keys::selection()) {
        if (!content().isNil())
            addSelectedKeyboardInputSourceObserverIfNeeded();
        else
            removeSelectedKeyboardInputSourceObserverIfNeeded();
        updateComputedKeyPaths();
    }
    NSObjectController::didChangeValueForKey(key);
}

// MARK: - Keyboard layout

void SRShortcutController::addSelectedKeyboardInputSourceObserverIfNeeded()
{
    SR_METHOD_ACTIVITY("addSelectedKeyboardInputSourceObserverIfNeeded");
    if (isSelectedKeyboardInputSourceObserved_)
        return;
    CFNotificationCenterAddObserver(CFNotificationCenterGetDistributedCenter(), this,
                                    selectedKeyboardInputSourceChanged, layoutChangedNotification(), Id(),
                                    CFNotificationSuspensionBehaviorCoalesce);
    isSelectedKeyboardInputSourceObserved_ = true;
}

void SRShortcutController::removeSelectedKeyboardInputSourceObserverIfNeeded()
{
    SR_METHOD_ACTIVITY("removeSelectedKeyboardInputSourceObserverIfNeeded");
    if (!isSelectedKeyboardInputSourceObserved_)
        return;
    CFNotificationCenterRemoveObserver(CFNotificationCenterGetDistributedCenter(), this, layoutChangedNotification(),
                                       Id());
    isSelectedKeyboardInputSourceObserved_ = false;
}

void SRShortcutController::onSelectedKeyboardInputSourceObserverChange()
{
    SR_METHOD_ACTIVITY("onSelectedKeyboardInputSourceObserverChange");
    const auto& paths = computedKeyPaths();
    for (ComputedKey key : layoutDependentKeys)
        willChangeValueForKey(paths[key]);
    updateComputedKeyPaths();
    for (auto it = std::rbegin(layoutDependentKeys); it != std::rend(layoutDependentKeys); ++it)
        didChangeValueForKey(paths[*it]);
}

// MARK: - Shortcut action

std::shared_ptr<NSObject> SRShortcutController::shortcutActionTarget() const
{
    return shortcutAction_ ? shortcutAction_->target() : nullptr;
}

void SRShortcutController::setShortcutActionTarget(const std::shared_ptr<NSObject>& target)
{
    SR_METHOD_ACTIVITY("setShortcutActionTarget:");
    if (shortcutActionTarget() == target)
        return;

    willChangeValueForKey(keys::shortcutActionTarget());
    if (target && shortcutAction_) {
        shortcutAction_->setTarget(target);
    } else if (target) {
        willChangeValueForKey(keys::shortcutAction());
        auto self = std::static_pointer_cast<SRShortcutController>(shared_from_this());
        auto action = SRShortcutAction::shortcutActionWithKeyPath("content", self, target, Selector(), 0);
        action->setIdentifier(identifier_);
        shortcutAction_ = action;
        SRGlobalShortcutMonitor::sharedMonitor()->addAction(action, SRKeyEventTypeDown);
        didChangeValueForKey(keys::shortcutAction());
    } else if (shortcutAction_) {
        willChangeValueForKey(keys::shortcutAction());
        SRGlobalShortcutMonitor::sharedMonitor()->removeAction(shortcutAction_);
        shortcutAction_.reset();
        didChangeValueForKey(keys::shortcutAction());
    }
    didChangeValueForKey(keys::shortcutActionTarget());
}

void SRShortcutController::setIdentifier(const String& identifier)
{
    SR_METHOD_ACTIVITY("setIdentifier:");
    automaticChange("identifier", [&] { identifier_ = identifier; });
    if (shortcutAction_)
        shortcutAction_->setIdentifier(identifier);
}

bool SRShortcutController::automaticallyNotifiesObserversForKey(const String& key) const
{
    if (key == keys::shortcutActionTarget() || key == keys::shortcutAction())
        return false;
    return NSObjectController::automaticallyNotifiesObserversForKey(key);
}

// MARK: - Recorder control

void SRShortcutController::setRecorderControl(const std::shared_ptr<NSObject>& control)
{
    SR_METHOD_ACTIVITY("setRecorderControl:");
    automaticChange("recorderControl", [&] {
        if (auto previous = recorderControl_.lock())
            previous->unbind(NSValueBinding);
        recorderControl_ = control;
    });
    updateRecorderControlValueBinding();
}

void SRShortcutController::updateRecorderControlValueBinding()
{
    auto control = recorderControl_.lock();
    if (!control)
        return;
    Id info = infoForBinding(NSContentObjectBinding);
    const Dictionary* binding = info.dictionary();
    if (!binding)
        return;
    Id options = binding->objectForKey(NSOptionsKey);
    const Dictionary* contentOptions = options.dictionary();
    // Both keys are always passed, a missing one as the null marker, which
    // the binding reads as absent.
    auto option = [&](const String& name) {
        Id value = contentOptions ? contentOptions->objectForKey(name) : Id();
        return value.isNil() ? Id::null() : value;
    };
    Id keyPath = binding->objectForKey(NSObservedKeyPathKey);
    control->bind(NSValueBinding, binding->objectForKey(NSObservedObjectKey),
                  keyPath.string() ? *keyPath.string() : String(),
                  Dictionary{{NSValueTransformerBindingOption, option(NSValueTransformerBindingOption)},
                             {NSValueTransformerNameBindingOption, option(NSValueTransformerNameBindingOption)}});
}

void SRShortcutController::bind(const String& binding, const Id& observable, const String& keyPath,
                                const Dictionary& options)
{
    SR_METHOD_ACTIVITY("bind:toObject:withKeyPath:options:");
    NSObjectController::bind(binding, observable, keyPath, options);
    if (binding == NSContentObjectBinding)
        updateRecorderControlValueBinding();
}

// MARK: - Run-time description

void SRShortcutController::describe(ClassDescriptor& d)
{
    d.property<SRShortcutController>(
        "shortcutActionTarget", [](SRShortcutController& self) { return Id(self.shortcutActionTarget()); },
        [](SRShortcutController& self, const Id& value) { self.setShortcutActionTarget(value.objectReference()); });
    d.property<SRShortcutController>("shortcutAction",
                                     [](SRShortcutController& self) { return Id(self.shortcutAction()); });
    d.property<SRShortcutController>(
        "recorderControl", [](SRShortcutController& self) { return Id(self.recorderControl()); },
        [](SRShortcutController& self, const Id& value) { self.setRecorderControl(value.objectReference()); });
    d.property<SRShortcutController>(
        "identifier",
        [](SRShortcutController& self) -> Id { return self.identifier().empty() ? Id() : Id(self.identifier()); },
        [](SRShortcutController& self, const Id& value) {
            self.setIdentifier(value.string() ? *value.string() : String());
        });
}
