#include "shortcut-library/SRShortcutController.h"

#include "HotKeyTestSupport.h"
#include "ShortcutMonitorTestSupport.h"
#include "appkit/NSApplication.h"
#include "foundation/Log.h"
#include "foundation/NSException.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/ScopedVirtualClock.h"
#include "shortcut-library/SRGlobalShortcutMonitor.h"
#include "shortcut-library/SRKeyBindingTransformer.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "shortcut-library/SRKeyEquivalentTransformer.h"
#include "shortcut-library/SRModifierFlagsTransformer.h"
#include "simulation/ScopedDesktop.h"
#include "textinput/KeyboardLayoutCatalog.h"

#include <gtest/gtest.h>

using namespace testing_support;
using Events = std::vector<std::string>;

namespace {

constexpr SRKeyCode kA = 0;
constexpr SRKeyCode kTab = 48;
constexpr SRKeyCode kSpace = 49;
constexpr NSEventModifierFlags control = NSEventModifierFlagControl;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;

const char* const computedPaths[] = {
    "selection.keyEquivalent",        "selection.keyEquivalentModifierMask", "selection.literalKeyCode",
    "selection.symbolicKeyCode",      "selection.literalASCIIKeyCode",       "selection.symbolicASCIIKeyCode",
    "selection.literalModifierFlags", "selection.symbolicModifierFlags",
};

// Stands in for a recorder control: all the controller needs of one is a
// "value" binding.
class FakeRecorderControl : public ValueHolder {
    KS_OBJECT(FakeRecorderControl, ValueHolder)
};

class SRShortcutControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NSApplication::resetForTesting();
        sharedActionsBefore = monitor()->actions().size();
    }
    void TearDown() override
    {
        // Nothing of a test may stay in the process-wide monitor.
        controller.reset();
        EXPECT_EQ(monitor()->actions().size(), sharedActionsBefore);
        NSApplication::resetForTesting();
    }

    static const std::shared_ptr<SRGlobalShortcutMonitor>& monitor()
    {
        return SRGlobalShortcutMonitor::sharedMonitor();
    }

    // Records the prior and later notice of each key path as "will x" and
    // "did x".
    void record(const std::vector<std::string>& keyPaths)
    {
        for (const auto& keyPath : keyPaths) {
            tokens.push_back(observe(*controller, keyPath, NSKeyValueObservingOptionPrior,
                                     [this, keyPath](const KeyValueChange& change) {
                                         notices.record((change.isPrior ? "will " : "did ") + keyPath);
                                     }));
        }
    }

    // What the shared transformers make of a shortcut, path by path.
    static std::vector<Id> expectedValues(SRKeyCode keyCode, NSEventModifierFlags flags)
    {
        Id code = Id::number(keyCode);
        Id modifiers = Id::number(flags);
        Id shortcut(SRShortcut::shortcutWithCode(keyCode, flags));
        return {
            SRKeyEquivalentTransformer::sharedTransformer().transformedValue(shortcut),
            SRKeyEquivalentModifierMaskTransformer::sharedTransformer().transformedValue(shortcut),
            SRLiteralKeyCodeTransformer::sharedTransformer().transformedValue(code),
            SRSymbolicKeyCodeTransformer::sharedTransformer().transformedValue(code),
            SRASCIILiteralKeyCodeTransformer::sharedTransformer().transformedValue(code),
            SRASCIISymbolicKeyCodeTransformer::sharedTransformer().transformedValue(code),
            SRLiteralModifierFlagsTransformer::sharedTransformer().transformedValue(modifiers),
            SRSymbolicModifierFlagsTransformer::sharedTransformer().transformedValue(modifiers),
        };
    }
    void expectValues(const std::vector<Id>& expected)
    {
        auto selection = controller->selection();
        for (std::size_t i = 0; i < std::size(computedPaths); ++i) {
            SCOPED_TRACE(computedPaths[i]);
            EXPECT_EQ(controller->valueForKeyPath(computedPaths[i]), expected[i]);
            // The selection proxy answers the same.
            EXPECT_EQ(valueForKeyPath(selection, String(computedPaths[i]).substring(10)), expected[i]);
        }
    }

    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop{hotKeyDesktopState()};
    ScopedLogCapture log;
    std::size_t sharedActionsBefore = 0;
    std::shared_ptr<SRShortcutController> controller = std::make_shared<SRShortcutController>();
    std::vector<ObservationToken> tokens;
    Journal notices;
};

