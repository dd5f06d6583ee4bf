#pragma once

#include <atomic>

namespace reactive::detail {

// The shared state behind a Disposable: whatever one subscription needs to end.
// A subscription can be ended from several places (its Disposable, a bag, the
// source completing, another thread), so ending is once-only and the flag is
// atomic; onDispose runs exactly once, on the thread that won.
class Cancelable {
public:
    Cancelable() = default;
    Cancelable(const Cancelable&) = delete;
    Cancelable& operator=(const Cancelable&) = delete;
    virtual ~Cancelable() = default;

    void dispose() noexcept
    {
        if (!disposed_.exchange(true, std::memory_order_acq_rel))
            onDispose();
    }

    bool isDisposed() const noexcept { return disposed_.load(std::memory_order_acquire); }

protected:
    virtual void onDispose() noexcept = 0;

private:
    std::atomic<bool> disposed_{false};
};

}  // namespace reactive::detail
