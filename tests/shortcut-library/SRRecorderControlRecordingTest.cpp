#include "RecorderControlTestSupport.h"
#include "appkit/NSAccessibilityNotifications.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSObjectController.h"
#include "shortcut-library/SRGlobalShortcutMonitor.h"
#include "shortcut-library/SRKeyBindingTransformer.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// The target of the control's action.
class ActionTarget : public NSObject {
    KS_OBJECT(ActionTarget, NSObject)
public:
    int sent = 0;
    std::function<void()> onSent;

protected:
    static void describe(ClassDescriptor& d)
    {
        d.method<ActionTarget>("recorded:", ReturnKind::Void, [](ActionTarget& self, std::span<const Id>) {
            ++self.sent;
            if (self.onSent)
                self.onSent();
            return Id();
        });
    }
};

class SRRecorderControlRecordingTest : public RecorderControlTest {
protected:
    SRRecorderControlRecordingTest()
    {
        delegate = std::make_shared<RecordingDelegate>();
        recorder->setDelegate(delegate);
        target = std::make_shared<ActionTarget>();
        recorder->setTarget(Id(target));
        recorder->setAction(Selector("recorded:"));
    }

    // The settings of the assign-shortcuts list: every modifier allowed,
    // none required, a plain key accepted.
    void useListSettings() { recorder->setAllowedModifierFlags(0x1E0000, 0, true); }
    bool holds(SRKeyCode code, NSEventModifierFlags flags)
    {
        auto value = recorder->objectValueShortcut();
        return value && value->keyCode() == code && value->modifierFlags() == flags;
    }

    std::shared_ptr<RecordingDelegate> delegate;
    std::shared_ptr<ActionTarget> target;
};

TEST_F(SRRecorderControlRecordingTest, AcceptedChordEndsRecordingInOrder)
{
    auto controller = std::make_shared<NSObjectController>(Id(Dictionary()));
    recorder->bind(NSValueBinding, Id(controller), "content.Safari",
                   Dictionary{{NSValueTransformerBindingOption, Id(SRKeyBindingTransformer::create())}});
    Id storedAtEnd;
    delegate->onDidEnd = [&] { storedAtEnd = controller->valueForKeyPath("content.Safari"); };

    beginWithSpace(recorder);
    press(keys::a, command | shift);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(holds(keys::a, command | shift));
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"shouldBegin", "didBegin",
                                                         "canRecord 0 " + std::to_string(command | shift), "didEnd"}));
    // The bound object had the new value before the delegate heard of it.
    EXPECT_EQ(storedAtEnd, Id(String("$@a")));
    EXPECT_EQ(target->sent, 1);
    EXPECT_EQ(beeps(), 0u);
}

