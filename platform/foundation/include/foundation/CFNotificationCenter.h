#pragma once

// The Core Foundation shape of the notification centres: observers are plain
// pointers with a callback, over the same centres as the object calls.

#include "foundation/CFRunLoopSource.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSNotificationCenter.h"

#include <optional>

using CFNotificationCenterRef = NSNotificationCenter*;
using CFNotificationCallback = NotificationCallback;

enum CFNotificationSuspensionBehavior : CFIndex {
    CFNotificationSuspensionBehaviorDrop = 1,
    CFNotificationSuspensionBehaviorCoalesce = 2,
    CFNotificationSuspensionBehaviorHold = 3,
    CFNotificationSuspensionBehaviorDeliverImmediately = 4,
};

CFNotificationCenterRef CFNotificationCenterGetDistributedCenter();
CFNotificationCenterRef CFNotificationCenterGetLocalCenter();

// A name of nothing observes every name; a nil object, every object. The
// callback gets the observer pointer back.
void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer,
                                     CFNotificationCallback callBack, const std::optional<String>& name,
                                     const Id& object, CFNotificationSuspensionBehavior suspensionBehavior);
void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer,
                                        const std::optional<String>& name, const Id& object);
void CFNotificationCenterRemoveEveryObserver(CFNotificationCenterRef center, const void* observer);
void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const String& name, const Id& object,
                                          const Id& userInfo, bool deliverImmediately);
