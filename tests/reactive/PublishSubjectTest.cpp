#include "reactive/PublishSubject.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "EventRecorder.h"
#include "reactive/DisposeBag.h"

using reactive::Disposable;
using reactive::DisposeBag;
using reactive::PublishSubject;
using reactive::Unit;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

auto recordAs(EventRecorder& recorder, std::string name)
{
    return [&recorder, name](int value) { recorder.record(name + ":" + std::to_string(value)); };
}

}  // namespace

TEST(PublishSubjectTest, DeliversToSubscribersInSubscriptionOrder)
{
    PublishSubject<int> subject;
    EventRecorder recorder;
    DisposeBag bag;
    subject.subscribe(recordAs(recorder, "a")).disposed(bag);
    subject.subscribe(recordAs(recorder, "b")).disposed(bag);
    subject.subscribe(recordAs(recorder, "c")).disposed(bag);

    subject.onNext(1);
    subject.onNext(2);

    EXPECT_THAT(recorder.events(), ElementsAre("a:1", "b:1", "c:1", "a:2", "b:2", "c:2"));
}

TEST(PublishSubjectTest, EmittingWithoutSubscribersIsDropped)
{
    PublishSubject<int> subject;
    subject.onNext(1);
    EXPECT_FALSE(subject.hasObservers());
}

TEST(PublishSubjectTest, LateSubscriberGetsNoReplay)
{
    PublishSubject<int> subject;
    EventRecorder recorder;
    DisposeBag bag;
    subject.subscribe(recordAs(recorder, "early")).disposed(bag);
    subject.onNext(1);
    subject.onNext(2);

    subject.subscribe(recordAs(recorder, "late")).disposed(bag);
    EXPECT_THAT(recorder.take(), ElementsAre("early:1", "early:2"));

    subject.onNext(3);
    EXPECT_THAT(recorder.take(), ElementsAre("early:3", "late:3"));
}

TEST(PublishSubjectTest, SubscriberAddedDuringEmissionMissesThatEmission)
{
    PublishSubject<int> subject;
    EventRecorder recorder;
    DisposeBag bag;
    std::optional<Disposable> added;
    subject
        .subscribe([&](int value) {
            recorder.record("first:" + std::to_string(value));
            if (!added)
                added = subject.subscribe(recordAs(recorder, "added"));
        })
        .disposed(bag);
    subject.subscribe(recordAs(recorder, "second")).disposed(bag);

    subject.onNext(1);
    EXPECT_THAT(recorder.take(), ElementsAre("first:1", "second:1"));

    subject.onNext(2);
    EXPECT_THAT(recorder.take(), ElementsAre("first:2", "second:2", "added:2"));
}

