#include "reactive/Disposable.h"

#include <memory>
#include <utility>

#include <gtest/gtest.h>

#include "reactive/PublishSubject.h"

using reactive::Disposable;
using reactive::PublishSubject;

TEST(DisposableTest, DisposeRunsTheActionOnce)
{
    int runs = 0;
    {
        Disposable disposable([&] { ++runs; });
        EXPECT_FALSE(disposable.isDisposed());
        disposable.dispose();
        disposable.dispose();
        EXPECT_TRUE(disposable.isDisposed());
    }
    EXPECT_EQ(runs, 1) << "neither a second dispose nor the destructor runs it again";
}

TEST(DisposableTest, DestructionDisposes)
{
    int runs = 0;
    {
        Disposable disposable([&] { ++runs; });
    }
    EXPECT_EQ(runs, 1);
}

TEST(DisposableTest, EmptyDisposableHasNothingToEnd)
{
    Disposable disposable;
    EXPECT_TRUE(disposable.isDisposed());
    disposable.dispose();
    EXPECT_TRUE(disposable.isDisposed());
}

TEST(DisposableTest, MoveHandsOverTheSubscription)
{
    int runs = 0;
    Disposable target;
    {
        Disposable source([&] { ++runs; });
        target = std::move(source);
        EXPECT_TRUE(source.isDisposed());  // NOLINT(bugprone-use-after-move): moved-from is empty by contract
    }
    EXPECT_EQ(runs, 0) << "the moved-from handle does not dispose";
    Disposable moved(std::move(target));
    EXPECT_EQ(runs, 0);
    moved.dispose();
    EXPECT_EQ(runs, 1);
}

TEST(DisposableTest, MoveAssignmentDisposesWhatWasHeld)
{
    int first = 0;
    int second = 0;
    Disposable disposable([&] { ++first; });
    disposable = Disposable([&] { ++second; });
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    disposable = Disposable();
    EXPECT_EQ(second, 1);
}

TEST(DisposableTest, DisposeReleasesWhatTheActionCaptured)
{
    auto token = std::make_shared<int>(0);
    Disposable disposable([token] {});
    EXPECT_EQ(token.use_count(), 2);
    disposable.dispose();
    EXPECT_EQ(token.use_count(), 1);
}

TEST(DisposableTest, DisposingASubscriptionEndsDeliveryAndReleasesTheHandler)
{
    PublishSubject<int> subject;
    auto token = std::make_shared<int>(0);
    int received = 0;
    auto subscription = subject.subscribe([&received, token](int) { ++received; });
    subject.onNext(1);
    EXPECT_EQ(token.use_count(), 2);

    subscription.dispose();
    subject.onNext(2);

    EXPECT_EQ(received, 1);
    EXPECT_TRUE(subscription.isDisposed());
    EXPECT_FALSE(subject.hasObservers());
    EXPECT_EQ(token.use_count(), 1);
}

TEST(DisposableTest, DroppingTheSubscriptionEndsIt)
{
    PublishSubject<int> subject;
    int received = 0;
    {
        auto subscription = subject.subscribe([&](int) { ++received; });
        subject.onNext(1);
    }
    subject.onNext(2);
    EXPECT_EQ(received, 1);
    EXPECT_FALSE(subject.hasObservers());
}

TEST(DisposableTest, DisposedByTheSourceCompleting)
{
    PublishSubject<int> subject;
    auto subscription = subject.subscribe([](int) {});
    EXPECT_FALSE(subscription.isDisposed());
    subject.onCompleted();
    EXPECT_TRUE(subscription.isDisposed());
    subscription.dispose();
}
