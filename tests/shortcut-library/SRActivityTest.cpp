// Every public entry point of the library runs in an activity named after its
// method, with the library class of its receiver.

#include "HotKeyTestSupport.h"
#include "KeyboardLayoutTestSupport.h"
#include "ShortcutActionTestSupport.h"
#include "ShortcutMonitorTestSupport.h"
#include "appkit/NSApplication.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSView.h"
#include "foundation/Log.h"
#include "foundation/NSException.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSKeyedArchiver.h"
#include "foundation/NSKeyedUnarchiver.h"
#include "foundation/ScopedVirtualClock.h"
#include "shortcut-library/SRAXGlobalShortcutMonitor.h"
#include "shortcut-library/SRGlobalShortcutMonitor.h"
#include "shortcut-library/SRKeyBindingTransformer.h"
#include "shortcut-library/SRKeyEquivalentTransformer.h"
#include "shortcut-library/SRLocalShortcutMonitor.h"
#include "shortcut-library/SRModifierFlagsTransformer.h"
#include "shortcut-library/SRShortcutController.h"
#include "shortcut-library/SRShortcutFormatter.h"
#include "shortcut-library/SRShortcutValidator.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

constexpr SRKeyCode kA = 0;
constexpr SRKeyCode kTab = 48;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;
constexpr NSEventModifierFlags control = NSEventModifierFlagControl;

class EmptyCoder : public NSCoder { };

// A monitor of the application's own, from outside the library.
class ApplicationMonitor : public SRGlobalShortcutMonitor {
    KS_OBJECT(ApplicationMonitor, SRGlobalShortcutMonitor)
};

std::shared_ptr<SRShortcutAction> quietAction(const std::shared_ptr<SRShortcut>& shortcut)
{
    return SRShortcutAction::shortcutActionWithShortcut(shortcut, [](SRShortcutAction&) { return false; });
}

class SRActivityTest : public ::testing::Test {
protected:
    void SetUp() override { NSApplication::resetForTesting(); }
    void TearDown() override { NSApplication::resetForTesting(); }

    // The call, made ready by `prepare` outside the recording, and the
    // activities it began, in order.
    std::vector<std::string> activitiesOf(const std::function<std::function<void()>()>& prepare)
    {
        auto call = prepare();
        ActivityRecorder recorder;
        call();
        return recorder.names();
    }

    ScopedKeyboardLayout layout{textinput::InputSourceID::US};
    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop{hotKeyDesktopState(true)};
    ScopedLogCapture log{false};
    std::shared_ptr<SRShortcut> commandA = SRShortcut::shortcutWithCode(kA, command);
    std::shared_ptr<SRShortcut> controlTab = SRShortcut::shortcutWithCode(kTab, control);
};

struct Row {
    const char* activity;
    std::function<std::function<void()>()> prepare;
    // False where the entry point is reached through another one, whose
    // activity then comes first.
    bool outermost = true;
};

void check(const std::vector<std::string>& names, const Row& row)
{
    ASSERT_FALSE(names.empty());
    if (row.outermost)
        EXPECT_EQ(names.front(), row.activity) << testing::PrintToString(names);
    else
        EXPECT_NE(std::find(names.begin(), names.end(), row.activity), names.end()) << testing::PrintToString(names);
}