TEST_F(SRRecorderControlRecordingTest, KeysWhileRecording)
{
    struct Case {
        const char* name;
        unsigned short key;
        NSEventModifierFlags flags;
        bool allowsEscape;
        bool stillRecording;
        // The value afterwards: none, the old one, or the typed chord.
        enum { Cleared, Kept, Typed } value;
        std::size_t beeps;
    };
    const Case cases[] = {
        {"Escape cancels", keys::escape, 0, true, false, Case::Kept, 0},
        {"Escape without the setting is a plain key, refused", keys::escape, 0, false, true, Case::Kept, 1},
        {"Command-Escape is a shortcut", keys::escape, command, true, false, Case::Typed, 0},
        {"Delete clears", keys::deleteKey, 0, true, false, Case::Cleared, 0},
        {"Forward Delete clears", keys::forwardDelete, 0, true, false, Case::Cleared, 0},
        {"Option-Delete is a shortcut", keys::deleteKey, option, true, false, Case::Typed, 0},
        {"Space is an ordinary key while recording", keys::space, control, true, false, Case::Typed, 0},
        {"Tab is taken too", keys::tab, command, true, false, Case::Typed, 0},
        {"a key without modifiers is refused by default", keys::a, 0, true, true, Case::Kept, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder->setObjectValue(shortcut(keys::s, command));
        recorder->setAllowsEscapeToCancelRecording(c.allowsEscape);
        int sentBefore = target->sent;
        std::size_t beepsBefore = beeps();
        beginWithSpace(recorder);
        press(c.key, c.flags);
        EXPECT_EQ(recorder->isRecording(), c.stillRecording);
        EXPECT_EQ(beeps() - beepsBefore, c.beeps);
        if (c.value == Case::Cleared)
            EXPECT_FALSE(recorder->objectValueShortcut());
        else if (c.value == Case::Kept)
            EXPECT_TRUE(holds(keys::s, command));
        else
            EXPECT_TRUE(holds(c.key, c.flags));
        // Every end sends the action, also when the value stayed.
        EXPECT_EQ(target->sent - sentBefore, c.stillRecording ? 0 : 1);
        recorder->endRecording();
    }
}

TEST_F(SRRecorderControlRecordingTest, ValidationOrder)
{
    // Required flags are checked before anyone is asked.
    recorder->setAllowedModifierFlags(command | shift, command, false);
    beginWithSpace(recorder);
    delegate->calls.clear();
    press(keys::a, shift);
    EXPECT_TRUE(delegate->calls.empty());
    EXPECT_EQ(beeps(), 1u);

    // Flags outside the allowed set go to the delegate's unconditional
    // allowance, then to its question about the shortcut.
    delegate->allowUnconditionally = true;
    press(keys::a, command | option);
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"allow " + std::to_string(command | option) + " 0",
                                                         "canRecord 0 " + std::to_string(command | option), "didEnd"}));
    EXPECT_TRUE(holds(keys::a, command | option));
}

TEST_F(SRRecorderControlRecordingTest, DelegateRefusalBeepsAndRecordingGoesOn)
{
    useListSettings();
    delegate->canRecord = false;
    beginWithSpace(recorder);
    press(keys::a);
    EXPECT_EQ(delegate->calls.back(), "canRecord 0 0");
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(beeps(), 1u);
    EXPECT_FALSE(recorder->objectValueShortcut());
    recorder->endRecording();
}

TEST_F(SRRecorderControlRecordingTest, BeginningRefusals)
{
    // A delegate's no and a window that won't focus the control beep.
    delegate->shouldBegin = false;
    EXPECT_FALSE(recorder->beginRecording());
    EXPECT_EQ(beeps(), 1u);
    delegate->shouldBegin = true;
    recorder->setRefusesFirstResponder(true);
    EXPECT_FALSE(recorder->beginRecording());
    EXPECT_EQ(beeps(), 2u);

    // A disabled control neither records nor beeps; its keys go on.
    recorder->setRefusesFirstResponder(false);
    focus(recorder);
    recorder->setEnabled(false);
    EXPECT_FALSE(recorder->beginRecording());
    press(keys::space);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(beeps(), 3u) << "only the end of the responder chain beeps for the unhandled Space";
}

TEST_F(SRRecorderControlRecordingTest, SpaceWithModifiersBeginsAndOtherKeysDoNot)
{
    focus(recorder);
    press(keys::a, command);
    EXPECT_FALSE(recorder->isRecording());
    press(keys::space, command | shift);
    EXPECT_TRUE(recorder->isRecording());
    recorder->endRecording();
}

TEST_F(SRRecorderControlRecordingTest, ModifierOnlyChordIsOfferedOnTheLastRelease)
{
    recorder->setAllowsModifierFlagsOnlyShortcut(true);
    beginWithSpace(recorder);
    modifier(keys::leftCommand, command);
    modifier(keys::leftShift, command | shift);
    EXPECT_EQ(recorder->lastSeenModifierFlags(), command | shift);
    EXPECT_EQ(recorder->drawingLabel().utf8(), "⇧⌘");
    modifier(keys::leftShift, command);
    EXPECT_TRUE(recorder->isRecording());
    modifier(keys::leftCommand, 0);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(holds(SRKeyCodeNone, command | shift));
    EXPECT_EQ(recorder->lastSeenModifierFlags(), 0u);
}

