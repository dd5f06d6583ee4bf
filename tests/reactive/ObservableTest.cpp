#include "reactive/Observable.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "EventRecorder.h"
#include "reactive/DisposeBag.h"
#include "reactive/PublishSubject.h"

using reactive::Disposable;
using reactive::DisposeBag;
using reactive::just;
using reactive::Observable;
using reactive::Observer;
using reactive::PublishSubject;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

template <class T> std::vector<T> collect(const Observable<T>& observable, const std::function<void()>& drive)
{
    std::vector<T> values;
    auto subscription = observable.subscribe([&](const T& value) { values.push_back(value); });
    drive();
    return values;
}

// A small key-value store whose values can be watched, standing in for the
// user defaults: how a key-value observation stream is built on create().
class FakeDefaults {
public:
    void set(const std::string& key, std::optional<bool> value)
    {
        values_[key] = value;
        auto observers = observers_;  // called out over a copy: observers may go away meanwhile
        for (const auto& [id, observer] : observers)
            if (observers_.count(id) && observer.first == key)
                observer.second(value);
    }

    // A stream of the key's value that starts with the current value.
    Observable<std::optional<bool>> observe(const std::string& key)
    {
        return Observable<std::optional<bool>>::create([this, key](Observer<std::optional<bool>> observer) {
            auto found = values_.find(key);
            observer.onNext(found == values_.end() ? std::nullopt : found->second);
            const int id = nextId_++;
            observers_[id] = {key, [observer](std::optional<bool> value) { observer.onNext(value); }};
            return Disposable([this, id] { observers_.erase(id); });
        });
    }

    std::size_t observerCount() const { return observers_.size(); }

private:
    std::map<std::string, std::optional<bool>> values_;
    std::map<int, std::pair<std::string, std::function<void(std::optional<bool>)>>> observers_;
    int nextId_ = 0;
};

}  // namespace