TEST_F(SRActivityTest, ShortcutsAndActions)
{
    auto holder = std::make_shared<ValueHolder>();
    const Row rows[] = {
        {"+[SRShortcut shortcutWithCode:modifierFlags:characters:charactersIgnoringModifiers:]",
         [] { return [] { SRShortcut::shortcutWithCode(kA, command); }; }},
        {"+[SRShortcut shortcutWithEvent:ignoringCharacters:]",
         [] {
             auto event =
                 NSEvent::keyEventWithType(NSEventTypeKeyDown, NSZeroPoint, command, 0, 0, Id(), "a", "a", false, kA);
             return [event] { SRShortcut::shortcutWithEvent(*event, true); };
         }},
        {"+[SRShortcut shortcutWithDictionary:]",
         [this] { return [d = commandA->dictionaryRepresentation()] { SRShortcut::shortcutWithDictionary(d); }; }},
        {"+[SRShortcut shortcutWithKeyEquivalent:]",
         [] { return [] { SRShortcut::shortcutWithKeyEquivalent(String(u"\u2318a")); }; }},
        {"+[SRShortcut shortcutWithKeyBinding:]", [] { return [] { SRShortcut::shortcutWithKeyBinding("@a"); }; }},
        {"-[SRShortcut dictionaryRepresentation]", [this] { return [this] { commandA->dictionaryRepresentation(); }; }},
        {"-[SRShortcut readableStringRepresentation:]",
         [this] { return [this] { commandA->readableStringRepresentation(true); }; }},
        {"-[SRShortcut isEqualToKeyEquivalent:withModifierFlags:]",
         [this] { return [this] { commandA->isEqualToKeyEquivalent("a", command); }; }},
        {"-[SRShortcut isEqualToKeyEquivalent:withModifierFlags:usingTransformer:]",
         [this] {
             return [this] {
                 commandA->isEqualToKeyEquivalent("a", command, SRASCIISymbolicKeyCodeTransformer::sharedTransformer());
             };
         }},
        {"-[SRShortcut encodeWithCoder:]",
         [this] { return [this] { NSKeyedArchiver::archivedDataWithRootObject(Id(commandA), true); }; }, false},
        {"-[SRShortcut initWithCoder:]",
         [this] {
             auto data = NSKeyedArchiver::archivedDataWithRootObject(Id(commandA), true);
             return [data] { NSKeyedUnarchiver::unarchivedObjectOfClass<SRShortcut>(*data); };
         },
         false},

        {"+[SRShortcutAction shortcutActionWithShortcut:target:action:tag:]",
         [this] { return [this] { SRShortcutAction::shortcutActionWithShortcut(commandA, nullptr, Selector(), 0); }; }},
        {"+[SRShortcutAction shortcutActionWithShortcut:actionHandler:]",
         [this] { return [this] { quietAction(commandA); }; }},
        {"+[SRShortcutAction shortcutActionWithKeyPath:ofObject:target:action:tag:]",
         [holder] {
             return [holder] { SRShortcutAction::shortcutActionWithKeyPath("value", holder, nullptr, Selector(), 0); };
         }},
        {"+[SRShortcutAction shortcutActionWithKeyPath:ofObject:actionHandler:]",
         [holder] {
             return [holder] {
                 SRShortcutAction::shortcutActionWithKeyPath("value", holder, [](SRShortcutAction&) { return true; });
             };
         }},
        {"-[SRShortcutAction setShortcut:]",
         [this] { return [a = std::make_shared<SRShortcutAction>(), this] { a->setShortcut(commandA); }; }},
        {"-[SRShortcutAction setObservedObject:withKeyPath:]",
         [holder] {
             return [a = std::make_shared<SRShortcutAction>(), holder] { a->setObservedObject(holder, "value"); };
         }},
        {"-[SRShortcutAction setActionHandler:]",
         [] { return [a = std::make_shared<SRShortcutAction>()] { a->setActionHandler({}); }; }},
        {"-[SRShortcutAction setTarget:]",
         [] { return [a = std::make_shared<SRShortcutAction>()] { a->setTarget(nullptr); }; }},
        {"-[SRShortcutAction setAction:]",
         [] { return [a = std::make_shared<SRShortcutAction>()] { a->setAction(Selector("copy:")); }; }},
        {"-[SRShortcutAction setTag:]", [] { return [a = std::make_shared<SRShortcutAction>()] { a->setTag(3); }; }},
        {"-[SRShortcutAction setIdentifier:]",
         [] { return [a = std::make_shared<SRShortcutAction>()] { a->setIdentifier("id"); }; }},
        {"-[SRShortcutAction setEnabled:]",
         [] { return [a = std::make_shared<SRShortcutAction>()] { a->setEnabled(false); }; }},
        {"-[SRShortcutAction performActionOnTarget:]",
         [this] { return [a = quietAction(commandA)] { a->performActionOnTarget(); }; }},
        {"-[SRShortcutAction observeValueForKeyPath:ofObject:change:context:]",
         [holder] {
             auto action = SRShortcutAction::shortcutActionWithKeyPath("value", holder, nullptr, Selector(), 0);
             return [holder, action] { holder->setValue(Id("@b")); };
         }},
        {"+[NSEvent SR_keyEventTypeForEventType:keyCode:modifierFlags:]",
         [] { return [] { SR_keyEventTypeForEventType(NSEventTypeKeyDown, kA, 0); }; }},
        {"-[NSEvent SR_keyEventType]",
         [] {
             auto event = NSEvent::keyEventWithType(NSEventTypeKeyUp, NSZeroPoint, 0, 0, 0, Id(), "a", "a", false, kA);
             return [event] { SR_keyEventType(*event); };
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.activity);
        check(activitiesOf(row.prepare), row);
    }
}

TEST_F(SRActivityTest, MonitorsNameTheirMethodsAfterTheMonitorAtWork)
{
    // The base monitor's methods, sent to each kind of monitor.
    std::vector<std::pair<std::string, std::function<std::shared_ptr<SRShortcutMonitor>()>>> monitors = {
        {"SRShortcutMonitor", [] { return std::make_shared<SRShortcutMonitor>(); }},
        {"SRGlobalShortcutMonitor", [] { return std::make_shared<SRGlobalShortcutMonitor>(); }},
        {"SRAXGlobalShortcutMonitor",
         [] { return SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop::mainRunLoop(), 0); }},
        {"SRLocalShortcutMonitor", [] { return std::make_shared<SRLocalShortcutMonitor>(); }},
        // One of the application's own is named after the library's class.
        {"SRGlobalShortcutMonitor", [] { return std::make_shared<ApplicationMonitor>(); }},
        {"SRShortcutMonitor", [] { return std::make_shared<RecordingMonitor>(); }},
    };
    for (const auto& [className, make] : monitors) {
        SCOPED_TRACE(className);
        auto name = [&](const char* selector) { return "-[" + className + " " + selector + "]"; };
        auto monitor = make();
        ASSERT_TRUE(monitor);
        struct Step {
            std::string activity;
            std::function<void()> call;
            bool outermost = true;
        };
        auto action = quietAction(commandA);
        const Step steps[] = {
            {name("addAction:forKeyEvent:"), [&] { monitor->addAction(action, SRKeyEventTypeDown); }},
            {name("actionsForKeyEvent:"), [&] { monitor->actionsForKeyEvent(SRKeyEventTypeDown); }},
            {name("enabledActionsForShortcut:keyEvent:"),
             [&] { monitor->enabledActionsForShortcut(*commandA, SRKeyEventTypeDown); }},
            {name("observeValueForKeyPath:ofObject:change:context:"), [&] { action->setEnabled(false); }, false},
            {name("removeAction:forKeyEvent:"), [&] { monitor->removeAction(action, SRKeyEventTypeDown); }},
            {name("removeAction:"), [&] { monitor->removeAction(action); }},
            {name("addAction:forKeyEquivalent:tag:"),
             [&] { monitor->addAction(Selector("copy:"), String(u"\u2318c"), 0); }},
            {name("removeAllActions"), [&] { monitor->removeAllActions(); }},
        };
        for (const Step& step : steps) {
            SCOPED_TRACE(step.activity);
            ActivityRecorder recorder;
            step.call();
            check(recorder.names(), Row{step.activity.c_str(), {}, step.outermost});
        }
    }

    auto global = std::make_shared<ApplicationMonitor>();
    global->addAction(quietAction(controlTab), SRKeyEventTypeDown);
    auto event =
        hotKeyEvent(kEventHotKeyPressed, EventHotKeyID{SRHotKeySignature, *global->hotKeyIdForShortcut(*controlTab)});
    auto tap = SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop::mainRunLoop(), 0);
    auto keyDown = std::make_shared<CGEvent>(kCGEventKeyDown, CGPoint{});
    auto local = SRLocalShortcutMonitor::standardShortcuts();
    auto pressed = NSEvent::keyEventWithType(NSEventTypeKeyDown, NSZeroPoint, command, 0, 0, Id(), "a", "a", false, kA);
    const Row rows[] = {
        {"-[SRGlobalShortcutMonitor pause]", [&] { return [&] { global->pause(); }; }},
        {"-[SRGlobalShortcutMonitor resume]", [&] { return [&] { global->resume(); }; }},
        {"-[SRGlobalShortcutMonitor handleEvent:]", [&] { return [&] { global->handleEvent(event.get()); }; }},
        {"-[SRAXGlobalShortcutMonitor initWithRunLoop:tapOptions:]",
         [] { return [] { SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop::mainRunLoop(), 0); }; }},
        {"-[SRAXGlobalShortcutMonitor initWithRunLoop:]",
         [] { return [] { SRAXGlobalShortcutMonitor::initWithRunLoop(NSRunLoop::mainRunLoop()); }; }},
        {"-[SRAXGlobalShortcutMonitor init]", [] { return [] { SRAXGlobalShortcutMonitor::create(); }; }},
        {"-[SRAXGlobalShortcutMonitor handleEvent:]", [&] { return [&] { tap->handleEvent(keyDown); }; }},
        {"-[SRLocalShortcutMonitor handleEvent:withTarget:]", [&] { return [&] { local->handleEvent(*pressed); }; }},
        {"-[SRLocalShortcutMonitor updateWithCocoaTextKeyBindings]",
         [&] { return [&] { local->updateWithCocoaTextKeyBindings(); }; }},
        {"+[SRLocalShortcutMonitor standardShortcuts]",
         [] { return [] { SRLocalShortcutMonitor::standardShortcuts(); }; }},
        {"+[SRLocalShortcutMonitor mainMenuShortcuts]",
         [] { return [] { SRLocalShortcutMonitor::mainMenuShortcuts(); }; }},
        {"+[SRLocalShortcutMonitor clipboardShortcuts]",
         [] { return [] { SRLocalShortcutMonitor::clipboardShortcuts(); }; }},
        {"+[SRLocalShortcutMonitor windowShortcuts]", [] { return [] { SRLocalShortcutMonitor::windowShortcuts(); }; }},
        {"+[SRLocalShortcutMonitor documentShortcuts]",
         [] { return [] { SRLocalShortcutMonitor::documentShortcuts(); }; }},
        {"+[SRLocalShortcutMonitor appShortcuts]", [] { return [] { SRLocalShortcutMonitor::appShortcuts(); }; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.activity);
        check(activitiesOf(row.prepare), row);
    }
}

