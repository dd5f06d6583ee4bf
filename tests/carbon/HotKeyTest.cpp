#include "carbon/CarbonEvents.h"

#include "TestDesktops.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

using namespace simulation;

namespace {

constexpr std::uint16_t kTab = 48;
constexpr std::uint64_t kControlFlag = 0x40000;
constexpr OSType kSignature = fourCharCode("KSTV");

DesktopState state()
{
    return test_desktops::otherInFront();
}

// One handler's record of the events it was given, and what it answers.
struct Handler {
    std::string name;
    std::vector<std::string>* log = nullptr;
    OSStatus answer = noErr;
    bool callsNext = false;
    OSStatus nextStatus = 0;
    EventHandlerRef reference = nullptr;

    static OSStatus callback(EventHandlerCallRef call, EventRef event, void* userData)
    {
        auto& self = *static_cast<Handler*>(userData);
        EventHotKeyID identity;
        const OSStatus read = GetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, nullptr,
                                                sizeof identity, nullptr, &identity);
        std::string entry = self.name + " " + std::to_string(GetEventKind(event));
        entry += read == noErr ? " id " + std::to_string(identity.id) : " read " + std::to_string(read);
        self.log->push_back(entry);
        if (self.callsNext)
            self.nextStatus = CallNextEventHandler(call, event);
        return self.answer;
    }
};

const EventTypeSpec kHotKeyEvents[] = {{kEventClassKeyboard, kEventHotKeyPressed},
                                       {kEventClassKeyboard, kEventHotKeyReleased}};

struct HotKeyTest : ::testing::Test {
    ~HotKeyTest() override
    {
        // The event targets belong to the process and outlive every test.
        for (auto* handler : installed)
            RemoveEventHandler(handler->reference);
        for (auto reference : hotKeys)
            UnregisterEventHotKey(reference);
    }

    Handler& install(EventTargetRef target, const std::string& name, OSStatus answer,
                     const EventTypeSpec* types = kHotKeyEvents, ItemCount count = 2)
    {
        auto& handler = handlers.emplace_back(Handler{.name = name, .log = &log, .answer = answer});
        EXPECT_EQ(InstallEventHandler(target, Handler::callback, count, types, &handler, &handler.reference), noErr);
        installed.push_back(&handler);
        return handler;
    }

    OSStatus registerHotKey(UInt32 keyCode, UInt32 modifiers, UInt32 id, EventHotKeyRef* reference)
    {
        const OSStatus status = RegisterEventHotKey(keyCode, modifiers, EventHotKeyID{kSignature, id},
                                                    GetEventDispatcherTarget(), kEventHotKeyNoOptions, reference);
        if (status == noErr)
            hotKeys.push_back(*reference);
        return status;
    }

    OSStatus unregister(EventHotKeyRef reference)
    {
        const OSStatus status = UnregisterEventHotKey(reference);
        if (status == noErr)
            std::erase(hotKeys, reference);
        return status;
    }

    ScopedVirtualClock clock;
    ScopedDesktop desktop{state()};
    std::vector<std::string> log;
    std::deque<Handler> handlers;
    std::vector<Handler*> installed;
    std::vector<EventHotKeyRef> hotKeys;
};

TEST_F(HotKeyTest, CombinationIsHeldOnceSystemWide)
{
    EventHotKeyRef mine = nullptr;
    ASSERT_EQ(registerHotKey(kTab, controlKey, 1, &mine), noErr);
    ASSERT_NE(mine, nullptr);
    auto registrations = desktop->hotKeys()->registrations();
    ASSERT_EQ(registrations.size(), 1u);
    EXPECT_EQ(registrations[0].pid, 40);
    EXPECT_EQ(registrations[0].keyCode, kTab);
    EXPECT_EQ(registrations[0].modifiers, controlKey);
    EXPECT_EQ(registrations[0].signature, kSignature);
    EXPECT_EQ(registrations[0].identifier, 1u);

    ASSERT_TRUE(desktop->hotKeys()->registerHotKey({.pid = 10, .keyCode = 49, .modifiers = cmdKey | shiftKey}));
    struct Row {
        const char* name;
        UInt32 keyCode;
        UInt32 modifiers;
    };
    for (const Row& row :
         {Row{"ours again", kTab, controlKey}, Row{"ours with caps lock", kTab, controlKey | alphaLock},
          Row{"another process's", 49, cmdKey | shiftKey}}) {
        SCOPED_TRACE(row.name);
        EventHotKeyRef refused = mine;
        EXPECT_EQ(registerHotKey(row.keyCode, row.modifiers, 2, &refused), eventHotKeyExistsErr);
        EXPECT_EQ(refused, nullptr);
    }

    EXPECT_EQ(unregister(mine), noErr);
    EXPECT_EQ(unregister(mine), eventHotKeyInvalidErr);
    EXPECT_EQ(desktop->hotKeys()->registrations().size(), 1u);
    EventHotKeyRef again = nullptr;
    EXPECT_EQ(registerHotKey(kTab, controlKey, 3, &again), noErr);
    EXPECT_EQ(RegisterEventHotKey(kTab, 0, {kSignature, 4}, nullptr, 0, &again), paramErr);
    EXPECT_EQ(again, nullptr);
}

