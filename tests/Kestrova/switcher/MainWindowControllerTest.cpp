#include "Kestrova/MainWindowController.h"

#include "Kestrova/MainViewController.h"
#include "Kestrova/MainWindow.h"
#include "Kestrova/NavigationController.h"
#include "Kestrova/PermissionViewController.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSScreen.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSVisualEffectView.h"

namespace {

class MainWindowControllerTest : public KestrovaTest {
protected:
    // The "Main" scene, as the switcher makes it.
    std::shared_ptr<MainWindowController> mainScene()
    {
        return NSStoryboard::mainStoryboard()
            ->instantiateControllerWithIdentifier("Main")
            .object<MainWindowController>();
    }

    static std::size_t effectViews(const NSView& view)
    {
        return static_cast<std::size_t>(
            std::count_if(view.subviews().begin(), view.subviews().end(),
                          [](const auto& v) { return v->template isKindOf<NSVisualEffectView>(); }));
    }

    static void expectStyled(NSWindow& window, NSWindowStyleMask before)
    {
        EXPECT_EQ(window.titleVisibility(), NSWindowTitleHidden);
        EXPECT_TRUE(window.titlebarAppearsTransparent());
        EXPECT_EQ(window.styleMask(), before | NSWindowStyleMaskFullSizeContentView);
        EXPECT_FALSE(window.isOpaque());
        EXPECT_TRUE(window.hasShadow());
    }
};

TEST_F(MainWindowControllerTest, ContentFollowsTheAccessibilityTrust)
{
    struct Case {
        bool trusted;
        bool navigation;
    };
    for (const Case c : {Case{.trusted = true, .navigation = true}, Case{.trusted = false, .navigation = false}}) {
        SCOPED_TRACE(c.trusted ? "trusted" : "not trusted");
        desktop().setTrusted(c.trusted);
        auto controller = mainScene();
        ASSERT_TRUE(controller);
        auto window = std::dynamic_pointer_cast<MainWindow>(controller->window());
        ASSERT_TRUE(window);
        EXPECT_EQ(window->delegate().get(), static_cast<NSWindowDelegate*>(controller.get()));
        auto content = window->contentViewController();
        ASSERT_TRUE(content);
        if (c.navigation) {
            EXPECT_TRUE(content->isKindOf<NavigationController>());
            ASSERT_EQ(content->childViewControllers().size(), 1u);
            EXPECT_TRUE(content->childViewControllers()[0]->isKindOf<MainViewController>());
        } else {
            EXPECT_TRUE(content->isKindOf<PermissionViewController>());
            EXPECT_EQ(window->firstResponder(), nullptr);
        }
        expectStyled(*window, NSWindowStyleMaskTitled | NSWindowStyleMaskClosable);
        EXPECT_EQ(effectViews(*window->contentView()), 1u);
    }
}

TEST_F(MainWindowControllerTest, BackgroundIsOnePanelBehindTheContent)
{
    auto window = std::make_shared<NSWindow>(NSMakeRect(0, 0, 300, 200), NSWindowStyleMaskTitled);
    auto content = std::make_shared<NSView>();
    content->addSubview(std::make_shared<NSView>());
    window->setContentView(content);

    MainWindowController::loadBackground(*window);
    MainWindowController::loadBackground(*window);

    ASSERT_EQ(effectViews(*content), 1u);
    ASSERT_EQ(content->subviews().size(), 2u);
    auto panel = std::dynamic_pointer_cast<NSVisualEffectView>(content->subviews().front());
    ASSERT_TRUE(panel) << "the panel lies below everything else";
    EXPECT_EQ(panel->frame(), content->bounds());
    EXPECT_EQ(panel->autoresizingMask(), NSViewWidthSizable | NSViewHeightSizable);
    EXPECT_EQ(panel->material(), NSVisualEffectMaterialSidebar);
    EXPECT_EQ(panel->blendingMode(), NSVisualEffectBlendingModeBehindWindow);
    EXPECT_EQ(panel->state(), NSVisualEffectStateActive);
    EXPECT_TRUE(panel->wantsLayer());
    EXPECT_TRUE(content->wantsLayer());
    expectStyled(*window, NSWindowStyleMaskTitled);
}

TEST_F(MainWindowControllerTest, WithoutAStoryboardTheWindowHasNoContent)
{
    // A bundle that names no storyboard.
    TemporaryFolder bundle;
    bundle.write("Bare.app/Contents/Info.plist",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                 "<key>CFBundleIdentifier</key><string>com.kestrova.Kestrova</string></dict></plist>\n");
    useBundle(bundle.path() + "/Bare.app");
    ASSERT_FALSE(NSStoryboard::mainStoryboard());

    auto window = std::make_shared<MainWindow>();
    auto controller = std::make_shared<MainWindowController>();
    controller->setWindowLoader([window] { return window; });
    ASSERT_EQ(controller->window(), window);
    EXPECT_FALSE(window->contentViewController());
    expectStyled(*window, NSWindowStyleMaskTitled | NSWindowStyleMaskClosable);
}

TEST_F(MainWindowControllerTest, ShowWindowCentresAndMakesKey)
{
    app()->activateIgnoringOtherApps(true);
    drain();
    auto controller = mainScene();
    controller->showWindow(Id());
    drain();
    auto window = controller->window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_TRUE(window->isMainWindow());
    NSRect area = window->screen()->visibleFrame();
    NSRect frame = window->frame();
    EXPECT_DOUBLE_EQ(frame.origin.x + frame.size.width / 2, area.origin.x + area.size.width / 2);
    EXPECT_DOUBLE_EQ(frame.origin.y + frame.size.height / 2, area.origin.y + area.size.height / 2);
}

TEST_F(MainWindowControllerTest, ResigningKeyClosesOnTheNextTurnAndTheSameWindowShowsAgain)
{
    app()->activateIgnoringOtherApps(true);
    drain();
    auto controller = mainScene();
    controller->showWindow(Id());
    drain();
    auto window = controller->window();

    // Another window of the program becomes key.
    auto other = std::make_shared<NSWindow>();
    other->makeKeyAndOrderFront(Id());
    EXPECT_TRUE(window->isVisible()) << "closing waits for the main queue";
    drain();
    EXPECT_FALSE(window->isVisible());

    controller->showWindow(Id());
    drain();
    EXPECT_EQ(controller->window(), window);
    EXPECT_TRUE(window->isVisible());
    other->orderOut(Id());
}

}  // namespace
