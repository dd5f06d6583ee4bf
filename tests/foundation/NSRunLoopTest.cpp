#include "foundation/NSRunLoop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "foundation/CFRunLoop.h"
#include "foundation/DispatchQueue.h"
#include "foundation/Log.h"
#include "foundation/NSTimer.h"
#include "foundation/ScopedVirtualClock.h"

using testing::ElementsAre;

namespace {

// Takes delayed messages with and without an argument and writes them down.
class Receiver : public NSObject {
    KS_OBJECT(Receiver, NSObject)
public:
    std::vector<std::string> log;

protected:
    static void describe(ClassDescriptor& d)
    {
        d.method<Receiver>("refresh:", ReturnKind::Void, [](Receiver& r, std::span<const Id> arguments) {
            r.log.push_back("refresh " + arguments[0].description().utf8());
            return Id();
        });
        d.method<Receiver>("tick", ReturnKind::Void, [](Receiver& r, std::span<const Id>) {
            r.log.push_back("tick");
            return Id();
        });
    }
};

}  // namespace

TEST(NSRunLoopTest, DeferredWorkRunsInDeadlineOrderOnOneClock)
{
    ScopedVirtualClock clock;
    std::vector<std::string> log;
    auto receiver = std::make_shared<Receiver>();
    auto& main = DispatchQueue::main();

    main.asyncAfter(0.02, [&] { log.push_back("click"); });
    performSelectorAfterDelay(*receiver, "tick", Id(), 0.01);
    main.async([&] { log.push_back("close"); });
    auto timer = NSTimer::scheduledTimerWithTimeInterval(0.015, false, [&](NSTimer&) { log.push_back("timer"); });
    // Equal deadlines keep the order they were scheduled in.
    main.asyncAfter(0.02, [&] { log.push_back("second click"); });

    EXPECT_TRUE(log.empty());
    clock.advance(0);
    EXPECT_THAT(log, ElementsAre("close"));
    clock.advance(0.0199);
    EXPECT_THAT(log, ElementsAre("close", "timer"));
    EXPECT_THAT(receiver->log, ElementsAre("tick"));
    clock.advance(0.0001);
    EXPECT_THAT(log, ElementsAre("close", "timer", "click", "second click"));
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(NSRunLoop::mainRunLoop().pendingWorkCount(), 0u);
}

TEST(NSRunLoopTest, WorkScheduledByWorkRunsInTheSameAdvanceWhenDue)
{
    ScopedVirtualClock clock;
    std::vector<std::string> log;
    auto& main = DispatchQueue::main();
    main.asyncAfter(1, [&] {
        log.push_back("first at " + std::to_string(clock.now()));
        main.asyncAfter(0.5, [&] { log.push_back("nested at " + std::to_string(clock.now())); });
        main.asyncAfter(5, [&] { log.push_back("too late"); });
    });
    main.asyncAfter(1.2, [&] { log.push_back("between at " + std::to_string(clock.now())); });

    clock.advance(2);
    EXPECT_THAT(log, ElementsAre("first at 1.000000", "between at 1.200000", "nested at 1.500000"));
    EXPECT_EQ(clock.now(), 2);
    EXPECT_EQ(NSRunLoop::mainRunLoop().pendingWorkCount(), 1u);
}

TEST(NSRunLoopTest, CancelPreviousPerformRequestsMatchesTargetSelectorAndArgument)
{
    ScopedVirtualClock clock;
    auto receiver = std::make_shared<Receiver>();
    auto other = std::make_shared<Receiver>();
    performSelectorAfterDelay(*receiver, "refresh:", "a", 0);
    performSelectorAfterDelay(*receiver, "refresh:", "b", 0);
    performSelectorAfterDelay(*receiver, "tick", Id(), 0);
    performSelectorAfterDelay(*other, "refresh:", "a", 0);

    cancelPreviousPerformRequestsWithTarget(*receiver, "refresh:", "a");
    clock.advance(0);
    EXPECT_THAT(receiver->log, ElementsAre("refresh b", "tick"));
    EXPECT_THAT(other->log, ElementsAre("refresh a"));

    // Without a selector every request to the target goes; a burst of
    // cancel-then-schedule leaves exactly one.
    receiver->log.clear();
    for (int i = 0; i < 3; ++i) {
        cancelPreviousPerformRequestsWithTarget(*receiver);
        performSelectorAfterDelay(*receiver, "refresh:", Id::number(i), 0);
    }
    performSelectorAfterDelay(*other, "tick", Id(), 0);
    clock.advance(0);
    EXPECT_THAT(receiver->log, ElementsAre("refresh 2"));
    EXPECT_EQ(other->log.back(), "tick");
}

TEST(NSRunLoopTest, WorkCanCancelWorkDueInTheSamePass)
{
    ScopedVirtualClock clock;
    auto receiver = std::make_shared<Receiver>();
    DispatchQueue::main().async([&] { cancelPreviousPerformRequestsWithTarget(*receiver); });
    performSelectorAfterDelay(*receiver, "tick", Id(), 0);
    clock.advance(1);
    EXPECT_TRUE(receiver->log.empty());
}

TEST(NSRunLoopTest, DelayedMessagesHoldTheirTargetUntilTheyRun)
{
    ScopedVirtualClock clock;
    auto receiver = std::make_shared<Receiver>();
    std::weak_ptr<Receiver> weak = receiver;
    performSelectorAfterDelay(*receiver, "tick", Id(), 1);
    receiver.reset();
    ASSERT_FALSE(weak.expired());
    clock.advance(1);
    EXPECT_TRUE(weak.expired());
}

