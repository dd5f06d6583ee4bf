#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <vector>

// An unordered collection of distinct values, compared by value. Unlike the
// platform's hashed sets, it walks its members in ascending order, so that
// "whichever member the set yields first" is the same on every run; callers
// must not rely on more than that the order is fixed for the same members.
//
// Sets here are small (selections, dragged rows), so the members are kept
// in a sorted vector. T needs a total order (operator<=>).
template <class T> class NSSet {
public:
    using const_iterator = typename std::vector<T>::const_iterator;

    NSSet() = default;
    NSSet(std::initializer_list<T> members)
    {
        for (const T& member : members)
            addObject(member);
    }
    static NSSet setWithObject(const T& member) { return NSSet{member}; }

    std::size_t count() const { return members_.size(); }
    bool empty() const { return members_.empty(); }
    bool containsObject(const T& member) const { return std::binary_search(members_.begin(), members_.end(), member); }
    // The first member in the set's order; nullopt for the empty set.
    std::optional<T> anyObject() const
    {
        if (members_.empty())
            return std::nullopt;
        return members_.front();
    }
    const std::vector<T>& allObjects() const { return members_; }
    const_iterator begin() const { return members_.begin(); }
    const_iterator end() const { return members_.end(); }

    // True when the member was not there yet.
    bool addObject(const T& member)
    {
        auto at = std::lower_bound(members_.begin(), members_.end(), member);
        if (at != members_.end() && *at == member)
            return false;
        members_.insert(at, member);
        return true;
    }
    // True when the member was there.
    bool removeObject(const T& member)
    {
        auto at = std::lower_bound(members_.begin(), members_.end(), member);
        if (at == members_.end() || !(*at == member))
            return false;
        members_.erase(at);
        return true;
    }
    // The members for which `keep` answers true.
    template <class Predicate> NSSet filtered(Predicate keep) const
    {
        NSSet result;
        for (const T& member : members_)
            if (keep(member))
                result.members_.push_back(member);
        return result;
    }

    friend bool operator==(const NSSet& a, const NSSet& b) { return a.members_ == b.members_; }

private:
    std::vector<T> members_;
};
