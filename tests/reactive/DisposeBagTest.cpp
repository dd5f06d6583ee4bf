#include "reactive/DisposeBag.h"

#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "EventRecorder.h"
#include "reactive/PublishSubject.h"

using reactive::Disposable;
using reactive::DisposeBag;
using reactive::PublishSubject;
using testing::ElementsAre;
using testing::IsEmpty;

TEST(DisposeBagTest, DestroyingTheBagEndsItsSubscriptions)
{
    PublishSubject<int> subject;
    int received = 0;
    {
        DisposeBag bag;
        subject.subscribe([&](int) { ++received; }).disposed(bag);
        subject.subscribe([&](int) { ++received; }).disposed(bag);
        EXPECT_EQ(bag.size(), 2u);
        subject.onNext(1);
    }
    subject.onNext(2);
    EXPECT_EQ(received, 2);
    EXPECT_FALSE(subject.hasObservers());
}

TEST(DisposeBagTest, DisposesInInsertionOrder)
{
    EventRecorder recorder;
    {
        DisposeBag bag;
        Disposable([&] { recorder.record("first"); }).disposed(bag);
        bag.insert(Disposable([&] { recorder.record("second"); }));
        Disposable([&] { recorder.record("third"); }).disposed(bag);
        EXPECT_THAT(recorder.events(), IsEmpty());
    }
    EXPECT_THAT(recorder.events(), ElementsAre("first", "second", "third"));
}

TEST(DisposeBagTest, AssigningAFreshBagEndsTheOldSubscriptions)
{
    PublishSubject<int> subject;
    EventRecorder recorder;
    DisposeBag bag;
    subject.subscribe([&](int value) { recorder.record("old:" + std::to_string(value)); }).disposed(bag);
    subject.onNext(1);

    bag = DisposeBag();
    EXPECT_EQ(bag.size(), 0u);
    subject.subscribe([&](int value) { recorder.record("new:" + std::to_string(value)); }).disposed(bag);
    subject.onNext(2);

    EXPECT_THAT(recorder.events(), ElementsAre("old:1", "new:2"));
}

TEST(DisposeBagTest, MovingABagKeepsItsSubscriptions)
{
    PublishSubject<int> subject;
    int received = 0;
    auto bag = std::make_unique<DisposeBag>();
    subject.subscribe([&](int) { ++received; }).disposed(*bag);

    DisposeBag moved(std::move(*bag));
    bag.reset();
    subject.onNext(1);
    EXPECT_EQ(received, 1);
    EXPECT_EQ(moved.size(), 1u);
}

TEST(DisposeBagTest, OwnerGoingAwayEndsItsSubscriptions)
{
    // The application's pattern: an object keeps its subscriptions in its own
    // bag, and the handler captures the object without owning it.
    struct Owner {
        int received = 0;
        DisposeBag disposeBag;
    };
    PublishSubject<int> subject;
    auto owner = std::make_unique<Owner>();
    Owner* raw = owner.get();
    subject.subscribe([raw](int) { ++raw->received; }).disposed(owner->disposeBag);
    subject.onNext(1);
    EXPECT_EQ(owner->received, 1);

    owner.reset();
    subject.onNext(2);  // would be a use after free if the subscription had outlived the bag
    EXPECT_FALSE(subject.hasObservers());
}