// MARK: - Computed values

TEST_F(SRShortcutControllerTest, WithoutContentEveryComputedValueIsTheNoSelectionMarker)
{
    for (const char* path : computedPaths) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(controller->valueForKeyPath(path).isIdenticalTo(NSNoSelectionMarker));
        EXPECT_TRUE(
            valueForKeyPath(controller->selection(), String(path).substring(10)).isIdenticalTo(NSNoSelectionMarker));
    }

    // Content that has come and gone leaves the marker the selection answers.
    controller->setContent(Id(SRShortcut::shortcutWithCode(kA, command)));
    controller->setContent(Id());
    for (const char* path : computedPaths)
        EXPECT_TRUE(controller->valueForKeyPath(path).isIdenticalTo(NSNoSelectionMarker)) << path;
}

TEST_F(SRShortcutControllerTest, ContentGivesTheSharedTransformersValues)
{
    controller->setContent(Id(SRShortcut::shortcutWithCode(kA, command)));
    expectValues(expectedValues(kA, command));
    // What a menu item and a label would show, in the US layout.
    EXPECT_EQ(controller->valueForKeyPath("selection.keyEquivalent"), Id("a"));
    EXPECT_EQ(controller->valueForKeyPath("selection.keyEquivalentModifierMask"), Id::number(command));
    EXPECT_EQ(controller->valueForKeyPath("selection.symbolicModifierFlags"), Id("⌘"));
    // Other keys still go to the content.
    EXPECT_EQ(controller->valueForKeyPath("selection.keyCode"), Id::number(kA));

    // Content given at creation counts from its first selection change.
    auto made = std::make_shared<SRShortcutController>(Id(SRShortcut::shortcutWithCode(kTab, control)));
    made->setContent(Id(SRShortcut::shortcutWithCode(kSpace, control)));
    EXPECT_EQ(made->valueForKeyPath("selection.literalModifierFlags"), expectedValues(kSpace, control)[6]);
}

TEST_F(SRShortcutControllerTest, ObserversOfComputedPathsHearFreshValues)
{
    controller->setContent(Id(SRShortcut::shortcutWithCode(kA, command)));
    std::vector<std::pair<Id, Id>> changes;
    auto token =
        observe(*controller, "selection.literalKeyCode", NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld,
                [&](const KeyValueChange& change) { changes.emplace_back(change.oldValue, change.newValue); });
    controller->setContent(Id(SRShortcut::shortcutWithCode(kSpace, control)));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, expectedValues(kA, command)[2]);
    EXPECT_EQ(changes[0].second, expectedValues(kSpace, control)[2]);
}

TEST_F(SRShortcutControllerTest, LayoutChangeAnnouncesTheFiveLayoutDependentPaths)
{
    controller->setContent(Id(SRShortcut::shortcutWithCode(kA, command)));
    record({std::begin(computedPaths), std::end(computedPaths)});
    const Id before = controller->valueForKeyPath("selection.literalKeyCode");

    ASSERT_TRUE(desktop->selectKeyboardLayout(textinput::InputSourceID::French));
    EXPECT_TRUE(notices.take().empty());
    clock.advance(0);
    EXPECT_EQ(notices.take(), (Events{
                                  "will selection.keyEquivalent",
                                  "will selection.literalKeyCode",
                                  "will selection.symbolicKeyCode",
                                  "will selection.literalASCIIKeyCode",
                                  "will selection.symbolicASCIIKeyCode",
                                  "did selection.symbolicASCIIKeyCode",
                                  "did selection.literalASCIIKeyCode",
                                  "did selection.symbolicKeyCode",
                                  "did selection.literalKeyCode",
                                  "did selection.keyEquivalent",
                              }));
    // The French layout has Q where the US one has A.
    EXPECT_NE(controller->valueForKeyPath("selection.literalKeyCode"), before);
    expectValues(expectedValues(kA, command));

    // Without content nobody is told.
    controller->setContent(Id());
    notices.take();
    ASSERT_TRUE(desktop->selectKeyboardLayout(textinput::InputSourceID::US));
    clock.advance(0);
    EXPECT_TRUE(notices.take().empty());
}

