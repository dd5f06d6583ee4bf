#include "shortcut-library/SRShortcutAction.h"

#include "ShortcutActionTestSupport.h"
#include "appkit/NSApplication.h"
#include "foundation/Log.h"
#include "foundation/NSController.h"
#include "foundation/NSException.h"
#include "foundation/NSKeyedArchiver.h"
#include "simulation/SimulatedDesktop.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace testing_support;

namespace {

class SRShortcutActionTest : public ::testing::Test {
protected:
    void SetUp() override { NSApplication::resetForTesting(); }
    void TearDown() override { NSApplication::resetForTesting(); }
};

// Records every will/did of the keys it is told to watch, as "will key" and
// "did key", in the order they arrive.
class ChangeJournal {
public:
    void watch(NSObject& object, const std::vector<String>& keys)
    {
        for (const String& key : keys) {
            tokens_.push_back(
                observe(object, key, NSKeyValueObservingOptionPrior, [this, key](const KeyValueChange& c) {
                    journal_.record((c.isPrior ? "will " : "did ") + key.utf8());
                }));
        }
    }
    std::vector<std::string> take() { return journal_.take(); }

private:
    Journal journal_;
    std::vector<ObservationToken> tokens_;
};

// MARK: - Performing

struct PerformCase {
    const char* name;
    // Sets the action up; returns the target to keep alive (or nullptr).
    std::function<std::shared_ptr<RecordingTarget>(SRShortcutAction&)> setUp;
    bool expected;
    std::vector<std::string> calls;
    const char* debugText;
};

std::function<std::shared_ptr<RecordingTarget>(SRShortcutAction&)> targetWith(std::shared_ptr<RecordingTarget> target,
                                                                              const char* selector)
{
    return [target, selector](SRShortcutAction& action) {
        action.setTarget(target);
        action.setAction(selector ? Selector(selector) : Selector());
        return target;
    };
}

TEST_F(SRShortcutActionTest, PerformDecidesInItsOrder)
{
    const PerformCase cases[] = {
        {.name = "disabled",
         .setUp =
             [](SRShortcutAction& a) {
                 a.setActionHandler([](SRShortcutAction&) { return true; });
                 a.setEnabled(false);
                 return nullptr;
             },
         .expected = false,
         .calls = {},
         .debugText = "Not performed: disabled"},
        {.name = "handler answering YES",
         .setUp =
             [](SRShortcutAction& a) {
                 a.setActionHandler([](SRShortcutAction& sender) { return sender.tag() == 7; });
                 return nullptr;
             },
         .expected = true,
         .calls = {},
         .debugText = "Using action handler"},
        {.name = "handler answering NO",
         .setUp =
             [](SRShortcutAction& a) {
                 a.setActionHandler([](SRShortcutAction&) { return false; });
                 return nullptr;
             },
         .expected = false,
         .calls = {},
         .debugText = "Using action handler"},
        {.name = "no target and no application",
         .setUp =
             [](SRShortcutAction& a) {
                 a.setAction("answerYes:");
                 return nullptr;
             },
         .expected = false,
         .calls = {},
         .debugText = "Not performed: no associated target"},
        {.name = "selector answering YES",
         .setUp = targetWith(std::make_shared<RecordingTarget>(), "answerYes:"),
         .expected = true,
         .calls = {"answerYes:7"},
         .debugText = "Using action"},
        {.name = "selector answering NO",
         .setUp = targetWith(std::make_shared<RecordingTarget>(), "answerNo:"),
         .expected = false,
         .calls = {"answerNo:7"},
         .debugText = "Using action"},
        {.name = "selector returning nothing counts as handled",
         .setUp = targetWith(std::make_shared<RecordingTarget>(), "returnsVoid:"),
         .expected = true,
         .calls = {"returnsVoid:7"},
         .debugText = "Using action"},
        {.name = "only a Boolean answer is read",
         .setUp = targetWith(std::make_shared<RecordingTarget>(), "returnsObject:"),
         .expected = true,
         .calls = {"returnsObject:7"},
         .debugText = "Using action"},
        {.name = "selector without arguments",
         .setUp = targetWith(std::make_shared<RecordingTarget>(), "noArguments"),
         .expected = true,
         .calls = {"noArguments"},
         .debugText = "Using action"},
        {.name = "selector with two arguments is not called",
         .setUp = targetWith(std::make_shared<RecordingTarget>(), "takes:two:"),
         .expected = false,
         .calls = {},
         .debugText = "Using action"},
        {.name = "target that answers neither",
         .setUp = targetWith(std::make_shared<RecordingTarget>(), "unknown:"),
         .expected = false,
         .calls = {},
         .debugText = "Not performed: target cannot respond to action"},
        {.name = "protocol without a selector",
         .setUp = targetWith(std::make_shared<ProtocolTarget>(), nullptr),
         .expected = true,
         .calls = {"performShortcutAction:7"},
         .debugText = "Using protocol"},
        {.name = "protocol when the selector isn't answered",
         .setUp = targetWith(std::make_shared<ProtocolTarget>(false), "unknown:"),
         .expected = false,
         .calls = {"performShortcutAction:7"},
         .debugText = "Using protocol"},
        {.name = "selector wins over protocol",
         .setUp = targetWith(std::make_shared<ProtocolTarget>(), "answerNo:"),
         .expected = false,
         .calls = {"answerNo:7"},
         .debugText = "Using action"},
        {.name = "protocol through the method table",
         .setUp = targetWith(std::make_shared<DynamicProtocolTarget>(), nullptr),
         .expected = true,
         .calls = {"performShortcutAction:7"},
         .debugText = "Using protocol"},
        {.name = "validation refuses the selector",
         .setUp = targetWith(std::make_shared<ValidatingTarget>(false), "answerYes:"),
         .expected = false,
         .calls = {"validate:7"},
         .debugText = "Not performed: target ignored action"},
        {.name = "validation refuses the protocol",
         .setUp = targetWith(std::make_shared<ValidatingTarget>(false), nullptr),
         .expected = false,
         .calls = {"validate:7"},
         .debugText = "Not performed: target ignored action"},
        {.name = "validation allows",
         .setUp = targetWith(std::make_shared<ValidatingTarget>(true), "answerYes:"),
         .expected = true,
         .calls = {"validate:7", "answerYes:7"},
         .debugText = "Using action"},
    };
    for (const PerformCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto action = std::make_shared<SRShortcutAction>();
        action->setTag(7);
        auto target = c.setUp(*action);
        ScopedLogCapture capture;
        EXPECT_EQ(action->performActionOnTarget(), c.expected);
        EXPECT_EQ(target ? target->journal.take() : std::vector<std::string>{}, c.calls);
        EXPECT_EQ(capture.sink().texts(), std::vector<std::string>{c.debugText});
        for (const LogEntry& entry : capture.sink().entries()) {
            EXPECT_EQ(entry.level, LogLevel::Debug);
            EXPECT_EQ(entry.activities, std::vector<std::string>{"-[SRShortcutAction performActionOnTarget:]"});
        }
    }
}

TEST_F(SRShortcutActionTest, RefusalsAreSilentWithoutDebugLogging)
{
    auto refusing = std::make_shared<ValidatingTarget>(false);
    auto plain = std::make_shared<RecordingTarget>();
    auto disabled = std::make_shared<SRShortcutAction>();
    disabled->setEnabled(false);
    auto noTarget = std::make_shared<SRShortcutAction>();
    auto cannotRespond = SRShortcutAction::shortcutActionWithShortcut(nullptr, plain, "unknown:", 0);
    auto ignored = SRShortcutAction::shortcutActionWithShortcut(nullptr, refusing, "answerYes:", 0);

    ScopedLogCapture capture(false);
    for (const auto& action : {disabled, noTarget, cannotRespond, ignored})
        EXPECT_FALSE(action->performActionOnTarget());
    EXPECT_TRUE(capture.sink().entries().empty());
}

TEST_F(SRShortcutActionTest, TheGivenTargetTakesPrecedenceOverTheActionsOwn)
{
    auto own = std::make_shared<RecordingTarget>();
    auto given = std::make_shared<RecordingTarget>();
    auto action = SRShortcutAction::shortcutActionWithShortcut(nullptr, own, "answerYes:", 3);
    EXPECT_TRUE(action->performActionOnTarget(given));
    EXPECT_EQ(given->journal.take(), std::vector<std::string>{"answerYes:3"});
    EXPECT_TRUE(own->journal.take().empty());
}

TEST_F(SRShortcutActionTest, WithoutATargetTheSharedApplicationIsTheTarget)
{
    auto action = std::make_shared<SRShortcutAction>();
    EXPECT_EQ(action->target(), nullptr);  // no application made yet

    auto application = NSApplication::sharedApplication();
    EXPECT_EQ(action->target(), application);
    // The application doesn't take the protocol...
    EXPECT_FALSE(action->performActionOnTarget());
    // ...but it answers its standard actions.
    auto& desktop = *simulation::SimulatedDesktop::current();
    auto panels = desktop.countProgramRecords(simulation::ProgramRecord::Kind::AboutPanel);
    action->setAction("orderFrontStandardAboutPanel:");
    EXPECT_TRUE(action->performActionOnTarget());
    EXPECT_EQ(desktop.countProgramRecords(simulation::ProgramRecord::Kind::AboutPanel), panels + 1);
}

TEST_F(SRShortcutActionTest, ATargetThatIsGoneReadsAsTheSharedApplication)
{
    auto application = NSApplication::sharedApplication();
    auto action = std::make_shared<SRShortcutAction>();
    {
        auto target = std::make_shared<RecordingTarget>();
        action->setTarget(target);
        EXPECT_EQ(action->target(), target);
    }
    EXPECT_EQ(action->target(), application);
}

// MARK: - Handler and target

TEST_F(SRShortcutActionTest, HandlerAndTargetExcludeEachOther)
{
    auto target = std::make_shared<RecordingTarget>();
    auto action = std::make_shared<SRShortcutAction>();
    ChangeJournal changes;
    changes.watch(*action, {"actionHandler", "target"});

    action->setActionHandler([](SRShortcutAction&) { return true; });
    EXPECT_EQ(changes.take(), (std::vector<std::string>{"will actionHandler", "did actionHandler"}));

    action->setTarget(target);
    EXPECT_EQ(changes.take(),
              (std::vector<std::string>{"will target", "will actionHandler", "did actionHandler", "did target"}));
    EXPECT_FALSE(action->actionHandler());
    EXPECT_EQ(action->target(), target);

    action->setTarget(target);
    EXPECT_TRUE(changes.take().empty()) << "setting the current target again does nothing";

    action->setActionHandler([](SRShortcutAction&) { return true; });
    EXPECT_EQ(changes.take(),
              (std::vector<std::string>{"will actionHandler", "will target", "did target", "did actionHandler"}));
    EXPECT_TRUE(action->actionHandler());
    EXPECT_EQ(action->target(), nullptr);

    // A nil target or handler clears nothing else.
    action->setTarget(nullptr);
    EXPECT_TRUE(changes.take().empty());
    action->setTarget(target);
    changes.take();
    action->setActionHandler(nullptr);
    EXPECT_EQ(changes.take(), (std::vector<std::string>{"will actionHandler", "did actionHandler"}));
    EXPECT_EQ(action->target(), target);
}

TEST_F(SRShortcutActionTest, FactoriesSetWhatTheyName)
{
    auto target = std::make_shared<RecordingTarget>();
    auto shortcut = makeShortcut(0, NSEventModifierFlagCommand);
    auto byTarget = SRShortcutAction::shortcutActionWithShortcut(shortcut, target, "answerYes:", 4);
    EXPECT_TRUE(byTarget->isEnabled());
    EXPECT_EQ(byTarget->shortcut(), shortcut);
    EXPECT_EQ(byTarget->target(), target);
    EXPECT_EQ(byTarget->action(), Selector("answerYes:"));
    EXPECT_EQ(byTarget->tag(), 4);

    auto holder = std::make_shared<ValueHolder>();
    holder->setValue(Id(shortcut));
    auto observing =
        SRShortcutAction::shortcutActionWithKeyPath("value", holder, [](SRShortcutAction&) { return true; });
    EXPECT_EQ(observing->observedObject(), holder);
    EXPECT_EQ(observing->observedKeyPath(), String("value"));
    EXPECT_EQ(observing->shortcut(), shortcut);
    EXPECT_TRUE(observing->actionHandler());
}

// MARK: - Observed shortcuts

TEST_F(SRShortcutActionTest, ObservedValuesBecomeShortcuts)
{
    auto shortcut = makeShortcut(0, NSEventModifierFlagCommand | NSEventModifierFlagShift);
    auto archive = NSKeyedArchiver::archivedDataWithRootObject(Id(shortcut), true);
    ASSERT_TRUE(archive);
    auto archivedString = NSKeyedArchiver::archivedDataWithRootObject(Id("not a shortcut"), true);
    ASSERT_TRUE(archivedString);
    struct Case {
        const char* name;
        Id value;
        bool expectShortcut;
    };
    const Case cases[] = {
        {"shortcut object", Id(shortcut), true},
        {"dictionary form", Id(shortcut->dictionaryRepresentation()), true},
        {"keyed archive of a shortcut", Id(*archive), true},
        {"keyed archive of something else", Id(*archivedString), false},
        {"garbage data", Id(Data(std::vector<std::uint8_t>{1, 2, 3})), false},
        {"null marker", Id::null(), false},
        {"nil", Id(), false},
        {"a string", Id("⇧⌘A"), false},
        {"a number", Id::number(12), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto holder = std::make_shared<ValueHolder>();
        auto action = std::make_shared<SRShortcutAction>();
        action->setShortcut(makeShortcut(1));
        action->setObservedObject(holder, "value");
        EXPECT_EQ(action->shortcut(), nullptr) << "the initial value (nil) arrives at once";
        holder->setValue(c.value);
        auto result = action->shortcut();
        if (c.expectShortcut) {
            ASSERT_TRUE(result);
            EXPECT_TRUE(result->isEqualToShortcut(shortcut.get()));
        } else {
            EXPECT_EQ(result, nullptr);
        }
    }
}

TEST_F(SRShortcutActionTest, TheInitialValueArrivesAtOnce)
{
    auto shortcut = makeShortcut(3, NSEventModifierFlagControl);
    auto holder = std::make_shared<ValueHolder>();
    holder->setValue(Id(shortcut->dictionaryRepresentation()));
    auto action = std::make_shared<SRShortcutAction>();
    ChangeJournal changes;
    changes.watch(*action, {"shortcut", "observedObject", "observedKeyPath"});
    action->setObservedObject(holder, "value");
    ASSERT_TRUE(action->shortcut());
    EXPECT_TRUE(action->shortcut()->isEqualToShortcut(shortcut.get()));
    EXPECT_EQ(changes.take(), (std::vector<std::string>{"will observedObject", "will observedKeyPath", "will shortcut",
                                                        "did shortcut", "did observedKeyPath", "did observedObject"}));

    action->setObservedObject(holder, "value");
    EXPECT_TRUE(changes.take().empty()) << "the same pair again changes nothing";

    // An equal value doesn't count as a change.
    holder->setValue(Id(makeShortcut(3, NSEventModifierFlagControl)));
    EXPECT_TRUE(changes.take().empty());
}

TEST_F(SRShortcutActionTest, SettingAShortcutEndsTheObservation)
{
    auto first = makeShortcut(1);
    auto holder = std::make_shared<ValueHolder>();
    holder->setValue(Id(first));
    auto action = std::make_shared<SRShortcutAction>();
    action->setObservedObject(holder, "value");
    ChangeJournal changes;
    changes.watch(*action, {"shortcut", "observedObject", "observedKeyPath"});

    // Equal to the current one: no "shortcut" notification, but the key path
    // is no longer followed.
    action->setShortcut(makeShortcut(1));
    EXPECT_EQ(changes.take(), (std::vector<std::string>{"will observedObject", "will observedKeyPath",
                                                        "did observedKeyPath", "did observedObject"}));
    EXPECT_EQ(action->shortcut(), first);
    EXPECT_EQ(action->observedObject(), nullptr);
    EXPECT_EQ(action->observedKeyPath(), String());
    holder->setValue(Id(makeShortcut(2)));
    EXPECT_EQ(action->shortcut(), first);

    auto second = makeShortcut(2);
    action->setShortcut(second);
    EXPECT_EQ(changes.take(), (std::vector<std::string>{"will observedObject", "will observedKeyPath", "will shortcut",
                                                        "did shortcut", "did observedKeyPath", "did observedObject"}));
    EXPECT_EQ(action->shortcut(), second);
}

TEST_F(SRShortcutActionTest, ObservingAnotherObjectForgetsTheFirst)
{
    auto first = std::make_shared<ValueHolder>();
    auto second = std::make_shared<ValueHolder>();
    first->setValue(Id(makeShortcut(1)));
    second->setValue(Id(makeShortcut(2)));
    auto action = std::make_shared<SRShortcutAction>();
    action->setObservedObject(first, "value");
    action->setObservedObject(second, "value");
    EXPECT_EQ(action->shortcut()->keyCode(), 2);
    first->setValue(Id(makeShortcut(3)));
    EXPECT_EQ(action->shortcut()->keyCode(), 2);
    second->setValue(Id(makeShortcut(4)));
    EXPECT_EQ(action->shortcut()->keyCode(), 4);
}

TEST_F(SRShortcutActionTest, AReleasedObservedObjectReadsAsNil)
{
    auto action = std::make_shared<SRShortcutAction>();
    {
        auto holder = std::make_shared<ValueHolder>();
        holder->setValue(Id(makeShortcut(5)));
        action->setObservedObject(holder, "value");
    }
    EXPECT_EQ(action->observedObject(), nullptr);
    EXPECT_EQ(action->shortcut()->keyCode(), 5);
    action->setShortcut(makeShortcut(6));  // nothing left to stop observing
    EXPECT_EQ(action->shortcut()->keyCode(), 6);
}

// Reports no value in its change notifications until asked again, as
// controllers do: the first read of each change answers the null marker.
template <class Base> class ForgetfulHolder : public Base {
public:
    void setValue(const Id& value)
    {
        this->willChangeValueForKey("value");
        value_ = value;
        hideNextRead_ = true;
        this->didChangeValueForKey("value");
    }
    Id valueForKey(const String& key) override
    {
        if (key != String("value"))
            return Base::valueForKey(key);
        if (std::exchange(hideNextRead_, false))
            return Id::null();
        return value_;
    }

private:
    Id value_;
    bool hideNextRead_ = false;
};

class ForgetfulController : public ForgetfulHolder<NSController> {
    KS_OBJECT(ForgetfulController, NSController)
};
class ForgetfulObject : public ForgetfulHolder<NSObject> {
    KS_OBJECT(ForgetfulObject, NSObject)
};

TEST_F(SRShortcutActionTest, AControllersValueIsReadAgain)
{
    auto shortcut = makeShortcut(7, NSEventModifierFlagOption);
    auto controller = std::make_shared<ForgetfulController>();
    auto plain = std::make_shared<ForgetfulObject>();
    auto fromController = std::make_shared<SRShortcutAction>();
    auto fromPlain = std::make_shared<SRShortcutAction>();
    fromController->setObservedObject(controller, "value");
    fromPlain->setObservedObject(plain, "value");

    controller->setValue(Id(shortcut));
    plain->setValue(Id(shortcut));
    EXPECT_EQ(fromController->shortcut(), shortcut);
    EXPECT_EQ(fromPlain->shortcut(), nullptr) << "only controllers are asked again";
}

TEST_F(SRShortcutActionTest, EntryPointsRunInTheirActivities)
{
    auto holder = std::make_shared<ValueHolder>();
    auto action = std::make_shared<SRShortcutAction>();
    ActivityRecorder activities;
    action->setObservedObject(holder, "value");
    action->setShortcut(makeShortcut(1));
    action->performActionOnTarget();
    EXPECT_EQ(activities.names(), (std::vector<std::string>{
                                      "-[SRShortcutAction setObservedObject:withKeyPath:]",
                                      "-[SRShortcutAction observeValueForKeyPath:ofObject:change:context:]",
                                      "-[SRShortcutAction setShortcut:]",
                                      "-[SRShortcutAction performActionOnTarget:]",
                                  }));
}

// MARK: - Key event kinds

TEST(SRShortcutActionKeyEventTypeTest, EventsBecomeKeyEventKinds)
{
    struct Case {
        NSEventType type;
        unsigned short keyCode;
        NSEventModifierFlags flags;
        SRKeyEventType expected;
    };
    const Case cases[] = {
        {NSEventTypeKeyDown, 0, 0, SRKeyEventTypeDown},
        {NSEventTypeKeyUp, 0, NSEventModifierFlagShift, SRKeyEventTypeUp},
        {NSEventTypeFlagsChanged, 54, NSEventModifierFlagCommand, SRKeyEventTypeDown},
        {NSEventTypeFlagsChanged, 55, 0, SRKeyEventTypeUp},
        {NSEventTypeFlagsChanged, 58, NSEventModifierFlagOption, SRKeyEventTypeDown},
        {NSEventTypeFlagsChanged, 61, NSEventModifierFlagCommand, SRKeyEventTypeUp},
        {NSEventTypeFlagsChanged, 56, NSEventModifierFlagShift, SRKeyEventTypeDown},
        {NSEventTypeFlagsChanged, 60, NSEventModifierFlagShift | NSEventModifierFlagControl, SRKeyEventTypeDown},
        {NSEventTypeFlagsChanged, 60, NSEventModifierFlagControl, SRKeyEventTypeUp},
        {NSEventTypeFlagsChanged, 59, NSEventModifierFlagControl, SRKeyEventTypeDown},
        {NSEventTypeFlagsChanged, 62, 0, SRKeyEventTypeUp},
    };
    ScopedLogCapture capture;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " key " << c.keyCode << " flags " << c.flags);
        EXPECT_EQ(SR_keyEventTypeForEventType(c.type, c.keyCode, c.flags), c.expected);
    }
    EXPECT_TRUE(capture.sink().entries().empty());

    auto event = NSEvent::keyEventWithType(NSEventTypeFlagsChanged, NSZeroPoint, NSEventModifierFlagShift, 0, 0, Id(),
                                           "", "", false, 60);
    EXPECT_EQ(SR_keyEventType(*event), SRKeyEventTypeDown);
}

TEST(SRShortcutActionKeyEventTypeTest, AnUnknownModifierKeyIsLoggedAndCountsAsKeyDown)
{
    ScopedLogCapture capture;
    EXPECT_EQ(SR_keyEventTypeForEventType(NSEventTypeFlagsChanged, 63, 0), SRKeyEventTypeDown);
    EXPECT_TRUE(capture.sink().contains(LogLevel::Error, "#Error Unexpected key code 63 for the FlagsChanged event"));
}

TEST(SRShortcutActionKeyEventTypeTest, OtherEventsAreAProgrammerError)
{
    try {
        SR_keyEventTypeForEventType(NSEventTypeLeftMouseDown, 0, 0);
        FAIL() << "no exception";
    } catch (const NSException& exception) {
        EXPECT_EQ(exception.name(), NSInternalInconsistencyException);
        EXPECT_EQ(exception.reason(), String("Expected a key event, got 1"));
    }
}

}  // namespace
