#include "foundation/NSCache.h"

String NSCache::name() const
{
    std::lock_guard lock(mutex_);
    return name_;
}

void NSCache::setName(const String& name)
{
    std::lock_guard lock(mutex_);
    name_ = name;
}

std::size_t NSCache::countLimit() const
{
    std::lock_guard lock(mutex_);
    return countLimit_;
}

void NSCache::setCountLimit(std::size_t limit)
{
    std::vector<Id> evicted;
    {
        std::lock_guard lock(mutex_);
        countLimit_ = limit;
        trimLocked(evicted);
    }
    report(evicted);
}

std::size_t NSCache::totalCostLimit() const
{
    std::lock_guard lock(mutex_);
    return totalCostLimit_;
}

void NSCache::setTotalCostLimit(std::size_t limit)
{
    std::vector<Id> evicted;
    {
        std::lock_guard lock(mutex_);
        totalCostLimit_ = limit;
        trimLocked(evicted);
    }
    report(evicted);
}

Id NSCache::objectForKey(const Id& key)
{
    std::lock_guard lock(mutex_);
    auto it = index_.find(key);
    if (it == index_.end())
        return {};
    entries_.splice(entries_.begin(), entries_, it->second);
    return it->second->object;
}

void NSCache::setObject(const Id& object, const Id& key, std::size_t cost)
{
    if (key.isNil())
        return;
    if (object.isNil()) {
        removeObjectForKey(key);
        return;
    }
    std::vector<Id> evicted;
    {
        std::lock_guard lock(mutex_);
        if (auto it = index_.find(key); it != index_.end()) {
            totalCost_ -= it->second->cost;
            it->second->object = object;
            it->second->cost = cost;
            entries_.splice(entries_.begin(), entries_, it->second);
        } else {
            entries_.push_front(Entry{key, object, cost});
            index_.emplace(key, entries_.begin());
        }
        totalCost_ += cost;
        trimLocked(evicted);
    }
    report(evicted);
}

void NSCache::removeObjectForKey(const Id& key)
{
    Id removed;  // released outside the lock
    std::lock_guard lock(mutex_);
    auto it = index_.find(key);
    if (it == index_.end())
        return;
    totalCost_ -= it->second->cost;
    removed = it->second->object;
    entries_.erase(it->second);
    index_.erase(it);
}

void NSCache::removeAllObjects()
{
    List removed;
    {
        std::lock_guard lock(mutex_);
        index_.clear();
        removed.swap(entries_);
        totalCost_ = 0;
    }
}

void NSCache::simulateMemoryPressure()
{
    std::vector<Id> evicted;
    {
        std::lock_guard lock(mutex_);
        for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
            evicted.push_back(it->object);
        index_.clear();
        entries_.clear();
        totalCost_ = 0;
    }
    report(evicted);
}

void NSCache::setEvictionHandler(EvictionHandler handler)
{
    std::lock_guard lock(mutex_);
    evictionHandler_ = std::move(handler);
}

std::size_t NSCache::count() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

std::size_t NSCache::totalCost() const
{
    std::lock_guard lock(mutex_);
    return totalCost_;
}

void NSCache::trimLocked(std::vector<Id>& evicted)
{
    while (!entries_.empty() &&
           ((countLimit_ && entries_.size() > countLimit_) || (totalCostLimit_ && totalCost_ > totalCostLimit_))) {
        Entry& last = entries_.back();
        totalCost_ -= last.cost;
        evicted.push_back(last.object);
        index_.erase(last.key);
        entries_.pop_back();
    }
}

void NSCache::report(const std::vector<Id>& evicted)
{
    if (evicted.empty())
        return;
    EvictionHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = evictionHandler_;
    }
    if (!handler)
        return;
    for (const Id& object : evicted)
        handler(object);
}
