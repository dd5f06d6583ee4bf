#include "shortcut-library/SRShortcutMonitor.h"

#include "ShortcutMonitorTestSupport.h"
#include "appkit/NSApplication.h"
#include "foundation/NSException.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testing_support;
using Events = std::vector<std::string>;

namespace {

class SRShortcutMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NSApplication::resetForTesting();
        // The "shortcuts" and "actions" changes go into the same journal as
        // the hooks, so their nesting shows.
        for (const char* key : {"shortcuts", "actions"}) {
            tokens.push_back(
                observe(*monitor, key, NSKeyValueObservingOptionPrior, [this, key](const KeyValueChange& c) {
                    monitor->hooks.record(std::string(c.isPrior ? "will " : "did ") + key);
                }));
        }
    }

    Events hooks() { return monitor->hooks.take(); }
    std::vector<std::string> names(const SRShortcutMonitor::ActionList& actions)
    {
        std::vector<std::string> result;
        for (const auto& action : actions)
            result.push_back(std::to_string(action->tag()));
        return result;
    }

    std::shared_ptr<RecordingMonitor> monitor = std::make_shared<RecordingMonitor>();
    std::vector<ObservationToken> tokens;
    Journal performed;
    std::shared_ptr<SRShortcut> controlTab = makeShortcut(48, NSEventModifierFlagControl);
    std::shared_ptr<SRShortcut> commandA = makeShortcut(0, NSEventModifierFlagCommand);
};

// MARK: - Dispatch

