// The main window as drawn: a rounded, bordered panel on a window that
// draws nothing of its own, so that its corners show what lies behind.

#include "Kestrova/MainWindowController.h"

#include "KestrovaTestFixture.h"
#include "appkit/CALayer.h"
#include "appkit/NSBitmapImageRep.h"
#include "appkit/NSColor.h"
#include "appkit/NSView.h"

namespace {

class MainWindowLayerTest : public KestrovaTest { };

TEST_F(MainWindowLayerTest, TheContentIsARoundedBorderedPanelOnAClearWindow)
{
    struct Case {
        const char* what;
        bool trusted;
    };
    // The permission screen takes the switcher's place in the same panel.
    for (const Case c : {Case{"the switcher", true}, Case{"the permission screen", false}}) {
        SCOPED_TRACE(c.what);
        resetProgram();
        desktop().activate(kFinder);
        desktop().setTrusted(c.trusted);
        defaults().setBool(false, "firstLaunch");
        auto delegate = launch();
        pressGlobalShortcut(*delegate);
        ASSERT_TRUE(delegate->mainWindowController());
        auto window = delegate->mainWindowController()->window();

        EXPECT_FALSE(window->isOpaque());
        EXPECT_EQ(window->backgroundColor()->alphaComponent(), 0);
        auto layer = window->contentView()->layer();
        ASSERT_TRUE(layer);
        EXPECT_EQ(layer->cornerRadius(), 16);
        EXPECT_TRUE(layer->masksToBounds());
        EXPECT_EQ(layer->borderWidth(), 0.5);
        EXPECT_TRUE(CGColorEqualToColor(layer->borderColor(),
                                        NSColor::separatorColor()->colorWithAlphaComponent(0.25)->CGColor()));
        EXPECT_EQ(CGColorGetAlpha(layer->backgroundColor()), 0);

        // Drawn: the rounded corners are left transparent, the panel fills
        // the rest.
        window->display();
        auto snapshot = window->snapshot(1);
        ASSERT_TRUE(snapshot);
        NSInteger right = snapshot->pixelsWide() - 1;
        NSInteger bottom = snapshot->pixelsHigh() - 1;
        for (auto [x, y] :
             {std::pair{NSInteger(2), NSInteger(2)}, {right - 2, 2}, {2, bottom - 2}, {right - 2, bottom - 2}})
            EXPECT_EQ(snapshot->colorAtX(x, y)->alphaComponent(), 0) << x << ", " << y;
        EXPECT_GT(snapshot->colorAtX(16, bottom / 2)->alphaComponent(), 0.5);
    }
}

}  // namespace