TEST(NSRunLoopTest, RepeatingTimersFireOnTheirRhythmUntilInvalidated)
{
    ScopedVirtualClock clock;
    std::vector<double> fired;
    auto timer = NSTimer::scheduledTimerWithTimeInterval(0.25, true, [&](NSTimer& t) {
        fired.push_back(clock.now());
        if (fired.size() == 5)
            t.invalidate();
    });
    clock.advance(1);
    EXPECT_THAT(fired, ElementsAre(0.25, 0.5, 0.75, 1.0));
    EXPECT_DOUBLE_EQ(timer->fireDate(), 1.25);
    clock.advance(10);
    EXPECT_EQ(fired.size(), 5u);
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(NSRunLoop::mainRunLoop().pendingWorkCount(), 0u);

    auto receiver = std::make_shared<Receiver>();
    auto ticking = NSTimer::scheduledTimerWithTimeInterval(1, *receiver, "tick", Id(), true);
    clock.advance(2);
    ticking->invalidate();
    clock.advance(2);
    EXPECT_THAT(receiver->log, ElementsAre("tick", "tick"));
}

TEST(NSRunLoopTest, SignalledSourcesPerformOncePerSignal)
{
    ScopedVirtualClock clock;
    std::vector<std::string> log;
    auto early = CFRunLoopSource::create([&] { log.push_back("early"); }, -1);
    auto late = CFRunLoopSource::create([&] { log.push_back("late"); }, 5);
    CFRunLoopAddSource(CFRunLoopGetMain(), late, kCFRunLoopDefaultMode);
    CFRunLoopAddSource(CFRunLoopGetMain(), early, kCFRunLoopCommonModes);

    auto& loop = NSRunLoop::mainRunLoop();
    EXPECT_FALSE(loop.runOnce());
    CFRunLoopSourceSignal(late);
    CFRunLoopSourceSignal(early);
    CFRunLoopSourceSignal(late);
    EXPECT_EQ(loop.runUntilIdle(), 1u);
    EXPECT_THAT(log, ElementsAre("early", "late"));

    // Removed or invalidated sources are not performed, even when signalled.
    CFRunLoopSourceSignal(late);
    CFRunLoopRemoveSource(CFRunLoopGetMain(), late, kCFRunLoopDefaultMode);
    CFRunLoopSourceSignal(early);
    CFRunLoopSourceInvalidate(early);
    EXPECT_FALSE(CFRunLoopContainsSource(CFRunLoopGetMain(), early, kCFRunLoopDefaultMode));
    loop.runUntilIdle();
    EXPECT_EQ(log.size(), 2u);
    EXPECT_FALSE(CFRunLoopSourceIsValid(early));
}

TEST(NSRunLoopTest, SourcesCreatedFromAContextCallItsInfo)
{
    ScopedVirtualClock clock;
    int count = 0;
    CFRunLoopSourceContext context;
    context.info = &count;
    context.perform = [](void* info) { ++*static_cast<int*>(info); };
    CFRunLoopSourceRef source = CFRunLoopSourceCreate(kCFAllocatorDefault, 0, &context);
    CFRunLoopAddSource(CFRunLoopGetCurrent(), source, kCFRunLoopDefaultMode);
    source->signal();
    clock.advance(0);
    EXPECT_EQ(count, 1);
    CFRunLoopSourceInvalidate(source);
}

TEST(NSRunLoopTest, AClockChangeKeepsTheTimeLeftToWait)
{
    ScopedVirtualClock outer;
    bool ran = false;
    DispatchQueue::main().asyncAfter(5, [&] { ran = true; });
    outer.advance(2);
    ScopedVirtualClock inner(100);
    EXPECT_EQ(NSRunLoop::mainRunLoop().nextDeadline(), 103);
    inner.advance(3);
    EXPECT_TRUE(ran);
}

TEST(NSRunLoopTest, WorkLeftPendingDiesWithTheTestClock)
{
    std::shared_ptr<NSTimer> timer;
    bool ran = false;
    {
        ScopedVirtualClock clock;
        DispatchQueue::main().asyncAfter(1, [&] { ran = true; });
        timer = NSTimer::scheduledTimerWithTimeInterval(1, true, [](NSTimer&) {});
    }
    EXPECT_EQ(NSRunLoop::mainRunLoop().pendingWorkCount(), 0u);
    EXPECT_FALSE(timer->isValid());
    ScopedVirtualClock clock;
    clock.advance(5);
    EXPECT_FALSE(ran);
}

TEST(NSRunLoopTest, WorkThatReschedulesItselfAtOnceIsCutOffWithALogLine)
{
    ScopedVirtualClock clock;
    ScopedLogCapture capture;
    std::function<void()> again = [&] { DispatchQueue::main().async(again); };
    DispatchQueue::main().async(again);
    clock.advance(1);
    EXPECT_TRUE(capture.sink().contains(LogLevel::Error,
                                        "Run loop still busy after 100000 passes; leaving the rest for later"));
}

TEST(NSRunLoopTest, OtherThreadsWakeARunningLoop)
{
    ScopedVirtualClock clock;
    auto& loop = NSRunLoop::mainRunLoop();
    std::vector<std::string> log;
    auto source = CFRunLoopSource::create([&] { log.push_back("source"); });
    loop.addSource(source);
    std::thread producer([&] {
        source->signal();
        DispatchQueue::main().async([&] {
            log.push_back("block");
            loop.stop();
        });
    });
    // Returns only once the other thread's work has reached the main thread.
    loop.run();
    producer.join();
    loop.runUntilIdle();
    EXPECT_THAT(log, testing::UnorderedElementsAre("source", "block"));
    loop.removeSource(source);
}