TEST_F(SRShortcutMonitorTest, DispatchTriesTheMostRecentFirst)
{
    struct Case {
        const char* name;
        bool answerOfA;
        bool answerOfB;
        bool handled;
        Events performed;
    };
    const Case cases[] = {
        {"B takes it", false, true, true, {"B"}},
        {"B refuses, A takes it", true, false, true, {"B", "A"}},
        {"nobody takes it", false, false, false, {"B", "A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        monitor->removeAllActions();
        monitor->addAction(namedAction(performed, "A", controlTab, c.answerOfA), SRKeyEventTypeDown);
        monitor->addAction(namedAction(performed, "B", makeShortcut(48, NSEventModifierFlagControl), c.answerOfB),
                           SRKeyEventTypeDown);
        EXPECT_EQ(monitor->dispatch(*controlTab, SRKeyEventTypeDown), c.handled);
        EXPECT_EQ(performed.take(), c.performed);
        EXPECT_FALSE(monitor->dispatch(*controlTab, SRKeyEventTypeUp));
        EXPECT_TRUE(performed.take().empty());
    }
}

TEST_F(SRShortcutMonitorTest, AddingAgainMakesAnActionTheMostRecent)
{
    auto a = namedAction(performed, "A", controlTab);
    auto b = namedAction(performed, "B", controlTab);
    monitor->addAction(a, SRKeyEventTypeDown);
    monitor->addAction(b, SRKeyEventTypeDown);
    monitor->addAction(a, SRKeyEventTypeDown);
    EXPECT_EQ(monitor->enabledActionsForShortcut(*controlTab, SRKeyEventTypeDown),
              (SRShortcutMonitor::ActionList{b, a}));
    EXPECT_TRUE(monitor->dispatch(*controlTab, SRKeyEventTypeDown));
    EXPECT_EQ(performed.take(), Events{"A"});
}

TEST_F(SRShortcutMonitorTest, ReAddingADisabledActionChangesNothing)
{
    auto a = namedAction(performed, "A", controlTab);
    a->setEnabled(false);
    monitor->addAction(a, SRKeyEventTypeDown);
    hooks();
    monitor->addAction(a, SRKeyEventTypeDown);
    EXPECT_TRUE(hooks().empty());
    EXPECT_EQ(monitor->actions(), SRShortcutMonitor::ActionList{a});
    EXPECT_TRUE(monitor->enabledActionsForShortcut(*controlTab, SRKeyEventTypeDown).empty());
}

TEST_F(SRShortcutMonitorTest, AnActionMayRemoveItselfWhilePerformed)
{
    auto a = namedAction(performed, "A", controlTab, false);
    std::weak_ptr<RecordingMonitor> weakMonitor = monitor;
    auto b = std::make_shared<SRShortcutAction>();
    b->setShortcut(controlTab);
    b->setActionHandler([&, weakMonitor](SRShortcutAction&) {
        performed.record("B");
        weakMonitor.lock()->removeAllActions();
        return false;
    });
    monitor->addAction(a, SRKeyEventTypeDown);
    monitor->addAction(b, SRKeyEventTypeDown);
    EXPECT_FALSE(monitor->dispatch(*controlTab, SRKeyEventTypeDown));
    EXPECT_EQ(performed.take(), (Events{"B", "A"})) << "the walk goes on over its copy";
    EXPECT_TRUE(monitor->actions().empty());
}

TEST_F(SRShortcutMonitorTest, DispatchFollowsTheActionsShortcut)
{
    auto holder = std::make_shared<ValueHolder>();
    holder->setValue(Id(controlTab));
    auto a = SRShortcutAction::shortcutActionWithKeyPath("value", holder, [&](SRShortcutAction&) {
        performed.record("A");
        return true;
    });
    monitor->addAction(a, SRKeyEventTypeDown);
    EXPECT_TRUE(monitor->dispatch(*controlTab, SRKeyEventTypeDown));
    holder->setValue(Id(commandA->dictionaryRepresentation()));
    EXPECT_FALSE(monitor->dispatch(*controlTab, SRKeyEventTypeDown));
    EXPECT_TRUE(monitor->dispatch(*commandA, SRKeyEventTypeDown));
    EXPECT_EQ(performed.take(), (Events{"A", "A"}));
}

// MARK: - Registration

TEST_F(SRShortcutMonitorTest, AnActionCountsOncePerKind)
{
    auto a = namedAction(performed, "A", controlTab);
    a->setTag(1);
    monitor->addAction(a, SRKeyEventTypeDown);
    monitor->addAction(a, SRKeyEventTypeUp);
    EXPECT_EQ(names(monitor->actions()), Events{"1"});
    EXPECT_EQ(names(monitor->actionsForKeyEvent(SRKeyEventTypeDown)), Events{"1"});
    EXPECT_EQ(names(monitor->actionsForKeyEvent(SRKeyEventTypeUp)), Events{"1"});
    EXPECT_TRUE(monitor->dispatch(*controlTab, SRKeyEventTypeUp));

    monitor->removeAction(a, SRKeyEventTypeDown);
    EXPECT_EQ(names(monitor->actions()), Events{"1"}) << "still held for key up";
    EXPECT_FALSE(monitor->dispatch(*controlTab, SRKeyEventTypeDown));
    EXPECT_TRUE(monitor->dispatch(*controlTab, SRKeyEventTypeUp));

    monitor->addAction(a, SRKeyEventTypeDown);
    monitor->removeAction(a);
    EXPECT_TRUE(monitor->actions().empty());
    EXPECT_TRUE(monitor->shortcuts().empty());
    monitor->removeAction(a);  // not registered: nothing happens
}

TEST_F(SRShortcutMonitorTest, AddingAnActionRegisteredForBothKindsIsAProgrammerError)
{
    auto a = namedAction(performed, "A", controlTab);
    monitor->addAction(a, SRKeyEventTypeDown);
    monitor->addAction(a, SRKeyEventTypeUp);
    try {
        monitor->addAction(a, SRKeyEventTypeDown);
        FAIL() << "no assertion";
    } catch (const NSException& exception) {
        EXPECT_EQ(exception.name(), NSInternalInconsistencyException);
        EXPECT_NE(exception.reason().find("Action is added too many times"), String::npos) << exception.reason();
    }
}

TEST_F(SRShortcutMonitorTest, OtherKeyEventKindsAreRefused)
{
    auto a = namedAction(performed, "A", controlTab);
    auto flagsChanged = static_cast<SRKeyEventType>(12);
    const std::function<void()> calls[] = {
        [&] { monitor->addAction(a, flagsChanged); },
        [&] { monitor->removeAction(a, flagsChanged); },
        [&] { monitor->actionsForKeyEvent(flagsChanged); },
        [&] { monitor->enabledActionsForShortcut(*controlTab, flagsChanged); },
    };
    for (const auto& call : calls) {
        try {
            call();
            ADD_FAILURE() << "no exception";
        } catch (const NSException& exception) {
            EXPECT_EQ(exception.name(), NSInvalidArgumentException);
            EXPECT_EQ(exception.reason(), String("Unexpected keyboard event type 12"));
        }
    }
    EXPECT_TRUE(monitor->actions().empty());
}

TEST_F(SRShortcutMonitorTest, EnabledActionsOfAnUnknownShortcutAreEmpty)
{
    EXPECT_TRUE(monitor->enabledActionsForShortcut(*controlTab, SRKeyEventTypeDown).empty());
}

TEST_F(SRShortcutMonitorTest, AddingByKeyEquivalent)
{
    auto action = monitor->addAction("saveDocumentAs:", "⇧⌘S", 5);
    ASSERT_TRUE(action);
    EXPECT_EQ(action->action(), Selector("saveDocumentAs:"));
    EXPECT_EQ(action->tag(), 5);
    EXPECT_EQ(action->target(), nullptr);
    ASSERT_TRUE(action->shortcut());
    EXPECT_EQ(action->shortcut()->keyCode(), 1);
    EXPECT_EQ(action->shortcut()->modifierFlags(), NSEventModifierFlagShift | NSEventModifierFlagCommand);
    EXPECT_EQ(monitor->actionsForKeyEvent(SRKeyEventTypeDown), SRShortcutMonitor::ActionList{action});

    EXPECT_EQ(monitor->addAction("nothing:", "⌘NoSuchKey", 0), nullptr);
    EXPECT_EQ(monitor->actions().size(), 1u);
}

// MARK: - Hooks

TEST_F(SRShortcutMonitorTest, AShortcutsFirstAndLastActionSendTheHooks)
{
    auto a = namedAction(performed, "A", controlTab);
    auto b = namedAction(performed, "B", makeShortcut(48, NSEventModifierFlagControl));
    monitor->addAction(a, SRKeyEventTypeDown);
    EXPECT_EQ(hooks(), (Events{"will actions", "will shortcuts", "willAdd 48/262144", "didAdd 48/262144",
                               "did shortcuts", "did actions"}));
    monitor->addAction(b, SRKeyEventTypeDown);
    EXPECT_EQ(hooks(), (Events{"will actions", "did actions"})) << "an equal shortcut has its hooks already";

    monitor->removeAction(a);
    EXPECT_EQ(hooks(), (Events{"will actions", "did actions"}));
    monitor->removeAction(b);
    EXPECT_EQ(hooks(), (Events{"will actions", "will shortcuts", "willRemove 48/262144", "didRemove 48/262144",
                               "did shortcuts", "did actions"}));
}

TEST_F(SRShortcutMonitorTest, DisablingAndEnablingSendTheHooks)
{
    auto a = namedAction(performed, "A", controlTab);
    monitor->addAction(a, SRKeyEventTypeDown);
    hooks();
    a->setEnabled(false);
    EXPECT_EQ(hooks(), (Events{"will shortcuts", "willRemove 48/262144", "didRemove 48/262144", "did shortcuts"}));
    EXPECT_FALSE(monitor->dispatch(*controlTab, SRKeyEventTypeDown));
    EXPECT_TRUE(monitor->shortcuts().empty());
    a->setEnabled(false);
    EXPECT_TRUE(hooks().empty());
    a->setEnabled(true);
    EXPECT_EQ(hooks(), (Events{"will shortcuts", "willAdd 48/262144", "didAdd 48/262144", "did shortcuts"}));
    EXPECT_TRUE(monitor->dispatch(*controlTab, SRKeyEventTypeDown));
}

TEST_F(SRShortcutMonitorTest, ChangingTheShortcutMovesTheAction)
{
    auto a = namedAction(performed, "A", controlTab);
    monitor->addAction(a, SRKeyEventTypeDown);
    hooks();
    a->setShortcut(commandA);
    EXPECT_EQ(hooks(), (Events{"will shortcuts", "willRemove 48/262144", "didRemove 48/262144", "willAdd 0/1048576",
                               "didAdd 0/1048576", "did shortcuts"}));
    EXPECT_EQ(monitor->shortcuts(), std::vector<std::shared_ptr<SRShortcut>>{commandA});
    EXPECT_TRUE(monitor->dispatch(*commandA, SRKeyEventTypeDown));
    EXPECT_FALSE(monitor->dispatch(*controlTab, SRKeyEventTypeDown));

    // Onto a shortcut that has actions already, from one that keeps others.
    auto b = namedAction(performed, "B", controlTab);
    auto c = namedAction(performed, "C", controlTab);
    monitor->addAction(b, SRKeyEventTypeDown);
    monitor->addAction(c, SRKeyEventTypeDown);
    hooks();
    b->setShortcut(commandA);
    EXPECT_TRUE(hooks().empty());
    EXPECT_EQ(monitor->enabledActionsForShortcut(*commandA, SRKeyEventTypeDown), (SRShortcutMonitor::ActionList{a, b}));
}

TEST_F(SRShortcutMonitorTest, AnActionWithoutAShortcutIsHeldButListedNowhere)
{
    auto a = namedAction(performed, "A", nullptr);
    monitor->addAction(a, SRKeyEventTypeDown);
    EXPECT_EQ(hooks(), (Events{"will actions", "did actions"}));
    EXPECT_EQ(monitor->actions(), SRShortcutMonitor::ActionList{a});
    EXPECT_TRUE(monitor->shortcuts().empty());
    EXPECT_EQ(monitor->debugDescription(), String("No Shortcuts"));
    a->setEnabled(false);
    a->setEnabled(true);
    EXPECT_TRUE(hooks().empty());

    a->setShortcut(controlTab);
    EXPECT_EQ(hooks(), (Events{"will shortcuts", "willAdd 48/262144", "didAdd 48/262144", "did shortcuts"}));
    a->setShortcut(nullptr);
    EXPECT_EQ(hooks(), (Events{"will shortcuts", "willRemove 48/262144", "didRemove 48/262144", "did shortcuts"}));
    monitor->removeAction(a);
    EXPECT_EQ(hooks(), (Events{"will actions", "did actions"}));
}

TEST_F(SRShortcutMonitorTest, RemovingEverythingUnwindsInReverse)
{
    monitor->addAction(namedAction(performed, "A", controlTab), SRKeyEventTypeDown);
    monitor->addAction(namedAction(performed, "B", commandA), SRKeyEventTypeUp);
    monitor->addAction(namedAction(performed, "C", controlTab), SRKeyEventTypeUp);
    hooks();
    monitor->removeAllActions();
    EXPECT_EQ(hooks(), (Events{"will actions", "will shortcuts", "willRemove 48/262144", "willRemove 0/1048576",
                               "didRemove 0/1048576", "didRemove 48/262144", "did shortcuts", "did actions"}));
    EXPECT_TRUE(monitor->actions().empty());
    EXPECT_TRUE(monitor->shortcuts().empty());
    EXPECT_EQ(monitor->debugDescription(), String("No Shortcuts"));
}

// An action registered for key down and key up under one shortcut holds two
// entries of it; the hooks must still come once per first and last, or a
// subclass would acquire twice or never release.
TEST_F(SRShortcutMonitorTest, HooksStayPairedForAnActionOfBothKinds)
{
    auto a = namedAction(performed, "A", controlTab);
    monitor->addAction(a, SRKeyEventTypeDown);
    monitor->addAction(a, SRKeyEventTypeUp);
    hooks();

    a->setEnabled(false);
    EXPECT_EQ(hooks(), (Events{"will shortcuts", "willRemove 48/262144", "didRemove 48/262144", "did shortcuts"}));
    EXPECT_TRUE(monitor->shortcuts().empty());
    a->setEnabled(true);
    EXPECT_EQ(hooks(), (Events{"will shortcuts", "willAdd 48/262144", "didAdd 48/262144", "did shortcuts"}));
    EXPECT_TRUE(monitor->dispatch(*controlTab, SRKeyEventTypeDown));
    EXPECT_TRUE(monitor->dispatch(*controlTab, SRKeyEventTypeUp));

    a->setShortcut(commandA);
    EXPECT_EQ(hooks(), (Events{"will shortcuts", "willRemove 48/262144", "didRemove 48/262144", "willAdd 0/1048576",
                               "didAdd 0/1048576", "did shortcuts"}));
    EXPECT_TRUE(monitor->dispatch(*commandA, SRKeyEventTypeUp));

    // With a second action on the shortcut, the double one leaving is no last.
    auto b = namedAction(performed, "B", commandA);
    monitor->addAction(b, SRKeyEventTypeUp);
    hooks();
    a->setEnabled(false);
    EXPECT_TRUE(hooks().empty());
    a->setEnabled(true);

    monitor->removeAction(b);
    hooks();
    monitor->removeAction(a, SRKeyEventTypeDown);
    EXPECT_TRUE(hooks().empty()) << "key up still holds the shortcut";
    monitor->removeAction(a, SRKeyEventTypeUp);
    EXPECT_EQ(hooks(), (Events{"will actions", "will shortcuts", "willRemove 0/1048576", "didRemove 0/1048576",
                               "did shortcuts", "did actions"}));
    EXPECT_TRUE(monitor->faults().empty());
    EXPECT_EQ(monitor->balances(), (std::map<std::string, int>{{"48/262144", 0}, {"0/1048576", 0}}));
}

// Subclasses decide what to acquire and release from what the monitor holds
// while the hook runs.
class PresenceMonitor : public SRShortcutMonitor {
    KS_OBJECT(PresenceMonitor, SRShortcutMonitor)
public:
    Journal seen;

protected:
    void willAddShortcut(const std::shared_ptr<SRShortcut>& s) override { note("willAdd", *s); }
    void didAddShortcut(const std::shared_ptr<SRShortcut>& s) override { note("didAdd", *s); }
    void willRemoveShortcut(const std::shared_ptr<SRShortcut>& s) override { note("willRemove", *s); }
    void didRemoveShortcut(const std::shared_ptr<SRShortcut>& s) override { note("didRemove", *s); }

private:
    void note(const char* hook, const SRShortcut& shortcut)
    {
        auto held = shortcuts();
        bool present = std::any_of(held.begin(), held.end(), [&](auto& h) { return h->isEqualToShortcut(&shortcut); });
        seen.record(std::string(hook) + (present ? " held" : " not held") + " of " + std::to_string(held.size()));
    }
};

TEST_F(SRShortcutMonitorTest, HooksSeeTheShortcutsAsTheyStand)
{
    auto presence = std::make_shared<PresenceMonitor>();
    auto a = namedAction(performed, "A", controlTab);
    presence->addAction(a, SRKeyEventTypeDown);
    presence->addAction(a, SRKeyEventTypeUp);
    a->setEnabled(false);
    EXPECT_EQ(presence->seen.take(),
              (Events{"willAdd not held of 0", "didAdd held of 1", "willRemove held of 1", "didRemove not held of 0"}));
}

// MARK: - Description and release

TEST_F(SRShortcutMonitorTest, DebugDescriptionListsEachKind)
{
    auto a = namedAction(performed, "A", controlTab);
    auto b = namedAction(performed, "B", commandA);
    monitor->addAction(a, SRKeyEventTypeDown);
    monitor->addAction(b, SRKeyEventTypeDown);
    monitor->addAction(a, SRKeyEventTypeUp);
    std::string expected = "Key Down Shortcuts: {\n"
                           "\t" +
                           controlTab->description().utf8() +
                           ": {\n"
                           "\t\t" +
                           a->description().utf8() +
                           "\n"
                           "\t}\n"
                           "\t" +
                           commandA->description().utf8() +
                           ": {\n"
                           "\t\t" +
                           b->description().utf8() +
                           "\n"
                           "\t}\n"
                           "}\n"
                           "Key Up Shortcuts: {\n"
                           "\t" +
                           controlTab->description().utf8() +
                           ": {\n"
                           "\t\t" +
                           a->description().utf8() +
                           "\n"
                           "\t}\n"
                           "}\n";
    EXPECT_EQ(monitor->debugDescription().utf8(), expected);
}

TEST_F(SRShortcutMonitorTest, AReleasedMonitorNoLongerFollowsItsActions)
{
    auto a = namedAction(performed, "A", controlTab);
    {
        auto other = std::make_shared<RecordingMonitor>();
        other->addAction(a, SRKeyEventTypeDown);
        other->addAction(a, SRKeyEventTypeUp);
    }
    a->setEnabled(false);
    a->setShortcut(commandA);
    a->setEnabled(true);
    EXPECT_TRUE(a->performActionOnTarget());
}

}  // namespace
