#include "quartz/CGEventTap.h"

#include "TestDesktops.h"
#include "foundation/NSRunLoop.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

using namespace simulation;

namespace {

constexpr CGEventMask kKeyEvents =
    CGEventMaskBit(kCGEventKeyDown) | CGEventMaskBit(kCGEventKeyUp) | CGEventMaskBit(kCGEventFlagsChanged);
constexpr std::uint16_t kA = 0;
constexpr std::uint16_t kB = 11;

DesktopState state(bool trusted = true)
{
    return test_desktops::otherInFront(trusted);
}

// What a tap's callback saw, and what it answers.
struct Listener {
    enum class Answer { Same, Swallow, ChangeToB };
    Answer answer = Answer::Same;
    std::vector<std::string> seen = {};
    std::vector<std::thread::id> threads = {};
    // Enabled again by the callback when the system turns it off.
    CFMachPortRef reenable = nullptr;

    static CGEventRef callback(CGEventTapProxy, CGEventType type, CGEventRef event, void* userInfo)
    {
        auto& self = *static_cast<Listener*>(userInfo);
        self.threads.push_back(std::this_thread::get_id());
        switch (type) {
        case kCGEventKeyDown:
            self.seen.push_back("down " + std::to_string(CGEventGetIntegerValueField(event, kCGKeyboardEventKeycode)));
            break;
        case kCGEventKeyUp:
            self.seen.push_back("up " + std::to_string(CGEventGetIntegerValueField(event, kCGKeyboardEventKeycode)));
            break;
        case kCGEventFlagsChanged:
            self.seen.push_back("flags " + std::to_string(CGEventGetFlags(event)));
            break;
        case kCGEventTapDisabledByTimeout:
        case kCGEventTapDisabledByUserInput:
            self.seen.push_back(type == kCGEventTapDisabledByTimeout ? "disabled by timeout"
                                                                     : "disabled by user input");
            EXPECT_EQ(CGEventGetType(event), type);
            if (self.reenable)
                CGEventTapEnable(self.reenable, true);
            return event;
        default:
            self.seen.push_back("other");
            break;
        }
        if (self.answer == Answer::Swallow)
            return nullptr;
        if (self.answer == Answer::ChangeToB)
            CGEventSetIntegerValueField(event, kCGKeyboardEventKeycode, kB);
        return event;
    }
};

struct EventTapTest : ::testing::Test {
    CFMachPortRef createTap(Listener& listener, CGEventTapOptions options = kCGEventTapOptionDefault,
                            CGEventMask mask = kKeyEvents, bool addToMainRunLoop = true)
    {
        auto tap =
            CGEventTapCreate(kCGSessionEventTap, kCGHeadInsertEventTap, options, mask, Listener::callback, &listener);
        if (tap && addToMainRunLoop)
            CFRunLoopAddSource(CFRunLoopGetMain(), CFMachPortCreateRunLoopSource(kCFAllocatorDefault, tap, 0),
                               kCFRunLoopDefaultMode);
        return tap;
    }

    // The desktop's number for the one tap installed.
    std::uint64_t onlyTap()
    {
        auto taps = desktop->eventTaps()->taps();
        EXPECT_EQ(taps.size(), 1u);
        return taps.empty() ? 0 : taps.front().identifier;
    }

    std::vector<std::string> delivered()
    {
        std::vector<std::string> result;
        for (const auto& delivery : desktop->keyboard()->deliveries())
            result.push_back(std::to_string(delivery.pid) + " " + std::to_string(delivery.event.keyCode) + " " +
                             delivery.event.characters.utf8());
        return result;
    }

    ScopedVirtualClock clock;
    ScopedDesktop desktop{state()};
};

TEST_F(EventTapTest, CreationNeedsAccessibilityTrust)
{
    Listener listener;
    {
        ScopedDesktop untrusted{state(false)};
        EXPECT_EQ(createTap(listener), nullptr);
        EXPECT_TRUE(untrusted->eventTaps()->taps().empty());
    }

    auto tap = createTap(listener, kCGEventTapOptionListenOnly);
    ASSERT_NE(tap, nullptr);
    EXPECT_TRUE(CFMachPortIsValid(tap));
    EXPECT_TRUE(CGEventTapIsEnabled(tap));
    auto info = desktop->eventTaps()->tap(onlyTap());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->pid, 40);
    EXPECT_EQ(info->location, 1u);
    EXPECT_EQ(info->eventsOfInterest, kKeyEvents);
    EXPECT_TRUE(info->listenOnly);
    EXPECT_EQ(CGEventTapCreate(kCGSessionEventTap, kCGHeadInsertEventTap, kCGEventTapOptionDefault, kKeyEvents, nullptr,
                               nullptr),
              nullptr);
}

