#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Collects what handlers saw, in order, as short texts ("a:1", "done"), so a
// test can compare a whole sequence at once. Handlers may record from any
// thread; a test whose events all come on its own thread can keep a plain
// std::vector<std::string> instead.
class EventRecorder {
public:
    void record(std::string event)
    {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }

    std::vector<std::string> events() const
    {
        std::lock_guard lock(mutex_);
        return events_;
    }

    std::vector<std::string> take()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(events_, {});
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
};
