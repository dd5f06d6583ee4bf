#pragma once

#include "foundation/NSNotification.h"
#include "foundation/NSNotificationCenter.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Writes down the notifications of the given names from the default
// centre, as "<name> <label of the object>", until it is destroyed. It writes
// into the test's own log, so that the notifications fall in line with what
// delegates and handlers write there.
class NotificationRecorder {
public:
    using Labeller = std::function<std::string(const Id& object)>;

    NotificationRecorder(std::vector<std::string>& log, std::vector<String> names, Labeller label)
    {
        for (const auto& name : names)
            tokens_.push_back(NSNotificationCenter::defaultCenter().addObserverForName(
                name, Id(), [&log, label](NSNotification& notification) {
                    log.push_back(notification.name().utf8() + " " + label(notification.object()));
                }));
    }
    ~NotificationRecorder()
    {
        for (const auto& token : tokens_)
            NSNotificationCenter::defaultCenter().removeObserver(*token);
    }
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;

private:
    std::vector<std::shared_ptr<NSObject>> tokens_;
};
