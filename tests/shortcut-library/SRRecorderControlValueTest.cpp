#include "RecorderControlTestSupport.h"
#include "appkit/NSAccessibilityNotifications.h"
#include "appkit/NSApplication.h"
#include "foundation/Log.h"
#include "foundation/NSException.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSObjectController.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/NSUserDefaultsController.h"
#include "foundation/NSValueTransformer.h"
#include "shortcut-library/SRKeyBindingTransformer.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class SRRecorderControlValueTest : public RecorderControlTest {
protected:
    // A controller whose content dictionary the recorder is bound to at
    // "content.Safari", through `options`.
    std::shared_ptr<NSObjectController> bindToController(const Dictionary& options)
    {
        auto controller = std::make_shared<NSObjectController>(Id(Dictionary()));
        recorder->bind(NSValueBinding, Id(controller), "content.Safari", options);
        return controller;
    }
    static Dictionary keyBindingOptions()
    {
        return Dictionary{{NSValueTransformerBindingOption, Id(SRKeyBindingTransformer::create())}};
    }
    static Id stored(NSObjectController& controller) { return controller.valueForKeyPath("content.Safari"); }

    // The names of the notifications each value change tells.
    static std::vector<std::string> notificationNames()
    {
        std::vector<std::string> names;
        for (const auto& posted : NSAccessibilityPostedNotifications())
            names.push_back(posted.name.utf8());
        return names;
    }
};

TEST_F(SRRecorderControlValueTest, DefaultsAreTheDocumentedOnes)
{
    auto fresh = std::make_shared<SRRecorderControl>();
    EXPECT_EQ(fresh->allowedModifierFlags(), 0x1E0000u);
    EXPECT_EQ(fresh->requiredModifierFlags(), 0u);
    EXPECT_FALSE(fresh->allowsEmptyModifierFlags());
    EXPECT_TRUE(fresh->drawsASCIIEquivalentOfShortcut());
    EXPECT_TRUE(fresh->allowsEscapeToCancelRecording());
    EXPECT_TRUE(fresh->allowsDeleteToClearShortcutAndEndRecording());
    EXPECT_TRUE(fresh->pausesGlobalShortcutMonitorWhileRecording());
    EXPECT_FALSE(fresh->stringValueRespectsUserInterfaceLayoutDirection());
    EXPECT_FALSE(fresh->allowsModifierFlagsOnlyShortcut());
    EXPECT_TRUE(fresh->isEnabled());
    EXPECT_FALSE(fresh->isRecording());
    EXPECT_TRUE(fresh->objectValue().isNil());
    EXPECT_EQ(fresh->mouseTrackingButtonTag(), SRRecorderControlButtonTagNone);
    EXPECT_FALSE(fresh->translatesAutoresizingMaskIntoConstraints());
    EXPECT_EQ(fresh->contentHuggingPriorityForOrientation(NSLayoutConstraintOrientationHorizontal), 251);
}

TEST_F(SRRecorderControlValueTest, FlagRulesRaiseOnContradictions)
{
    struct Case {
        const char* name;
        NSEventModifierFlags allowed;
        NSEventModifierFlags required;
        bool empty;
        const char* reason;
    };
    const Case cases[] = {
        {.name = "required not allowed",
         .allowed = command,
         .required = shift,
         .empty = false,
         .reason = "Required flags (131072) MUST be allowed (1048576)"},
        {.name = "empty allowed with required",
         .allowed = 0x1E0000,
         .required = command,
         .empty = true,
         .reason = "Empty modifier flags MUST be disallowed if required modifier flags are not empty."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            recorder->setAllowedModifierFlags(c.allowed, c.required, c.empty);
            ADD_FAILURE() << "no exception";
        } catch (const NSException& e) {
            EXPECT_EQ(e.name(), NSInvalidArgumentException);
            EXPECT_EQ(e.reason().utf8(), c.reason);
        }
        EXPECT_EQ(recorder->allowedModifierFlags(), 0x1E0000u);
        EXPECT_EQ(recorder->requiredModifierFlags(), 0u);
    }
}

