#pragma once

#include "foundation/Id.h"
#include "foundation/NSNotification.h"
#include "foundation/NSObject.h"
#include "foundation/Selector.h"
#include "foundation/String.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class NSNotificationCenter;
class NSRunLoop;

// The Core Foundation form of an observer: a plain function and the pointer
// it was registered with.
using NotificationCallback = void (*)(NSNotificationCenter* center, void* observer, const String& name,
                                      const Id& object, const Id& userInfo);

// Delivers posted notifications to the observers whose filters match: a name
// (nothing matches every name) and an object (nil matches every object;
// objects match by identity, plain values such as strings by equality).
//
// This centre delivers synchronously on the posting thread, in the order the
// observers were added. Delivery goes over the observers as they were when
// the notification was posted: one added meanwhile does not get it, one
// removed meanwhile does not get it either if it was not reached yet.
// Safe to use from any thread.
class NSNotificationCenter : public NSObject {
    KS_OBJECT(NSNotificationCenter, NSObject)
public:
    using Block = std::function<void(NSNotification&)>;

    NSNotificationCenter();
    ~NSNotificationCenter() override;

    static NSNotificationCenter& defaultCenter();

    // The observer gets the selector with the notification as argument (or
    // none, when its method takes none). It is held weakly: one that is gone
    // gets nothing more.
    void addObserver(NSObject& observer, Selector selector, const std::optional<String>& name, const Id& object);
    // The centre keeps the block until the answered token is removed with
    // removeObserver; dropping the token does not end the observation.
    std::shared_ptr<NSObject> addObserverForName(const std::optional<String>& name, const Id& object, Block block);
    // Removes the registrations of the observer (or token) that match: every
    // one, or those with the name (nothing: any name) and the object (nil:
    // any object).
    void removeObserver(const NSObject& observer);
    void removeObserver(const NSObject& observer, const std::optional<String>& name, const Id& object);

    void postNotification(const std::shared_ptr<NSNotification>& notification);
    void postNotificationName(const String& name, const Id& object = {}, const Id& userInfo = {});

    // For the Core Foundation calls: observers named by a plain pointer.
    void addCallbackObserver(const void* observer, NotificationCallback callback, const std::optional<String>& name,
                             const Id& object, unsigned suspensionBehavior);
    void removeObserverPointer(const void* observer, const std::optional<String>& name, const Id& object);

protected:
    struct Registration {
        const void* key = nullptr;  // what removal names: the observer, the token or the plain pointer
        std::optional<String> name;
        Id object;
        unsigned suspensionBehavior = 0;
        std::shared_ptr<NSRunLoop> runLoop;  // where a distributed notification is delivered
        std::atomic<bool> alive{true};

        // One of three kinds of observer.
        NSObject* target = nullptr;
        std::weak_ptr<NSObject> targetReference;
        bool targetIsShared = false;
        Selector selector;
        Block block;
        std::shared_ptr<NSObject> token;
        NotificationCallback callback = nullptr;

        bool matches(const NSNotification& notification) const;
    };

    // A registration that sends `selector` to `observer`, held weakly.
    static std::shared_ptr<Registration> targetRegistration(NSObject& observer, Selector selector,
                                                            const std::optional<String>& name, const Id& object);
    void add(std::shared_ptr<Registration> registration);
    std::vector<std::shared_ptr<Registration>> matching(const NSNotification& notification);
    // Calls the observer, unless it was removed or is gone.
    void invoke(Registration& registration, const std::shared_ptr<NSNotification>& notification);
    // How a matching observer is reached; this centre calls it at once.
    virtual void dispatch(const std::shared_ptr<NSNotification>& notification, bool deliverImmediately);

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<Registration>> registrations_;
};
