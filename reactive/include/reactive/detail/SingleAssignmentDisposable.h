#pragma once

#include <mutex>

#include "reactive/Disposable.h"

namespace reactive::detail {

// A slot for the upstream Disposable of a sink. The upstream handle only exists
// once subscribing has returned, but a synchronous source (just, an initial
// value, a completion) can end the sink before that: a Disposable set into a
// slot that was already disposed is disposed at once.
class SingleAssignmentDisposable {
public:
    SingleAssignmentDisposable() = default;
    SingleAssignmentDisposable(const SingleAssignmentDisposable&) = delete;
    SingleAssignmentDisposable& operator=(const SingleAssignmentDisposable&) = delete;

    void set(Disposable disposable) noexcept;
    void dispose() noexcept;

private:
    std::mutex mutex_;
    Disposable disposable_;
    bool disposed_{false};
};

}  // namespace reactive::detail
