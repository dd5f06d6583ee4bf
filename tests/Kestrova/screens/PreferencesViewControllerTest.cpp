// The preferences: the keys, the popover's check boxes bound to the user
// defaults, and the login helper's registration following "launchAtLogin".

#include "Kestrova/PreferencesViewController.h"
#include "Kestrova/PreferencesKey.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSButton.h"
#include "appkit/NSPopover.h"
#include "appkit/NSView.h"
#include "servicemanagement/SMLoginItem.h"

#include <filesystem>

namespace {

TEST(PreferencesKeyTest, NamesTheDefaultsAndKnowsNoOtherName)
{
    struct Case {
        PreferencesKey key;
        const char* raw;
    };
    const Case cases[] = {
        {PreferencesKey::launchAtLogin, "launchAtLogin"},
        {PreferencesKey::rememberShortcuts, "rememberShortcuts"},
        {PreferencesKey::miniMode, "miniMode"},
        {PreferencesKey::globalShortcut, "globalShortcut"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(raw(c.key), String(c.raw));
        EXPECT_EQ(preferencesKeyFromRaw(String(c.raw)), c.key);
    }
    for (const char* other : {"", "LaunchAtLogin", "launchAtLogin ", "shortcut-Kestrova", "firstLaunch"}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(preferencesKeyFromRaw(String(other)), std::nullopt);
    }
}

class PreferencesViewControllerTest : public KestrovaTest {
protected:
    PreferencesViewControllerTest()
        : KestrovaTest({.helperLoginItem = true})
    {
    }

    std::shared_ptr<PreferencesViewController> makePreferences()
    {
        auto storyboard = NSStoryboard::mainStoryboard();
        return storyboard ? storyboard->instantiateControllerWithIdentifier("PreferencesViewController")
                                .object<PreferencesViewController>()
                          : nullptr;
    }

    // The registrations asked of the system since the last mark, as
    // "on"/"off".
    std::vector<std::string> registrations()
    {
        std::vector<std::string> result;
        auto history = desktop().loginItemHistory();
        for (std::size_t i = mark_; i < history.size(); ++i) {
            EXPECT_EQ(history[i].bundleIdentifier, String("com.kestrova.KestrovaHelper"));
            result.push_back(history[i].enabled ? "on" : "off");
        }
        return result;
    }
    void mark() { mark_ = desktop().loginItemHistory().size(); }

    // The scene's check box with that title.
    static std::shared_ptr<NSButton> checkBox(PreferencesViewController& controller, const char* title)
    {
        for (const auto& view : controller.view()->subviews())
            if (auto button = std::dynamic_pointer_cast<NSButton>(view); button && button->title() == String(title))
                return button;
        return nullptr;
    }

    bool autostartEntryExists()
    {
        return std::filesystem::exists(SMLoginItemAutostartEntryPath("com.kestrova.KestrovaHelper").utf8());
    }

private:
    std::size_t mark_ = 0;
};

TEST_F(PreferencesViewControllerTest, LoadingAppliesTheStoredValueOnlyWhenThereIsOne)
{
    struct Case {
        const char* name;
        Id stored;
        std::vector<std::string> registrations;
    };
    const Case cases[] = {
        {"on", Id::boolean(true), {"on"}},
        {"off", Id::boolean(false), {"off"}},
        {"absent", Id(), {}},
        // Only a Boolean is a choice the user made.
        {"a number", Id::number(1), {}},
        {"a string", Id(String("yes")), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        mark();
        if (c.stored.isNilOrNull())
            defaults().removeObjectForKey("launchAtLogin");
        else
            defaults().setObject(c.stored, "launchAtLogin");
        auto controller = makePreferences();
        ASSERT_TRUE(controller);
        EXPECT_TRUE(registrations().empty()) << "nothing before the view loads";
        controller->loadViewIfNeeded();
        EXPECT_EQ(registrations(), c.registrations);
    }
}

TEST_F(PreferencesViewControllerTest, EveryOpeningRegistersAgainAndEveryChangeOnceInOrder)
{
    defaults().setBool(true, "launchAtLogin");
    auto delegate = launch();
    ASSERT_TRUE(delegate);
    delegate->openPreferences(Id());
    // A click elsewhere closes the transient popover; the next opening
    // replaces it, and its controller goes with it.
    delegate->popover()->close();
    drain();
    delegate->openPreferences(Id());
    EXPECT_EQ(registrations(), (std::vector<std::string>{"on", "on"}));
    EXPECT_TRUE(autostartEntryExists());

    // Only the shown popover's controller observes.
    mark();
    defaults().setBool(false, "launchAtLogin");
    EXPECT_FALSE(autostartEntryExists());
    defaults().setBool(true, "launchAtLogin");
    defaults().setBool(false, "launchAtLogin");
    EXPECT_EQ(registrations(), (std::vector<std::string>{"off", "on", "off"}));

    // Removing the value is no choice: the registration stays as it was.
    defaults().removeObjectForKey("launchAtLogin");
    EXPECT_EQ(registrations().size(), 3u);
}

TEST_F(PreferencesViewControllerTest, AGoneControllerTouchesNothing)
{
    auto controller = makePreferences();
    controller->loadViewIfNeeded();
    std::weak_ptr<PreferencesViewController> weak = controller;
    controller.reset();
    ASSERT_TRUE(weak.expired()) << "the observation holds no strong reference to its controller";
    defaults().setBool(true, "launchAtLogin");
    EXPECT_TRUE(registrations().empty());
}

TEST_F(PreferencesViewControllerTest, TheCheckBoxesShowAndWriteTheirDefaults)
{
    struct Case {
        const char* title;
        const char* key;
    };
    const Case cases[] = {
        {"Launch at login", "launchAtLogin"},
        {"Remember shortcuts", "rememberShortcuts"},
        {"Mini mode", "miniMode"},
    };
    defaults().setBool(true, "rememberShortcuts");
    auto controller = makePreferences();
    ASSERT_TRUE(controller);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        auto box = checkBox(*controller, c.title);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->buttonType(), NSButtonTypeSwitch);
        bool before = defaults().boolForKey(c.key);
        EXPECT_EQ(box->state(), before ? NSControlStateValueOn : NSControlStateValueOff);

        box->performClick(Id());
        EXPECT_EQ(defaults().objectForKey(c.key), Id::boolean(!before)) << "written as a Boolean";
        defaults().setBool(before, c.key);
        EXPECT_EQ(box->state(), before ? NSControlStateValueOn : NSControlStateValueOff) << "follows the default";
    }
}

TEST_F(PreferencesViewControllerTest, TickingLaunchAtLoginWritesTheAutostartEntryAndUntickingRemovesIt)
{
    auto controller = makePreferences();
    auto box = checkBox(*controller, "Launch at login");
    ASSERT_TRUE(box);
    EXPECT_TRUE(registrations().empty()) << "never set: the registration is not touched";

    box->performClick(Id());
    EXPECT_EQ(registrations(), (std::vector<std::string>{"on"}));
    EXPECT_TRUE(autostartEntryExists());
    ASSERT_TRUE(desktop().loginItem("com.kestrova.KestrovaHelper"));
    EXPECT_TRUE(desktop().loginItem("com.kestrova.KestrovaHelper")->enabled);

    box->performClick(Id());
    EXPECT_EQ(registrations(), (std::vector<std::string>{"on", "off"}));
    EXPECT_FALSE(autostartEntryExists());
    EXPECT_FALSE(desktop().loginItem("com.kestrova.KestrovaHelper")->enabled);
}

TEST_F(PreferencesViewControllerTest, TheCheckBoxesStackDownTheLeftOfThePopover)
{
    auto delegate = launch();
    delegate->openPreferences(Id());
    ASSERT_TRUE(delegate->popover());
    auto controller =
        std::dynamic_pointer_cast<PreferencesViewController>(delegate->popover()->contentViewController());
    ASSERT_TRUE(controller);
    auto window = controller->view()->window();
    ASSERT_TRUE(window);
    window->layoutIfNeeded();
    NSRect previous = NSZeroRect;
    for (const char* title : {"Launch at login", "Remember shortcuts", "Mini mode"}) {
        SCOPED_TRACE(title);
        auto box = checkBox(*controller, title);
        NSRect frame = box->frame();
        EXPECT_EQ(frame.origin.x, 20);
        EXPECT_GT(frame.size.width, 20) << "wide enough for its title";
        if (previous.size.height > 0) {
            EXPECT_LT(CGRectGetMaxY(frame), previous.origin.y) << "below the one before";
        }
        previous = frame;
    }
    EXPECT_GT(previous.origin.y, 0) << "the last one stays inside the popover";
}

}  // namespace
