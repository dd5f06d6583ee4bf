#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

#include "reactive/Disposable.h"
#include "reactive/Observable.h"
#include "reactive/Observer.h"
#include "reactive/detail/Cancelable.h"
#include "reactive/detail/SingleAssignmentDisposable.h"

namespace reactive {

namespace detail {

template <class A, class B, class R, class F>
class CombineLatestSink final : public Cancelable, public std::enable_shared_from_this<CombineLatestSink<A, B, R, F>> {
public:
    CombineLatestSink(Observer<R> downstream, F combiner)
        : m_downstream(std::move(downstream))
        , m_combiner(std::move(combiner))
    {
    }

    void run(const Observable<A>& left, const Observable<B>& right)
    {
        // Subscribed outside the lock: a source that emits while subscribing
        // (an initial value) comes back in through the side observers.
        m_leftSubscription.set(left.subscribe(Observer<A>(std::make_shared<Side<A, true>>(this->shared_from_this()))));
        m_rightSubscription.set(
            right.subscribe(Observer<B>(std::make_shared<Side<B, false>>(this->shared_from_this()))));
    }

private:
    template <class V, bool IsLeft> class Side final : public ObserverBase<V> {
    public:
        explicit Side(std::shared_ptr<CombineLatestSink> sink) noexcept
            : m_sink(std::move(sink))
        {
        }
        void onNext(const V& value) override { m_sink->template next<IsLeft>(value); }
        void onCompleted() override { m_sink->completed(IsLeft); }

    private:
        std::shared_ptr<CombineLatestSink> m_sink;
    };

    // The downstream observer is called with the lock held: that is what keeps
    // its calls one at a time, in the order the combined values were made,
    // when the two sides emit on different threads. The lock is recursive so
    // that a handler may emit into one of the sides again on the same thread.
    template <bool IsLeft, class V> void next(const V& value)
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped || isDisposed())
            return;
        if constexpr (IsLeft)
            m_left = value;
        else
            m_right = value;
        if (m_left && m_right)
            m_downstream.onNext(std::invoke(m_combiner, *m_left, *m_right));
    }

    // Complete when both sides have, or as soon as one side completes without
    // having emitted: no combined value can come any more.
    void completed(bool left)
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped || isDisposed())
            return;
        (left ? m_leftDone : m_rightDone) = true;
        const bool neverEmitted = left ? !m_left : !m_right;
        if (!neverEmitted && !(m_leftDone && m_rightDone))
            return;
        m_stopped = true;
        m_downstream.onCompleted();
        dispose();
    }

    void onDispose() noexcept override
    {
        // Not under m_mutex: disposing from another thread must not wait for
        // a delivery in progress (that delivery may be what disposes).
        m_leftSubscription.dispose();
        m_rightSubscription.dispose();
    }

    std::recursive_mutex m_mutex;
    Observer<R> m_downstream;
    F m_combiner;
    std::optional<A> m_left;
    std::optional<B> m_right;
    bool m_leftDone{false};
    bool m_rightDone{false};
    bool m_stopped{false};
    SingleAssignmentDisposable m_leftSubscription;
    SingleAssignmentDisposable m_rightSubscription;
};

}  // namespace detail

// Emits once both sources have emitted, then on every emission of either,
// combining the latest value of each with `combiner`. Completes when both
// sources have completed, or when one completes without having emitted.
template <ObservableConvertible SA, ObservableConvertible SB, class F>
requires std::invocable<F&, const typename SA::Element&, const typename SB::Element&>
auto combineLatest(const SA& left, const SB& right, F combiner)
{
    using A = typename SA::Element;
    using B = typename SB::Element;
    using R = std::decay_t<std::invoke_result_t<F&, const A&, const B&>>;
    return Observable<R>(detail::raw, [left = Observable<A>(left.asObservable()),
                                       right = Observable<B>(right.asObservable()),
                                       combiner = std::move(combiner)](Observer<R> downstream) {
        auto sink = std::make_shared<detail::CombineLatestSink<A, B, R, F>>(std::move(downstream), combiner);
        sink->run(left, right);
        return Disposable(std::shared_ptr<detail::Cancelable>(std::move(sink)));
    });
}

// The same, emitting the pair of latest values.
template <ObservableConvertible SA, ObservableConvertible SB> auto combineLatest(const SA& left, const SB& right)
{
    using A = typename SA::Element;
    using B = typename SB::Element;
    return combineLatest(left, right, [](const A& a, const B& b) { return std::pair<A, B>(a, b); });
}

}  // namespace reactive
