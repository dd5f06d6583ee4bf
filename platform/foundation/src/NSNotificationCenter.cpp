#include "foundation/NSNotificationCenter.h"

#include "foundation/NSRunLoop.h"

#include <algorithm>

namespace {

// What the block form of addObserver answers: something to remove later.
class NotificationObserverToken final : public NSObject {
    KS_OBJECT(NotificationObserverToken, NSObject)
};

bool sameObject(const Id& filter, const Id& object)
{
    if (filter.isObject() || object.isObject())
        return filter.isIdenticalTo(object);
    return filter == object;
}

bool matchesRemoval(const std::optional<String>& registered, const Id& registeredObject,
                    const std::optional<String>& name, const Id& object)
{
    if (name && registered != name)
        return false;
    return object.isNil() || sameObject(registeredObject, object);
}

}  // namespace

bool NSNotificationCenter::Registration::matches(const NSNotification& notification) const
{
    if (name && *name != notification.name())
        return false;
    return object.isNil() || sameObject(object, notification.object());
}

NSNotificationCenter::NSNotificationCenter() = default;

NSNotificationCenter::~NSNotificationCenter()
{
    for (auto& registration : registrations_)
        registration->alive = false;
}

NSNotificationCenter& NSNotificationCenter::defaultCenter()
{
    static auto* center = new std::shared_ptr<NSNotificationCenter>(std::make_shared<NSNotificationCenter>());
    return **center;
}

void NSNotificationCenter::add(std::shared_ptr<Registration> registration)
{
    registration->runLoop = std::static_pointer_cast<NSRunLoop>(NSRunLoop::currentRunLoop().shared_from_this());
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [](const auto& r) { return !r->alive.load(); });
    registrations_.push_back(std::move(registration));
}

std::shared_ptr<NSNotificationCenter::Registration>
NSNotificationCenter::targetRegistration(NSObject& observer, Selector selector, const std::optional<String>& name,
                                         const Id& object)
{
    auto registration = std::make_shared<Registration>();
    registration->key = &observer;
    registration->name = name;
    registration->object = object;
    registration->target = &observer;
    registration->targetReference = observer.weak_from_this();
    registration->targetIsShared = !registration->targetReference.expired();
    registration->selector = selector;
    return registration;
}

void NSNotificationCenter::addObserver(NSObject& observer, Selector selector, const std::optional<String>& name,
                                       const Id& object)
{
    add(targetRegistration(observer, selector, name, object));
}

std::shared_ptr<NSObject> NSNotificationCenter::addObserverForName(const std::optional<String>& name, const Id& object,
                                                                   Block block)
{
    auto token = std::make_shared<NotificationObserverToken>();
    auto registration = std::make_shared<Registration>();
    registration->key = token.get();
    registration->name = name;
    registration->object = object;
    registration->block = std::move(block);
    registration->token = token;
    add(std::move(registration));
    return token;
}

void NSNotificationCenter::addCallbackObserver(const void* observer, NotificationCallback callback,
                                               const std::optional<String>& name, const Id& object,
                                               unsigned suspensionBehavior)
{
    if (!callback)
        return;
    auto registration = std::make_shared<Registration>();
    registration->key = observer;
    registration->name = name;
    registration->object = object;
    registration->callback = callback;
    registration->suspensionBehavior = suspensionBehavior;
    add(std::move(registration));
}

void NSNotificationCenter::removeObserverPointer(const void* observer, const std::optional<String>& name,
                                                 const Id& object)
{
    // Released outside the lock: a block's captures may reach the centre.
    std::vector<std::shared_ptr<Registration>> removed;
    {
        std::lock_guard lock(mutex_);
        for (auto it = registrations_.begin(); it != registrations_.end();) {
            Registration& r = **it;
            if (r.key == observer && matchesRemoval(r.name, r.object, name, object)) {
                r.alive = false;
                removed.push_back(std::move(*it));
                it = registrations_.erase(it);
            } else {
                ++it;
            }
        }
    }
}

void NSNotificationCenter::removeObserver(const NSObject& observer)
{
    removeObserverPointer(&observer, std::nullopt, Id());
}

void NSNotificationCenter::removeObserver(const NSObject& observer, const std::optional<String>& name, const Id& object)
{
    removeObserverPointer(&observer, name, object);
}

std::vector<std::shared_ptr<NSNotificationCenter::Registration>>
NSNotificationCenter::matching(const NSNotification& notification)
{
    std::vector<std::shared_ptr<Registration>> result;
    std::lock_guard lock(mutex_);
    for (const auto& registration : registrations_) {
        if (registration->alive && registration->matches(notification))
            result.push_back(registration);
    }
    return result;
}

void NSNotificationCenter::invoke(Registration& registration, const std::shared_ptr<NSNotification>& notification)
{
    if (!registration.alive)
        return;
    if (registration.callback) {
        registration.callback(this, const_cast<void*>(registration.key), notification->name(), notification->object(),
                              notification->userInfo());
        return;
    }
    if (registration.block) {
        registration.block(*notification);
        return;
    }
    if (!registration.target)
        return;
    std::shared_ptr<NSObject> keepAlive;
    if (registration.targetIsShared) {
        keepAlive = registration.targetReference.lock();
        if (!keepAlive) {
            registration.alive = false;
            return;
        }
    }
    registration.target->performSelectorWithOptionalArgument(registration.selector, Id(notification));
}

void NSNotificationCenter::dispatch(const std::shared_ptr<NSNotification>& notification, bool)
{
    for (const auto& registration : matching(*notification))
        invoke(*registration, notification);
}

void NSNotificationCenter::postNotification(const std::shared_ptr<NSNotification>& notification)
{
    if (notification)
        dispatch(notification, false);
}

void NSNotificationCenter::postNotificationName(const String& name, const Id& object, const Id& userInfo)
{
    postNotification(NSNotification::notificationWithName(name, object, userInfo));
}
