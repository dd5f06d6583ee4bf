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
        : downstream_(std::move(downstream))
        , combiner_(std::move(combiner))
    {
    }

    void run(const Observable<A>& left, const Observable<B>& right)
    {
        // Subscribed outside the lock: a source that emits while subscribing
        // (an initial value) comes back in through the side observers.
        leftSubscription_.set(left.subscribe(Observer<A>(std::make_shared<Side<A, true>>(this->shared_from_this()))));
        rightSubscription_.set(
            right.subscribe(Observer<B>(std::make_shared<Side<B, false>>(this->shared_from_this()))));
    }

private:
    template <class V, bool IsLeft> class Side final : public ObserverBase<V> {
    public:
        explicit Side(std::shared_ptr<CombineLatestSink> sink) noexcept
            : sink_(std::move(sink))
        {
        }
        void onNext(const V& value) override { sink_->template next<IsLeft>(value); }
        void onCompleted() override { sink_->completed(IsLeft); }

    private:
        std::shared_ptr<CombineLatestSink> sink_;
    };

    // The downstream observer is called with the lock held: that is what keeps
    // its calls one at a time, in the order the combined values were made,
    // when the two sides emit on different threads. The lock is recursive so
    // that a handler may emit into one of the sides again on the same thread.
    template <bool IsLeft, class V> void next(const V& value)
    {
        std::lock_guard lock(mutex_);
        if (stopped_ || isDisposed())
            return;
        if constexpr (IsLeft)
            left_ = value;
        else
            right_ = value;
        if (left_ && right_)
            downstream_.onNext(std::invoke(combiner_, *left_, *right_));
    }

    // Complete when both sides have, or as soon as one side completes without
    // having emitted: no combined value can come any more.
    void completed(bool left)
    {
        std::lock_guard lock(mutex_);
        if (stopped_ || isDisposed())
            return;
        (left ? leftDone_ : rightDone_) = true;
        const bool neverEmitted = left ? !left_ : !right_;
        if (!neverEmitted && !(leftDone_ && rightDone_))
            return;
        stopped_ = true;
        downstream_.onCompleted();
        dispose();
    }

    void onDispose() noexcept override
    {
        // Not under mutex_: disposing from another thread must not wait for
        // a delivery in progress (that delivery may be what disposes).
        leftSubscription_.dispose();
        rightSubscription_.dispose();
    }

    std::recursive_mutex mutex_;
    Observer<R> downstream_;
    F combiner_;
    std::optional<A> left_;
    std::optional<B> right_;
    bool leftDone_{false};
    bool rightDone_{false};
    bool stopped_{false};
    SingleAssignmentDisposable leftSubscription_;
    SingleAssignmentDisposable rightSubscription_;
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
