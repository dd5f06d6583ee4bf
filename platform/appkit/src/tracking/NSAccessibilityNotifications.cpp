#include "appkit/NSAccessibilityNotifications.h"

#include "foundation/NSObject.h"

#include <mutex>

const String NSAccessibilityLayoutChangedNotification("AXLayoutChanged");
const String NSAccessibilityTitleChangedNotification("AXTitleChanged");
const String NSAccessibilityValueChangedNotification("AXValueChanged");
const String NSAccessibilityUIElementsKey("AXUIElementsKey");

namespace {

struct Posted {
    std::mutex mutex;
    std::vector<NSAccessibilityPostedNotification> notifications;
};

Posted& posted()
{
    static Posted* p = new Posted;
    return *p;
}

}  // namespace

void NSAccessibilityPostNotificationWithUserInfo(const std::shared_ptr<NSObject>& element, const String& notification,
                                                 const Dictionary& userInfo)
{
    std::vector<std::weak_ptr<NSObject>> elements;
    Id listed = userInfo.objectForKey(NSAccessibilityUIElementsKey);
    if (const Array* list = listed.array()) {
        for (const Id& item : *list)
            if (NSObject* object = item.objectPointer())
                elements.push_back(object->weak_from_this());
    }
    auto& p = posted();
    std::lock_guard lock(p.mutex);
    p.notifications.push_back({.element = element, .name = notification, .uiElements = std::move(elements)});
}

void NSAccessibilityPostNotification(const std::shared_ptr<NSObject>& element, const String& notification)
{
    NSAccessibilityPostNotificationWithUserInfo(element, notification, Dictionary());
}

std::vector<NSAccessibilityPostedNotification> NSAccessibilityPostedNotifications()
{
    auto& p = posted();
    std::lock_guard lock(p.mutex);
    return p.notifications;
}

void NSAccessibilityResetPostedNotifications()
{
    auto& p = posted();
    std::lock_guard lock(p.mutex);
    p.notifications.clear();
}