TEST_F(SRRecorderControlValueTest, SameFlagRulesKeepRecordingAndNotifyNothing)
{
    beginWithSpace(recorder);
    int notifications = 0;
    auto token = observe(*recorder, "allowedModifierFlags", NSKeyValueObservingOptionNew,
                         [&](const KeyValueChange&) { ++notifications; });
    // Bits outside the four modifiers are dropped before comparing.
    recorder->setAllowedModifierFlags(0x1E0000 | NSEventModifierFlagCapsLock, 0, false);
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(notifications, 0);

    recorder->setAllowedModifierFlags(command | shift, command, false);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(recorder->requiredModifierFlags(), command);
}

TEST_F(SRRecorderControlValueTest, EqualValueIsNoChange)
{
    auto controller = bindToController(keyBindingOptions());
    recorder->setObjectValue(shortcut(keys::a, command));
    ASSERT_EQ(stored(*controller), Id(String("@a")));
    controller->setValueForKeyPath(Id(String("@s")), "content.Safari");
    ASSERT_TRUE(recorder->objectValueShortcut()->isEqualToShortcut(shortcut(keys::s, command).get()));

    int notifications = 0;
    auto token = observe(*recorder, "objectValue", NSKeyValueObservingOptionNew,
                         [&](const KeyValueChange&) { ++notifications; });
    // Different texts, same key and flags: equal.
    recorder->setObjectValue(SRShortcut::shortcutWithCode(keys::s, command, String("x"), String("x")));
    EXPECT_EQ(notifications, 0);
}

TEST_F(SRRecorderControlValueTest, EveryChangeIsWrittenBackThroughTheTransformer)
{
    auto controller = bindToController(keyBindingOptions());
    NSAccessibilityResetPostedNotifications();
    recorder->setObjectValue(shortcut(keys::a, command | shift));
    EXPECT_EQ(stored(*controller), Id(String("$@a")));
    EXPECT_EQ(notificationNames(), (std::vector<std::string>{"AXTitleChanged", "AXValueChanged"}));

    // The null marker is no value: nil is written back, which removes the
    // entry.
    recorder->setObjectValue(Id::null());
    EXPECT_TRUE(recorder->objectValue().isNil());
    EXPECT_TRUE(stored(*controller).isNilOrNull());
}

TEST_F(SRRecorderControlValueTest, ControllerMarkersRaise)
{
    try {
        recorder->setValue(NSNoSelectionMarker);
        FAIL() << "no exception";
    } catch (const NSException& e) {
        EXPECT_EQ(e.name(), NSInternalInconsistencyException);
        EXPECT_EQ(e.reason().utf8(), "SRRecorderControl's NSValueBinding does not support controller value markers.");
    }
}

TEST_F(SRRecorderControlValueTest, DictionaryTurnsCompatibilityModeOn)
{
    ScopedLogCapture log;
    auto controller = bindToController(Dictionary());
    recorder->setObjectValue(Id(shortcut(keys::a, command)->dictionaryRepresentation()));
    EXPECT_TRUE(log.sink().contains(LogLevel::Default,
                                    "WARNING: Recorder compatibility mode enabled. Getters of objectValue and "
                                    "NSValueBinding will return an instance of NSDictionary."));
    EXPECT_TRUE(recorder->isCompatibilityModeEnabled());
    EXPECT_TRUE(recorder->objectValue().isDictionary());
    EXPECT_TRUE(stored(*controller).isDictionary());
    // The value itself stays a shortcut.
    EXPECT_TRUE(recorder->dictionaryValue().isDictionary());
    EXPECT_FALSE(recorder->stringValue().empty());
    EXPECT_EQ(recorder->objectValueShortcut()->keyCode(), keys::a);

    recorder->setObjectValue(shortcut(keys::s, command));
    EXPECT_TRUE(stored(*controller).isDictionary());
}

