#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "reactive/Disposable.h"
#include "reactive/Observer.h"
#include "reactive/detail/Cancelable.h"
#include "reactive/detail/SingleAssignmentDisposable.h"

namespace reactive::detail {

// The end of a subscribe(onNext, onCompleted) chain: checks that the
// subscription is still alive before every call, and ends it after completion.
template <class T> class SubscribeSink final : public ObserverBase<T>, public Cancelable {
public:
    SubscribeSink(std::function<void(const T&)> onNext, std::function<void()> onCompleted)
        : onNext_(std::move(onNext))
        , onCompleted_(std::move(onCompleted))
    {
    }

    void setUpstream(Disposable upstream) noexcept { upstream_.set(std::move(upstream)); }

    void onNext(const T& value) override
    {
        if (stopped_.load(std::memory_order_acquire) || isDisposed())
            return;
        if (onNext_)
            onNext_(value);
    }

    void onCompleted() override
    {
        if (isDisposed() || stopped_.exchange(true, std::memory_order_acq_rel))
            return;
        if (onCompleted_)
            onCompleted_();
        dispose();
    }

private:
    // The handlers stay until the sink itself goes: an emission on another
    // thread may be inside one of them while this runs.
    void onDispose() noexcept override { upstream_.dispose(); }

    std::function<void(const T&)> onNext_;
    std::function<void()> onCompleted_;
    std::atomic<bool> stopped_{false};
    SingleAssignmentDisposable upstream_;
};

// Stands between the subscribe function of Observable<T>::create and the
// downstream observer: keeps the grammar (nothing after completion) and drops
// events once the subscription was disposed, even when the source keeps
// calling, so no operator further down runs for a dead subscription.
template <class T> class CreateSink final : public ObserverBase<T>, public Cancelable {
public:
    explicit CreateSink(Observer<T> downstream) noexcept
        : downstream_(std::move(downstream))
    {
    }

    void setUpstream(Disposable upstream) noexcept { upstream_.set(std::move(upstream)); }

    void onNext(const T& value) override
    {
        if (stopped_.load(std::memory_order_acquire) || isDisposed())
            return;
        downstream_.onNext(value);
    }

    void onCompleted() override
    {
        if (isDisposed() || stopped_.exchange(true, std::memory_order_acq_rel))
            return;
        downstream_.onCompleted();
        dispose();
    }

private:
    void onDispose() noexcept override { upstream_.dispose(); }

    Observer<T> downstream_;
    std::atomic<bool> stopped_{false};
    SingleAssignmentDisposable upstream_;
};

// Stateless operators: they forward to the downstream observer and rely on the
// sinks around them for disposal checks.

template <class T, class U, class F> class MapObserver final : public ObserverBase<T> {
public:
    MapObserver(Observer<U> downstream, F transform)
        : downstream_(std::move(downstream))
        , transform_(std::move(transform))
    {
    }

    void onNext(const T& value) override { downstream_.onNext(std::invoke(transform_, value)); }
    void onCompleted() override { downstream_.onCompleted(); }

private:
    Observer<U> downstream_;
    F transform_;
};

template <class T, class F> class FilterObserver final : public ObserverBase<T> {
public:
    FilterObserver(Observer<T> downstream, F predicate)
        : downstream_(std::move(downstream))
        , predicate_(std::move(predicate))
    {
    }

    void onNext(const T& value) override
    {
        if (std::invoke(predicate_, value))
            downstream_.onNext(value);
    }
    void onCompleted() override { downstream_.onCompleted(); }

private:
    Observer<T> downstream_;
    F predicate_;
};

template <class T, class U, class F> class CompactMapObserver final : public ObserverBase<T> {
public:
    CompactMapObserver(Observer<U> downstream, F transform)
        : downstream_(std::move(downstream))
        , transform_(std::move(transform))
    {
    }

    void onNext(const T& value) override
    {
        if (auto transformed = std::invoke(transform_, value))
            downstream_.onNext(*transformed);
    }
    void onCompleted() override { downstream_.onCompleted(); }

private:
    Observer<U> downstream_;
    F transform_;
};

template <class T> struct IsOptional : std::false_type {
};
template <class T> struct IsOptional<std::optional<T>> : std::true_type {
};

}  // namespace reactive::detail
