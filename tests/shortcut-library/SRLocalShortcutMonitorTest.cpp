#include "shortcut-library/SRLocalShortcutMonitor.h"

#include "KeyboardLayoutTestSupport.h"
#include "ShortcutMonitorTestSupport.h"
#include "TemporaryFolder.h"
#include "appkit/NSApplication.h"
#include "appkit/NSEvent.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testing_support;
using Events = std::vector<std::string>;

namespace {

constexpr NSEventModifierFlags shift = NSEventModifierFlagShift;
constexpr NSEventModifierFlags control = NSEventModifierFlagControl;
constexpr NSEventModifierFlags option = NSEventModifierFlagOption;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;

std::shared_ptr<NSEvent> keyEvent(NSEventType type, unsigned short keyCode, NSEventModifierFlags flags,
                                  const String& characters = "")
{
    return NSEvent::keyEventWithType(type, NSZeroPoint, flags, 0, 0, Id(), characters, characters, false, keyCode);
}

// Each test gets an empty home (no user key bindings) and no application
// framework bundle (no system key bindings) unless it writes them.
class SRLocalShortcutMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NSApplication::resetForTesting();
        NSBundle::resetForTesting();
        previousHome_ = NSHomeDirectory();
        setHomeDirectory(String(folder / "home"));
    }
    void TearDown() override
    {
        setHomeDirectory(previousHome_);
        NSBundle::resetForTesting();
        NSApplication::resetForTesting();
    }

    void writeSystemBindings(const std::string& contents)
    {
        folder.write("AppKit.framework/Info.plist", "{ CFBundleIdentifier = \"com.apple.AppKit\"; }");
        folder.write("AppKit.framework/Resources/StandardKeyBinding.dict", contents);
        ASSERT_TRUE(NSBundle::bundleWithPath(String(folder / "AppKit.framework")));
    }
    void writeUserBindings(const std::string& contents)
    {
        folder.write("home/Library/KeyBindings/DefaultKeyBinding.dict", contents);
    }

    static std::vector<std::string> selectors(const SRShortcutMonitor::ActionList& actions)
    {
        std::vector<std::string> result;
        for (const auto& action : actions)
            result.push_back(action->action().name());
        return result;
    }

    TemporaryFolder folder;
    ScopedKeyboardLayout layout;
    Journal performed;

private:
    String previousHome_;
};

// MARK: - Handling events

TEST_F(SRLocalShortcutMonitorTest, TheMostRecentActionIsTriedFirst)
{
    auto controlTab = makeShortcut(48, control);
    for (bool answerOfB : {true, false}) {
        SCOPED_TRACE(answerOfB ? "B takes it" : "B refuses");
        auto monitor = std::make_shared<SRLocalShortcutMonitor>();
        monitor->addAction(namedAction(performed, "A", controlTab), SRKeyEventTypeDown);
        monitor->addAction(namedAction(performed, "B", controlTab, answerOfB), SRKeyEventTypeDown);
        EXPECT_TRUE(monitor->handleEvent(*keyEvent(NSEventTypeKeyDown, 48, control)));
        EXPECT_EQ(performed.take(), answerOfB ? Events{"B"} : (Events{"B", "A"}));
        EXPECT_FALSE(monitor->handleEvent(*keyEvent(NSEventTypeKeyUp, 48, control)));
        EXPECT_TRUE(performed.take().empty());
    }
}

TEST_F(SRLocalShortcutMonitorTest, FlagsChangedIsAModifierOnlyShortcut)
{
    auto monitor = std::make_shared<SRLocalShortcutMonitor>();
    auto shiftOnly = makeShortcut(SRKeyCodeNone, shift);
    monitor->addAction(namedAction(performed, "down", shiftOnly), SRKeyEventTypeDown);
    monitor->addAction(namedAction(performed, "up", shiftOnly), SRKeyEventTypeUp);
    EXPECT_TRUE(monitor->handleEvent(*keyEvent(NSEventTypeFlagsChanged, 56, shift)));
    EXPECT_TRUE(monitor->handleEvent(*keyEvent(NSEventTypeFlagsChanged, 56, 0)));
    EXPECT_EQ(performed.take(), (Events{"down", "up"}));
}

TEST_F(SRLocalShortcutMonitorTest, TheCharactersOfTheEventDontMatter)
{
    auto monitor = std::make_shared<SRLocalShortcutMonitor>();
    monitor->addAction(namedAction(performed, "A", makeShortcut(0, command)), SRKeyEventTypeDown);
    EXPECT_TRUE(monitor->handleEvent(*keyEvent(NSEventTypeKeyDown, 0, command, String(u"\u0444"))));  // ф
    EXPECT_FALSE(monitor->handleEvent(*keyEvent(NSEventTypeKeyDown, 0, command | shift, "A")));
}