TEST_F(SRRecorderControlValueTest, ShortcutBoundToTheUserDefaultsGoesAsADictionary)
{
    ScopedLogCapture log;
    auto defaults = std::static_pointer_cast<NSUserDefaults>(NSUserDefaults::standardUserDefaults().shared_from_this());
    recorder->bind(NSValueBinding, Id(defaults), "recorded", Dictionary());
    recorder->setObjectValue(shortcut(keys::a, command));
    EXPECT_TRUE(log.sink().contains(LogLevel::Error, "#Error The control is bound to NSUserDefaults but is not "
                                                     "transformed into an allowed CFPreferences value"));
    EXPECT_TRUE(recorder->isCompatibilityModeEnabled());
    EXPECT_TRUE(defaults->objectForKey("recorded").isDictionary());
    recorder->unbind(NSValueBinding);
    defaults->removeObjectForKey("recorded");
}

TEST_F(SRRecorderControlValueTest, UntransformableOrUnknownTransformersWriteTheValueAsItIs)
{
    class OneWay : public NSValueTransformer {
    public:
        bool allowsReverseTransformation() const override { return false; }
    };
    struct Case {
        const char* name;
        Dictionary options;
        const char* logged;
    };
    const Case cases[] = {
        {.name = "one-way transformer",
         .options = Dictionary{{NSValueTransformerBindingOption, Id(std::make_shared<OneWay>())}},
         .logged = "WARNING: binding \"value\" has value transformer, but it doesn't allow reverse transformations "
                   "in -[SRRecorderControl propagateValue:forBinding:]"},
        {.name = "unregistered name",
         .options = Dictionary{{NSValueTransformerNameBindingOption, Id(String("NoSuchTransformer"))}},
         .logged = nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedLogCapture log(false);
        recorder->setObjectValue(Id());
        auto controller = bindToController(c.options);
        recorder->setObjectValue(shortcut(keys::a, command));
        EXPECT_TRUE(stored(*controller).object<SRShortcut>());
        if (c.logged)
            EXPECT_TRUE(log.sink().contains(LogLevel::Default, c.logged));
        else
            EXPECT_TRUE(log.sink().entries().empty());
        recorder->unbind(NSValueBinding);
    }
}

TEST_F(SRRecorderControlValueTest, UnboundControlWritesNothing)
{
    EXPECT_NO_THROW(recorder->setObjectValue(shortcut(keys::a, command)));
    EXPECT_NO_THROW(recorder->propagateValue(Id(), NSValueBinding));
}

TEST_F(SRRecorderControlValueTest, StringValueJoinsModifierGlyphsAndKey)
{
    EXPECT_EQ(recorder->stringValue(), String());
    recorder->setObjectValue(shortcut(keys::a, command | shift));
    EXPECT_EQ(recorder->stringValue().utf8(), "⇧⌘A");

    recorder->setStringValueRespectsUserInterfaceLayoutDirection(true);
    recorder->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft);
    EXPECT_EQ(recorder->stringValue().utf8(), "A⌘⇧");

    // A key code no layout names shows as its number.
    recorder->setObjectValue(shortcut(0x7F, command));
    EXPECT_EQ(recorder->stringValue().utf8().substr(0, 5), "<127>");
}

TEST_F(SRRecorderControlValueTest, StringAndDictionarySettersGoThroughTheShortcut)
{
    recorder->setStringValue(String("⌘A"));
    ASSERT_TRUE(recorder->objectValueShortcut());
    EXPECT_EQ(recorder->objectValueShortcut()->keyCode(), keys::a);
    recorder->setDictionaryValue(shortcut(keys::s, shift)->dictionaryRepresentation());
    EXPECT_EQ(recorder->objectValueShortcut()->keyCode(), keys::s);
    EXPECT_FALSE(recorder->isCompatibilityModeEnabled());
}

}  // namespace
