#pragma once

#include "foundation/NSObject.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace detail {

// One key of one object that something listens to. Records are called over a
// snapshot, so a record removed while a change is being delivered is only
// marked dead and skipped.
struct KeyRecord {
    String key;
    std::function<void()> will;
    std::function<void()> did;
    std::atomic<bool> alive{true};
};

class PathNode;

// One addObserver: call, held by the observed object.
struct Registration {
    NSObject* root = nullptr;
    NSObject* observer = nullptr;
    std::weak_ptr<NSObject> observerReference;
    bool observerIsShared = false;
    String keyPath;
    unsigned options = 0;
    void* context = nullptr;
    std::shared_ptr<PathNode> node;
    std::atomic<bool> alive{true};

    std::mutex mutex;
    std::vector<Id> pendingOldValues;  // one per open will-change, for nested changes

    void will();
    void did();
    void deliver(const KeyValueChange& change);
    Id currentValue() const;
};

struct ObservationInfo {
    std::recursive_mutex mutex;
    std::vector<std::shared_ptr<KeyRecord>> records;
    std::vector<std::shared_ptr<Registration>> registrations;

    void addRecord(std::shared_ptr<KeyRecord> record);
    void removeRecord(const KeyRecord* record);
    std::vector<std::shared_ptr<KeyRecord>> recordsForKey(const String& key);
};

// Follows one key path from one object: listens to the first key there and,
// through a child node, to the rest of the path on whatever object the first
// key currently holds, so a replaced object in between is followed. Keys that
// the object says affect the first key are listened to as well.
class PathNode : public std::enable_shared_from_this<PathNode> {
public:
    static std::shared_ptr<PathNode> make(NSObject& object, const String& keyPath, std::function<void()> will,
                                          std::function<void()> did);
    ~PathNode();

    void detach();

private:
    PathNode() = default;
    void attach(NSObject& object, const String& keyPath);
    void changeWillHappen();
    void changeDidHappen();
    void rebuildChild();

    std::weak_ptr<NSObject> object_;
    NSObject* objectPointer_ = nullptr;
    bool objectIsShared_ = false;
    String key_;
    String rest_;
    std::shared_ptr<KeyRecord> record_;
    std::function<void()> will_;
    std::function<void()> did_;

    std::mutex mutex_;
    std::shared_ptr<PathNode> child_;
    std::vector<std::shared_ptr<PathNode>> dependents_;
};

}  // namespace detail
