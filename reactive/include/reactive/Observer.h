#pragma once

#include <concepts>
#include <memory>
#include <utility>

#include "reactive/Unit.h"

namespace reactive {

namespace detail {

// What receives a stream's events. Operators and sinks implement it; the rest
// of the code passes Observer handles around.
template <class T> class ObserverBase {
public:
    virtual ~ObserverBase() = default;
    virtual void onNext(const T& value) = 0;
    virtual void onCompleted() = 0;
};

}  // namespace detail

// A cheap, copyable handle to the receiving end of one subscription; what the
// subscribe function of Observable<T>::create is given.
//
// Events follow the ReactiveX grammar: any number of onNext, then at most one
// onCompleted. There is no error channel: nothing in this program produces a
// stream error, and a handler that throws unwinds into whoever emitted.
template <class T> class Observer {
public:
    explicit Observer(std::shared_ptr<detail::ObserverBase<T>> impl) noexcept
        : impl_(std::move(impl))
    {
    }

    void onNext(const T& value) const { impl_->onNext(value); }
    void onNext() const requires std::same_as<T, Unit> { impl_->onNext(Unit{}); }
    void onCompleted() const { impl_->onCompleted(); }

private:
    std::shared_ptr<detail::ObserverBase<T>> impl_;
};

}  // namespace reactive
