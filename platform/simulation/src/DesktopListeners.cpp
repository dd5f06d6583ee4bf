#include "DesktopListeners.h"

#include <algorithm>

namespace simulation::detail {

std::uint64_t DesktopListeners::add(Listener listener)
{
    std::lock_guard lock(mutex_);
    auto entry = std::make_shared<Entry>();
    entry->identifier = nextIdentifier_++;
    entry->listener = std::move(listener);
    entries_.push_back(entry);
    return entry->identifier;
}

void DesktopListeners::remove(std::uint64_t identifier)
{
    std::lock_guard lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const auto& entry) { return entry->identifier == identifier; });
    if (it == entries_.end())
        return;
    (*it)->removed = true;
    entries_.erase(it);
}

void DesktopListeners::deliver(const std::vector<DesktopChange>& changes)
{
    for (const auto& change : changes) {
        std::vector<std::shared_ptr<Entry>> snapshot;
        {
            std::lock_guard lock(mutex_);
            snapshot = entries_;
        }
        for (const auto& entry : snapshot) {
            bool removed;
            {
                std::lock_guard lock(mutex_);
                removed = entry->removed;
            }
            if (!removed)
                entry->listener(change);
        }
    }
}

}  // namespace simulation::detail
