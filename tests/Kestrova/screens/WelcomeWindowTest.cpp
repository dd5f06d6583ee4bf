// The welcome window: shown at launch until it has been closed once, and
// closing it records that before the program hides.

#include "Kestrova/WelcomeWindow.h"
#include "Kestrova/WelcomeWindowController.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSButton.h"
#include "appkit/NSTextField.h"
#include "appkit/NSView.h"
#include "foundation/NSUserDefaultsController.h"

#include <functional>

namespace {

class WelcomeWindowTest : public KestrovaTest {
protected:
    std::shared_ptr<NSWindow> launchToWelcome()
    {
        launch();
        auto shown = visibleWindowsOf<WelcomeWindow>();
        EXPECT_EQ(shown.size(), 1u);
        return shown.empty() ? nullptr : shown.front();
    }

    bool ownProcessHidden()
    {
        auto own = desktop().application(kOwn);
        return own && own->hidden;
    }

    static std::shared_ptr<NSButton> buttonTitled(NSView& root, const char* title)
    {
        for (const auto& view : root.subviews())
            if (auto button = std::dynamic_pointer_cast<NSButton>(view); button && button->title() == String(title))
                return button;
        return nullptr;
    }
};

TEST_F(WelcomeWindowTest, OnlyTheCloseButtonIsLeftInTheTitleBar)
{
    auto window = launchToWelcome();
    ASSERT_TRUE(window);
    ASSERT_TRUE(window->styleMask() & NSWindowStyleMaskMiniaturizable) << "the scene has one to hide";
    EXPECT_TRUE(window->standardWindowButton(NSWindowMiniaturizeButton)->isHidden());
    EXPECT_TRUE(window->standardWindowButton(NSWindowZoomButton)->isHidden());
    EXPECT_FALSE(window->standardWindowButton(NSWindowCloseButton)->isHidden());

    // A window without a title bar has no buttons to hide, and loads all the
    // same.
    auto controller = std::make_shared<WelcomeWindowController>();
    auto borderless = std::make_shared<WelcomeWindow>(NSMakeRect(0, 0, 100, 100), NSWindowStyleMaskBorderless);
    controller->setWindow(borderless);
    controller->windowDidLoad();
    EXPECT_FALSE(borderless->standardWindowButton(NSWindowMiniaturizeButton));
}

TEST_F(WelcomeWindowTest, ClosingByAnyMeansRecordsTheWelcomeBeforeHiding)
{
    struct Case {
        const char* name;
        std::function<void(NSWindow&)> close;
    };
    const Case cases[] = {
        {"close", [](NSWindow& window) { window.close(); }},
        {"the close button", [](NSWindow& window) { window.performClose(Id()); }},
        {"Get Started",
         [](NSWindow& window) {
             auto button = buttonTitled(*window.contentView(), "Get Started");
             ASSERT_TRUE(button);
             button->performClick(Id());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetProgram();
        defaults().removeObjectForKey("firstLaunch");
        auto window = launchToWelcome();
        ASSERT_TRUE(window);
        // The case before left the program hidden.
        app()->unhide(Id());
        drain();
        ASSERT_FALSE(ownProcessHidden());

        std::vector<std::string> seen;
        auto token = observe(NSUserDefaultsController::sharedUserDefaultsController(), "values.firstLaunch",
                             NSKeyValueObservingOptionNew, [&](const KeyValueChange& change) {
                                 std::string value = change.newValue == Id::boolean(false) ? "false" : "other";
                                 seen.push_back(value + (ownProcessHidden() ? " (hidden)" : " (shown)"));
                             });
        c.close(*window);
        drain();
        EXPECT_EQ(seen, (std::vector<std::string>{"false (shown)"})) << "written once, before the program hid";
        EXPECT_EQ(defaults().objectForKey("firstLaunch"), Id::boolean(false));
        EXPECT_TRUE(ownProcessHidden());
        EXPECT_FALSE(app()->isActive());
        EXPECT_TRUE(visibleWindowsOf<WelcomeWindow>().empty());
    }

    // The next launch greets no more.
    resetProgram();
    launch();
    EXPECT_TRUE(visibleWindowsOf<WelcomeWindow>().empty());
}

TEST_F(WelcomeWindowTest, TheWelcomeShowsTheIconTheGreetingAndTheWayIn)
{
    auto window = launchToWelcome();
    ASSERT_TRUE(window);
    window->layoutIfNeeded();
    auto content = window->contentView();
    std::vector<std::string> texts;
    std::shared_ptr<NSView> icon;
    for (const auto& view : content->subviews()) {
        if (auto field = std::dynamic_pointer_cast<NSTextField>(view)) {
            EXPECT_FALSE(field->isEditable());
            texts.push_back(field->stringValue().utf8());
        }
        if (view->className() == String("NSImageView"))
            icon = view;
        NSRect frame = view->frame();
        EXPECT_TRUE(CGRectContainsRect(content->bounds(), frame)) << view->className().utf8() << " inside the window";
        EXPECT_GT(frame.size.width, 0);
        EXPECT_GT(frame.size.height, 0);
    }
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "Welcome to Kestrova");
    ASSERT_TRUE(icon);
    EXPECT_GT(CGRectGetMinY(icon->frame()), CGRectGetMaxY(buttonTitled(*content, "Get Started")->frame()))
        << "the icon at the top, the button at the bottom";
}

}  // namespace