// Who disposes whom during one emission, and what each subscriber still gets.
TEST(PublishSubjectTest, DisposalDuringEmissionSkipsSubscribersNotYetReached)
{
    struct Case {
        const char* name;
        int disposer;  // index of the subscriber whose handler disposes
        int disposed;  // index of the subscriber it disposes
        std::vector<std::string> firstEmission;
        std::vector<std::string> secondEmission;
    };
    const Case cases[] = {
        {.name = "later one",
         .disposer = 0,
         .disposed = 2,
         .firstEmission = {"0:1", "1:1"},
         .secondEmission = {"0:2", "1:2"}},
        {.name = "earlier one",
         .disposer = 2,
         .disposed = 0,
         .firstEmission = {"0:1", "1:1", "2:1"},
         .secondEmission = {"1:2", "2:2"}},
        {.name = "itself",
         .disposer = 1,
         .disposed = 1,
         .firstEmission = {"0:1", "1:1", "2:1"},
         .secondEmission = {"0:2", "2:2"}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        PublishSubject<int> subject;
        EventRecorder recorder;
        std::vector<Disposable> subscriptions(3);
        for (int index = 0; index < 3; ++index) {
            subscriptions[index] = subject.subscribe([&, index](int value) {
                recorder.record(std::to_string(index) + ":" + std::to_string(value));
                if (index == row.disposer)
                    subscriptions[row.disposed].dispose();
            });
        }

        subject.onNext(1);
        EXPECT_EQ(recorder.take(), row.firstEmission);
        subject.onNext(2);
        EXPECT_EQ(recorder.take(), row.secondEmission);
    }
}

TEST(PublishSubjectTest, HandlerMayDestroyItsOwnSubscription)
{
    PublishSubject<int> subject;
    EventRecorder recorder;
    auto token = std::make_shared<int>(0);
    auto subscription = std::make_unique<Disposable>();
    *subscription = subject.subscribe([&, token](int value) {
        recorder.record("got:" + std::to_string(value));
        subscription.reset();  // destroys the handle, and so ends the subscription, while inside it
        recorder.record("token still alive:" + std::to_string(*token));
    });

    subject.onNext(1);
    subject.onNext(2);

    EXPECT_THAT(recorder.events(), ElementsAre("got:1", "token still alive:0"));
    EXPECT_FALSE(subject.hasObservers());
    EXPECT_EQ(token.use_count(), 1) << "the handler is released once the emission is over";
}

TEST(PublishSubjectTest, ReentrantEmissionIsDeliveredDepthFirst)
{
    PublishSubject<int> subject;
    EventRecorder recorder;
    DisposeBag bag;
    subject
        .subscribe([&](int value) {
            recorder.record("a:" + std::to_string(value));
            if (value == 1)
                subject.onNext(2);
        })
        .disposed(bag);
    subject.subscribe(recordAs(recorder, "b")).disposed(bag);

    subject.onNext(1);

    EXPECT_THAT(recorder.events(), ElementsAre("a:1", "a:2", "b:2", "b:1"));
}

TEST(PublishSubjectTest, HasObserversFollowsSubscribeAndDispose)
{
    PublishSubject<int> subject;
    EXPECT_FALSE(subject.hasObservers());
    auto first = subject.subscribe([](int) {});
    auto second = subject.subscribe([](int) {});
    EXPECT_TRUE(subject.hasObservers());
    first.dispose();
    EXPECT_TRUE(subject.hasObservers());
    second.dispose();
    EXPECT_FALSE(subject.hasObservers());
}

TEST(PublishSubjectTest, UnitSubjectIsAChangeSignal)
{
    PublishSubject<Unit> changed;
    int count = 0;
    auto subscription = changed.subscribe([&](Unit) { ++count; });
    changed.onNext();
    changed.onNext(Unit{});
    EXPECT_EQ(count, 2);
}

TEST(PublishSubjectTest, CompletionEndsDeliveryAndCompletesLateSubscribers)
{
    PublishSubject<int> subject;
    EventRecorder recorder;
    auto early = subject.subscribe(recordAs(recorder, "early"), [&] { recorder.record("early done"); });
    subject.onNext(1);
    subject.onCompleted();
    subject.onNext(2);
    subject.onCompleted();
    auto late = subject.subscribe(recordAs(recorder, "late"), [&] { recorder.record("late done"); });

    EXPECT_THAT(recorder.events(), ElementsAre("early:1", "early done", "late done"));
    EXPECT_TRUE(early.isDisposed());
    EXPECT_TRUE(late.isDisposed());
    EXPECT_FALSE(subject.hasObservers());
}

TEST(PublishSubjectTest, SubscriptionMayOutliveTheSubject)
{
    Disposable subscription;
    {
        PublishSubject<int> subject;
        subscription = subject.subscribe([](int) {});
    }
    EXPECT_FALSE(subscription.isDisposed());
    subscription.dispose();
    EXPECT_TRUE(subscription.isDisposed());
}

TEST(PublishSubjectTest, ObservableKeepsDeliveringAfterTheSubjectHandleIsGone)
{
    EventRecorder recorder;
    auto subject = std::make_unique<PublishSubject<int>>();
    auto observable = subject->asObservable();
    auto subscription = observable.subscribe(recordAs(recorder, "x"));
    subject->onNext(1);
    subject.reset();
    auto later = observable.subscribe(recordAs(recorder, "y"));  // nothing will ever come, but it is safe

    EXPECT_THAT(recorder.events(), ElementsAre("x:1"));
}

TEST(PublishSubjectTest, HandlerMayDestroyTheSubjectDuringEmission)
{
    EventRecorder recorder;
    auto subject = std::make_unique<PublishSubject<int>>();
    DisposeBag bag;
    subject
        ->subscribe([&](int value) {
            recorder.record("a:" + std::to_string(value));
            subject.reset();
        })
        .disposed(bag);
    subject->subscribe(recordAs(recorder, "b")).disposed(bag);

    subject->onNext(1);

    EXPECT_THAT(recorder.events(), ElementsAre("a:1", "b:1"));
}
