#include "shortcut-library/SRShortcutValidator.h"

#include "HotKeyTestSupport.h"
#include "ShortcutActionTestSupport.h"
#include "appkit/NSApplication.h"
#include "appkit/NSError.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSView.h"
#include "appkit/NSWindow.h"
#include "foundation/Log.h"
#include "simulation/ScopedDesktop.h"
#include "textinput/KeyboardLayoutCatalog.h"

#include <gtest/gtest.h>

#include <array>

using namespace testing_support;
using Events = std::vector<std::string>;

namespace {

constexpr SRKeyCode kA = 0;
constexpr SRKeyCode kS = 1;
constexpr SRKeyCode kSpace = 49;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;
constexpr NSEventModifierFlags shift = NSEventModifierFlagShift;

// Answers what it is told to and notes every question it is asked; a
// question without an answer counts as not implemented.
class FakeDelegate : public SRShortcutValidatorDelegate {
public:
    Journal asked;
    std::optional<bool> valid;
    std::optional<bool> taken;
    String reason;
    std::optional<bool> checkSystem;
    std::optional<bool> checkMenu;
    std::optional<bool> ascii;

    std::optional<bool> shortcutValidator(SRShortcutValidator& validator, const SRShortcut& shortcut,
                                          String& place) override
    {
        if (!valid)
            return SRShortcutValidatorDelegate::shortcutValidator(validator, shortcut, place);
        asked.record("isShortcutValid");
        place = reason;
        return valid;
    }
    bool shortcutValidator(SRShortcutValidator& validator, SRKeyCode keyCode, NSEventModifierFlags flags,
                           String& place) override
    {
        if (!taken)
            return SRShortcutValidatorDelegate::shortcutValidator(validator, keyCode, flags, place);
        asked.record("isKeyCodeTaken " + std::to_string(keyCode) + " " + std::to_string(flags));
        place = reason;
        return *taken;
    }
    bool shortcutValidatorShouldCheckSystemShortcuts(SRShortcutValidator& validator) override
    {
        if (!checkSystem)
            return SRShortcutValidatorDelegate::shortcutValidatorShouldCheckSystemShortcuts(validator);
        asked.record("shouldCheckSystem");
        return *checkSystem;
    }
    bool shortcutValidatorShouldCheckMenu(SRShortcutValidator& validator) override
    {
        if (!checkMenu)
            return SRShortcutValidatorDelegate::shortcutValidatorShouldCheckMenu(validator);
        asked.record("shouldCheckMenu");
        return *checkMenu;
    }
    bool shortcutValidatorShouldUseASCIIStringForKeyCodes(SRShortcutValidator& validator) override
    {
        if (!ascii)
            return SRShortcutValidatorDelegate::shortcutValidatorShouldUseASCIIStringForKeyCodes(validator);
        return *ascii;
    }
};

// Shows which way an error was presented.
class FakeControl : public NSView {
    KS_OBJECT(FakeControl, NSView)
public:
    Journal presented;
    bool presentError(const std::shared_ptr<NSError>& error) override
    {
        presented.record("alert: " + error->localizedDescription().utf8());
        return true;
    }
    void presentErrorModalForWindow(const std::shared_ptr<NSError>& error, const std::shared_ptr<NSWindow>& window,
                                    const Id& delegate, Selector selector, void* context) override
    {
        EXPECT_EQ(window, this->window());
        EXPECT_TRUE(delegate.isNil());
        EXPECT_FALSE(selector);
        EXPECT_EQ(context, nullptr);
        presented.record("sheet: " + error->localizedDescription().utf8());
    }
};

std::shared_ptr<NSMenuItem> item(const char* title, const char* keyEquivalent = "",
                                 NSEventModifierFlags mask = NSEventModifierFlagCommand)
{
    auto result = std::make_shared<NSMenuItem>(String(title), Selector(), String(keyEquivalent));
    result->setKeyEquivalentModifierMask(mask);
    return result;
}

std::shared_ptr<NSMenuItem> withSubmenu(std::shared_ptr<NSMenuItem> parent,
                                        std::initializer_list<std::shared_ptr<NSMenuItem>> items)
{
    auto menu = std::make_shared<NSMenu>(parent->title());
    for (const auto& entry : items)
        menu->addItem(entry);
    parent->setSubmenu(menu);
    return parent;
}

class SRShortcutValidatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NSApplication::resetForTesting();
        desktop->hotKeys()->setSymbolicHotKeys({});
    }
    void TearDown() override { NSApplication::resetForTesting(); }

    void setMainMenu(std::initializer_list<std::shared_ptr<NSMenuItem>> items)
    {
        auto menu = std::make_shared<NSMenu>("Main");
        for (const auto& entry : items)
            menu->addItem(entry);
        NSApplication::sharedApplication()->setMainMenu(menu);
    }
    static std::string text(const SRShortcut& shortcut) { return shortcut.readableStringRepresentation(true).utf8(); }
    static std::string failureReason(const SRShortcut& shortcut)
    {
        return "The \"" + text(shortcut) + "\" shortcut can't be used!";
    }
    static std::string description(const std::shared_ptr<NSError>& error)
    {
        return error ? error->localizedDescription().utf8() : "(no error)";
    }
    void expectError(const std::shared_ptr<NSError>& error, const SRShortcut& shortcut, const std::string& expected)
    {
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain(), NSCocoaErrorDomain);
        EXPECT_EQ(error->code(), 0);
        EXPECT_EQ(error->userInfo().count(), 2u);
        EXPECT_EQ(error->localizedFailureReason(), String(failureReason(shortcut)));
        EXPECT_EQ(description(error), expected);
    }

    simulation::ScopedDesktop desktop{hotKeyDesktopState()};
    ScopedLogCapture log;
    std::shared_ptr<FakeDelegate> delegate = std::make_shared<FakeDelegate>();
    SRShortcutValidator validator{delegate};
    std::shared_ptr<SRShortcut> commandA = SRShortcut::shortcutWithCode(kA, command);
    std::shared_ptr<SRShortcut> commandS = SRShortcut::shortcutWithCode(kS, command);
};

