// The permission screen: its button asks the system for Accessibility trust,
// and only while there is none.

#include "Kestrova/PermissionViewController.h"
#include "Kestrova/MainWindowController.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSButton.h"
#include "appkit/NSPopover.h"
#include "appkit/NSView.h"

namespace {

class PermissionViewControllerTest : public KestrovaTest {
protected:
    PermissionViewControllerTest()
        : KestrovaTest({.trusted = false})
    {
    }

    static std::shared_ptr<NSButton> grantButton(NSView& root)
    {
        for (const auto& view : root.subviews())
            if (auto button = std::dynamic_pointer_cast<NSButton>(view);
                button && button->action() == Selector("buttonDidActionWithSender:"))
                return button;
        return nullptr;
    }
};

TEST_F(PermissionViewControllerTest, TheButtonPromptsOnlyWithoutTrustAndTheScreenStays)
{
    struct Case {
        const char* name;
        bool trusted;
        std::size_t prompts;
    };
    const Case cases[] = {
        {"not trusted", false, 1},
        {"trusted already", true, 0},
    };
    defaults().setBool(false, "firstLaunch");
    auto delegate = launch();
    pressGlobalShortcut(*delegate);
    auto controller = delegate->mainWindowController();
    ASSERT_TRUE(controller);
    auto window = controller->window();
    auto permission = std::dynamic_pointer_cast<PermissionViewController>(window->contentViewController());
    ASSERT_TRUE(permission) << "the switcher stands in for itself without trust";
    auto button = grantButton(*permission->view());
    ASSERT_TRUE(button);
    EXPECT_EQ(button->title(), String("Grant Permission\u2026"));

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop().setTrusted(c.trusted);
        drain();
        std::size_t before = desktop().trustPrompts().size();
        button->performClick(Id());
        drain();
        auto prompts = desktop().trustPrompts();
        ASSERT_EQ(prompts.size() - before, c.prompts);
        if (c.prompts) {
            EXPECT_EQ(prompts.back().process, kOwn);
        }
        EXPECT_EQ(window->contentViewController(), permission) << "the screen does not update itself";
    }
}

TEST_F(PermissionViewControllerTest, TheMiniPopoverFitsTheScreensContent)
{
    defaults().setBool(false, "firstLaunch");
    defaults().setBool(true, "miniMode");
    auto delegate = launch();
    pressGlobalShortcut(*delegate);
    ASSERT_TRUE(delegate->popover());
    auto content = delegate->popover()->contentViewController();
    ASSERT_TRUE(std::dynamic_pointer_cast<PermissionViewController>(content));
    NSSize size = delegate->popover()->contentSize();
    auto view = content->view();
    view->layoutSubtreeIfNeeded();
    for (const auto& subview : view->subviews()) {
        SCOPED_TRACE(subview->className().utf8());
        EXPECT_TRUE(CGRectContainsRect(NSRect{NSZeroPoint, size}, subview->frame()));
    }
    auto button = grantButton(*view);
    ASSERT_TRUE(button);
    EXPECT_GE(button->frame().size.width, button->intrinsicContentSize().width) << "the title fits";
}

}  // namespace
