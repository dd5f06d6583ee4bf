#include "shortcut-library/SRShortcutAction.h"

#include "SRActivity.h"
#include "SRKeyPaths.h"
#include "appkit/NSApplication.h"
#include "foundation/Log.h"
#include "foundation/NSController.h"
#include "foundation/NSException.h"
#include "foundation/NSKeyedUnarchiver.h"

#include <utility>

namespace {

namespace keys = detail::keys;

// Tells our observations of the observed object apart from anything a
// subclass observes.
char SRShortcutActionContext;

bool sameShortcut(const std::shared_ptr<SRShortcut>& a, const std::shared_ptr<SRShortcut>& b)
{
    if (a == b)
        return true;
    return a && b && a->isEqualToShortcut(b.get());
}

// An observed value as a shortcut. The value may come from the user's
// defaults, which anyone can write, so archived data is read back as a
// shortcut only, and a value of any other kind means "no shortcut" rather
// than something that would later be sent messages it can't answer.
std::shared_ptr<SRShortcut> shortcutFromObservedValue(const Id& value)
{
    if (const Dictionary* dictionary = value.dictionary())
        return SRShortcut::shortcutWithDictionary(*dictionary);
    if (const Data* data = value.data())
        return NSKeyedUnarchiver::unarchivedObjectOfClass<SRShortcut>(*data);
    return value.object<SRShortcut>();
}

}  // namespace

namespace detail {

// A handler as a value, so that key-value coding and the change
// notifications of "actionHandler" have something to hand around.
class SRShortcutActionHandlerBox final : public NSObject {
    KS_OBJECT(SRShortcutActionHandlerBox, NSObject)
public:
    explicit SRShortcutActionHandlerBox(SRShortcutAction::ActionHandler h)
        : handler(std::move(h))
    {
    }
    SRShortcutAction::ActionHandler handler;
};

}  // namespace detail

// MARK: - Factories

std::shared_ptr<SRShortcutAction>
SRShortcutAction::shortcutActionWithShortcut(const std::shared_ptr<SRShortcut>& shortcut,
                                             const std::shared_ptr<NSObject>& target, Selector action, NSInteger tag)
{
    LogActivity activity("+[SRShortcutAction shortcutActionWithShortcut:target:action:tag:]");
    auto result = std::make_shared<SRShortcutAction>();
    result->setShortcut(shortcut);
    result->setTarget(target);
    result->setAction(action);
    result->setTag(tag);
    return result;
}

std::shared_ptr<SRShortcutAction>
SRShortcutAction::shortcutActionWithShortcut(const std::shared_ptr<SRShortcut>& shortcut, ActionHandler actionHandler)
{
    LogActivity activity("+[SRShortcutAction shortcutActionWithShortcut:actionHandler:]");
    auto result = std::make_shared<SRShortcutAction>();
    result->setShortcut(shortcut);
    result->setActionHandler(std::move(actionHandler));
    return result;
}

std::shared_ptr<SRShortcutAction> SRShortcutAction::shortcutActionWithKeyPath(const String& keyPath,
                                                                              const std::shared_ptr<NSObject>& object,
                                                                              const std::shared_ptr<NSObject>& target,
                                                                              Selector action, NSInteger tag)
{
    LogActivity activity("+[SRShortcutAction shortcutActionWithKeyPath:ofObject:target:action:tag:]");
    auto result = std::make_shared<SRShortcutAction>();
    result->setObservedObject(object, keyPath);
    result->setTarget(target);
    result->setAction(action);
    result->setTag(tag);
    return result;
}

std::shared_ptr<SRShortcutAction> SRShortcutAction::shortcutActionWithKeyPath(const String& keyPath,
                                                                              const std::shared_ptr<NSObject>& object,
                                                                              ActionHandler actionHandler)
{
    LogActivity activity("+[SRShortcutAction shortcutActionWithKeyPath:ofObject:actionHandler:]");
    auto result = std::make_shared<SRShortcutAction>();
    result->setObservedObject(object, keyPath);
    result->setActionHandler(std::move(actionHandler));
    return result;
}

// MARK: - Life

SRShortcutAction::SRShortcutAction() = default;

SRShortcutAction::~SRShortcutAction()
{
    std::lock_guard lock(lock_);
    invalidateObserving();
}

void SRShortcutAction::invalidateObserving()
{
    std::shared_ptr<NSObject> object;
    NSObject* pointer = nullptr;
    String keyPath;
    {
        std::lock_guard fields(fieldsMutex_);
        object = observedObject_.lock();
        pointer = std::exchange(observedObjectPointer_, nullptr);
        keyPath = std::exchange(observedKeyPath_, String());
        observedObject_.reset();
    }
    // An object that is gone took its observations with it.
    if (object && object.get() == pointer)
        object->removeObserver(*this, keyPath, &SRShortcutActionContext);
}

