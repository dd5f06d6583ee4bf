#include "shortcut-library/SRGlobalShortcutMonitor.h"

#include "HotKeyTestSupport.h"
#include "ShortcutMonitorTestSupport.h"
#include "appkit/NSApplication.h"
#include "foundation/Log.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

using namespace testing_support;
using Events = std::vector<std::string>;

namespace {

constexpr SRKeyCode kTab = 48;
constexpr SRKeyCode kSpace = 49;
constexpr NSEventModifierFlags control = NSEventModifierFlagControl;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;
constexpr NSEventModifierFlags shift = NSEventModifierFlagShift;

// Counts the handler hooks beside the log.
class HookedMonitor : public SRGlobalShortcutMonitor {
    KS_OBJECT(HookedMonitor, SRGlobalShortcutMonitor)
public:
    Journal journal;

protected:
    void didAddEventHandler() override
    {
        journal.record("didAddEventHandler");
        SRGlobalShortcutMonitor::didAddEventHandler();
    }
    void didRemoveEventHandler() override
    {
        journal.record("didRemoveEventHandler");
        SRGlobalShortcutMonitor::didRemoveEventHandler();
    }
};

class SRGlobalShortcutMonitorTest : public ::testing::Test {
protected:
    void SetUp() override { NSApplication::resetForTesting(); }
    void TearDown() override { NSApplication::resetForTesting(); }

    std::vector<simulation::HotKeyRegistration> registrations() { return desktop->hotKeys()->registrations(); }

    // The log entries with exactly this text.
    std::vector<LogEntry> entries(const std::string& text)
    {
        std::vector<LogEntry> result;
        for (const auto& entry : log.sink().entries()) {
            if (entry.text == text)
                result.push_back(entry);
        }
        return result;
    }
    bool logged(LogLevel level, const std::string& text) { return log.sink().contains(level, text); }

    std::shared_ptr<SRShortcutAction> action(const std::shared_ptr<SRShortcut>& shortcut, const std::string& name,
                                             bool answer = true)
    {
        return namedAction(performed, name, shortcut, answer);
    }

    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop{hotKeyDesktopState()};
    ScopedLogCapture log;
    Journal performed;
    std::shared_ptr<HookedMonitor> monitor = std::make_shared<HookedMonitor>();
    std::shared_ptr<SRShortcut> controlTab = makeShortcut(kTab, control);
    std::shared_ptr<SRShortcut> commandShiftSpace = makeShortcut(kSpace, command | shift);
};

// MARK: - Hot keys follow the shortcuts

TEST_F(SRGlobalShortcutMonitorTest, ShortcutHoldsOneHotKeyFromItsFirstActionToItsLast)
{
    auto first = action(controlTab, "first");
    auto second = action(makeShortcut(kTab, control), "second");

    monitor->addAction(first, SRKeyEventTypeDown);
    auto all = registrations();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].pid, ownPid);
    EXPECT_EQ(all[0].keyCode, kTab);
    EXPECT_EQ(all[0].modifiers, controlKey);
    EXPECT_EQ(all[0].signature, 0x53525352u);
    ASSERT_TRUE(monitor->hotKeyIdForShortcut(*controlTab));
    const UInt32 id = *monitor->hotKeyIdForShortcut(*controlTab);
    EXPECT_EQ(all[0].identifier, id);
    EXPECT_TRUE(monitor->hasEventHandler());
    EXPECT_EQ(monitor->journal.take(), Events{"didAddEventHandler"});

    EXPECT_TRUE(logged(LogLevel::Default, "Registering Carbon hot key"));
    auto registered = entries("Registered Carbon hot key " + std::to_string(id));
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(registered[0].level, LogLevel::Default);
    EXPECT_EQ(registered[0].values, (std::vector<std::pair<std::string, Id>>{{"keyCode", Id::number(kTab)},
                                                                             {"modifierFlags", Id::number(control)}}));
    EXPECT_TRUE(logged(LogLevel::Default, "Installing Carbon hot key event handler"));
    EXPECT_TRUE(logged(LogLevel::Debug, "Added Carbon HotKey Event Handler"));

    // Another action of the shortcut, or the key-up side, needs nothing new.
    monitor->addAction(second, SRKeyEventTypeDown);
    monitor->addAction(first, SRKeyEventTypeUp);
    EXPECT_EQ(registrations().size(), 1u);
    EXPECT_EQ(monitor->hotKeyIdForShortcut(*controlTab), id);

    monitor->removeAction(first);
    EXPECT_EQ(registrations().size(), 1u);
    EXPECT_TRUE(monitor->hasEventHandler());
    log.sink().clear();
    monitor->removeAction(second);
    EXPECT_TRUE(registrations().empty());
    EXPECT_FALSE(monitor->hotKeyIdForShortcut(*controlTab));
    EXPECT_FALSE(monitor->hasEventHandler());
    EXPECT_EQ(monitor->journal.take(), Events{"didRemoveEventHandler"});
    EXPECT_EQ(log.sink().texts(), (std::vector<std::string>{
                                      "Removing Carbon hot key " + std::to_string(id),
                                      "Unregistered Carbon hot key " + std::to_string(id),
                                      "Removing Carbon hot key event handler",
                                      "Removed Carbon HotKey Event Handler",
                                  }));
    EXPECT_EQ(entries("Unregistered Carbon hot key " + std::to_string(id))[0].values.size(), 2u);
}