TEST_F(SRShortcutValidatorTest, WithNothingToAskEveryShortcutIsValid)
{
    SRShortcutValidator plain;
    std::shared_ptr<NSError> error;
    EXPECT_FALSE(plain.delegate());
    EXPECT_TRUE(plain.validateShortcut(*commandA, &error));
    EXPECT_TRUE(plain.validateShortcut(*SRShortcut::shortcutWithCode(SRKeyCodeNone, shift), &error));
    EXPECT_FALSE(error);

    // A delegate that has gone counts as none.
    SRShortcutValidator orphaned;
    {
        auto gone = std::make_shared<FakeDelegate>();
        gone->valid = false;
        orphaned.setDelegate(gone);
        EXPECT_FALSE(orphaned.validateShortcut(*commandA));
    }
    EXPECT_TRUE(orphaned.validateShortcut(*commandA));
}

TEST_F(SRShortcutValidatorTest, DelegateQuestions)
{
    struct Case {
        const char* name;
        std::optional<bool> valid;
        std::optional<bool> taken;
        const char* reason;
        bool result;
        Events asked;
        std::string description;
    };
    const std::string shortcut = text(*commandA);
    const Case cases[] = {
        {"both implemented: only the first is asked", true, true, "", true, {"isShortcutValid"}, ""},
        {"refused without a reason",
         false,
         std::nullopt,
         "",
         false,
         {"isShortcutValid"},
         "The \"" + shortcut + "\" shortcut is already in use."},
        {"taken without a reason",
         std::nullopt,
         true,
         "",
         false,
         {"isKeyCodeTaken 0 1048576"},
         "The \"" + shortcut + "\" shortcut is already in use."},
        {"taken with a reason",
         std::nullopt,
         true,
         "it opens the pod bay doors",
         false,
         {"isKeyCodeTaken 0 1048576"},
         "The \"" + shortcut + "\" shortcut can't be used because it opens the pod bay doors."},
        {"one character is a reason",
         false,
         std::nullopt,
         "x",
         false,
         {"isShortcutValid"},
         "The \"" + shortcut + "\" shortcut can't be used because x."},
        {"not taken", std::nullopt, false, "ignored", true, {"isKeyCodeTaken 0 1048576"}, ""},
        {"neither implemented", std::nullopt, std::nullopt, "", true, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        delegate->valid = c.valid;
        delegate->taken = c.taken;
        delegate->reason = c.reason;
        std::shared_ptr<NSError> error;
        EXPECT_EQ(validator.validateShortcutAgainstDelegate(*commandA, &error), c.result);
        EXPECT_EQ(delegate->asked.take(), c.asked);
        if (c.result)
            EXPECT_FALSE(error);
        else
            expectError(error, *commandA, c.description);
        // Without a place for it no error is made, and the answer is the same.
        EXPECT_EQ(validator.validateShortcutAgainstDelegate(*commandA), c.result);
        delegate->asked.take();
    }
}

TEST_F(SRShortcutValidatorTest, SystemWideShortcuts)
{
    struct Case {
        const char* name;
        simulation::SymbolicHotKey hotKey;
        bool result;
    };
    const Case cases[] = {
        {"same key and modifiers", {.name = "Spotlight", .keyCode = kSpace, .modifiers = cmdKey}, false},
        {"switched off", {.name = "Spotlight", .keyCode = kSpace, .modifiers = cmdKey, .enabled = false}, true},
        {"one modifier more", {.name = "Finder", .keyCode = kSpace, .modifiers = cmdKey | shiftKey}, true},
        {"other bits are dropped",
         {.name = "Caps", .keyCode = kSpace, .modifiers = cmdKey | alphaLock | 0x8000},
         false},
        {"another key", {.name = "Other", .keyCode = kA, .modifiers = cmdKey}, true},
    };
    auto commandSpace = SRShortcut::shortcutWithCode(kSpace, command);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        desktop->hotKeys()->setSymbolicHotKeys({{.name = "First", .keyCode = kS, .modifiers = controlKey}, c.hotKey});
        std::shared_ptr<NSError> error;
        EXPECT_EQ(validator.validateShortcutAgainstSystemShortcuts(*commandSpace, &error), c.result);
        EXPECT_EQ(validator.validateShortcut(*commandSpace), c.result);
        if (!c.result) {
            expectError(error, *commandSpace,
                        "The \"" + text(*commandSpace) +
                            "\" shortcut can't be used because it's already used by a system-wide keyboard shortcut. "
                            "If you really want to use this shortcut, most shortcuts can be changed in the Keyboard "
                            "panel in System Settings.");
        }
    }

    // Unreadable: refused, logged, and no error to show.
    desktop->hotKeys()->setFailures({.copySymbolicHotKeys = -50});
    std::shared_ptr<NSError> error;
    EXPECT_FALSE(validator.validateShortcut(*commandA, &error));
    EXPECT_FALSE(error);
    EXPECT_TRUE(log.sink().contains(LogLevel::Error, "#Error Unable to read System Shortcuts: -50"));
}