TEST_F(SRRecorderControlRecordingTest, SecondCommandKeyTogglesCommandOut)
{
    recorder->setAllowsModifierFlagsOnlyShortcut(true);
    beginWithSpace(recorder);
    modifier(keys::leftCommand, command);
    modifier(keys::leftShift, command | shift);
    modifier(keys::rightCommand, command | shift);
    EXPECT_EQ(recorder->lastSeenModifierFlags(), shift);
    EXPECT_EQ(beeps(), 0u);

    // Shift alone is not allowed here: the toggle beeps and the chord stays.
    recorder->endRecording();
    recorder->setAllowedModifierFlags(command | option, 0, false);
    recorder->setAllowsModifierFlagsOnlyShortcut(true);
    beginWithSpace(recorder);
    modifier(keys::leftCommand, command);
    modifier(keys::leftShift, command | shift);
    EXPECT_EQ(beeps(), 1u);
    EXPECT_EQ(recorder->lastSeenModifierFlags(), command);
    recorder->endRecording();
}

TEST_F(SRRecorderControlRecordingTest, RefusedModifierOnlyChordDoesNotBeep)
{
    recorder->setAllowsModifierFlagsOnlyShortcut(true);
    delegate->canRecord = false;
    beginWithSpace(recorder);
    modifier(keys::leftOption, option);
    modifier(keys::leftOption, 0);
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(recorder->lastSeenModifierFlags(), option);
    EXPECT_EQ(beeps(), 0u);
    recorder->endRecording();
}

TEST_F(SRRecorderControlRecordingTest, ClickOnTheControlBeginsAndButtonsEnd)
{
    click(recorder, centre(recorder->bounds()));
    ASSERT_TRUE(recorder->isRecording());
    EXPECT_EQ(recorder->mouseTrackingButtonTag(), SRRecorderControlButtonTagNone);
    recorder->layoutSubtreeIfNeeded();
    NSRect cancel = recorder->cancelButtonRect();
    ASSERT_GT(cancel.size.width, 0);

    // A press on cancel let go elsewhere does nothing.
    mouse(NSEventTypeLeftMouseDown, recorder, centre(cancel));
    EXPECT_EQ(recorder->mouseTrackingButtonTag(), SRRecorderControlButtonTagCancel);
    EXPECT_TRUE(recorder->isCancelButtonHighlighted());
    mouse(NSEventTypeLeftMouseDragged, recorder, NSMakePoint(5, 5));
    EXPECT_FALSE(recorder->isCancelButtonHighlighted());
    mouse(NSEventTypeLeftMouseUp, recorder, NSMakePoint(5, 5));
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(recorder->mouseTrackingButtonTag(), SRRecorderControlButtonTagNone);

    click(recorder, centre(cancel));
    EXPECT_FALSE(recorder->isRecording());
}

TEST_F(SRRecorderControlRecordingTest, ClearButtonClearsAndHasItsToolTip)
{
    recorder->setObjectValue(shortcut(keys::a, command));
    beginWithSpace(recorder);
    recorder->layoutSubtreeIfNeeded();
    recorder->updateTrackingAreas();
    NSRect clear = recorder->clearButtonRect();
    NSRect cancel = recorder->cancelButtonRect();
    EXPECT_EQ(recorder->toolTipAtPoint(centre(cancel)).utf8(), "Use old shortcut");
    EXPECT_EQ(recorder->toolTipAtPoint(centre(clear)).utf8(), "Delete current shortcut");
    click(recorder, centre(clear));
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(recorder->objectValueShortcut());
    EXPECT_TRUE(recorder->toolTipRects().empty());
}

TEST_F(SRRecorderControlRecordingTest, ReleaseInAWindowThatIsNotKeyOnlyClearsTheTag)
{
    mouse(NSEventTypeLeftMouseDown, recorder, centre(recorder->bounds()));
    ASSERT_EQ(recorder->mouseTrackingButtonTag(), SRRecorderControlButtonTagMain);
    auto other = std::make_shared<NSWindow>(NSMakeRect(500, 500, 100, 100));
    other->makeKeyAndOrderFront(Id());
    drain();
    ASSERT_FALSE(window->isKeyWindow());
    mouse(NSEventTypeLeftMouseUp, recorder, centre(recorder->bounds()));
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recorder->mouseTrackingButtonTag(), SRRecorderControlButtonTagNone);
    other->orderOut(Id());
}

