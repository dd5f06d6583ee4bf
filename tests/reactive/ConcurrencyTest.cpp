// Emission, subscription and disposal from different threads. Meant to run
// under ThreadSanitizer as well: each test has fixed amounts of work, joins
// its threads, and synchronises with latches only (no sleeps, no timing), so
// what it asserts holds for every interleaving.

#include <atomic>
#include <latch>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "reactive/CombineLatest.h"
#include "reactive/Disposable.h"
#include "reactive/PublishSubject.h"

using reactive::combineLatest;
using reactive::Disposable;
using reactive::PublishSubject;

TEST(ConcurrencyTest, EmitOnOneThreadWhileAnotherSubscribesAndDisposes)
{
    constexpr int kEmissions = 20000;
    constexpr int kTrigger = 100;
    constexpr int kChurn = 200;

    PublishSubject<int> subject;
    std::atomic<int> received{0};
    std::atomic<bool> disposeReturned{false};
    std::atomic<int> callsAfterDispose{0};
    std::atomic<int> churnCalls{0};
    std::latch triggerReached{1};

    Disposable watched = subject.subscribe([&](int value) {
        if (disposeReturned.load())
            ++callsAfterDispose;
        ++received;
        if (value == kTrigger)
            triggerReached.count_down();
    });

    std::thread emitter([&] {
        for (int value = 0; value < kEmissions; ++value)
            subject.onNext(value);
    });
    std::thread disposer([&] {
        triggerReached.wait();
        // Subscribers come and go while the emitter walks the list.
        for (int round = 0; round < kChurn; ++round) {
            auto extra = subject.subscribe([&](int) { ++churnCalls; });
            if (round % 2 == 0)
                extra.dispose();
        }
        watched.dispose();
        disposeReturned.store(true);
    });
    emitter.join();
    disposer.join();

    EXPECT_GE(received.load(), kTrigger + 1);
    EXPECT_LE(received.load(), kEmissions);
    // A delivery that had already passed its check when dispose() ran on the
    // other thread may still finish; no later one may start.
    EXPECT_LE(callsAfterDispose.load(), 1);
    EXPECT_TRUE(watched.isDisposed());
    EXPECT_FALSE(subject.hasObservers());

    const int before = received.load();
    subject.onNext(kEmissions);
    EXPECT_EQ(received.load(), before);
}

TEST(ConcurrencyTest, CombineLatestSerialisesDeliveryFromTwoEmittingThreads)
{
    constexpr int kEmissionsPerSide = 5000;

    PublishSubject<int> left;
    PublishSubject<int> right;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    int delivered = 0;  // only touched inside the handler, which must never run twice at once
    auto subscription = combineLatest(left, right).subscribe([&](const std::pair<int, int>&) {
        if (inside.fetch_add(1) != 0)
            ++overlaps;
        ++delivered;
        inside.fetch_sub(1);
    });
    left.onNext(0);
    right.onNext(0);

    std::latch start{2};
    auto emit = [&](PublishSubject<int>& side) {
        start.arrive_and_wait();
        for (int value = 1; value <= kEmissionsPerSide; ++value)
            side.onNext(value);
    };
    std::thread leftThread(emit, std::ref(left));
    std::thread rightThread(emit, std::ref(right));
    leftThread.join();
    rightThread.join();

    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(delivered, 1 + 2 * kEmissionsPerSide);
}

TEST(ConcurrencyTest, SubscribeEmitAndDisposeFromManyThreadsAtOnce)
{
    constexpr int kThreads = 4;
    std::atomic<int> runs{0};
    PublishSubject<int> subject;
    Disposable subscription = subject.subscribe([](int) {});
    std::vector<Disposable> handles;
    for (int index = 0; index < kThreads; ++index)
        handles.emplace_back([&runs] { ++runs; });

    // Each thread disposes its own handles; what they share is the subject.
    std::latch start{kThreads};
    std::vector<std::thread> threads;
    for (int index = 0; index < kThreads; ++index) {
        threads.emplace_back([&, index] {
            start.arrive_and_wait();
            auto own = subject.subscribe([](int) {});
            subject.onNext(index);
            own.dispose();
            handles[index].dispose();
        });
    }
    for (auto& thread : threads)
        thread.join();

    EXPECT_EQ(runs.load(), kThreads);
    subscription.dispose();
    EXPECT_FALSE(subject.hasObservers());
}
