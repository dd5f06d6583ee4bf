#include "shortcut-library/SRAXGlobalShortcutMonitor.h"

#include "HotKeyTestSupport.h"
#include "ShortcutMonitorTestSupport.h"
#include "appkit/NSApplication.h"
#include "foundation/Log.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

using namespace testing_support;
using Events = std::vector<std::string>;

namespace {

constexpr SRKeyCode kTab = 48;
constexpr SRKeyCode kLeftShift = 56;
constexpr NSEventModifierFlags control = NSEventModifierFlagControl;
constexpr NSEventModifierFlags shift = NSEventModifierFlagShift;

class SRAXGlobalShortcutMonitorTest : public ::testing::Test {
protected:
    void SetUp() override { NSApplication::resetForTesting(); }
    void TearDown() override { NSApplication::resetForTesting(); }

    std::shared_ptr<SRAXGlobalShortcutMonitor> make(std::uint32_t options)
    {
        auto monitor = SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop::mainRunLoop(), options);
        EXPECT_TRUE(monitor);
        return monitor;
    }
    bool tapEnabled(const SRAXGlobalShortcutMonitor& monitor) { return CGEventTapIsEnabled(monitor.eventTap()); }
    // The desktop's number for the one tap installed.
    std::uint64_t onlyTap()
    {
        auto taps = desktop->eventTaps()->taps();
        EXPECT_EQ(taps.size(), 1u);
        return taps.empty() ? 0 : taps.front().identifier;
    }
    // What reached the frontmost application, as "down 48" and the like.
    Events delivered() { return delivered(desktop.desktop()); }
    static Events delivered(simulation::SimulatedDesktop& on)
    {
        Events result;
        for (const auto& delivery : on.keyboard()->deliveries()) {
            const char* kind = delivery.event.type == simulation::KeyEventType::KeyDown ? "down "
                               : delivery.event.type == simulation::KeyEventType::KeyUp ? "up "
                                                                                        : "flags ";
            result.push_back(kind + std::to_string(delivery.event.keyCode));
        }
        return result;
    }

    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop{hotKeyDesktopState(true)};
    ScopedLogCapture log;
    Journal performed;
    std::shared_ptr<SRShortcut> controlTab = makeShortcut(kTab, control);
};

TEST_F(SRAXGlobalShortcutMonitorTest, WithoutAccessibilityThereIsNoMonitor)
{
    desktop->setTrusted(false);
    EXPECT_EQ(SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop::mainRunLoop(), 0), nullptr);
    EXPECT_EQ(SRAXGlobalShortcutMonitor::create(), nullptr);
    EXPECT_TRUE(desktop->eventTaps()->taps().empty());
    EXPECT_TRUE(log.sink().contains(LogLevel::Error,
                                    "#Critical Unable to create event tap: make sure Accessibility is enabled"));
}

TEST_F(SRAXGlobalShortcutMonitorTest, TapWatchesKeysAtTheHeadOfTheSessionFromItsCreation)
{
    struct Case {
        const char* name;
        std::function<std::shared_ptr<SRAXGlobalShortcutMonitor>()> make;
        bool filters;
    };
    const Case cases[] = {
        {"init", [] { return SRAXGlobalShortcutMonitor::create(); }, false},
        {"run loop", [] { return SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop::mainRunLoop()); }, false},
        {"listen only", [] { return SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop::mainRunLoop(), 1); }, false},
        {"default", [] { return SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop::mainRunLoop(), 0); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto monitor = c.make();
        ASSERT_TRUE(monitor);
        EXPECT_EQ(monitor->canActivelyFilterEvents(), c.filters);
        EXPECT_EQ(&monitor->eventTapRunLoop(), &NSRunLoop::mainRunLoop());
        EXPECT_TRUE(NSRunLoop::mainRunLoop().containsSource(monitor->eventTapSource()));
        auto tap = desktop->eventTaps()->tap(onlyTap());
        ASSERT_TRUE(tap);
        EXPECT_EQ(tap->location, 1u);
        EXPECT_EQ(tap->eventsOfInterest, 0x1C00u);
        EXPECT_EQ(tap->listenOnly, !c.filters);
        EXPECT_TRUE(tap->enabled);
    }
    // Released with their monitors.
    EXPECT_TRUE(desktop->eventTaps()->taps().empty());
}