TEST_F(HotKeyTest, PressAndReleaseReachTheHandlersOnTheMainRunLoop)
{
    install(GetEventDispatcherTarget(), "dispatcher", noErr);
    EventHotKeyRef reference = nullptr;
    ASSERT_EQ(registerHotKey(kTab, controlKey, 7, &reference), noErr);

    desktop->keyboard()->pressKey(kTab, kControlFlag);
    EXPECT_TRUE(log.empty());
    clock.advance(0);
    EXPECT_EQ(log, (std::vector<std::string>{"dispatcher 5 id 7", "dispatcher 6 id 7"}));
    // The hot key took the key from the frontmost application.
    EXPECT_TRUE(desktop->keyboard()->deliveries().empty());

    log.clear();
    ASSERT_EQ(unregister(reference), noErr);
    desktop->keyboard()->pressKey(kTab, kControlFlag);
    clock.advance(0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(desktop->keyboard()->deliveries().size(), 2u);
}

TEST_F(HotKeyTest, HandlersRunNewestFirstAndPassOnWhatTheyDoNotHandle)
{
    struct Row {
        const char* name;
        OSStatus newestAnswer;
        bool newestCallsNext;
        std::vector<std::string> log;
        OSStatus result;
    };
    const Row rows[] = {
        {"handled by the newest", noErr, false, {"newest 5 id 1"}, noErr},
        {"passed on",
         eventNotHandledErr,
         false,
         {"newest 5 id 1", "older 5 id 1", "application 5 id 1"},
         eventNotHandledErr},
        // The rest ran inside the call; it doesn't run again.
        {"next called", noErr, true, {"newest 5 id 1", "older 5 id 1", "application 5 id 1"}, noErr},
        {"next called, then not handled",
         eventNotHandledErr,
         true,
         {"newest 5 id 1", "older 5 id 1", "application 5 id 1"},
         eventNotHandledErr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        log.clear();
        Handler& application = install(GetApplicationEventTarget(), "application", eventNotHandledErr);
        Handler& older = install(GetEventDispatcherTarget(), "older", eventNotHandledErr);
        const EventTypeSpec other[] = {{kEventClassKeyboard, 1}};
        Handler& uninterested = install(GetEventDispatcherTarget(), "uninterested", noErr, other, 1);
        Handler& newest = install(GetEventDispatcherTarget(), "newest", row.newestAnswer);
        newest.callsNext = row.newestCallsNext;

        EventRef event = nullptr;
        ASSERT_EQ(CreateEvent(nullptr, kEventClassKeyboard, kEventHotKeyPressed, 0, 0, &event), noErr);
        const EventHotKeyID identity{kSignature, 1};
        ASSERT_EQ(SetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, sizeof identity, &identity),
                  noErr);
        EXPECT_EQ(SendEventToEventTarget(event, GetEventDispatcherTarget()), row.result);
        EXPECT_EQ(log, row.log);
        if (row.newestCallsNext) {
            EXPECT_EQ(newest.nextStatus, eventNotHandledErr);
        }
        ReleaseEvent(event);

        for (Handler* handler : {&application, &older, &uninterested, &newest}) {
            EXPECT_EQ(RemoveEventHandler(handler->reference), noErr);
            EXPECT_EQ(RemoveEventHandler(handler->reference), paramErr);
            std::erase(installed, handler);
        }
    }
}

TEST_F(HotKeyTest, EventsSentToTheApplicationTargetSkipTheDispatchersHandlers)
{
    install(GetEventDispatcherTarget(), "dispatcher", noErr);
    install(GetApplicationEventTarget(), "application", noErr);
    EventRef event = nullptr;
    ASSERT_EQ(CreateEvent(nullptr, kEventClassKeyboard, kEventHotKeyReleased, 0, 0, &event), noErr);
    EXPECT_EQ(GetEventClass(event), kEventClassKeyboard);
    EXPECT_EQ(GetEventClass(nullptr), 0u);
    EXPECT_EQ(SendEventToEventTarget(event, GetApplicationEventTarget()), noErr);
    EXPECT_EQ(log, (std::vector<std::string>{"application 6 read " + std::to_string(eventParameterNotFoundErr)}));
    ReleaseEvent(event);
}

TEST_F(HotKeyTest, HandlerRemovedDuringDispatchIsNotCalled)
{
    static Handler* toRemove = nullptr;
    struct Remover {
        static OSStatus callback(EventHandlerCallRef, EventRef, void*)
        {
            RemoveEventHandler(toRemove->reference);
            return eventNotHandledErr;
        }
    };
    Handler& removed = install(GetEventDispatcherTarget(), "removed", noErr);
    toRemove = &removed;
    EventHandlerRef remover = nullptr;
    ASSERT_EQ(InstallEventHandler(GetEventDispatcherTarget(), Remover::callback, 2, kHotKeyEvents, nullptr, &remover),
              noErr);
    std::erase(installed, &removed);
    EventHotKeyRef reference = nullptr;
    ASSERT_EQ(registerHotKey(kTab, controlKey, 1, &reference), noErr);

    desktop->keyboard()->keyDown(kTab, kControlFlag);
    clock.advance(0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(RemoveEventHandler(remover), noErr);
}

TEST_F(HotKeyTest, InjectedFailures)
{
    EventHotKeyRef reference = nullptr;
    ASSERT_EQ(registerHotKey(kTab, controlKey, 1, &reference), noErr);

    struct Row {
        const char* name;
        CarbonFailures failures;
        OSStatus registering;
        OSStatus unregistering;
        OSStatus installing;
        std::string handlerSees;
    };
    const Row rows[] = {
        {"registration", {.registerHotKey = -9868}, -9868, noErr, noErr, "h 5 id 1"},
        {"unregistration", {.unregisterHotKey = -9870}, eventHotKeyExistsErr, -9870, noErr, "h 5 id 1"},
        {"installation", {.installEventHandler = -108}, eventHotKeyExistsErr, noErr, -108, ""},
        {"parameter read", {.getEventParameter = -9870}, eventHotKeyExistsErr, noErr, noErr, "h 5 read -9870"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        log.clear();
        desktop->hotKeys()->setFailures(row.failures);

        EventHotKeyRef other = reference;
        EXPECT_EQ(RegisterEventHotKey(kTab, controlKey, {kSignature, 2}, GetEventDispatcherTarget(), 0, &other),
                  row.registering);
        EXPECT_EQ(other, nullptr);
        EXPECT_EQ(UnregisterEventHotKey(reference), row.unregistering);
        if (row.unregistering == noErr) {
            // Registered again for the next rows, once nothing fails.
            desktop->hotKeys()->setFailures({});
            std::erase(hotKeys, reference);
            ASSERT_EQ(registerHotKey(kTab, controlKey, 1, &reference), noErr);
            desktop->hotKeys()->setFailures(row.failures);
        } else {
            // A failed call leaves the hot key registered.
            EXPECT_TRUE(desktop->hotKeys()->holder(kTab, controlKey));
        }

        Handler handler{.name = "h", .log = &log};
        // Anything but null, to see that a failure clears it.
        EventHandlerRef installed = reinterpret_cast<EventHandlerRef>(&handler);
        EXPECT_EQ(
            InstallEventHandler(GetEventDispatcherTarget(), Handler::callback, 1, kHotKeyEvents, &handler, &installed),
            row.installing);
        if (row.installing != noErr) {
            EXPECT_EQ(installed, nullptr);
        }
        desktop->keyboard()->keyDown(kTab, kControlFlag);
        clock.advance(0);
        EXPECT_EQ(log, row.handlerSees.empty() ? std::vector<std::string>{} : std::vector{row.handlerSees});
        if (installed) {
            EXPECT_EQ(RemoveEventHandler(installed), noErr);
        }
        desktop->hotKeys()->setFailures({});
    }
}

}  // namespace
