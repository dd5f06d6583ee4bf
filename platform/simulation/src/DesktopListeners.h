#pragma once

#include "simulation/DesktopChange.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace simulation::detail {

// The listeners of one desktop. Delivery walks a copy of the list, so a
// listener may add or remove listeners (itself included) while it is called;
// one removed meanwhile is not called any more.
class DesktopListeners {
public:
    using Listener = std::function<void(const DesktopChange&)>;

    std::uint64_t add(Listener listener);
    void remove(std::uint64_t identifier);
    void deliver(const std::vector<DesktopChange>& changes);

private:
    struct Entry {
        std::uint64_t identifier = 0;
        Listener listener;
        bool removed = false;
    };

    std::mutex mutex_;
    std::uint64_t nextIdentifier_ = 1;
    std::vector<std::shared_ptr<Entry>> entries_;
};

}  // namespace simulation::detail