TEST_F(SRActivityTest, ControllerFormatterValidatorAndTransformers)
{
    auto controller = std::make_shared<SRShortcutController>(Id(commandA));
    auto defaults = std::make_shared<ValueHolder>();
    auto formatter = std::make_shared<SRShortcutFormatter>();
    auto validator = std::make_shared<SRShortcutValidator>();
    auto control = std::make_shared<NSView>();
    auto recorder = std::make_shared<ValueHolder>();
    auto menu = std::make_shared<NSMenu>("Main");
    auto item = std::make_shared<NSMenuItem>(String("Copy"), Selector("copy:"), String("c"));
    menu->addItem(item);
    const Row rows[] = {
        {"-[SRShortcutController newObject]",
         [&] {
             return [&] {
                 try {
                     controller->newObject();
                 } catch (const NSException&) {
                 }
             };
         }},
        {"-[SRShortcutController addObject:]", [&] { return [&] { controller->addObject(Id(commandA)); }; }},
        {"-[SRShortcutController removeObject:]", [&] { return [&] { controller->removeObject(Id(commandA)); }; }},
        {"-[SRShortcutController setShortcutActionTarget:]",
         [&] { return [&] { controller->setShortcutActionTarget(defaults); }; }},
        {"-[SRShortcutController setIdentifier:]", [&] { return [&] { controller->setIdentifier("global"); }; }},
        {"-[SRShortcutController setRecorderControl:]",
         [&] { return [&] { controller->setRecorderControl(recorder); }; }},
        {"-[SRShortcutController bind:toObject:withKeyPath:options:]",
         [&] { return [&] { controller->bind(NSContentObjectBinding, Id(defaults), "value", {}); }; }},
        {"-[SRShortcutController updateComputedKeyPaths]",
         [&] { return [&] { controller->updateComputedKeyPaths(); }; }},
        {"-[SRShortcutController addSelectedKeyboardInputSourceObserverIfNeeded]",
         [&] { return [&] { controller->addSelectedKeyboardInputSourceObserverIfNeeded(); }; }},
        {"-[SRShortcutController removeSelectedKeyboardInputSourceObserverIfNeeded]",
         [&] { return [&] { controller->removeSelectedKeyboardInputSourceObserverIfNeeded(); }; }},
        {"-[SRShortcutController onSelectedKeyboardInputSourceObserverChange]",
         [&] { return [&] { controller->onSelectedKeyboardInputSourceObserverChange(); }; }},

        {"-[SRShortcutFormatter initWithCoder:]",
         [] {
             return [] {
                 EmptyCoder coder;
                 SRShortcutFormatter::initWithCoder(coder);
             };
         }},
        {"-[SRShortcutFormatter setIsKeyCodeLiteral:]", [&] { return [&] { formatter->setIsKeyCodeLiteral(false); }; }},
        {"-[SRShortcutFormatter setAreModifierFlagsLiteral:]",
         [&] { return [&] { formatter->setAreModifierFlagsLiteral(true); }; }},
        {"-[SRShortcutFormatter setUsesASCIICapableKeyboardInputSource:]",
         [&] { return [&] { formatter->setUsesASCIICapableKeyboardInputSource(false); }; }},
        {"-[SRShortcutFormatter setLayoutDirection:]",
         [&] { return [&] { formatter->setLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft); }; }},
        {"-[SRShortcutFormatter stringForObjectValue:]",
         [&] { return [&] { formatter->stringForObjectValue(Id(commandA)); }; }},
        {"-[SRShortcutFormatter stringForShortcut:]", [&] { return [&] { formatter->stringForShortcut(*commandA); }; }},
        {"-[SRShortcutFormatter getObjectValue:forString:errorDescription:]",
         [&] {
             return [&] {
                 Id value;
                 formatter->getObjectValue(&value, String(u"\u2318a"), nullptr);
             };
         }},

        {"-[SRShortcutValidator setDelegate:]", [&] { return [&] { validator->setDelegate(nullptr); }; }},
        {"-[SRShortcutValidator validateShortcut:error:]",
         [&] { return [&] { validator->validateShortcut(*controlTab); }; }},
        {"-[SRShortcutValidator validateShortcutAgainstDelegate:error:]",
         [&] { return [&] { validator->validateShortcutAgainstDelegate(*controlTab); }; }},
        {"-[SRShortcutValidator validateShortcutAgainstSystemShortcuts:error:]",
         [&] { return [&] { validator->validateShortcutAgainstSystemShortcuts(*controlTab); }; }},
        {"-[SRShortcutValidator validateShortcut:againstMenu:error:]",
         [&] { return [&] { validator->validateShortcut(*controlTab, *menu); }; }},
        {"-[SRShortcutValidator recorderControl:canRecordShortcut:]",
         [&] { return [&] { validator->recorderControl(*control, *controlTab); }; }},
        {"-[NSMenuItem SR_path]", [&] { return [&] { SR_path(*item); }; }},

        {"-[SRModifierFlagsTransformer init]", [] { return [] { SRModifierFlagsTransformer::create(); }; }},
        {"-[SRSymbolicModifierFlagsTransformer transformedValue:]",
         [] {
             return
                 [] { SRSymbolicModifierFlagsTransformer::sharedTransformer().transformedValue(Id::number(command)); };
         }},
        {"-[SRLiteralModifierFlagsTransformer transformedValue:layoutDirection:]",
         [] {
             return [] {
                 SRLiteralModifierFlagsTransformer::sharedTransformer().transformedValue(
                     Id::number(command), NSUserInterfaceLayoutDirectionLeftToRight);
             };
         }},
        {"-[SRSymbolicModifierFlagsTransformer reverseTransformedValue:]",
         [] {
             return [] {
                 SRSymbolicModifierFlagsTransformer::sharedTransformer().reverseTransformedValue(String(u"\u2318"));
             };
         }},
        {"-[SRKeyEquivalentTransformer transformedValue:]",
         [&] { return [&] { SRKeyEquivalentTransformer::sharedTransformer().transformedValue(Id(commandA)); }; }},
        {"-[SRKeyEquivalentModifierMaskTransformer transformedValue:]",
         [&] {
             return [&] { SRKeyEquivalentModifierMaskTransformer::sharedTransformer().transformedValue(Id(commandA)); };
         }},
        {"-[SRKeyBindingTransformer transformedValue:]",
         [] { return [] { SRKeyBindingTransformer::sharedTransformer().transformedValue(Id("@a")); }; }},
        {"-[SRKeyBindingTransformer transformedValue:]",
         [] { return [] { SRKeyBindingTransformer::sharedTransformer().shortcutForKeyBinding("@a"); }; }},
        {"-[SRKeyBindingTransformer reverseTransformedValue:]",
         [&] { return [&] { SRKeyBindingTransformer::sharedTransformer().reverseTransformedValue(Id(commandA)); }; }},
        {"-[SRKeyBindingTransformer reverseTransformedValue:]",
         [&] { return [&] { SRKeyBindingTransformer::sharedTransformer().keyBindingForShortcut(*commandA); }; }},
        // The key-code transformers keep the names of their conversions.
        {"Key Code -> ASCII Symbol",
         [] {
             return [] { SRASCIISymbolicKeyCodeTransformer::sharedTransformer().transformedValue(Id::number(kA)); };
         }},
        {"ASCII Symbol -> Key Code",
         [] {
             return [] { SRASCIISymbolicKeyCodeTransformer::sharedTransformer().reverseTransformedValue(Id("a")); };
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.activity);
        check(activitiesOf(row.prepare), row);
    }
}

}  // namespace
