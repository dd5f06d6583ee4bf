// The screens around the switcher as their scenes lay them out: every view
// inside its screen, and no text cut off.

#include "KestrovaTestFixture.h"
#include "appkit/NSButton.h"
#include "appkit/NSImageView.h"
#include "appkit/NSTextField.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindowController.h"

namespace {

class ScreensLayoutTest : public KestrovaTest { };

TEST_F(ScreensLayoutTest, EveryViewFitsItsScreenAndShowsAllOfItsText)
{
    const char* const scenes[] = {"Welcome", "AboutWindowController", "Permission", "PreferencesViewController"};
    auto storyboard = NSStoryboard::mainStoryboard();
    ASSERT_TRUE(storyboard);
    for (const char* scene : scenes) {
        SCOPED_TRACE(scene);
        Id made = storyboard->instantiateControllerWithIdentifier(scene);
        std::shared_ptr<NSView> root;
        if (auto windowController = made.object<NSWindowController>())
            root = windowController->window()->contentView();
        else if (auto viewController = made.object<NSViewController>())
            root = viewController->view();
        ASSERT_TRUE(root);
        root->layoutSubtreeIfNeeded();
        int images = 0;
        for (const auto& view : root->subviews()) {
            SCOPED_TRACE(view->className().utf8());
            NSRect frame = view->frame();
            EXPECT_TRUE(CGRectContainsRect(root->bounds(), frame));
            NSSize wanted = view->intrinsicContentSize();
            if (auto field = std::dynamic_pointer_cast<NSTextField>(view)) {
                SCOPED_TRACE(field->stringValue().utf8());
                EXPECT_FALSE(field->isEditable()) << "a label";
                EXPECT_GE(frame.size.width + 0.5, wanted.width);
                EXPECT_GE(frame.size.height + 0.5, wanted.height);
            } else if (auto button = std::dynamic_pointer_cast<NSButton>(view)) {
                SCOPED_TRACE(button->title().utf8());
                EXPECT_GE(frame.size.width + 0.5, wanted.width);
            } else if (auto image = std::dynamic_pointer_cast<NSImageView>(view)) {
                ++images;
                EXPECT_TRUE(image->image()) << "the program's icon";
                EXPECT_GE(frame.size.width, 48);
            }
        }
        bool showsIcon = std::string(scene) != "PreferencesViewController";
        EXPECT_EQ(images, showsIcon ? 1 : 0);
    }
}

}  // namespace