TEST_F(SRLocalShortcutMonitorTest, AMouseEventIsNotHandled)
{
    auto monitor = std::make_shared<SRLocalShortcutMonitor>();
    auto click = NSEvent::mouseEventWithType(NSEventTypeLeftMouseDown, NSZeroPoint, 0, 0, 0, Id(), 0, 1, 1);
    ScopedLogCapture capture;
    EXPECT_FALSE(monitor->handleEvent(*click));
    EXPECT_EQ(capture.sink().texts(),
              (Events{"#Error aKeyboardEvent must be either NSEventTypeKeyUp, NSEventTypeKeyDown "
                      "or NSEventTypeFlagsChanged, but got 1",
                      "#Error Not a keyboard event"}));
    for (const LogEntry& entry : capture.sink().entries())
        EXPECT_EQ(entry.level, LogLevel::Error);
}

TEST_F(SRLocalShortcutMonitorTest, ActionsWithoutTargetActOnTheGivenTarget)
{
    auto monitor = std::make_shared<SRLocalShortcutMonitor>();
    ASSERT_TRUE(monitor->addAction("answerYes:", "⌘A", 2));
    auto target = std::make_shared<RecordingTarget>();
    EXPECT_TRUE(monitor->handleEvent(*keyEvent(NSEventTypeKeyDown, 0, command), target));
    EXPECT_EQ(target->journal.take(), Events{"answerYes:2"});
    EXPECT_FALSE(monitor->handleEvent(*keyEvent(NSEventTypeKeyDown, 0, command))) << "no application to fall back on";
}

// MARK: - Presets

struct Row {
    const char* selector;
    SRKeyCode keyCode;
    NSEventModifierFlags flags;
    NSInteger tag = 0;
};

void expectRows(const SRShortcutMonitor& monitor, const std::vector<Row>& rows)
{
    auto actions = monitor.actions();
    EXPECT_EQ(monitor.actionsForKeyEvent(SRKeyEventTypeDown), actions);
    EXPECT_TRUE(monitor.actionsForKeyEvent(SRKeyEventTypeUp).empty());
    ASSERT_EQ(actions.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].selector);
        const auto& action = actions[i];
        EXPECT_EQ(action->action(), Selector(rows[i].selector));
        EXPECT_EQ(action->tag(), rows[i].tag);
        EXPECT_EQ(action->target(), nullptr);
        ASSERT_TRUE(action->shortcut());
        EXPECT_EQ(action->shortcut()->keyCode(), rows[i].keyCode);
        EXPECT_EQ(action->shortcut()->modifierFlags(), rows[i].flags);
    }
}

TEST_F(SRLocalShortcutMonitorTest, SmallPresetsRowForRow)
{
    SCOPED_TRACE("window");
    expectRows(*SRLocalShortcutMonitor::windowShortcuts(), {
                                                               {"performClose:", 13, command},
                                                               {"performMiniaturize:", 46, command},
                                                               {"toggleFullScreen:", 3, control | command},
                                                           });
    SCOPED_TRACE("app");
    expectRows(*SRLocalShortcutMonitor::appShortcuts(), {
                                                            {"hide:", 4, command},
                                                            {"hideOtherApplications:", 4, option | command},
                                                            {"terminate:", 12, command},
                                                        });
    SCOPED_TRACE("clipboard");
    expectRows(*SRLocalShortcutMonitor::clipboardShortcuts(), {
                                                                  {"cut:", 7, command},
                                                                  {"copy:", 8, command},
                                                                  {"paste:", 9, command},
                                                                  {"pasteAsPlainText:", 9, option | shift | command},
                                                                  {"undo:", 6, command},
                                                                  {"redo:", 6, shift | command},
                                                              });
    SCOPED_TRACE("document");
    expectRows(*SRLocalShortcutMonitor::documentShortcuts(), {
                                                                 {"print:", 35, command},
                                                                 {"runPageLayout:", 35, shift | command},
                                                                 {"revertDocumentToSaved:", 15, command},
                                                                 {"saveDocument:", 1, command},
                                                                 {"saveDocumentAs:", 1, shift | option | command},
                                                                 {"duplicateDocument:", 1, shift | command},
                                                                 {"openDocument:", 31, command},
                                                             });
}

