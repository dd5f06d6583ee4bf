#pragma once

#include <functional>
#include <memory>

#include "reactive/detail/Cancelable.h"

namespace reactive {

class DisposeBag;

// The handle of one subscription (or of any resource a stream holds).
//
// Move-only, and it disposes when it is destroyed: a subscription lives until
// it is disposed or until its holder goes away, which for the application is
// always a per-object DisposeBag. Dropping the result of subscribe() therefore
// ends the subscription at once, which [[nodiscard]] turns into a warning; the
// alternative (subscriptions that live on when nobody holds them) would leave
// handlers that capture `this` running after their object died.
//
// dispose() is idempotent and may race an emission on another thread: after it
// returns, no delivery starts for this subscription; one that had already
// passed its check on another thread may still finish. On the emitting thread
// (the application's only case) disposal is immediate, also from inside a
// handler. A Disposable object itself is owned by one thread at a time.
class [[nodiscard]] Disposable {
public:
    // Nothing to dispose.
    Disposable() = default;
    // Runs `action` once, on the first dispose() or on destruction. The action
    // must not throw.
    explicit Disposable(std::function<void()> action);
    explicit Disposable(std::shared_ptr<detail::Cancelable> cancelable) noexcept;

    Disposable(Disposable&& other) noexcept;
    // Disposes what this held before taking over `other`.
    Disposable& operator=(Disposable&& other) noexcept;
    Disposable(const Disposable&) = delete;
    Disposable& operator=(const Disposable&) = delete;
    ~Disposable();

    // Ends the subscription once and lets go of it, so its handler and whatever
    // the handler captured are released as soon as no emission is using them.
    void dispose() noexcept;

    // True when there is nothing (left) to end: disposed, never set, moved
    // from, or ended from the inside by a completed source.
    bool isDisposed() const noexcept;

    // Hands the subscription to `bag`, which ends it when the bag goes away:
    // `subject.subscribe(...).disposed(bag);`
    void disposed(DisposeBag& bag) &&;

private:
    std::shared_ptr<detail::Cancelable> cancelable_;
};

}  // namespace reactive
