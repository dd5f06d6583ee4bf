#pragma once

#include <concepts>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "reactive/Disposable.h"
#include "reactive/Observer.h"
#include "reactive/detail/Sinks.h"

namespace reactive {

namespace detail {
// Marks the constructor that takes a subscribe function which already keeps
// the contract on its own (operators of this library); everyone else uses
// Observable<T>::create.
struct RawTag { };
inline constexpr RawTag raw{};
}  // namespace detail

// A stream of values of type T: a function that, given an observer, starts
// delivering to it and returns the Disposable that stops the delivery.
//
// An Observable is an immutable value, cheap to copy and safe to share between
// threads; each subscribe() runs the subscribe function anew (cold), except
// where the source is shared (a subject). Delivery happens on the thread that
// emits. Sources with state of their own (key-value observation of a user
// default, say) are written with create(): emit the current value, register
// for changes, and return a Disposable that unregisters.
template <class T> class Observable {
public:
    using Element = T;
    using SubscribeFunction = std::function<Disposable(Observer<T>)>;

    Observable(detail::RawTag, SubscribeFunction subscribe)
        : subscribe_(std::make_shared<const SubscribeFunction>(std::move(subscribe)))
    {
    }

    // `subscribe` is called once per subscriber with that subscriber's
    // observer and returns what ends the delivery. Events sent after the
    // subscription was disposed or after onCompleted are dropped.
    static Observable create(SubscribeFunction subscribe)
    {
        return Observable(detail::raw, [subscribe = std::move(subscribe)](Observer<T> downstream) {
            auto sink = std::make_shared<detail::CreateSink<T>>(std::move(downstream));
            sink->setUpstream(subscribe(Observer<T>(sink)));
            return Disposable(std::shared_ptr<detail::Cancelable>(std::move(sink)));
        });
    }

    const Observable& asObservable() const noexcept { return *this; }

    // Subscribes a raw observer; mostly for operators.
    Disposable subscribe(Observer<T> observer) const { return (*subscribe_)(std::move(observer)); }

    // The subscription lives until the returned Disposable is disposed or
    // destroyed (keep it in a DisposeBag), or until the stream completes.
    Disposable subscribe(std::function<void(const T&)> onNext, std::function<void()> onCompleted = {}) const
    {
        auto sink = std::make_shared<detail::SubscribeSink<T>>(std::move(onNext), std::move(onCompleted));
        sink->setUpstream(subscribe(Observer<T>(sink)));
        return Disposable(std::shared_ptr<detail::Cancelable>(std::move(sink)));
    }

    // Same as subscribe(onNext), under the name the application's code binds
    // with.
    Disposable bind(std::function<void(const T&)> onNext) const { return subscribe(std::move(onNext)); }

    template <class F>
    requires std::invocable<F&, const T&>
    auto map(F transform) const
    {
        using U = std::decay_t<std::invoke_result_t<F&, const T&>>;
        return Observable<U>(detail::raw, [source = *this, transform = std::move(transform)](Observer<U> downstream) {
            return source.subscribe(
                Observer<T>(std::make_shared<detail::MapObserver<T, U, F>>(std::move(downstream), transform)));
        });
    }

    template <class F>
    requires std::predicate<F&, const T&> Observable filter(F predicate)
    const
    {
        return Observable(detail::raw, [source = *this, predicate = std::move(predicate)](Observer<T> downstream) {
            return source.subscribe(
                Observer<T>(std::make_shared<detail::FilterObserver<T, F>>(std::move(downstream), predicate)));
        });
    }

    // Maps each value to an optional and passes on only the present ones.
    template <class F>
    requires std::invocable<F&, const T&> &&
        detail::IsOptional<std::decay_t<std::invoke_result_t<F&, const T&>>>::value auto
        compactMap(F transform) const
    {
        using U = typename std::decay_t<std::invoke_result_t<F&, const T&>>::value_type;
        return Observable<U>(detail::raw, [source = *this, transform = std::move(transform)](Observer<U> downstream) {
            return source.subscribe(
                Observer<T>(std::make_shared<detail::CompactMapObserver<T, U, F>>(std::move(downstream), transform)));
        });
    }

    // On a stream of optionals: drops the empty values and unwraps the others.
    auto filterNil() const requires detail::IsOptional<T>::value
    {
        return compactMap([](const T& value) { return value; });
    }

private:
    std::shared_ptr<const SubscribeFunction> subscribe_;
};

// Anything that can be used where an Observable is expected: an Observable or
// a subject.
template <class S>
concept ObservableConvertible = requires(const S& source)
{
    typename S::Element;
    {
        source.asObservable()
        } -> std::convertible_to<Observable<typename S::Element>>;
};

// Emits `value` to each subscriber, then completes.
template <class T> Observable<std::decay_t<T>> just(T&& value)
{
    using V = std::decay_t<T>;
    return Observable<V>(detail::raw, [value = V(std::forward<T>(value))](Observer<V> observer) {
        observer.onNext(value);
        observer.onCompleted();
        return Disposable();
    });
}

}  // namespace reactive