TEST(ObservableTest, OperatorChainsTransformAndDrop)
{
    struct Case {
        const char* name;
        std::function<Observable<std::string>(const Observable<int>&)> chain;
        std::vector<std::string> expected;
    };
    const std::vector<int> input = {1, 2, 3, 4, 5, 6};
    const Case cases[] = {
        {.name = "map",
         .chain =
             [](const Observable<int>& source) { return source.map([](int v) { return std::to_string(v * 10); }); },
         .expected = {"10", "20", "30", "40", "50", "60"}},
        {.name = "filter then map",
         .chain =
             [](const Observable<int>& source) {
                 return source.filter([](int v) { return v % 2 == 0; }).map([](int v) { return std::to_string(v); });
             },
         .expected = {"2", "4", "6"}},
        {.name = "map then filter",
         .chain =
             [](const Observable<int>& source) {
                 return source.map([](int v) { return std::to_string(v); }).filter([](const std::string& s) {
                     return s != "3";
                 });
             },
         .expected = {"1", "2", "4", "5", "6"}},
        {.name = "compactMap",
         .chain =
             [](const Observable<int>& source) {
                 return source.compactMap([](int v) {
                     return v > 3 ? std::optional<std::string>("big" + std::to_string(v)) : std::nullopt;
                 });
             },
         .expected = {"big4", "big5", "big6"}},
        {.name = "map to optional, filterNil",
         .chain =
             [](const Observable<int>& source) {
                 return source.map([](int v) { return v % 3 == 0 ? std::optional<int>(v) : std::nullopt; })
                     .filterNil()
                     .map([](int v) { return std::to_string(v); });
             },
         .expected = {"3", "6"}},
        {.name = "filter everything",
         .chain =
             [](const Observable<int>& source) {
                 return source.filter([](int) { return false; }).map([](int v) { return std::to_string(v); });
             },
         .expected = {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        PublishSubject<int> subject;
        auto values = collect(row.chain(subject.asObservable()), [&] {
            for (int value : input)
                subject.onNext(value);
        });
        EXPECT_EQ(values, row.expected);
    }
}

TEST(ObservableTest, FilterNilOnAStreamOfOptionalBooleans)
{
    PublishSubject<std::optional<bool>> subject;
    auto values = collect(subject.asObservable().filterNil(), [&] {
        subject.onNext(std::nullopt);
        subject.onNext(true);
        subject.onNext(std::nullopt);
        subject.onNext(false);
    });
    EXPECT_THAT(values, ElementsAre(true, false));
}

TEST(ObservableTest, OperatorsDoNotRunForADisposedSubscription)
{
    PublishSubject<int> subject;
    int mapped = 0;
    Disposable late;
    auto early = subject.subscribe([&](int) { late.dispose(); });
    late = subject.asObservable()
               .map([&](int v) {
                   ++mapped;
                   return v;
               })
               .subscribe([](int) {});

    subject.onNext(1);

    EXPECT_EQ(mapped, 0);
    EXPECT_TRUE(late.isDisposed());
    EXPECT_FALSE(early.isDisposed());
}

TEST(ObservableTest, EachSubscriberOfAChainGetsItsOwnSubscription)
{
    PublishSubject<int> subject;
    auto doubled = subject.asObservable().map([](int v) { return v * 2; });
    std::vector<int> first;
    std::vector<int> second;
    auto a = doubled.subscribe([&](int v) { first.push_back(v); });
    subject.onNext(1);
    auto b = doubled.subscribe([&](int v) { second.push_back(v); });
    subject.onNext(2);
    a.dispose();
    subject.onNext(3);

    EXPECT_THAT(first, ElementsAre(2, 4));
    EXPECT_THAT(second, ElementsAre(4, 6));
}

TEST(ObservableTest, CreateRunsPerSubscriberAndDisposesWhatItReturned)
{
    EventRecorder recorder;
    int subscriptions = 0;
    auto observable = Observable<int>::create([&](Observer<int> observer) {
        const int number = ++subscriptions;
        observer.onNext(number * 100);
        return Disposable([&recorder, number] { recorder.record("cleanup " + std::to_string(number)); });
    });

    auto first = observable.subscribe([&](int v) { recorder.record("first:" + std::to_string(v)); });
    auto second = observable.subscribe([&](int v) { recorder.record("second:" + std::to_string(v)); });
    first.dispose();
    first.dispose();
    second.dispose();

    EXPECT_THAT(recorder.events(), ElementsAre("first:100", "second:200", "cleanup 1", "cleanup 2"));
}

TEST(ObservableTest, CreateDropsEventsAfterDisposalAndAfterCompletion)
{
    std::optional<Observer<int>> captured;
    EventRecorder recorder;
    int cleanups = 0;
    auto observable = Observable<int>::create([&](Observer<int> observer) {
        captured = observer;
        return Disposable([&] { ++cleanups; });
    });

    auto disposed = observable.subscribe([&](int v) { recorder.record("disposed:" + std::to_string(v)); });
    auto disposedObserver = *captured;
    disposed.dispose();
    disposedObserver.onNext(1);

    auto completed = observable.subscribe([&](int v) { recorder.record("completed:" + std::to_string(v)); },
                                          [&] { recorder.record("done"); });
    captured->onNext(2);
    captured->onCompleted();
    captured->onNext(3);
    captured->onCompleted();

    EXPECT_THAT(recorder.events(), ElementsAre("completed:2", "done"));
    EXPECT_EQ(cleanups, 2) << "completion ends the subscription from the inside too";
    EXPECT_TRUE(completed.isDisposed());
}

TEST(ObservableTest, CreateThatCompletesWhileSubscribingIsCleanedUpAtOnce)
{
    int cleanups = 0;
    auto observable = Observable<int>::create([&](Observer<int> observer) {
        observer.onNext(7);
        observer.onCompleted();
        return Disposable([&] { ++cleanups; });
    });
    std::vector<int> values;
    auto subscription = observable.subscribe([&](int v) { values.push_back(v); });

    EXPECT_THAT(values, ElementsAre(7));
    EXPECT_EQ(cleanups, 1);
    EXPECT_TRUE(subscription.isDisposed());
}

TEST(ObservableTest, JustEmitsOnceThenCompletes)
{
    EventRecorder recorder;
    auto observable = just(std::string("hello"));
    auto subscription =
        observable.subscribe([&](const std::string& v) { recorder.record(v); }, [&] { recorder.record("done"); });
    auto again = observable.map([](const std::string& v) { return v.size(); }).subscribe([&](std::size_t n) {
        recorder.record(std::to_string(n));
    });

    EXPECT_THAT(recorder.events(), ElementsAre("hello", "done", "5"));
    EXPECT_TRUE(subscription.isDisposed());
}

TEST(ObservableTest, AValueStreamBuiltOnCreateStartsWithTheCurrentValue)
{
    FakeDefaults defaults;
    defaults.set("launchAtLogin", true);
    std::vector<bool> registrations;
    {
        DisposeBag bag;
        defaults.observe("launchAtLogin")
            .filterNil()
            .subscribe([&](bool enabled) { registrations.push_back(enabled); })
            .disposed(bag);
        EXPECT_EQ(defaults.observerCount(), 1u);
        defaults.set("launchAtLogin", false);
        defaults.set("launchAtLogin", std::nullopt);
        defaults.set("miniMode", true);
        defaults.set("launchAtLogin", true);
    }
    EXPECT_EQ(defaults.observerCount(), 0u) << "the bag ended the observation";
    defaults.set("launchAtLogin", false);

    EXPECT_THAT(registrations, ElementsAre(true, false, true));
}

TEST(ObservableTest, AnAbsentValueCountsAsFalseThroughMap)
{
    FakeDefaults defaults;
    std::vector<bool> values;
    auto subscription = defaults.observe("rememberShortcuts")
                            .map([](std::optional<bool> v) { return v.value_or(false); })
                            .subscribe([&](bool v) { values.push_back(v); });
    defaults.set("rememberShortcuts", true);

    EXPECT_THAT(values, ElementsAre(false, true));
}