TEST_F(SRRecorderControlRecordingTest, KeysAreIgnoredWhileAButtonIsPressed)
{
    beginWithSpace(recorder);
    recorder->layoutSubtreeIfNeeded();
    mouse(NSEventTypeLeftMouseDown, recorder, centre(recorder->cancelButtonRect()));
    press(keys::a, command);
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_FALSE(recorder->objectValueShortcut());
    mouse(NSEventTypeLeftMouseUp, recorder, centre(recorder->cancelButtonRect()));
}

TEST_F(SRRecorderControlRecordingTest, GlobalMonitorIsPausedWhileRecordingAndResumedOnce)
{
    auto& monitor = *SRGlobalShortcutMonitor::sharedMonitor();
    ASSERT_FALSE(monitor.isPaused());
    beginWithSpace(recorder);
    EXPECT_TRUE(monitor.isPaused());

    // Beginning in another control ends the first as it resigns: the pause
    // is handed on, not doubled.
    auto second = makeRecorder(NSMakeRect(20, 5, 200, 25));
    ASSERT_TRUE(second->beginRecording());
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(monitor.isPaused());
    second->endRecording();
    EXPECT_FALSE(monitor.isPaused());

    // A control let go of while it records gives its pause back.
    ASSERT_TRUE(second->beginRecording());
    second->removeFromSuperview();
    second.reset();
    EXPECT_FALSE(monitor.isPaused());
}

TEST_F(SRRecorderControlRecordingTest, OtherEndsOfRecordingKeepTheValue)
{
    struct Case {
        const char* name;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"resigning first responder", [&] { window->makeFirstResponder(nullptr); }},
        {"window resigning key",
         [&] {
             auto other = std::make_shared<NSWindow>(NSMakeRect(500, 500, 100, 100));
             other->makeKeyAndOrderFront(Id());
             drain();
             other->orderOut(Id());
             window->makeKeyAndOrderFront(Id());
             drain();
         }},
        {"reuse", [&] { recorder->prepareForReuse(); }},
        {"commit editing", [&] { EXPECT_TRUE(recorder->commitEditing()); }},
        {"abort editing", [&] { EXPECT_FALSE(recorder->abortEditing()); }},
        {"accessibility cancel", [&] { EXPECT_TRUE(recorder->accessibilityPerformCancel()); }},
    };
    recorder->setObjectValue(shortcut(keys::a, command));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        beginWithSpace(recorder);
        c.end();
        EXPECT_FALSE(recorder->isRecording());
        EXPECT_TRUE(holds(keys::a, command));
    }
    EXPECT_FALSE(SRGlobalShortcutMonitor::sharedMonitor()->isPaused());
}

TEST_F(SRRecorderControlRecordingTest, WithoutFullKeyboardAccessTheFocusGoesAtTheEnd)
{
    beginWithSpace(recorder);
    press(keys::escape);
    EXPECT_NE(window->firstResponder(), recorder);

    NSApplication::sharedApplication()->setFullKeyboardAccessEnabled(true);
    beginWithSpace(recorder);
    press(keys::escape);
    EXPECT_EQ(window->firstResponder(), recorder);
    NSApplication::sharedApplication()->setFullKeyboardAccessEnabled(false);
}

TEST_F(SRRecorderControlRecordingTest, BeginAndEndAreToldToAssistiveApplications)
{
    NSAccessibilityResetPostedNotifications();
    beginWithSpace(recorder);
    press(keys::escape);
    std::vector<std::string> names;
    for (const auto& posted : NSAccessibilityPostedNotifications()) {
        names.push_back(posted.name.utf8());
        EXPECT_EQ(posted.element.lock(), recorder);
        if (posted.name == NSAccessibilityLayoutChangedNotification) {
            ASSERT_EQ(posted.uiElements.size(), 1u);
            EXPECT_EQ(posted.uiElements[0].lock(), recorder);
        }
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"AXLayoutChanged", "AXTitleChanged", "AXLayoutChanged", "AXTitleChanged"}));
    EXPECT_FALSE(recorder->accessibilityPerformDelete());
}

}  // namespace