TEST_F(SRShortcutControllerTest, ContentIsOneShortcutThatTheControllerNeverMakes)
{
    EXPECT_EQ(controller->objectClass(), &SRShortcut::descriptor());
    try {
        controller->newObject();
        ADD_FAILURE() << "newObject returned";
    } catch (const NSException& e) {
        EXPECT_EQ(e.name(), NSInternalInconsistencyException);
        EXPECT_EQ(e.reason(), String("newObject is not implemented"));
    }
    auto shortcut = SRShortcut::shortcutWithCode(kA, command);
    controller->addObject(Id("not a shortcut"));
    EXPECT_TRUE(controller->content().isNil());
    controller->addObject(Id(shortcut));
    EXPECT_TRUE(controller->content().isIdenticalTo(Id(shortcut)));
    controller->removeObject(Id(shortcut));
    EXPECT_TRUE(controller->content().isNil());
}

// MARK: - Shortcut action

TEST_F(SRShortcutControllerTest, TargetKeepsOneKeyDownActionInTheSharedMonitor)
{
    controller->setContent(Id(SRShortcut::shortcutWithCode(kTab, control)));
    controller->setIdentifier("before");
    record({"shortcutActionTarget", "shortcutAction"});
    auto target = std::make_shared<ProtocolTarget>();

    controller->setShortcutActionTarget(target);
    controller->setShortcutActionTarget(target);
    EXPECT_EQ(notices.take(), (Events{"will shortcutActionTarget", "will shortcutAction", "did shortcutAction",
                                      "did shortcutActionTarget"}));
    auto action = controller->shortcutAction();
    ASSERT_TRUE(action);
    EXPECT_EQ(controller->shortcutActionTarget(), target);
    EXPECT_EQ(action->identifier(), String("before"));
    EXPECT_EQ(action->observedKeyPath(), String("content"));
    auto keyDown = monitor()->actionsForKeyEvent(SRKeyEventTypeDown);
    EXPECT_NE(std::find(keyDown.begin(), keyDown.end(), action), keyDown.end());
    EXPECT_TRUE(monitor()->actionsForKeyEvent(SRKeyEventTypeUp).empty());
    ASSERT_EQ(desktop->hotKeys()->registrations().size(), 1u);

    // The identifier follows; another target only retargets the action.
    controller->setIdentifier("after");
    EXPECT_EQ(action->identifier(), String("after"));
    auto other = std::make_shared<ProtocolTarget>();
    controller->setShortcutActionTarget(other);
    EXPECT_EQ(controller->shortcutAction(), action);
    EXPECT_EQ(action->target(), other);
    EXPECT_EQ(notices.take(), (Events{"will shortcutActionTarget", "did shortcutActionTarget"}));
}

TEST_F(SRShortcutControllerTest, TargetThenNilLeavesTheSharedMonitorAsBefore)
{
    const auto before = monitor()->actions();
    controller->setContent(Id(SRShortcut::shortcutWithCode(kTab, control)));
    record({"shortcutActionTarget", "shortcutAction"});
    auto target = std::make_shared<ProtocolTarget>();

    controller->setShortcutActionTarget(target);
    notices.take();
    controller->setShortcutActionTarget(nullptr);
    EXPECT_EQ(notices.take(), (Events{"will shortcutActionTarget", "will shortcutAction", "did shortcutAction",
                                      "did shortcutActionTarget"}));
    EXPECT_EQ(monitor()->actions(), before);
    EXPECT_FALSE(controller->shortcutAction());
    EXPECT_FALSE(controller->shortcutActionTarget());
    EXPECT_TRUE(desktop->hotKeys()->registrations().empty());
    controller->setShortcutActionTarget(nullptr);
    EXPECT_TRUE(notices.take().empty());
}