TEST_F(SRLocalShortcutMonitorTest, PresetsAreMadeAfreshEachTime)
{
    auto first = SRLocalShortcutMonitor::windowShortcuts();
    auto second = SRLocalShortcutMonitor::windowShortcuts();
    EXPECT_NE(first, second);
    EXPECT_NE(first->actions().front(), second->actions().front());
}

// The rows whose key equivalents are more than a glyph and a letter, by
// selector and tag, for the two large presets.
void expectSampledRows(const SRShortcutMonitor& monitor, std::size_t count, const std::vector<Row>& samples)
{
    auto actions = monitor.actions();
    EXPECT_EQ(actions.size(), count) << "every row's key equivalent parses";
    for (const Row& sample : samples) {
        SCOPED_TRACE(testing::Message() << sample.selector << " tag " << sample.tag);
        auto found = std::find_if(actions.begin(), actions.end(), [&](const auto& action) {
            return action->action() == Selector(sample.selector) && action->tag() == sample.tag &&
                   action->shortcut()->keyCode() == sample.keyCode &&
                   action->shortcut()->modifierFlags() == sample.flags;
        });
        EXPECT_NE(found, actions.end());
    }
}

TEST_F(SRLocalShortcutMonitorTest, StandardShortcuts)
{
    auto monitor = SRLocalShortcutMonitor::standardShortcuts();
    expectSampledRows(*monitor, 61,
                      {
                          {"moveForward:", 3, control},
                          {"moveRight:", 124, 0},
                          {"moveUp:", 126, 0},
                          {"moveUp:", 35, control},
                          {"moveToEndOfDocument:", 125, command},
                          {"moveToBeginningOfLineAndModifySelection:", 123, shift | command},
                          {"scrollPageUp:", 116, 0},
                          {"scrollPageDown:", 121, 0},
                          {"scrollToBeginningOfDocument:", 115, 0},
                          {"scrollToEndOfDocument:", 119, 0},
                          {"deleteForward:", 117, 0},
                          {"deleteBackward:", 51, 0},
                          {"deleteWordForward:", 117, option},
                          {"deleteWordBackward:", 51, option},
                          {"setMark:", 49, control},
                          {"complete:", 53, option},
                          {"cancelOperation:", 47, command},
                      });
    // Two rows share Shift-Command-Left Arrow; the later one is tried first.
    EXPECT_EQ(selectors(monitor->enabledActionsForShortcut(*makeShortcut(123, shift | command), SRKeyEventTypeDown)),
              (Events{"moveToBeginningOfLineAndModifySelection:", "moveToLeftEndOfLineAndModifySelection:"}));
}

TEST_F(SRLocalShortcutMonitorTest, MainMenuShortcuts)
{
    auto monitor = SRLocalShortcutMonitor::mainMenuShortcuts();
    expectSampledRows(*monitor, 47,
                      {
                          {"performTextFinderAction:", 3, command, 1},
                          {"performTextFinderAction:", 3, option | command, 12},
                          {"performTextFinderAction:", 5, command, 2},
                          {"performTextFinderAction:", 5, shift | command, 3},
                          {"performTextFinderAction:", 14, command, 7},
                          {"saveDocumentAs:", 1, shift | command},
                          {"showGuessPanel:", 41, shift | command},
                          {"checkSpelling:", 41, command},
                          {"addFontTrait:", 11, command, 2},
                          {"addFontTrait:", 34, command, 1},
                          {"modifyFont:", 24, command, 3},
                          {"modifyFont:", 24, shift | command, 3},
                          {"modifyFont:", 27, command, 4},
                          {"modifyFont:", 27, shift | command, 4},
                          {"alignLeft:", 33, shift | command},
                          {"alignCenter:", 42, shift | command},
                          {"alignRight:", 30, shift | command},
                          {"copyRuler:", 8, control | command},
                          {"pasteAsPlainText:", 9, option | shift | command},
                          {"showHelp:", 44, shift | command},
                      });
    // Command-A is Select All, Command-H Hide: the application answers it.
    ASSERT_TRUE(NSApplication::sharedApplication());
    EXPECT_TRUE(monitor->handleEvent(*keyEvent(NSEventTypeKeyDown, 4, command)));
}

// MARK: - Key bindings

