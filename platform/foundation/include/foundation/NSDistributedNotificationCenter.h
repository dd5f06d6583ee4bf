#pragma once

#include "foundation/NSNotificationCenter.h"

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// How an observer of the distributed centre is treated while the centre is
// suspended, with the platform's values.
enum NSNotificationSuspensionBehavior : unsigned {
    NSNotificationSuspensionBehaviorDrop = 1,
    NSNotificationSuspensionBehaviorCoalesce = 2,
    NSNotificationSuspensionBehaviorHold = 3,
    NSNotificationSuspensionBehaviorDeliverImmediately = 4,
};

// Notifications between programs. As between real processes, delivery is
// never synchronous with the post: each observer is reached on the run loop
// of the thread that registered it, on that run loop's next pass. Objects are
// meant to be strings, which is all that crosses a process boundary.
//
// While suspended, the centre drops, coalesces (keeps the latest per name and
// object) or holds notifications for each observer according to its
// behaviour, and delivers the kept ones on resuming; observers that ask for
// immediate delivery, and posts that ask for it, are not held back.
//
// The default centre crosses processes once the process is connected to the
// session bus (SessionBus): each post also goes out on the bus, and the posts
// of other processes reach this process's observers the same way its own do,
// filtered by name and object, on their run loops. A process doesn't hear its
// own posts back from the bus. Without a bus, delivery stays in the process.
//
// Every post of this process can be watched through a hook, for the program's
// transcript and for tests.
class NSDistributedNotificationCenter : public NSNotificationCenter {
    KS_OBJECT(NSDistributedNotificationCenter, NSNotificationCenter)
public:
    using PostHook = std::function<void(const NSNotification&)>;

    static NSDistributedNotificationCenter& defaultCenter();

    using NSNotificationCenter::addObserver;
    void addObserver(NSObject& observer, Selector selector, const std::optional<String>& name, const Id& object,
                     NSNotificationSuspensionBehavior suspensionBehavior);

    using NSNotificationCenter::postNotificationName;
    void postNotificationName(const String& name, const Id& object, const Id& userInfo, bool deliverImmediately);

    bool suspended() const;
    void setSuspended(bool suspended);

    // Called on the posting thread for every post, before any delivery. One
    // hook at a time; an empty function removes it.
    void setPostHook(PostHook hook);

    // A post of another process, as the bus connection hands it over: it
    // reaches the observers as a post of ours would, but is neither hooked
    // nor sent on.
    void deliverNotificationFromAnotherProcess(const std::shared_ptr<NSNotification>& notification,
                                               bool deliverImmediately);

    // While a program starts, what other processes post may arrive before it
    // has registered for it. Between these two calls such posts are kept as
    // they come, and matched only on release, against the observers then
    // registered; the program's own posts are not held.
    void holdPostsFromOtherProcesses();
    void releasePostsFromOtherProcesses();

protected:
    void dispatch(const std::shared_ptr<NSNotification>& notification, bool deliverImmediately) override;

private:
    struct Held {
        std::shared_ptr<Registration> registration;
        std::shared_ptr<NSNotification> notification;
    };
    void deliverLater(const std::shared_ptr<Registration>& registration,
                      const std::shared_ptr<NSNotification>& notification);
    void deliverToObservers(const std::shared_ptr<NSNotification>& notification, bool deliverImmediately);

    mutable std::mutex mutex_;
    bool suspended_ = false;
    std::vector<Held> held_;
    bool holdingIncoming_ = false;
    std::vector<std::pair<std::shared_ptr<NSNotification>, bool>> incoming_;
    PostHook hook_;
};