TEST_F(EventTapTest, DefaultTapMayChangeOrSwallowListenOnlyCannot)
{
    struct Row {
        const char* name;
        CGEventTapOptions options;
        Listener::Answer answer;
        std::vector<std::string> delivered;
    };
    const Row rows[] = {
        {"default, same", kCGEventTapOptionDefault, Listener::Answer::Same, {"10 0 a"}},
        {"default, swallowed", kCGEventTapOptionDefault, Listener::Answer::Swallow, {}},
        {"default, changed", kCGEventTapOptionDefault, Listener::Answer::ChangeToB, {"10 11 b"}},
        {"listen only, swallowed", kCGEventTapOptionListenOnly, Listener::Answer::Swallow, {"10 0 a"}},
        {"listen only, changed", kCGEventTapOptionListenOnly, Listener::Answer::ChangeToB, {"10 0 a"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedDesktop fresh{state()};
        Listener listener{.answer = row.answer};
        auto tap = createTap(listener, row.options, CGEventMaskBit(kCGEventKeyDown));
        fresh->keyboard()->keyDown(kA);
        clock.advance(0);
        EXPECT_EQ(listener.seen, (std::vector<std::string>{"down 0"}));
        std::vector<std::string> delivered;
        for (const auto& delivery : fresh->keyboard()->deliveries())
            delivered.push_back(std::to_string(delivery.pid) + " " + std::to_string(delivery.event.keyCode) + " " +
                                delivery.event.characters.utf8());
        EXPECT_EQ(delivered, row.delivered);
    }
}

TEST_F(EventTapTest, CallbackRunsOnlyOnTheRunLoopOfItsSource)
{
    Listener listener;
    auto tap = createTap(listener, kCGEventTapOptionDefault, kKeyEvents, false);
    desktop->keyboard()->pressKey(kA);
    clock.advance(0);
    EXPECT_TRUE(listener.seen.empty());
    EXPECT_TRUE(delivered().empty());

    // Added late, the source delivers what waited, in order.
    auto source = CFMachPortCreateRunLoopSource(kCFAllocatorDefault, tap, 0);
    EXPECT_EQ(CFMachPortCreateRunLoopSource(kCFAllocatorDefault, tap, 0), source);
    CFRunLoopAddSource(CFRunLoopGetMain(), source, kCFRunLoopDefaultMode);
    clock.advance(0);
    EXPECT_EQ(listener.seen, (std::vector<std::string>{"down 0", "up 0"}));
    EXPECT_EQ(delivered(), (std::vector<std::string>{"10 0 a", "10 0 a"}));
}

TEST_F(EventTapTest, CallbackRunsOnTheTapsOwnThread)
{
    Listener listener;
    auto tap = createTap(listener, kCGEventTapOptionDefault, kKeyEvents, false);
    ASSERT_TRUE(desktop->activate(40));

    std::promise<NSRunLoop*> started;
    std::promise<void> stopped;
    std::thread thread([&] {
        NSRunLoop& loop = NSRunLoop::currentRunLoop();
        CFRunLoopAddSource(loop.getCFRunLoop(), CFMachPortCreateRunLoopSource(kCFAllocatorDefault, tap, 0),
                           kCFRunLoopDefaultMode);
        started.set_value(&loop);
        loop.run();
        // The thread's run loop goes with the thread: not before whoever
        // stopped it is done with it.
        stopped.get_future().wait();
    });
    NSRunLoop* tapLoop = started.get_future().get();

    // Our process gets the key on the main run loop once the tap has let it
    // through on its thread; that ends the main run loop's run.
    std::vector<std::thread::id> deliveredOn;
    desktop->keyboard()->setApplicationDelivery([&](pid_t, const KeyEvent&) {
        deliveredOn.push_back(std::this_thread::get_id());
        CFRunLoopStop(CFRunLoopGetMain());
    });
    desktop->keyboard()->keyDown(kA);
    NSRunLoop::mainRunLoop().run();

    tapLoop->stop();
    stopped.set_value();
    thread.join();
    ASSERT_EQ(listener.threads.size(), 1u);
    EXPECT_NE(listener.threads[0], std::this_thread::get_id());
    EXPECT_EQ(deliveredOn, (std::vector<std::thread::id>{std::this_thread::get_id()}));
}

TEST_F(EventTapTest, EnablingAndTheEventMaskDecideWhatReachesTheCallback)
{
    Listener listener;
    auto tap = createTap(listener, kCGEventTapOptionDefault, CGEventMaskBit(kCGEventKeyUp));
    desktop->keyboard()->pressKey(kA);
    CGEventTapEnable(tap, false);
    EXPECT_FALSE(CGEventTapIsEnabled(tap));
    clock.advance(0);
    desktop->keyboard()->pressKey(kB);
    CGEventTapEnable(tap, true);
    desktop->keyboard()->pressKey(kA);
    clock.advance(0);
    EXPECT_EQ(listener.seen, (std::vector<std::string>{"up 0", "up 0"}));
}

TEST_F(EventTapTest, SystemDisablingIsToldToTheCallback)
{
    struct Row {
        EventTapDisableReason reason;
        const char* notice;
    };
    const Row rows[] = {
        {EventTapDisableReason::Timeout, "disabled by timeout"},
        {EventTapDisableReason::UserInput, "disabled by user input"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.notice);
        Listener listener;
        auto tap = createTap(listener);
        EXPECT_TRUE(desktop->eventTaps()->disableBySystem(onlyTap(), row.reason));
        EXPECT_FALSE(CGEventTapIsEnabled(tap));
        desktop->keyboard()->keyDown(kA);
        clock.advance(0);
        EXPECT_EQ(listener.seen, (std::vector<std::string>{row.notice}));

        // A callback that enables its tap again sees the next key.
        CGEventTapEnable(tap, true);
        listener.reenable = tap;
        EXPECT_TRUE(desktop->eventTaps()->disableBySystem(onlyTap(), row.reason));
        clock.advance(0);
        EXPECT_TRUE(CGEventTapIsEnabled(tap));
        desktop->keyboard()->keyDown(kA);
        clock.advance(0);
        EXPECT_EQ(listener.seen, (std::vector<std::string>{row.notice, row.notice, "down 0"}));
        CFMachPortInvalidate(tap);
    }
}

TEST_F(EventTapTest, TapThatKeepsTheKeyboardWaitingIsDisabledByTimeout)
{
    Listener listener;
    auto tap = createTap(listener, kCGEventTapOptionDefault, kKeyEvents, false);
    desktop->keyboard()->pressKey(kA);
    clock.advance(SimulatedKeyboard::tapTimeout);
    EXPECT_FALSE(CGEventTapIsEnabled(tap));
    EXPECT_EQ(delivered(), (std::vector<std::string>{"10 0 a", "10 0 a"}));

    // The key that waited went on without the tap: only the notice is left
    // for it.
    CFRunLoopAddSource(CFRunLoopGetMain(), CFMachPortCreateRunLoopSource(kCFAllocatorDefault, tap, 0),
                       kCFRunLoopDefaultMode);
    clock.advance(0);
    EXPECT_EQ(listener.seen, (std::vector<std::string>{"disabled by timeout"}));
}

TEST_F(EventTapTest, ReleasedOrInvalidatedTapGetsNothing)
{
    struct Row {
        const char* name;
        bool release;
    };
    for (const Row& row : {Row{"released", true}, Row{"invalidated", false}}) {
        SCOPED_TRACE(row.name);
        ScopedDesktop fresh{state()};
        Listener listener{.answer = Listener::Answer::Swallow};
        auto tap = createTap(listener);
        auto source = CFMachPortCreateRunLoopSource(kCFAllocatorDefault, tap, 0);
        // A key waits for the tap when it goes.
        fresh->keyboard()->keyDown(kA);
        if (row.release) {
            tap.reset();
        } else {
            CFMachPortInvalidate(tap);
            EXPECT_FALSE(CFMachPortIsValid(tap));
            EXPECT_FALSE(CGEventTapIsEnabled(tap));
            EXPECT_EQ(CFMachPortCreateRunLoopSource(kCFAllocatorDefault, tap, 0), nullptr);
        }
        EXPECT_TRUE(fresh->eventTaps()->taps().empty());
        fresh->keyboard()->keyDown(kB);
        clock.advance(0);
        EXPECT_TRUE(listener.seen.empty());
        EXPECT_EQ(fresh->keyboard()->deliveries().size(), 2u);
    }
}

}  // namespace