// MARK: - Shortcut

std::shared_ptr<SRShortcut> SRShortcutAction::shortcut() const
{
    std::lock_guard fields(fieldsMutex_);
    return shortcut_;
}

void SRShortcutAction::setShortcut(const std::shared_ptr<SRShortcut>& shortcut)
{
    SR_METHOD_ACTIVITY("setShortcut:");
    std::lock_guard lock(lock_);
    willChangeValueForKey(keys::observedObject());
    willChangeValueForKey(keys::observedKeyPath());
    if (sameShortcut(shortcut, this->shortcut())) {
        invalidateObserving();
    } else {
        willChangeValueForKey(keys::shortcut());
        invalidateObserving();
        {
            std::lock_guard fields(fieldsMutex_);
            shortcut_ = shortcut;
        }
        didChangeValueForKey(keys::shortcut());
    }
    didChangeValueForKey(keys::observedKeyPath());
    didChangeValueForKey(keys::observedObject());
}

void SRShortcutAction::setObservedObject(const std::shared_ptr<NSObject>& object, const String& keyPath)
{
    SR_METHOD_ACTIVITY("setObservedObject:withKeyPath:");
    std::lock_guard lock(lock_);
    {
        std::lock_guard fields(fieldsMutex_);
        if (object.get() == observedObjectPointer_ && observedObject_.lock() == object && keyPath == observedKeyPath_)
            return;
    }
    willChangeValueForKey(keys::observedObject());
    willChangeValueForKey(keys::observedKeyPath());
    invalidateObserving();
    {
        std::lock_guard fields(fieldsMutex_);
        observedObject_ = object;
        observedObjectPointer_ = object.get();
        observedKeyPath_ = keyPath;
    }
    // The initial value arrives right here, so the shortcut is current
    // before this returns.
    if (object)
        object->addObserver(*this, keyPath, NSKeyValueObservingOptionNew | NSKeyValueObservingOptionInitial,
                            &SRShortcutActionContext);
    didChangeValueForKey(keys::observedKeyPath());
    didChangeValueForKey(keys::observedObject());
}

std::shared_ptr<NSObject> SRShortcutAction::observedObject() const
{
    std::lock_guard fields(fieldsMutex_);
    return observedObject_.lock();
}

String SRShortcutAction::observedKeyPath() const
{
    std::lock_guard fields(fieldsMutex_);
    return observedKeyPath_;
}

void SRShortcutAction::observeValueForKeyPath(const String& keyPath, NSObject* object, const KeyValueChange& change,
                                              void* context)
{
    SR_METHOD_ACTIVITY("observeValueForKeyPath:ofObject:change:context:");
    if (context != &SRShortcutActionContext) {
        NSObject::observeValueForKeyPath(keyPath, object, change, context);
        return;
    }

    Id value = change.newValue;
    // Controllers don't put the value into their change notifications.
    if (value.isNilOrNull() && object && object->isKindOf<NSController>())
        value = object->valueForKeyPath(keyPath);
    std::shared_ptr<SRShortcut> newShortcut = shortcutFromObservedValue(value);

    std::lock_guard lock(lock_);
    {
        // A change of an object we stopped observing may still be on its way
        // from another thread; it must not replace the current shortcut.
        std::lock_guard fields(fieldsMutex_);
        if (object != observedObjectPointer_ || keyPath != observedKeyPath_)
            return;
        if (sameShortcut(newShortcut, shortcut_))
            return;
    }
    willChangeValueForKey(keys::shortcut());
    {
        std::lock_guard fields(fieldsMutex_);
        shortcut_ = newShortcut;
    }
    didChangeValueForKey(keys::shortcut());
}

// MARK: - Handler and target

SRShortcutAction::ActionHandler SRShortcutAction::actionHandler() const
{
    std::lock_guard fields(fieldsMutex_);
    return actionHandler_;
}

void SRShortcutAction::setActionHandler(ActionHandler actionHandler)
{
    SR_METHOD_ACTIVITY("setActionHandler:");
    std::lock_guard lock(lock_);
    willChangeValueForKey(keys::actionHandler());
    bool clearTarget = false;
    {
        std::lock_guard fields(fieldsMutex_);
        actionHandler_ = std::move(actionHandler);
        clearTarget = actionHandler_ && !target_.expired();
    }
    if (clearTarget) {
        willChangeValueForKey(keys::target());
        {
            std::lock_guard fields(fieldsMutex_);
            target_.reset();
        }
        didChangeValueForKey(keys::target());
    }
    didChangeValueForKey(keys::actionHandler());
}