TEST_F(SRAXGlobalShortcutMonitorTest, HandledEventsAreSwallowedOnlyByAFilteringTap)
{
    struct Case {
        const char* name;
        std::uint32_t options;
        bool answer;
        Events delivered;
        bool developerError;
    };
    const Case cases[] = {
        {"default tap, handled", 0, true, {"up 48"}, false},
        {"default tap, refused", 0, false, {"down 48", "up 48"}, false},
        {"listen only, handled", 1, true, {"down 48", "up 48"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        simulation::ScopedDesktop scoped{hotKeyDesktopState(true)};
        log.sink().clear();
        auto monitor = make(c.options);
        monitor->addAction(namedAction(performed, "tab", controlTab, c.answer), SRKeyEventTypeDown);
        ActivityRecorder activities;

        scoped->keyboard()->pressKey(kTab, control);
        clock.advance(0);
        EXPECT_EQ(performed.take(), Events{"tab"});
        EXPECT_EQ(delivered(scoped.desktop()), c.delivered);
        EXPECT_EQ(log.sink().contains(LogLevel::Error,
                                      "#Developer #Error The monitor is not configured to actively filter events"),
                  c.developerError);
        EXPECT_TRUE(activities.contains("-[SRAXGlobalShortcutMonitor handleEvent:]"));
    }
}

TEST_F(SRAXGlobalShortcutMonitorTest, ModifierChangesAreModifierOnlyShortcuts)
{
    auto monitor = make(0);
    // The released event carries the flags as they are afterwards.
    monitor->addAction(namedAction(performed, "shift down", makeShortcut(SRKeyCodeNone, shift)), SRKeyEventTypeDown);
    monitor->addAction(namedAction(performed, "shift up", makeShortcut(SRKeyCodeNone, shift)), SRKeyEventTypeUp);
    monitor->addAction(namedAction(performed, "released", makeShortcut(SRKeyCodeNone, 0)), SRKeyEventTypeUp);

    desktop->keyboard()->flagsChanged(kLeftShift, shift);
    clock.advance(0);
    EXPECT_EQ(performed.take(), Events{"shift down"});
    desktop->keyboard()->flagsChanged(kLeftShift, 0);
    clock.advance(0);
    EXPECT_EQ(performed.take(), Events{"released"});
    EXPECT_TRUE(delivered().empty());

    // Other bits of the flags (caps lock here) take no part.
    auto event = std::make_shared<CGEvent>(kCGEventFlagsChanged, CGPoint{});
    CGEventSetIntegerValueField(event, kCGKeyboardEventKeycode, kLeftShift);
    CGEventSetFlags(event, shift | kCGEventFlagMaskAlphaShift);
    EXPECT_EQ(monitor->handleEvent(event), nullptr);
    EXPECT_EQ(performed.take(), Events{"shift down"});
}

TEST_F(SRAXGlobalShortcutMonitorTest, TapIsOnWhileTheMonitorHoldsAShortcut)
{
    auto monitor = make(0);
    auto tab = namedAction(performed, "tab", controlTab);
    auto shiftTab = namedAction(performed, "shift tab", makeShortcut(kTab, control | shift));
    monitor->addAction(tab, SRKeyEventTypeDown);
    monitor->addAction(tab, SRKeyEventTypeUp);
    monitor->addAction(shiftTab, SRKeyEventTypeDown);

    monitor->removeAction(tab);
    EXPECT_TRUE(tapEnabled(*monitor));
    monitor->removeAction(shiftTab);
    EXPECT_FALSE(tapEnabled(*monitor));
    // Keys go past a tap that is off.
    desktop->keyboard()->pressKey(kTab, control);
    clock.advance(0);
    EXPECT_TRUE(performed.take().empty());
    EXPECT_EQ(delivered(), (Events{"down 48", "up 48"}));

    monitor->addAction(tab, SRKeyEventTypeDown);
    EXPECT_TRUE(tapEnabled(*monitor));
    // A disabled action is no shortcut: the tap goes off, and on again.
    tab->setEnabled(false);
    EXPECT_FALSE(tapEnabled(*monitor));
    tab->setEnabled(true);
    EXPECT_TRUE(tapEnabled(*monitor));

    // All at once, however many there were.
    for (int count : {1, 2, 3}) {
        SCOPED_TRACE(testing::Message() << count << " shortcuts");
        monitor->removeAllActions();
        for (int i = 0; i < count; ++i)
            monitor->addAction(namedAction(performed, "f" + std::to_string(i), makeShortcut(122, control << i)),
                               SRKeyEventTypeDown);
        ASSERT_EQ(monitor->shortcuts().size(), std::size_t(count));
        EXPECT_TRUE(tapEnabled(*monitor));
        monitor->removeAllActions();
        EXPECT_FALSE(tapEnabled(*monitor));
    }
}

TEST_F(SRAXGlobalShortcutMonitorTest, TapTurnedOffByTheSystemIsTurnedOnAgain)
{
    auto monitor = make(0);
    monitor->addAction(namedAction(performed, "tab", controlTab), SRKeyEventTypeDown);
    for (auto reason : {simulation::EventTapDisableReason::Timeout, simulation::EventTapDisableReason::UserInput}) {
        ASSERT_TRUE(desktop->eventTaps()->disableBySystem(onlyTap(), reason));
        EXPECT_FALSE(tapEnabled(*monitor));
        clock.advance(0);
        EXPECT_TRUE(tapEnabled(*monitor));
    }
    EXPECT_TRUE(
        log.sink().contains(LogLevel::Error, "#Error #Developer The system disabled event tap due to 4294967294"));
    EXPECT_TRUE(
        log.sink().contains(LogLevel::Error, "#Error #Developer The system disabled event tap due to 4294967295"));

    // Directly: the event comes back unchanged, whatever it is.
    auto notice = std::make_shared<CGEvent>(kCGEventTapDisabledByTimeout, CGPoint{});
    CGEventTapEnable(monitor->eventTap(), false);
    EXPECT_EQ(SRAXEventTapCallback(nullptr, kCGEventTapDisabledByTimeout, notice, monitor.get()), notice);
    EXPECT_TRUE(tapEnabled(*monitor));
    auto click = std::make_shared<CGEvent>(kCGEventLeftMouseDown, CGPoint{});
    EXPECT_EQ(SRAXEventTapCallback(nullptr, kCGEventLeftMouseDown, click, monitor.get()), click);
    EXPECT_TRUE(log.sink().contains(LogLevel::Error, "#Error #Developer Unexpected event of type 1"));
    EXPECT_TRUE(performed.take().empty());
}

TEST_F(SRAXGlobalShortcutMonitorTest, ReleasedMonitorReceivesNothingMore)
{
    auto monitor = make(0);
    monitor->addAction(namedAction(performed, "tab", controlTab), SRKeyEventTypeDown);
    // On its way to the tap when the monitor goes: it goes on unchanged.
    desktop->keyboard()->keyDown(kTab, control);
    monitor.reset();
    clock.advance(0);
    desktop->keyboard()->keyDown(kTab, control);
    clock.advance(0);
    EXPECT_TRUE(performed.take().empty());
    EXPECT_EQ(delivered(), (Events{"down 48", "down 48"}));
    EXPECT_TRUE(desktop->eventTaps()->taps().empty());
}

TEST_F(SRAXGlobalShortcutMonitorTest, MonitorKeepsTheRunLoopOfAThreadThatHasEnded)
{
    std::shared_ptr<SRAXGlobalShortcutMonitor> monitor;
    std::thread worker([&] { monitor = SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop::currentRunLoop(), 0); });
    worker.join();
    ASSERT_TRUE(monitor);
    EXPECT_NE(&monitor->eventTapRunLoop(), &NSRunLoop::mainRunLoop());
    EXPECT_TRUE(monitor->eventTapRunLoop().containsSource(monitor->eventTapSource()));
    std::weak_ptr<NSObject> runLoop = monitor->eventTapRunLoop().weak_from_this();

    // Releasing it takes the source out of the run loop it kept, and lets
    // the run loop go.
    monitor.reset();
    EXPECT_TRUE(runLoop.expired());
    EXPECT_TRUE(desktop->eventTaps()->taps().empty());
}

}  // namespace