TEST_F(SRLocalShortcutMonitorTest, KeyBindingsAddActionsAndCancelFixedOnes)
{
    writeSystemBindings(R"({
        "^f" = "systemForward:";
        "^x" = "systemCut:";
        "~q" = ("first:", "second:");
        "^y" = ("one:", ("nested:"), "two:");
        "^z" = { "a" = "sequence:"; };
        "not a binding" = "skipped:";
        "" = "skipped:";
    })");
    writeUserBindings(R"({
        "^f" = "userForward:";
        "^x" = "noop:";
        "^k" = ("userKill:", "");
    })");

    auto monitor = std::make_shared<SRLocalShortcutMonitor>();
    auto controlX = makeShortcut(7, control);
    auto fixed = SRShortcutAction::shortcutActionWithShortcut(controlX, nullptr, "cut:", 0);
    auto holder = std::make_shared<ValueHolder>();
    holder->setValue(Id(controlX));
    auto observing = SRShortcutAction::shortcutActionWithKeyPath("value", holder, nullptr, "observedCut:", 0);
    monitor->addAction(fixed, SRKeyEventTypeDown);
    monitor->addAction(observing, SRKeyEventTypeDown);
    monitor->addAction(fixed, SRKeyEventTypeUp);

    monitor->updateWithCocoaTextKeyBindings();
    auto enabled = [&](SRKeyCode code, NSEventModifierFlags flags) {
        return selectors(monitor->enabledActionsForShortcut(*makeShortcut(code, flags), SRKeyEventTypeDown));
    };
    EXPECT_EQ(enabled(3, control), Events{"userForward:"}) << "the user's entry replaces the system's";
    EXPECT_EQ(enabled(7, control), Events{"observedCut:"}) << "noop cancels fixed shortcuts only";
    EXPECT_EQ(selectors(monitor->enabledActionsForShortcut(*controlX, SRKeyEventTypeUp)), Events{"cut:"})
        << "and key down only";
    EXPECT_EQ(enabled(12, option), (Events{"first:", "second:"}));
    EXPECT_EQ(enabled(16, control), (Events{"one:", "two:"}));
    EXPECT_TRUE(enabled(6, control).empty());
    EXPECT_TRUE(enabled(40, control).empty()) << "the empty command cancels the one before it";

    // Cancelled actions stay registered and come back with a new shortcut.
    auto registered = monitor->actions();
    EXPECT_NE(std::find(registered.begin(), registered.end(), fixed), registered.end());
    fixed->setShortcut(makeShortcut(7, control | shift));
    EXPECT_EQ(enabled(7, control | shift), Events{"cut:"});

    auto target = std::make_shared<RecordingTarget>();
    EXPECT_EQ(monitor->actionsForKeyEvent(SRKeyEventTypeDown).size(), 2u + 6u);
    EXPECT_FALSE(monitor->handleEvent(*keyEvent(NSEventTypeKeyDown, 3, control), target));
}

TEST_F(SRLocalShortcutMonitorTest, StandardShortcutsFollowTheKeyBindings)
{
    writeUserBindings(R"({ "^f" = "noop:"; "^a" = "selectParagraph:"; })");
    auto monitor = SRLocalShortcutMonitor::standardShortcuts();
    EXPECT_TRUE(monitor->enabledActionsForShortcut(*makeShortcut(3, control), SRKeyEventTypeDown).empty());
    EXPECT_EQ(selectors(monitor->enabledActionsForShortcut(*makeShortcut(0, control), SRKeyEventTypeDown)),
              (Events{"moveToBeginningOfLine:", "selectParagraph:"}));
    EXPECT_EQ(monitor->actions().size(), 62u);
}

TEST_F(SRLocalShortcutMonitorTest, UnreadableKeyBindingsAreLoggedAndEmpty)
{
    struct Case {
        const char* name;
        bool debug;
        Events texts;
    };
    const Case cases[] = {
        {"debug logging off", false, {"#Error unable to read system key bindings"}},
        {"debug logging on",
         true,
         {"#Error unable to read system key bindings", "#Error unable to read user key bindings"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto monitor = std::make_shared<SRLocalShortcutMonitor>();
        ScopedLogCapture capture(c.debug);
        monitor->updateWithCocoaTextKeyBindings();
        EXPECT_TRUE(monitor->actions().empty());
        EXPECT_EQ(capture.sink().texts(), c.texts);
        auto entries = capture.sink().entries();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].level, i == 0 ? LogLevel::Error : LogLevel::Debug);
            ASSERT_EQ(entries[i].values.size(), 1u);
            EXPECT_EQ(entries[i].values[0].first, "error");
            ASSERT_TRUE(entries[i].values[0].second.string());
            EXPECT_FALSE(entries[i].values[0].second.string()->empty());
        }
    }

    // A file that is there but isn't a dictionary counts as unreadable too.
    writeSystemBindings("(\"a list\")");
    ScopedLogCapture capture(false);
    SRLocalShortcutMonitor().updateWithCocoaTextKeyBindings();
    EXPECT_EQ(capture.sink().texts(), Events{"#Error unable to read system key bindings"});
}

}  // namespace