std::shared_ptr<NSObject> SRShortcutAction::target() const
{
    std::shared_ptr<NSObject> target;
    {
        std::lock_guard fields(fieldsMutex_);
        target = target_.lock();
    }
    if (target)
        return target;
    return NSApp();
}

void SRShortcutAction::setTarget(const std::shared_ptr<NSObject>& target)
{
    SR_METHOD_ACTIVITY("setTarget:");
    std::lock_guard lock(lock_);
    {
        std::lock_guard fields(fieldsMutex_);
        if (target_.lock() == target)
            return;
    }
    willChangeValueForKey(keys::target());
    bool clearHandler = false;
    {
        std::lock_guard fields(fieldsMutex_);
        target_ = target;
        clearHandler = target && actionHandler_;
    }
    if (clearHandler) {
        willChangeValueForKey(keys::actionHandler());
        {
            std::lock_guard fields(fieldsMutex_);
            actionHandler_ = nullptr;
        }
        didChangeValueForKey(keys::actionHandler());
    }
    didChangeValueForKey(keys::target());
}

// MARK: - Plain properties

void SRShortcutAction::setAction(Selector action)
{
    SR_METHOD_ACTIVITY("setAction:");
    automaticChange("action", [&] { action_.store(action, std::memory_order_relaxed); });
}

void SRShortcutAction::setTag(NSInteger tag)
{
    SR_METHOD_ACTIVITY("setTag:");
    automaticChange("tag", [&] { tag_.store(tag, std::memory_order_relaxed); });
}

String SRShortcutAction::identifier() const
{
    std::lock_guard fields(fieldsMutex_);
    return identifier_;
}

void SRShortcutAction::setIdentifier(const String& identifier)
{
    SR_METHOD_ACTIVITY("setIdentifier:");
    automaticChange("identifier", [&] {
        std::lock_guard fields(fieldsMutex_);
        identifier_ = identifier;
    });
}

void SRShortcutAction::setEnabled(bool enabled)
{
    SR_METHOD_ACTIVITY("setEnabled:");
    automaticChange(keys::enabled(), [&] { enabled_.store(enabled, std::memory_order_release); });
}

bool SRShortcutAction::automaticallyNotifiesObserversForKey(const String& key) const
{
    if (key == keys::shortcut() || key == keys::actionHandler() || key == keys::target())
        return false;
    return NSObject::automaticallyNotifiesObserversForKey(key);
}

// MARK: - Performing

bool SRShortcutAction::performActionOnTarget(const std::shared_ptr<NSObject>& target)
{
    SR_METHOD_ACTIVITY("performActionOnTarget:");

    if (!isEnabled()) {
        Log::debug("Not performed: disabled");
        return false;
    }

    if (ActionHandler handler = actionHandler()) {
        Log::debug("Using action handler");
        return handler(*this);
    }

    std::shared_ptr<NSObject> receiver = target ? target : this->target();
    if (!receiver) {
        Log::debug("Not performed: no associated target");
        return false;
    }

    static const Selector performShortcutActionSelector("performShortcutAction:");
    static const Selector validateSelector("validateUserInterfaceItem:");

    Selector selector = action();
    const Method* method = selector ? receiver->methodForSelector(selector) : nullptr;
    auto* adopter = dynamic_cast<SRShortcutActionTarget*>(receiver.get());
    bool usesProtocol = !method && (adopter || receiver->respondsToSelector(performShortcutActionSelector));
    if (!method && !usesProtocol) {
        Log::debug("Not performed: target cannot respond to action");
        return false;
    }

    auto self = std::static_pointer_cast<SRShortcutAction>(shared_from_this());
    if (const Method* validate = receiver->methodForSelector(validateSelector);
        validate && validate->arity == 1 && !receiver->performSelector(validateSelector, Id(self)).boolValue()) {
        Log::debug("Not performed: target ignored action");
        return false;
    }

    if (usesProtocol) {
        Log::debug("Using protocol");
        if (adopter)
            return adopter->performShortcutAction(*this);
        return receiver->performSelector(performShortcutActionSelector, Id(self)).boolValue();
    }

    Log::debug("Using action");
    Id result;
    Id sender(self);
    if (method->arity == 1)
        result = method->implementation(*receiver, std::span<const Id>(&sender, 1));
    else if (method->arity == 0)
        result = method->implementation(*receiver, {});
    else
        return false;
    // Only a Boolean answer says whether the shortcut was taken; any other
    // method counts as having handled it.
    return method->returnKind == ReturnKind::Boolean ? result.boolValue() : true;
}