TEST_F(SRShortcutControllerTest, PressingTheStoredShortcutPerformsTheTarget)
{
    controller->setContent(Id(SRShortcut::shortcutWithCode(kTab, control)));
    auto target = std::make_shared<ProtocolTarget>();
    controller->setShortcutActionTarget(target);

    desktop->keyboard()->pressKey(kTab, control);
    clock.advance(0);
    EXPECT_EQ(target->journal.take(), Events{"performShortcutAction:0"});

    // The hot key follows the content.
    controller->setContent(Id(SRShortcut::shortcutWithCode(kSpace, command)));
    desktop->keyboard()->pressKey(kTab, control);
    desktop->keyboard()->pressKey(kSpace, command);
    clock.advance(0);
    EXPECT_EQ(target->journal.take(), Events{"performShortcutAction:0"});
    EXPECT_EQ(desktop->keyboard()->deliveries().size(), 2u);
}

TEST_F(SRShortcutControllerTest, ReleasedControllerTakesItsActionOutOfTheSharedMonitor)
{
    const auto before = monitor()->actions();
    controller->setContent(Id(SRShortcut::shortcutWithCode(kTab, control)));
    auto target = std::make_shared<ProtocolTarget>();
    controller->setShortcutActionTarget(target);
    std::weak_ptr<SRShortcutAction> action = controller->shortcutAction();

    controller.reset();
    EXPECT_EQ(monitor()->actions(), before);
    EXPECT_TRUE(action.expired());
    EXPECT_TRUE(desktop->hotKeys()->registrations().empty());
    desktop->keyboard()->pressKey(kTab, control);
    clock.advance(0);
    EXPECT_TRUE(target->journal.take().empty());
}

// MARK: - Recorder control

TEST_F(SRShortcutControllerTest, RecorderControlIsBoundLikeTheContent)
{
    auto defaults = std::make_shared<ValueHolder>();
    defaults->setValue(Id("@a"));
    auto transformer = SRKeyBindingTransformer::create();
    auto first = std::make_shared<FakeRecorderControl>();
    auto second = std::make_shared<FakeRecorderControl>();

    // Without a content binding there is nothing to bind to.
    controller->setRecorderControl(first);
    EXPECT_TRUE(first->infoForBinding(NSValueBinding).isNil());

    // Binding the content binds the attached control too.
    controller->bind(NSContentObjectBinding, Id(defaults), "value",
                     {{NSValueTransformerBindingOption, Id(transformer)}});
    auto info = first->infoForBinding(NSValueBinding);
    ASSERT_TRUE(info.dictionary());
    EXPECT_TRUE(info[NSObservedObjectKey].isIdenticalTo(Id(defaults)));
    EXPECT_EQ(info[NSObservedKeyPathKey], Id("value"));
    EXPECT_TRUE(info[NSOptionsKey][NSValueTransformerBindingOption].isIdenticalTo(Id(transformer)));
    EXPECT_TRUE(info[NSOptionsKey][NSValueTransformerNameBindingOption].isNull());
    auto shown = first->value().object<SRShortcut>();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->isEqualToShortcut(controller->content().object<SRShortcut>().get()));

    // A control attached later is bound at once; the one before is let go.
    controller->setRecorderControl(second);
    EXPECT_TRUE(first->infoForBinding(NSValueBinding).isNil());
    EXPECT_EQ(second->infoForBinding(NSValueBinding)[NSObservedKeyPathKey], Id("value"));
    defaults->setValue(Id("^a"));
    auto followed = second->value().object<SRShortcut>();
    ASSERT_TRUE(followed);
    EXPECT_EQ(followed->modifierFlags(), control);
    EXPECT_EQ(controller->recorderControl(), second);

    // A transformer given by name is handed on by name.
    auto byName = std::make_shared<SRShortcutController>();
    byName->bind(NSContentObjectBinding, Id(defaults), "value", {{NSValueTransformerNameBindingOption, Id("Named")}});
    auto third = std::make_shared<FakeRecorderControl>();
    byName->setRecorderControl(third);
    auto options = third->infoForBinding(NSValueBinding)[NSOptionsKey];
    EXPECT_EQ(options[NSValueTransformerNameBindingOption], Id("Named"));
    EXPECT_TRUE(options[NSValueTransformerBindingOption].isNull());
}

}  // namespace
