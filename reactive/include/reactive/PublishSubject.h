#pragma once

#include <algorithm>
#include <concepts>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "reactive/Disposable.h"
#include "reactive/Observable.h"
#include "reactive/Observer.h"
#include "reactive/Unit.h"
#include "reactive/detail/Cancelable.h"

namespace reactive {

namespace detail {

// The shared part of a PublishSubject: the subscribers of the moment.
//
// The list is copy-on-write: subscribing and disposing build a new list under
// the lock, emitting only takes a reference to the current one, so an emission
// costs one reference count whatever the number of subscribers, and
// subscribers can come and go during an emission (also from another thread)
// without disturbing the list it walks.
template <class T> class SubjectCore : public std::enable_shared_from_this<SubjectCore<T>> {
public:
    class Subscription;
    using List = std::vector<std::shared_ptr<Subscription>>;

    class Subscription final : public Cancelable {
    public:
        Subscription(std::weak_ptr<SubjectCore> core, Observer<T> observer) noexcept
            : core_(std::move(core))
            , observer_(std::move(observer))
        {
        }

        void deliver(const T& value) const
        {
            // Checked per subscriber, just before its turn: one disposed
            // earlier in the same emission is skipped.
            if (!isDisposed())
                observer_.onNext(value);
        }

        void complete() const
        {
            if (!isDisposed())
                observer_.onCompleted();
        }

    private:
        void onDispose() noexcept override
        {
            // Weak: the subject may be gone before its subscribers.
            if (auto core = core_.lock())
                core->remove(this);
        }

        std::weak_ptr<SubjectCore> core_;
        // Kept until the subscription object goes: an emission that took the
        // list before the disposal may still be calling it.
        Observer<T> observer_;
    };

    Disposable subscribe(Observer<T> observer)
    {
        std::unique_lock lock(mutex_);
        if (completed_) {
            lock.unlock();
            observer.onCompleted();
            return Disposable();
        }
        auto subscription = std::make_shared<Subscription>(this->weak_from_this(), std::move(observer));
        auto list = std::make_shared<List>();
        if (list_) {
            list->reserve(list_->size() + 1);
            *list = *list_;
        }
        list->push_back(subscription);
        list_ = std::move(list);
        return Disposable(std::shared_ptr<Cancelable>(std::move(subscription)));
    }

    void onNext(const T& value)
    {
        std::shared_ptr<const List> list;
        {
            std::lock_guard lock(mutex_);
            if (completed_)
                return;
            list = list_;
        }
        if (!list)
            return;
        for (const auto& subscription : *list)
            subscription->deliver(value);
    }

    void onCompleted()
    {
        std::shared_ptr<const List> list;
        {
            std::lock_guard lock(mutex_);
            if (completed_)
                return;
            completed_ = true;
            list = std::move(list_);
        }
        if (!list)
            return;
        for (const auto& subscription : *list)
            subscription->complete();
    }

    bool hasObservers() const
    {
        std::lock_guard lock(mutex_);
        return list_ && !list_->empty();
    }

private:
    void remove(const Subscription* subscription)
    {
        std::shared_ptr<const List> old;  // released outside the lock
        std::lock_guard lock(mutex_);
        if (!list_)
            return;
        auto found = std::find_if(list_->begin(), list_->end(),
                                  [subscription](const auto& entry) { return entry.get() == subscription; });
        if (found == list_->end())
            return;
        std::shared_ptr<const List> list;
        if (list_->size() > 1) {
            auto rest = std::make_shared<List>();
            rest->reserve(list_->size() - 1);
            rest->insert(rest->end(), list_->begin(), found);
            rest->insert(rest->end(), std::next(found), list_->end());
            list = std::move(rest);
        }
        old = std::exchange(list_, std::move(list));
    }

    mutable std::mutex mutex_;
    std::shared_ptr<const List> list_;
    bool completed_{false};
};

}  // namespace detail

// A change signal or event bus: delivers each value synchronously, on the
// emitting thread, to the subscribers of that moment, in the order they
// subscribed. No replay: a subscriber sees only what is emitted after it
// subscribed. A subscriber added during an emission misses that emission; one
// disposed during it, before its turn, misses it too. onNext, onCompleted,
// subscribing and disposing may be called from different threads; emissions
// from several threads at once are not ordered against each other.
//
// After onCompleted, nothing more is delivered and new subscribers are
// completed at once. Observables taken from the subject keep its shared part
// alive; destroying the subject does not complete its subscribers.
template <class T> class PublishSubject {
public:
    using Element = T;

    PublishSubject()
        : core_(std::make_shared<detail::SubjectCore<T>>())
        , observable_(detail::raw,
                      [core = core_](Observer<T> observer) { return core->subscribe(std::move(observer)); })
    {
    }
    PublishSubject(const PublishSubject&) = delete;
    PublishSubject& operator=(const PublishSubject&) = delete;

    // The shared part is held for the duration of the call: a handler may
    // destroy the object that owns this subject.
    void onNext(const T& value)
    {
        auto core = core_;
        core->onNext(value);
    }
    void onNext() requires std::same_as<T, Unit> { onNext(Unit{}); }
    void onCompleted()
    {
        auto core = core_;
        core->onCompleted();
    }

    bool hasObservers() const { return core_->hasObservers(); }

    const Observable<T>& asObservable() const noexcept { return observable_; }

    Disposable subscribe(std::function<void(const T&)> onNext, std::function<void()> onCompleted = {}) const
    {
        return observable_.subscribe(std::move(onNext), std::move(onCompleted));
    }
    Disposable bind(std::function<void(const T&)> onNext) const { return observable_.bind(std::move(onNext)); }

private:
    std::shared_ptr<detail::SubjectCore<T>> core_;
    Observable<T> observable_;
};

}  // namespace reactive