TEST_F(SRGlobalShortcutMonitorTest, IdsAreNeverReusedNotEvenAfterAFailedRegistration)
{
    monitor->addAction(action(controlTab, "a"), SRKeyEventTypeDown);
    const UInt32 first = *monitor->hotKeyIdForShortcut(*controlTab);

    desktop->hotKeys()->setFailures({.registerHotKey = -9868});
    auto failing = action(commandShiftSpace, "b");
    monitor->addAction(failing, SRKeyEventTypeDown);
    EXPECT_FALSE(monitor->hotKeyIdForShortcut(*commandShiftSpace));
    auto critical = entries("#Critical Failed to register Carbon hot key: -9868");
    ASSERT_EQ(critical.size(), 1u);
    EXPECT_EQ(critical[0].level, LogLevel::Error);
    EXPECT_EQ(critical[0].values.size(), 2u);
    // The actions stay; the shortcut just doesn't fire system-wide.
    EXPECT_EQ(monitor->shortcuts().size(), 2u);
    desktop->hotKeys()->setFailures({});

    // A modifier-only shortcut takes no id.
    monitor->addAction(action(makeShortcut(SRKeyCodeNone, command), "modifiers"), SRKeyEventTypeDown);
    EXPECT_TRUE(logged(LogLevel::Error, "#Error Shortcut without a key code cannot be registered as Carbon hot key"));
    EXPECT_EQ(registrations().size(), 1u);

    auto controlSpace = makeShortcut(kSpace, control);
    monitor->addAction(action(controlSpace, "c"), SRKeyEventTypeDown);
    EXPECT_EQ(monitor->hotKeyIdForShortcut(*controlSpace), first + 2);

    // Removing and adding again, and another monitor, go on counting.
    monitor->removeAction(failing);
    monitor->addAction(failing, SRKeyEventTypeDown);
    EXPECT_EQ(monitor->hotKeyIdForShortcut(*commandShiftSpace), first + 3);
    auto other = std::make_shared<SRGlobalShortcutMonitor>();
    auto commandSpace = makeShortcut(kSpace, command);
    other->addAction(action(commandSpace, "d"), SRKeyEventTypeDown);
    EXPECT_EQ(other->hotKeyIdForShortcut(*commandSpace), first + 4);
}

