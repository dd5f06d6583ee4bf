#include "foundation/NSDistributedNotificationCenter.h"

#include "bus/Session.h"
#include "foundation/NSRunLoop.h"

#include <algorithm>

NSDistributedNotificationCenter& NSDistributedNotificationCenter::defaultCenter()
{
    static auto* center =
        new std::shared_ptr<NSDistributedNotificationCenter>(std::make_shared<NSDistributedNotificationCenter>());
    return **center;
}

void NSDistributedNotificationCenter::addObserver(NSObject& observer, Selector selector,
                                                  const std::optional<String>& name, const Id& object,
                                                  NSNotificationSuspensionBehavior suspensionBehavior)
{
    auto registration = targetRegistration(observer, selector, name, object);
    registration->suspensionBehavior = suspensionBehavior;
    add(std::move(registration));
}

void NSDistributedNotificationCenter::postNotificationName(const String& name, const Id& object, const Id& userInfo,
                                                           bool deliverImmediately)
{
    dispatch(NSNotification::notificationWithName(name, object, userInfo), deliverImmediately);
}

bool NSDistributedNotificationCenter::suspended() const
{
    std::lock_guard lock(mutex_);
    return suspended_;
}

void NSDistributedNotificationCenter::setSuspended(bool suspended)
{
    std::vector<Held> released;
    {
        std::lock_guard lock(mutex_);
        if (suspended_ == suspended)
            return;
        suspended_ = suspended;
        if (!suspended)
            released.swap(held_);
    }
    for (auto& held : released)
        deliverLater(held.registration, held.notification);
}

void NSDistributedNotificationCenter::setPostHook(PostHook hook)
{
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

void NSDistributedNotificationCenter::deliverLater(const std::shared_ptr<Registration>& registration,
                                                   const std::shared_ptr<NSNotification>& notification)
{
    std::weak_ptr<NSDistributedNotificationCenter> center =
        std::static_pointer_cast<NSDistributedNotificationCenter>(shared_from_this());
    registration->runLoop->performBlock([center, registration, notification] {
        if (auto self = center.lock())
            self->invoke(*registration, notification);
    });
}

void NSDistributedNotificationCenter::dispatch(const std::shared_ptr<NSNotification>& notification,
                                               bool deliverImmediately)
{
    PostHook hook;
    {
        std::lock_guard lock(mutex_);
        hook = hook_;
    }
    if (hook)
        hook(*notification);
    deliverToObservers(notification, deliverImmediately);
    if (this == &defaultCenter())
        bus::publishNotification(*notification, deliverImmediately);
}

void NSDistributedNotificationCenter::deliverNotificationFromAnotherProcess(
    const std::shared_ptr<NSNotification>& notification, bool deliverImmediately)
{
    if (!notification)
        return;
    {
        std::lock_guard lock(mutex_);
        if (holdingIncoming_) {
            incoming_.emplace_back(notification, deliverImmediately);
            return;
        }
    }
    deliverToObservers(notification, deliverImmediately);
}

void NSDistributedNotificationCenter::holdPostsFromOtherProcesses()
{
    std::lock_guard lock(mutex_);
    holdingIncoming_ = true;
}

void NSDistributedNotificationCenter::releasePostsFromOtherProcesses()
{
    std::vector<std::pair<std::shared_ptr<NSNotification>, bool>> released;
    {
        std::lock_guard lock(mutex_);
        holdingIncoming_ = false;
        released.swap(incoming_);
    }
    for (const auto& [notification, deliverImmediately] : released)
        deliverToObservers(notification, deliverImmediately);
}

void NSDistributedNotificationCenter::deliverToObservers(const std::shared_ptr<NSNotification>& notification,
                                                         bool deliverImmediately)
{
    for (const auto& registration : matching(*notification)) {
        unsigned behaviour = registration->suspensionBehavior;
        if (behaviour == 0)
            behaviour = NSNotificationSuspensionBehaviorCoalesce;
        {
            std::lock_guard lock(mutex_);
            if (suspended_ && !deliverImmediately && behaviour != NSNotificationSuspensionBehaviorDeliverImmediately) {
                if (behaviour == NSNotificationSuspensionBehaviorDrop)
                    continue;
                if (behaviour == NSNotificationSuspensionBehaviorCoalesce) {
                    std::erase_if(held_, [&](const Held& held) {
                        return held.registration == registration && held.notification->name() == notification->name() &&
                               held.notification->object() == notification->object();
                    });
                }
                held_.push_back({registration, notification});
                continue;
            }
        }
        deliverLater(registration, notification);
    }
}
