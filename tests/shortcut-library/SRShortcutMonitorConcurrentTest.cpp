#include "shortcut-library/SRShortcutMonitor.h"

#include "ShortcutMonitorTestSupport.h"
#include "foundation/NSException.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

using namespace testing_support;

namespace {

// Adding an action that is registered for both kinds is refused with an
// assertion; threads that add at random can't avoid it, so the expected
// assertion is let through and any other is kept as a fault.
class TolerantAssertionHandler : public NSAssertionHandler {
public:
    explicit TolerantAssertionHandler(std::vector<std::string>& faults, std::mutex& mutex)
        : faults_(faults)
        , mutex_(mutex)
    {
    }
    void handleFailure(const char*, const char*, int, const String& description) override
    {
        if (description == String("Action is added too many times"))
            return;
        std::lock_guard lock(mutex_);
        faults_.push_back(description.utf8());
    }

private:
    std::vector<std::string>& faults_;
    std::mutex& mutex_;
};

// A value that several threads set. Reads and stores are locked; the
// notifications go out without the lock, as the value's observers take
// locks of their own.
class SharedValue : public NSObject {
    KS_OBJECT(SharedValue, NSObject)
public:
    void setValue(const Id& value)
    {
        willChangeValueForKey("value");
        {
            std::lock_guard lock(mutex_);
            value_ = value;
        }
        didChangeValueForKey("value");
    }
    Id value() const
    {
        std::lock_guard lock(mutex_);
        return value_;
    }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.property<SharedValue>("value", [](SharedValue& self) { return self.value(); });
    }

private:
    mutable std::mutex mutex_;
    Id value_;
};

TEST(SRShortcutMonitorConcurrentTest, ActionsChangeOnSeveralThreadsWhileEventsAreDispatched)
{
    auto monitor = std::make_shared<RecordingMonitor>();
    monitor->recordsHooks = false;
    std::weak_ptr<RecordingMonitor> weakMonitor = monitor;

    const std::vector<std::shared_ptr<SRShortcut>> shortcuts = {
        makeShortcut(0, NSEventModifierFlagCommand),
        makeShortcut(1, NSEventModifierFlagCommand),
        makeShortcut(48, NSEventModifierFlagControl),
        makeShortcut(SRKeyCodeNone, NSEventModifierFlagShift),
    };
    auto shared = std::make_shared<SharedValue>();
    shared->setValue(Id(shortcuts[0]));

    std::atomic<int> performed{0};
    std::vector<std::shared_ptr<SRShortcutAction>> actions;
    for (int i = 0; i < 16; ++i) {
        SRShortcutAction::ActionHandler handler = [&performed, weakMonitor, i](SRShortcutAction& self) {
            ++performed;
            // Some actions take themselves out while being performed.
            if (i % 5 == 0)
                if (auto m = weakMonitor.lock())
                    m->removeAction(std::static_pointer_cast<SRShortcutAction>(self.shared_from_this()));
            return false;
        };
        if (i < 3)
            actions.push_back(SRShortcutAction::shortcutActionWithKeyPath("value", shared, handler));
        else
            actions.push_back(SRShortcutAction::shortcutActionWithShortcut(shortcuts[i % shortcuts.size()], handler));
        actions.back()->setTag(i);
    }

    std::vector<std::string> assertionFaults;
    std::mutex faultsMutex;
    auto work = [&](unsigned seed) {
        ScopedAssertionHandler handler(std::make_shared<TolerantAssertionHandler>(assertionFaults, faultsMutex));
        std::mt19937 random(seed);
        auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
        auto kind = [&] { return pick(2) ? SRKeyEventTypeDown : SRKeyEventTypeUp; };
        for (int step = 0; step < 1500; ++step) {
            const auto& action = actions[pick(actions.size())];
            switch (pick(9)) {
            case 0:
            case 1:
                monitor->addAction(action, kind());
                break;
            case 2:
                monitor->removeAction(action, kind());
                break;
            case 3:
                action->setEnabled(pick(2));
                break;
            case 4:
                if (action->observedObject())
                    shared->setValue(pick(4) ? Id(shortcuts[pick(shortcuts.size())]) : Id());
                else
                    action->setShortcut(pick(5) ? shortcuts[pick(shortcuts.size())] : nullptr);
                break;
            case 5:
            case 6:
                monitor->dispatch(*shortcuts[pick(shortcuts.size())], kind());
                break;
            case 7:
                monitor->removeAction(action);
                break;
            case 8:
                if (pick(20) == 0)
                    monitor->removeAllActions();
                else
                    (void)monitor->debugDescription();
                break;
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 6; ++t)
        threads.emplace_back(work, 1000 + t);
    for (auto& thread : threads)
        thread.join();

    EXPECT_TRUE(assertionFaults.empty()) << assertionFaults.front();
    EXPECT_TRUE(monitor->faults().empty()) << monitor->faults().front();
    EXPECT_GT(performed.load(), 0);

    // Once the threads are done, the monitor agrees with every action.
    for (auto keyEvent : {SRKeyEventTypeDown, SRKeyEventTypeUp}) {
        auto registered = monitor->actionsForKeyEvent(keyEvent);
        for (const auto& action : actions) {
            SCOPED_TRACE(testing::Message() << "action " << action->tag() << " kind " << keyEvent);
            bool isRegistered = std::find(registered.begin(), registered.end(), action) != registered.end();
            for (const auto& shortcut : shortcuts) {
                auto listed = monitor->enabledActionsForShortcut(*shortcut, keyEvent);
                bool isListed = std::find(listed.begin(), listed.end(), action) != listed.end();
                bool shouldBe = isRegistered && action->isEnabled() && action->shortcut() &&
                                action->shortcut()->isEqualToShortcut(shortcut.get());
                EXPECT_EQ(isListed, shouldBe) << nameOf(*shortcut);
            }
        }
    }
    // And each shortcut it holds has had exactly one more add than remove.
    auto held = monitor->shortcuts();
    for (const auto& entry : monitor->balances()) {
        const std::string& name = entry.first;
        bool isHeld = std::any_of(held.begin(), held.end(), [&](auto& s) { return nameOf(*s) == name; });
        EXPECT_EQ(entry.second, isHeld ? 1 : 0) << name;
    }
    monitor->removeAllActions();
    for (const auto& [name, balance] : monitor->balances())
        EXPECT_EQ(balance, 0) << name;
}

}  // namespace
