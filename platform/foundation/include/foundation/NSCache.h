#pragma once

#include "foundation/Id.h"
#include "foundation/NSObject.h"

#include <cstddef>
#include <functional>
#include <list>
#include <mutex>
#include <unordered_map>

// A thread-safe key -> object cache. Keys compare by value (objects by their
// isEqual and hash) and are not copied. Without limits (the default) nothing
// is evicted until the memory-pressure call; with a count or total-cost limit
// the least recently used entries go first, as soon as a limit is exceeded.
// Every entry that goes other than by removeObjectForKey / removeAllObjects is
// reported to the eviction handler, outside the cache's lock.
class NSCache : public NSObject {
    KS_OBJECT(NSCache, NSObject)

public:
    using EvictionHandler = std::function<void(const Id& object)>;

    NSCache() = default;

    String name() const;
    void setName(const String& name);

    // 0 means no limit.
    std::size_t countLimit() const;
    void setCountLimit(std::size_t limit);
    std::size_t totalCostLimit() const;
    void setTotalCostLimit(std::size_t limit);

    // nil when absent. A hit makes the entry the most recently used.
    Id objectForKey(const Id& key);
    // A nil object removes the key.
    void setObject(const Id& object, const Id& key, std::size_t cost = 0);
    void removeObjectForKey(const Id& key);
    void removeAllObjects();

    // What the system does under memory pressure: every entry goes, reported
    // to the eviction handler. Tests call it to check that users of the cache
    // cope with losing everything.
    void simulateMemoryPressure();
    void evictAll() { simulateMemoryPressure(); }

    void setEvictionHandler(EvictionHandler handler);

    std::size_t count() const;
    std::size_t totalCost() const;

private:
    struct Entry {
        Id key;
        Id object;
        std::size_t cost = 0;
    };
    using List = std::list<Entry>;

    // Drops least recently used entries until both limits hold; the dropped
    // objects are appended to `evicted`.
    void trimLocked(std::vector<Id>& evicted);
    void report(const std::vector<Id>& evicted);

    mutable std::mutex mutex_;
    String name_;
    std::size_t countLimit_ = 0;
    std::size_t totalCostLimit_ = 0;
    std::size_t totalCost_ = 0;
    List entries_;  // most recently used first
    std::unordered_map<Id, List::iterator> index_;
    EvictionHandler evictionHandler_;
};