// MARK: - Run-time description

void SRShortcutAction::describe(ClassDescriptor& d)
{
    d.method<SRShortcutAction>("performActionOnTarget:", ReturnKind::Boolean,
                               [](SRShortcutAction& self, std::span<const Id> arguments) {
                                   return Id::boolean(self.performActionOnTarget(arguments[0].objectReference()));
                               });
    d.property<SRShortcutAction>(
        "shortcut", [](SRShortcutAction& self) { return Id(self.shortcut()); },
        [](SRShortcutAction& self, const Id& value) { self.setShortcut(value.object<SRShortcut>()); });
    d.property<SRShortcutAction>(
        "actionHandler",
        [](SRShortcutAction& self) -> Id {
            auto handler = self.actionHandler();
            return handler ? Id(std::make_shared<detail::SRShortcutActionHandlerBox>(std::move(handler))) : Id();
        },
        [](SRShortcutAction& self, const Id& value) {
            auto box = value.object<detail::SRShortcutActionHandlerBox>();
            self.setActionHandler(box ? box->handler : nullptr);
        });
    d.property<SRShortcutAction>(
        "target", [](SRShortcutAction& self) { return Id(self.target()); },
        [](SRShortcutAction& self, const Id& value) { self.setTarget(value.objectReference()); });
    d.property<SRShortcutAction>(
        "enabled", [](SRShortcutAction& self) { return Id::boolean(self.isEnabled()); },
        [](SRShortcutAction& self, const Id& value) { self.setEnabled(value.boolValue()); });
    d.property<SRShortcutAction>(
        "tag", [](SRShortcutAction& self) { return Id::number(self.tag()); },
        [](SRShortcutAction& self, const Id& value) { self.setTag(value.numberValue<NSInteger>()); });
    d.property<SRShortcutAction>(
        "identifier",
        [](SRShortcutAction& self) -> Id {
            String identifier = self.identifier();
            return identifier.empty() ? Id() : Id(identifier);
        },
        [](SRShortcutAction& self, const Id& value) {
            self.setIdentifier(value.string() ? *value.string() : String());
        });
    d.property<SRShortcutAction>("action", [](SRShortcutAction& self) -> Id {
        Selector action = self.action();
        return action ? Id(String(action.name())) : Id();
    });
    d.property<SRShortcutAction>("observedObject", [](SRShortcutAction& self) { return Id(self.observedObject()); });
    d.property<SRShortcutAction>("observedKeyPath", [](SRShortcutAction& self) -> Id {
        String keyPath = self.observedKeyPath();
        return keyPath.empty() ? Id() : Id(keyPath);
    });
}

// MARK: - Key event kinds

SRKeyEventType SR_keyEventTypeForEventType(NSEventType eventType, unsigned short keyCode,
                                           NSEventModifierFlags modifierFlags)
{
    LogActivity activity("+[NSEvent SR_keyEventTypeForEventType:keyCode:modifierFlags:]");
    return detail::SRKeyEventTypeForEventType(eventType, keyCode, modifierFlags);
}

SRKeyEventType SR_keyEventType(const NSEvent& event)
{
    LogActivity activity("-[NSEvent SR_keyEventType]");
    return detail::SRKeyEventTypeForEventType(event.type(), event.keyCode(), event.modifierFlags());
}

SRKeyEventType detail::SRKeyEventTypeForEventType(NSEventType eventType, unsigned short keyCode,
                                                  NSEventModifierFlags modifierFlags)
{
    switch (eventType) {
    case NSEventTypeKeyDown:
        return SRKeyEventTypeDown;
    case NSEventTypeKeyUp:
        return SRKeyEventTypeUp;
    case NSEventTypeFlagsChanged: {
        // The key of a flags-changed event is the modifier key that moved;
        // whether its flag is now set tells pressing from releasing.
        NSEventModifierFlags flag = 0;
        switch (keyCode) {
        case 54:
        case 55:
            flag = NSEventModifierFlagCommand;
            break;
        case 58:
        case 61:
            flag = NSEventModifierFlagOption;
            break;
        case 56:
        case 60:
            flag = NSEventModifierFlagShift;
            break;
        case 59:
        case 62:
            flag = NSEventModifierFlagControl;
            break;
        default:
            Log::error("#Error Unexpected key code %hu for the FlagsChanged event", keyCode);
            return SRKeyEventTypeDown;
        }
        return (modifierFlags & flag) ? SRKeyEventTypeDown : SRKeyEventTypeUp;
    }
    default:
        NSException::raise(NSInternalInconsistencyException, "Expected a key event, got %lu",
                           static_cast<unsigned long>(eventType));
    }
}
