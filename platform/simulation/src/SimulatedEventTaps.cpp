#include "simulation/SimulatedEventTaps.h"

#include <algorithm>

namespace simulation {

std::uint64_t SimulatedEventTaps::add(Options options, std::weak_ptr<EventTapEndpoint> endpoint)
{
    std::lock_guard lock(mutex_);
    Entry entry{
        .info =
            {
                .identifier = nextIdentifier_++,
                .pid = options.pid,
                .location = options.location,
                .eventsOfInterest = options.eventsOfInterest,
                .listenOnly = options.listenOnly,
                .enabled = true,
            },
        .endpoint = std::move(endpoint),
    };
    // Locations are kept apart in ascending order: the first begins where the
    // events enter the system.
    auto sameLocationBegin = std::find_if(entries_.begin(), entries_.end(),
                                          [&](const Entry& other) { return other.info.location >= options.location; });
    auto sameLocationEnd = std::find_if(sameLocationBegin, entries_.end(),
                                        [&](const Entry& other) { return other.info.location > options.location; });
    auto position = options.placement == EventTapPlacement::HeadInsert ? sameLocationBegin : sameLocationEnd;
    const auto identifier = entry.info.identifier;
    entries_.insert(position, std::move(entry));
    return identifier;
}

bool SimulatedEventTaps::remove(std::uint64_t identifier)
{
    std::lock_guard lock(mutex_);
    return std::erase_if(entries_, [&](const Entry& entry) { return entry.info.identifier == identifier; }) > 0;
}

bool SimulatedEventTaps::setEnabled(std::uint64_t identifier, bool enabled)
{
    std::lock_guard lock(mutex_);
    auto* entry = find(identifier);
    if (!entry)
        return false;
    entry->info.enabled = enabled;
    return true;
}

bool SimulatedEventTaps::isEnabled(std::uint64_t identifier) const
{
    std::lock_guard lock(mutex_);
    const auto* entry = find(identifier);
    return entry && entry->info.enabled;
}

std::optional<EventTapInfo> SimulatedEventTaps::tap(std::uint64_t identifier) const
{
    std::lock_guard lock(mutex_);
    const auto* entry = find(identifier);
    if (!entry)
        return std::nullopt;
    return entry->info;
}

std::vector<EventTapInfo> SimulatedEventTaps::taps() const
{
    std::lock_guard lock(mutex_);
    std::vector<EventTapInfo> result;
    for (const auto& entry : entries_)
        result.push_back(entry.info);
    return result;
}

bool SimulatedEventTaps::disableBySystem(std::uint64_t identifier, EventTapDisableReason reason)
{
    std::shared_ptr<EventTapEndpoint> endpoint;
    {
        std::lock_guard lock(mutex_);
        auto* entry = find(identifier);
        if (!entry || !entry->info.enabled)
            return false;
        entry->info.enabled = false;
        endpoint = entry->endpoint.lock();
    }
    if (endpoint)
        endpoint->disabledBySystem(reason);
    return true;
}

std::size_t SimulatedEventTaps::disableAllBySystem(EventTapDisableReason reason)
{
    std::vector<std::shared_ptr<EventTapEndpoint>> endpoints;
    std::size_t count = 0;
    {
        std::lock_guard lock(mutex_);
        for (auto& entry : entries_) {
            if (!entry.info.enabled)
                continue;
            entry.info.enabled = false;
            ++count;
            if (auto endpoint = entry.endpoint.lock())
                endpoints.push_back(std::move(endpoint));
        }
    }
    for (const auto& endpoint : endpoints)
        endpoint->disabledBySystem(reason);
    return count;
}

std::vector<std::uint64_t> SimulatedEventTaps::order() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::uint64_t> result;
    for (const auto& entry : entries_)
        result.push_back(entry.info.identifier);
    return result;
}

std::optional<SimulatedEventTaps::Route> SimulatedEventTaps::route(std::uint64_t identifier, KeyEventType type) const
{
    std::lock_guard lock(mutex_);
    const auto* entry = find(identifier);
    if (!entry || !entry->info.enabled)
        return std::nullopt;
    const auto bit = static_cast<std::uint32_t>(type);
    if (bit >= 64 || !(entry->info.eventsOfInterest & (std::uint64_t(1) << bit)))
        return std::nullopt;
    auto endpoint = entry->endpoint.lock();
    if (!endpoint)
        return std::nullopt;
    return Route{.endpoint = std::move(endpoint), .listenOnly = entry->info.listenOnly};
}

SimulatedEventTaps::Entry* SimulatedEventTaps::find(std::uint64_t identifier)
{
    return const_cast<Entry*>(static_cast<const SimulatedEventTaps&>(*this).find(identifier));
}

const SimulatedEventTaps::Entry* SimulatedEventTaps::find(std::uint64_t identifier) const
{
    for (const auto& entry : entries_) {
        if (entry.info.identifier == identifier)
            return &entry;
    }
    return nullptr;
}

}  // namespace simulation
