#include "foundation/CFNotificationCenter.h"

CFNotificationCenterRef CFNotificationCenterGetDistributedCenter()
{
    return &NSDistributedNotificationCenter::defaultCenter();
}

CFNotificationCenterRef CFNotificationCenterGetLocalCenter()
{
    return &NSNotificationCenter::defaultCenter();
}

void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer,
                                     CFNotificationCallback callBack, const std::optional<String>& name,
                                     const Id& object, CFNotificationSuspensionBehavior suspensionBehavior)
{
    if (center)
        center->addCallbackObserver(observer, callBack, name, object, static_cast<unsigned>(suspensionBehavior));
}

void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer,
                                        const std::optional<String>& name, const Id& object)
{
    if (center)
        center->removeObserverPointer(observer, name, object);
}

void CFNotificationCenterRemoveEveryObserver(CFNotificationCenterRef center, const void* observer)
{
    if (center)
        center->removeObserverPointer(observer, std::nullopt, Id());
}

void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const String& name, const Id& object,
                                          const Id& userInfo, bool deliverImmediately)
{
    if (!center)
        return;
    if (auto* distributed = dynamic_cast<NSDistributedNotificationCenter*>(center))
        distributed->postNotificationName(name, object, userInfo, deliverImmediately);
    else
        center->postNotificationName(name, object, userInfo);
}