TEST_F(SRShortcutValidatorTest, MenuItemsAreSearchedSubmenusFirst)
{
    auto findNext = item("Find Next", "g");
    setMainMenu({
        withSubmenu(item("File"), {item("Open…"), item("Save", "s")}),
        withSubmenu(item("Edit"), {withSubmenu(item("Find"), {findNext})}),
        // An item with a submenu is compared after its submenu.
        withSubmenu(item("Format", "t"), {item("Font", "t"), item("Hidden", "b")}),
    });
    EXPECT_EQ(SR_path(*findNext), String("Edit → Find → Find Next"));
    NSApplication::sharedApplication()->mainMenu()->itemAtIndex(2)->submenu()->itemAtIndex(1)->setHidden(true);

    struct Case {
        const char* name;
        std::shared_ptr<SRShortcut> shortcut;
        const char* path;
    };
    const Case cases[] = {
        {"submenu item", commandS, "File → Save"},
        {"deeper submenu", SRShortcut::shortcutWithCode(5, command), "Edit → Find → Find Next"},
        {"submenu before its item", SRShortcut::shortcutWithCode(17, command), "Format → Font"},
        {"hidden items count", SRShortcut::shortcutWithCode(11, command), "Format → Hidden"},
        {"no item of that key", commandA, nullptr},
        {"other modifiers", SRShortcut::shortcutWithCode(kS, command | shift), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::shared_ptr<NSError> error;
        EXPECT_EQ(validator.validateShortcut(*c.shortcut, &error), c.path == nullptr);
        if (c.path) {
            expectError(error, *c.shortcut,
                        "The \"" + text(*c.shortcut) + "\" shortcut can't be used because it's already used by the \"" +
                            c.path + "\" menu item.");
        }
    }

    // The delegate may leave the menu out.
    delegate->checkMenu = false;
    EXPECT_TRUE(validator.validateShortcut(*commandS));
}

TEST_F(SRShortcutValidatorTest, QuestionsComeInOrderAndTheFirstRefusalEnds)
{
    auto commandSpace = SRShortcut::shortcutWithCode(kSpace, command);
    desktop->hotKeys()->setSymbolicHotKeys({{.name = "Spotlight", .keyCode = kSpace, .modifiers = cmdKey}});
    setMainMenu({withSubmenu(item("File"), {item("Search", " ")})});
    delegate->checkSystem = true;
    delegate->checkMenu = true;
    ActivityRecorder activities;

    struct Case {
        const char* name;
        bool valid;
        bool checkSystem;
        bool checkMenu;
        bool result;
        Events asked;
        const char* refusedBy;
    };
    const Case cases[] = {
        {"delegate refuses", false, true, true, false, {"isShortcutValid"}, "in use"},
        {"system refuses", true, true, true, false, {"isShortcutValid", "shouldCheckSystem"}, "system-wide"},
        {"menu refuses",
         true,
         false,
         true,
         false,
         {"isShortcutValid", "shouldCheckSystem", "shouldCheckMenu"},
         "menu item"},
        {"all skipped", true, false, false, true, {"isShortcutValid", "shouldCheckSystem", "shouldCheckMenu"}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        delegate->valid = c.valid;
        delegate->checkSystem = c.checkSystem;
        delegate->checkMenu = c.checkMenu;
        std::shared_ptr<NSError> error;
        EXPECT_EQ(validator.validateShortcut(*commandSpace, &error), c.result);
        EXPECT_EQ(delegate->asked.take(), c.asked);
        if (c.refusedBy)
            EXPECT_NE(description(error).find(c.refusedBy), std::string::npos) << description(error);
        else
            EXPECT_FALSE(error);
    }
    for (const char* name : {"-[SRShortcutValidator validateShortcut:error:]",
                             "-[SRShortcutValidator validateShortcutAgainstDelegate:error:]",
                             "-[SRShortcutValidator validateShortcutAgainstSystemShortcuts:error:]",
                             "-[SRShortcutValidator validateShortcut:againstMenu:error:]"})
        EXPECT_TRUE(activities.contains(name)) << name;
}

TEST_F(SRShortcutValidatorTest, ErrorTextsNameTheKeyInTheLayoutTheDelegateAsksFor)
{
    ASSERT_TRUE(desktop->selectKeyboardLayout(textinput::InputSourceID::Russian));
    delegate->valid = false;
    struct Case {
        std::optional<bool> ascii;
        const char* expected;
    };
    for (const Case& c : {Case{std::nullopt, "The \"Command-A\" shortcut is already in use."},
                          Case{true, "The \"Command-A\" shortcut is already in use."},
                          Case{false, "The \"Command-\u0424\" shortcut is already in use."}}) {
        SCOPED_TRACE(c.expected);
        delegate->ascii = c.ascii;
        std::shared_ptr<NSError> error;
        EXPECT_FALSE(validator.validateShortcut(*commandA, &error));
        EXPECT_EQ(description(error), c.expected);
    }
}

TEST_F(SRShortcutValidatorTest, RecorderControlPresentsTheRefusal)
{
    delegate->valid = false;
    const std::string refusal = "The \"Command-A\" shortcut is already in use.";
    auto loose = std::make_shared<FakeControl>();
    EXPECT_FALSE(validator.recorderControl(*loose, *commandA));
    EXPECT_EQ(loose->presented.take(), Events{"alert: " + refusal});

    auto window = std::make_shared<NSWindow>();
    auto inWindow = std::make_shared<FakeControl>();
    window->setContentView(inWindow);
    ASSERT_EQ(inWindow->window(), window);
    // Reached by name, as a recorder control asks its delegate.
    EXPECT_FALSE(validator
                     .performSelector(Selector("recorderControl:canRecordShortcut:"),
                                      std::array<Id, 2>{Id(inWindow), Id(commandA)})
                     .boolValue());
    EXPECT_EQ(inWindow->presented.take(), Events{"sheet: " + refusal});

    delegate->valid = true;
    EXPECT_TRUE(validator.recorderControl(*loose, *commandA));
    EXPECT_TRUE(loose->presented.take().empty());
}

}  // namespace
