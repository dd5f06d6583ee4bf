#pragma once

#include "foundation/Id.h"
#include "foundation/String.h"

#include <memory>
#include <vector>

class NSObject;

// Notifications an element posts to assistive applications, with the
// platform's names, and the key of the elements a layout change concerns.
extern const String NSAccessibilityLayoutChangedNotification;
extern const String NSAccessibilityTitleChangedNotification;
extern const String NSAccessibilityValueChangedNotification;
extern const String NSAccessibilityUIElementsKey;

// Tells assistive applications that something of `element` changed. Nothing
// listens on the simulated desktop: each posting is kept, in order, for
// whoever wants to see what a program told (tests, the transcript).
void NSAccessibilityPostNotification(const std::shared_ptr<NSObject>& element, const String& notification);
void NSAccessibilityPostNotificationWithUserInfo(const std::shared_ptr<NSObject>& element, const String& notification,
                                                 const Dictionary& userInfo);

// Kept without holding anything alive: the element and the elements of the
// user info's NSAccessibilityUIElementsKey, weakly.
struct NSAccessibilityPostedNotification {
    std::weak_ptr<NSObject> element;
    String name;
    std::vector<std::weak_ptr<NSObject>> uiElements;
};

// What was posted since the last reset, oldest first.
std::vector<NSAccessibilityPostedNotification> NSAccessibilityPostedNotifications();
void NSAccessibilityResetPostedNotifications();