TEST_F(SRGlobalShortcutMonitorTest, FirstHotKeyOfAProcessHasIdOne)
{
    // A fresh process: this test alone runs in it, up to here.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            monitor->addAction(action(controlTab, "a"), SRKeyEventTypeDown);
            _exit(monitor->hotKeyIdForShortcut(*controlTab) == 1u ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(SRGlobalShortcutMonitorTest, SharedMonitorIsOneInstanceOfThisClass)
{
    const auto& shared = SRGlobalShortcutMonitor::sharedMonitor();
    EXPECT_EQ(shared, SRGlobalShortcutMonitor::sharedMonitor());
    EXPECT_EQ(shared, HookedMonitor::sharedMonitor());
    EXPECT_TRUE(shared->isMemberOfClass(SRGlobalShortcutMonitor::descriptor()));
}

TEST_F(SRGlobalShortcutMonitorTest, ReleasingTheMonitorTakesItsHotKeysAndHandler)
{
    auto kept = action(controlTab, "a");
    monitor->addAction(kept, SRKeyEventTypeDown);
    monitor->addAction(action(commandShiftSpace, "b"), SRKeyEventTypeDown);
    ASSERT_EQ(registrations().size(), 2u);
    monitor.reset();
    EXPECT_TRUE(registrations().empty());
    EXPECT_TRUE(logged(LogLevel::Default, "Removing Carbon hot key event handler"));

    // The handler is gone from the dispatcher: a press reaches nobody.
    EventHotKeyRef stray = nullptr;
    ASSERT_EQ(RegisterEventHotKey(kTab, controlKey, {SRHotKeySignature, 99}, GetEventDispatcherTarget(), 0, &stray),
              noErr);
    desktop->keyboard()->pressKey(kTab, control);
    clock.advance(0);
    EXPECT_TRUE(performed.take().empty());
    EXPECT_EQ(UnregisterEventHotKey(stray), noErr);
}

TEST_F(SRGlobalShortcutMonitorTest, FailedUnregistrationStillForgetsTheHotKey)
{
    auto a = action(controlTab, "a");
    monitor->addAction(a, SRKeyEventTypeDown);
    const UInt32 id = *monitor->hotKeyIdForShortcut(*controlTab);
    desktop->hotKeys()->setFailures({.unregisterHotKey = -9870});
    monitor->removeAction(a);
    auto critical = entries("#Critical Failed to unregister Carbon hot key " + std::to_string(id) + ": -9870");
    ASSERT_EQ(critical.size(), 1u);
    EXPECT_EQ(critical[0].level, LogLevel::Error);
    EXPECT_EQ(critical[0].values.size(), 2u);
    EXPECT_FALSE(monitor->hotKeyIdForShortcut(*controlTab));
    EXPECT_FALSE(monitor->hasEventHandler());
}

TEST_F(SRGlobalShortcutMonitorTest, FailedHandlerInstallationIsRetriedByTheNextHook)
{
    desktop->hotKeys()->setFailures({.installEventHandler = -108});
    monitor->addAction(action(controlTab, "a"), SRKeyEventTypeDown);
    EXPECT_TRUE(monitor->hotKeyIdForShortcut(*controlTab));
    EXPECT_FALSE(monitor->hasEventHandler());
    EXPECT_TRUE(logged(LogLevel::Error, "#Critical Failed to install event handler: -108"));
    EXPECT_TRUE(monitor->journal.take().empty());

    desktop->hotKeys()->setFailures({});
    monitor->addAction(action(commandShiftSpace, "b"), SRKeyEventTypeDown);
    EXPECT_TRUE(monitor->hasEventHandler());
    EXPECT_EQ(monitor->journal.take(), Events{"didAddEventHandler"});
}

// MARK: - Pausing

TEST_F(SRGlobalShortcutMonitorTest, PausesNestAndOnlyTheOutermostChangesTheHotKeys)
{
    monitor->addAction(action(controlTab, "tab"), SRKeyEventTypeDown);
    const UInt32 before = *monitor->hotKeyIdForShortcut(*controlTab);
    monitor->journal.take();

    monitor->pause();
    EXPECT_TRUE(logged(LogLevel::Debug, "Global Shortcut Monitor counter: 0 -> 1"));
    EXPECT_TRUE(registrations().empty());
    EXPECT_FALSE(monitor->hasEventHandler());
    EXPECT_EQ(monitor->journal.take(), Events{"didRemoveEventHandler"});

    monitor->pause();
    EXPECT_TRUE(logged(LogLevel::Debug, "Global Shortcut Monitor counter: 1 -> 2"));
    // Gained while paused: registered at once, but nobody listens yet.
    monitor->addAction(action(commandShiftSpace, "space"), SRKeyEventTypeDown);
    EXPECT_TRUE(monitor->hotKeyIdForShortcut(*commandShiftSpace));
    EXPECT_FALSE(monitor->hasEventHandler());

    monitor->resume();
    EXPECT_TRUE(logged(LogLevel::Debug, "Global Shortcut Monitor counter: 2 -> 1"));
    EXPECT_TRUE(monitor->isPaused());
    EXPECT_FALSE(monitor->hotKeyIdForShortcut(*controlTab));
    EXPECT_FALSE(monitor->hasEventHandler());
    desktop->keyboard()->pressKey(kSpace, command | shift);
    clock.advance(0);
    EXPECT_TRUE(performed.take().empty());
    // The event itself is refused while paused.
    auto event = hotKeyEvent(kEventHotKeyPressed,
                             EventHotKeyID{SRHotKeySignature, *monitor->hotKeyIdForShortcut(*commandShiftSpace)});
    EXPECT_EQ(monitor->handleEvent(event.get()), eventNotHandledErr);
    EXPECT_TRUE(logged(LogLevel::Debug, "Monitoring is currently disabled"));
    EXPECT_TRUE(performed.take().empty());

    monitor->resume();
    EXPECT_TRUE(logged(LogLevel::Debug, "Global Shortcut Monitor counter: 1 -> 0"));
    EXPECT_FALSE(monitor->isPaused());
    ASSERT_TRUE(monitor->hotKeyIdForShortcut(*controlTab));
    EXPECT_GT(*monitor->hotKeyIdForShortcut(*controlTab), before);
    EXPECT_EQ(registrations().size(), 2u);
    EXPECT_TRUE(monitor->hasEventHandler());
    EXPECT_EQ(monitor->journal.take(), Events{"didAddEventHandler"});

    desktop->keyboard()->pressKey(kTab, control);
    desktop->keyboard()->pressKey(kSpace, command | shift);
    clock.advance(0);
    EXPECT_EQ(performed.take(), (Events{"tab", "space"}));
}

TEST_F(SRGlobalShortcutMonitorTest, ResumeBelowZeroCountsAsNotPaused)
{
    monitor->addAction(action(controlTab, "tab"), SRKeyEventTypeDown);
    const auto id = monitor->hotKeyIdForShortcut(*controlTab);

    monitor->resume();
    EXPECT_TRUE(logged(LogLevel::Debug, "Global Shortcut Monitor counter: 0 -> -1"));
    EXPECT_FALSE(monitor->isPaused());
    EXPECT_TRUE(monitor->hasEventHandler());
    // Back up to zero from below: not a first pause, nothing is taken away.
    monitor->pause();
    EXPECT_EQ(monitor->hotKeyIdForShortcut(*controlTab), id);
    EXPECT_TRUE(monitor->hasEventHandler());
    desktop->keyboard()->pressKey(kTab, control);
    clock.advance(0);
    EXPECT_EQ(performed.take(), Events{"tab"});
}

// MARK: - Events

TEST_F(SRGlobalShortcutMonitorTest, PressThroughTheKeyboardReachesTheTargetAndTakesTheKey)
{
    auto target = std::make_shared<ProtocolTarget>();
    auto down = SRShortcutAction::shortcutActionWithShortcut(controlTab, target, Selector(), 1);
    auto up = SRShortcutAction::shortcutActionWithShortcut(controlTab, target, Selector(), 2);
    monitor->addAction(down, SRKeyEventTypeDown);
    monitor->addAction(up, SRKeyEventTypeUp);
    ActivityRecorder activities;

    desktop->keyboard()->pressKey(kTab, control);
    EXPECT_TRUE(target->journal.take().empty());
    clock.advance(0);
    EXPECT_EQ(target->journal.take(), (Events{"performShortcutAction:1", "performShortcutAction:2"}));
    EXPECT_TRUE(activities.contains("-[SRGlobalShortcutMonitor handleEvent:]"));
    // The hot key took the key away from the frontmost application.
    EXPECT_TRUE(desktop->keyboard()->deliveries().empty());

    // Another key, or the same key with other modifiers, isn't ours.
    desktop->keyboard()->pressKey(kTab, control | shift);
    clock.advance(0);
    EXPECT_TRUE(target->journal.take().empty());
    EXPECT_EQ(desktop->keyboard()->deliveries().size(), 2u);
}

TEST_F(SRGlobalShortcutMonitorTest, NewestActionIsTriedFirstAndTheFirstYesEndsTheSearch)
{
    struct Case {
        const char* name;
        bool older;
        bool newer;
        OSStatus result;
        Events performed;
    };
    const Case cases[] = {
        {"newer takes it", true, true, noErr, {"newer"}},
        {"newer refuses", true, false, noErr, {"newer", "older"}},
        {"both refuse", false, false, eventNotHandledErr, {"newer", "older"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        monitor->removeAllActions();
        monitor->addAction(action(controlTab, "older", c.older), SRKeyEventTypeDown);
        monitor->addAction(action(controlTab, "newer", c.newer), SRKeyEventTypeDown);
        auto event = hotKeyEvent(kEventHotKeyPressed,
                                 EventHotKeyID{SRHotKeySignature, *monitor->hotKeyIdForShortcut(*controlTab)});
        EXPECT_EQ(SRCarbonHotKeyEventHandler(nullptr, event.get(), monitor.get()), c.result);
        EXPECT_EQ(performed.take(), c.performed);
    }
}

TEST_F(SRGlobalShortcutMonitorTest, RefusedEventsGoOnToTheNextHandler)
{
    monitor->addAction(action(controlTab, "down"), SRKeyEventTypeDown);
    const UInt32 id = *monitor->hotKeyIdForShortcut(*controlTab);
    const UInt32 stale = id + 1000;

    struct Case {
        const char* name;
        OwnedEvent event;
        simulation::CarbonFailures failures;
        LogLevel level;
        std::string text;
    };
    Case cases[] = {
        {"no identity",
         hotKeyEvent(kEventHotKeyPressed, std::nullopt),
         {},
         LogLevel::Error,
         "#Critical Failed to get hot key ID: " + std::to_string(eventParameterNotFoundErr)},
        {"unreadable identity",
         hotKeyEvent(kEventHotKeyPressed, EventHotKeyID{SRHotKeySignature, id}),
         {.getEventParameter = -50},
         LogLevel::Error,
         "#Critical Failed to get hot key ID: -50"},
        {"id 0",
         hotKeyEvent(kEventHotKeyPressed, EventHotKeyID{SRHotKeySignature, 0}),
         {},
         LogLevel::Error,
         "#Error Unexpected hot key with id 0 and signature: 1397904210"},
        {"someone else's",
         hotKeyEvent(kEventHotKeyPressed, EventHotKeyID{fourCharCode("KSTV"), id}),
         {},
         LogLevel::Error,
         "#Error Unexpected hot key with id " + std::to_string(id) + " and signature: 1263752278"},
        {"no longer registered",
         hotKeyEvent(kEventHotKeyPressed, EventHotKeyID{SRHotKeySignature, stale}),
         {},
         LogLevel::Default,
         "Unregistered hot key with id " + std::to_string(stale) + " and signature 1397904210"},
        {"other kind",
         hotKeyEvent(7, EventHotKeyID{SRHotKeySignature, id}),
         {},
         LogLevel::Default,
         "#Error Unexpected key event of type 7"},
        {"no key-up action",
         hotKeyEvent(kEventHotKeyReleased, EventHotKeyID{SRHotKeySignature, id}),
         {},
         LogLevel::Default,
         "No actions for the shortcut"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.sink().clear();
        desktop->hotKeys()->setFailures(c.failures);
        EXPECT_EQ(SRCarbonHotKeyEventHandler(nullptr, c.event.get(), monitor.get()), eventNotHandledErr);
        EXPECT_TRUE(logged(c.level, c.text)) << ::testing::PrintToString(log.sink().texts());
        desktop->hotKeys()->setFailures({});
    }
    EXPECT_TRUE(performed.take().empty());

    log.sink().clear();
    EXPECT_EQ(SRCarbonHotKeyEventHandler(nullptr, nullptr, monitor.get()), eventNotHandledErr);
    auto mouse = hotKeyEvent(kEventHotKeyPressed, EventHotKeyID{SRHotKeySignature, id}, fourCharCode("mous"));
    EXPECT_EQ(SRCarbonHotKeyEventHandler(nullptr, mouse.get(), monitor.get()), eventNotHandledErr);
    EXPECT_EQ(log.sink().texts(), (std::vector<std::string>{"#Error Event is NULL", "#Error Not a keyboard event"}));
    EXPECT_TRUE(performed.take().empty());
}

}  // namespace
