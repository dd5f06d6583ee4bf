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
        : m_onNext(std::move(onNext))
        , m_onCompleted(std::move(onCompleted))
    {
    }

    void setUpstream(Disposable upstream) noexcept { m_upstream.set(std::move(upstream)); }

    void onNext(const T& value) override
    {
        if (m_stopped.load(std::memory_order_acquire) || isDisposed())
            return;
        if (m_onNext)
            m_onNext(value);
    }

    void onCompleted() override
    {
        if (isDisposed() || m_stopped.exchange(true, std::memory_order_acq_rel))
            return;
        if (m_onCompleted)
            m_onCompleted();
        dispose();
    }

private:
    // The handlers stay until the sink itself goes: an emission on another
    // thread may be inside one of them while this runs.
    void onDispose() noexcept override { m_upstream.dispose(); }

    std::function<void(const T&)> m_onNext;
    std::function<void()> m_onCompleted;
    std::atomic<bool> m_stopped{false};
    SingleAssignmentDisposable m_upstream;
};

// Stands between the subscribe function of Observable<T>::create and the
// downstream observer: keeps the grammar (nothing after completion) and drops
// events once the subscription was disposed, even when the source keeps
// calling, so no operator further down runs for a dead subscription.
template <class T> class CreateSink final : public ObserverBase<T>, public Cancelable {
public:
    explicit CreateSink(Observer<T> downstream) noexcept
        : m_downstream(std::move(downstream))
    {
    }

    void setUpstream(Disposable upstream) noexcept { m_upstream.set(std::move(upstream)); }

    void onNext(const T& value) override
    {
        if (m_stopped.load(std::memory_order_acquire) || isDisposed())
            return;
        m_downstream.onNext(value);
    }

    void onCompleted() override
    {
        if (isDisposed() || m_stopped.exchange(true, std::memory_order_acq_rel))
            return;
        m_downstream.onCompleted();
        dispose();
    }

private:
    void onDispose() noexcept override { m_upstream.dispose(); }

    Observer<T> m_downstream;
    std::atomic<bool> m_stopped{false};
    SingleAssignmentDisposable m_upstream;
};

// Stateless operators: they forward to the downstream observer and rely on the
// sinks around them for disposal checks.

template <class T, class U, class F> class MapObserver final : public ObserverBase<T> {
public:
    MapObserver(Observer<U> downstream, F transform)
        : m_downstream(std::move(downstream))
        , m_transform(std::move(transform))
    {
    }

    void onNext(const T& value) override { m_downstream.onNext(std::invoke(m_transform, value)); }
    void onCompleted() override { m_downstream.onCompleted(); }

private:
    Observer<U> m_downstream;
    F m_transform;
};

template <class T, class F> class FilterObserver final : public ObserverBase<T> {
public:
    FilterObserver(Observer<T> downstream, F predicate)
        : m_downstream(std::move(downstream))
        , m_predicate(std::move(predicate))
    {
    }

    void onNext(const T& value) override
    {
        if (std::invoke(m_predicate, value))
            m_downstream.onNext(value);
    }
    void onCompleted() override { m_downstream.onCompleted(); }

private:
    Observer<T> m_downstream;
    F m_predicate;
};

template <class T, class U, class F> class CompactMapObserver final : public ObserverBase<T> {
public:
    CompactMapObserver(Observer<U> downstream, F transform)
        : m_downstream(std::move(downstream))
        , m_transform(std::move(transform))
    {
    }

    void onNext(const T& value) override
    {
        if (auto transformed = std::invoke(m_transform, value))
            m_downstream.onNext(*transformed);
    }
    void onCompleted() override { m_downstream.onCompleted(); }

private:
    Observer<U> m_downstream;
    F m_transform;
};

template <class T> struct IsOptional : std::false_type {
};
template <class T> struct IsOptional<std::optional<T>> : std::true_type {
};

}  // namespace reactive::detail
