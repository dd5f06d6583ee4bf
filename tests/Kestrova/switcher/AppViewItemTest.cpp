// The tile of one application in the main list, loaded from its nib: what
// it shows, its selection box, what reuse leaves, and the box as drawn.

#include "Kestrova/AppViewItem.h"

#include "SwitcherTest.h"
#include "appkit/NSAppearance.h"
#include "appkit/NSBitmapImageRep.h"
#include "appkit/NSBox.h"
#include "appkit/NSColor.h"
#include "appkit/NSImage.h"
#include "appkit/NSImageView.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSTextField.h"
#include "appkit/NSView.h"

#include <cmath>

namespace {

class AppViewItemTest : public SwitcherTest {
protected:
    static bool isHalfGrey(const std::shared_ptr<NSColor>& color)
    {
        return color && color->colorNameComponent() == String("systemGrayColor") && color->alphaComponent() == 0.5;
    }
    static bool isClear(const std::shared_ptr<NSColor>& color)
    {
        return color && color->isEqual(Id(NSColor::clearColor()));
    }
};

TEST_F(AppViewItemTest, ConfigureShowsTheIconTheNameAndTheShortcutsText)
{
    struct Case {
        const char* what;
        std::optional<String> name;
        Id stored;  // under the application key in "shortcuts"
        const char* shortcutText;
    };
    const Case cases[] = {
        // The formatter's glyphs, not the stored key-binding string.
        {"command-option-k", String("Safari"), Id("@~k"), "\u2325\u2318K"},
        {"no shortcut", String("Safari"), Id(), "No shortcut"},
        {"an unreadable entry", String("Safari"), Id("??"), "No shortcut"},
        {"a nameless application is found under the empty key", std::nullopt, Id("@n"), "\u2318N"},
    };
    pid_t pid = 700;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ++pid;
        ASSERT_TRUE(desktop().addRunningApplication({.pid = pid, .localizedName = c.name}));
        Dictionary stored;
        if (c.stored)
            stored.setObject(c.stored, ShortcutRegistry::applicationKey(c.name));
        storeShortcuts(stored);

        auto tile = loadTile();
        tile->setRunningApp(runningApp(pid));
        tile->configure();

        EXPECT_EQ(tile->textField()->stringValue(), c.name.value_or(String()));
        EXPECT_EQ(tile->shortcutLabel()->stringValue(), String(c.shortcutText));
        auto icon = tile->imageView()->image();
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon, tile->runningApp()->runningApplication->icon()) << "the application's own icon";
        EXPECT_EQ(icon->size(), NSMakeSize(64, 64));
    }
}

TEST_F(AppViewItemTest, WithoutAnApplicationConfigureLeavesTheTileAsItIs)
{
    auto tile = loadTile();
    tile->shortcutLabel()->setStringValue("kept");
    tile->configure();
    EXPECT_EQ(tile->shortcutLabel()->stringValue(), String("kept"));
    EXPECT_FALSE(tile->imageView()->image());
}

TEST_F(AppViewItemTest, TheBoxFollowsEverySetOfTheSelection)
{
    auto tile = loadTile();
    auto box = tile->box();
    ASSERT_TRUE(box);

    tile->setSelected(true);
    EXPECT_TRUE(isHalfGrey(box->fillColor()));
    tile->setSelected(false);
    EXPECT_TRUE(isClear(box->fillColor()));

    // A set that changes nothing still puts the colour right.
    box->setFillColor(NSColor::redColor());
    tile->setSelected(false);
    EXPECT_TRUE(isClear(box->fillColor()));
    tile->setSelected(true);
    box->setFillColor(NSColor::redColor());
    tile->setSelected(true);
    EXPECT_TRUE(isHalfGrey(box->fillColor()));
}

TEST_F(AppViewItemTest, AReusedTileStartsClearWithEmptyTextsAndNoImage)
{
    storeShortcuts({{"Safari", Id("@s")}});
    auto tile = loadTile();
    tile->setRunningApp(runningApp(kSafari));
    tile->configure();
    tile->setSelected(true);
    ASSERT_TRUE(tile->imageView()->image());

    tile->prepareForReuse();

    EXPECT_FALSE(tile->runningApp());
    EXPECT_FALSE(tile->imageView()->image());
    EXPECT_EQ(tile->textField()->stringValue(), String());
    EXPECT_EQ(tile->shortcutLabel()->stringValue(), String());
    EXPECT_TRUE(isClear(tile->box()->fillColor()));
}

TEST_F(AppViewItemTest, ANibWithoutTheLabelOrTheBoxStopsTheProgram)
{
    struct Case {
        const char* what;
        bool label;
        bool box;
        std::function<void(AppViewItem&)> act;
    };
    const Case cases[] = {
        {"configure without the label", false, true, [](AppViewItem& tile) { tile.configure(); }},
        {"selection without the box", true, false, [](AppViewItem& tile) { tile.setSelected(true); }},
        {"reuse without the label", false, true, [](AppViewItem& tile) { tile.prepareForReuse(); }},
        {"reuse without the box", true, false, [](AppViewItem& tile) { tile.prepareForReuse(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto tile = loadTile();
        tile->setRunningApp(runningApp(kSafari));
        if (!c.label)
            tile->setShortcutLabel(nullptr);
        if (!c.box)
            tile->setBox(nullptr);
        EXPECT_THROW(c.act(*tile), ProgramStopped);
    }
}

// The box as a person sees it: in a window with nothing behind the tile,
// a selected tile's box is system grey at half opacity; deselected, nothing
// is drawn there.
TEST_F(AppViewItemTest, ASelectedTilesBoxIsDrawnHalfTransparentGrey)
{
    auto tile = loadTile();
    auto view = tile->view();
    auto window = std::make_shared<NSWindow>(NSRect{{100, 100}, view->frame().size}, NSWindowStyleMaskBorderless);
    window->setOpaque(false);
    window->setBackgroundColor(NSColor::clearColor());
    window->setContentView(view);
    view->layoutSubtreeIfNeeded();

    // Inside the box, left of the icon, half-way down; and left of the box.
    NSRect box = tile->box()->frame();
    NSInteger x = NSInteger(box.origin.x + 4);
    NSInteger y = NSInteger(view->frame().size.height / 2);
    NSInteger outside = NSInteger(box.origin.x / 2);
    auto grey = NSColor::systemGrayColor()->componentsForAppearance(*window->effectiveAppearance());

    for (bool selected : {true, false}) {
        SCOPED_TRACE(selected ? "selected" : "deselected");
        tile->setSelected(selected);
        window->display();
        auto snapshot = window->snapshot(1);
        ASSERT_TRUE(snapshot);
        auto pixel = snapshot->colorAtX(x, y)->components();
        if (selected) {
            EXPECT_NEAR(pixel[3], 0.5, 0.01);
            for (int channel = 0; channel < 3; ++channel)
                EXPECT_NEAR(pixel[channel], grey[channel], 0.02);
        } else {
            EXPECT_EQ(pixel[3], 0);
        }
        EXPECT_EQ(snapshot->colorAtX(outside, y)->alphaComponent(), 0);
    }
}

}  // namespace
