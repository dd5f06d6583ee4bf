#include "DrawingTestSupport.h"
#include "appkit/CALayer.h"
#include "appkit/NSAppearance.h"
#include "appkit/NSAttributedString.h"
#include "appkit/NSBox.h"
#include "appkit/NSButton.h"
#include "appkit/NSFont.h"
#include "appkit/NSImage.h"
#include "appkit/NSImageView.h"
#include "appkit/NSPopover.h"
#include "appkit/NSStatusBar.h"
#include "appkit/NSStatusBarButton.h"
#include "appkit/NSStatusItem.h"
#include "appkit/NSTextField.h"
#include "appkit/NSViewController.h"
#include "appkit/NSVisualEffectView.h"
#include "foundation/NSBundle.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using ControlsDrawingTest = DrawingTest;

bool inked(const Pixel& p)
{
    return p.a > 0 && (p.r < 200 || p.g < 200 || p.b < 200);
}

// A panel like the switcher's: a rounded translucent backdrop, a tile with
// an icon, a name, a shortcut text and a selection box, and a button.
std::shared_ptr<NSView> samplePanel(bool selected)
{
    auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 320, 200));
    content->setWantsLayer(true);
    content->layer()->setCornerRadius(16);
    content->layer()->setMasksToBounds(true);
    content->layer()->setBorderWidth(0.5);
    content->layer()->setBorderColor(NSColor::separatorColor()->colorWithAlphaComponent(0.25)->CGColor());
    auto backdrop = std::make_shared<NSVisualEffectView>(content->bounds());
    backdrop->setMaterial(NSVisualEffectMaterialSidebar);
    backdrop->setState(NSVisualEffectStateActive);
    content->addSubview(backdrop);

    auto box = std::make_shared<NSBox>(NSMakeRect(12, 110, 296, 80));
    box->setBoxType(NSBoxCustom);
    box->setBorderWidth(0);
    box->setCornerRadius(8);
    box->setFillColor(selected ? NSColor::systemGrayColor()->colorWithAlphaComponent(0.5) : NSColor::clearColor());
    content->addSubview(box);
    auto icon = NSImageView::imageViewWithImage(NSImage::generatedApplicationIcon("Safari"));
    icon->image()->setSize({64, 64});
    icon->setFrame(NSMakeRect(20, 118, 64, 64));
    content->addSubview(icon);
    auto name = NSTextField::labelWithString("Safari");
    name->setFont(NSFont::boldSystemFontOfSize(15));
    name->setFrame({{96, 152}, name->intrinsicContentSize()});
    content->addSubview(name);
    auto shortcut = NSTextField::labelWithString(String(u"\u2325\u2318S"));
    shortcut->setTextColor(NSColor::secondaryLabelColor());
    shortcut->setFrame({{96, 126}, shortcut->intrinsicContentSize()});
    content->addSubview(shortcut);

    auto button = std::make_shared<NSButton>(NSMakeRect(100, 20, 120, 32));
    button->setTitle("Grant Permission");
    button->setKeyEquivalent("\r");
    content->addSubview(button);
    auto check = std::make_shared<NSButton>(NSMakeRect(20, 70, 200, 20));
    check->setButtonType(NSButtonTypeSwitch);
    check->setTitle("Launch at login");
    check->setState(NSControlStateValueOn);
    content->addSubview(check);
    return content;
}

TEST_F(ControlsDrawingTest, SamplePanelsLookRightInBothAppearances)
{
    for (auto appearance : {simulation::Appearance::Light, simulation::Appearance::Dark}) {
        desktop().setAppearance(appearance);
        auto window = makeWindow({320, 200}, samplePanel(true));
        window->setBackgroundColor(NSColor::clearColor());
        window->setOpaque(false);
        auto snapshot = window->snapshot(2);
        ASSERT_NE(snapshot, nullptr);
        std::string name = appearance == simulation::Appearance::Dark ? "panel-dark" : "panel-light";
        EXPECT_TRUE(snapshot->writePNGToFile(snapshotPath(name)));
        EXPECT_EQ(pixelAt(*snapshot, 0, 0).a, 0) << "the rounded corner";
    }
}

TEST_F(ControlsDrawingTest, PushButtonsShowTheirTitleOnABezelAndTheDefaultOneInTheAccent)
{
    auto accent =
        NSColor::controlAccentColor()->componentsForAppearance(*NSAppearance::appearanceNamed(NSAppearanceNameAqua));
    for (bool isDefault : {false, true}) {
        SCOPED_TRACE(isDefault ? "default" : "plain");
        auto button = std::make_shared<NSButton>(NSMakeRect(0, 0, 120, 32));
        button->setTitle("OK");
        if (isDefault)
            button->setKeyEquivalent("\r");
        auto window = makeWindow({120, 32}, button);
        auto snapshot = window->snapshot(1);
        ASSERT_NE(snapshot, nullptr);
        Pixel bezel = pixelAt(*snapshot, 20, 16);
        if (isDefault)
            EXPECT_TRUE(near(bezel, pixelOf(accent[0], accent[1], accent[2], 1)));
        else
            EXPECT_EQ(bezel, (Pixel{255, 255, 255, 255}));
        EXPECT_EQ(pixelAt(*snapshot, 2, 16), (Pixel{255, 255, 255, 255})) << "the bezel is inset from the frame";
        // The title's glyphs stand out from the bezel in its middle only.
        auto glyph = [&](const Pixel& p) {
            return std::abs(p.r - bezel.r) + std::abs(p.g - bezel.g) + std::abs(p.b - bezel.b) > 150;
        };
        EXPECT_GT(countPixels(*snapshot, 50, 8, 70, 24, glyph), 10);
        EXPECT_EQ(countPixels(*snapshot, 10, 8, 45, 24, glyph), 0);
    }
    auto button = std::make_shared<NSButton>();
    button->setTitle("Grant Permission");
    NSSize size = button->intrinsicContentSize();
    EXPECT_EQ(size.height, 32);
    EXPECT_GT(size.width,
              sizeWithAttributes("Grant Permission", {{Id(NSFontAttributeName), Id(button->font())}}).width);
}

TEST_F(ControlsDrawingTest, CheckBoxesTurnOverOnAClickAndShowTheirState)
{
    auto check = std::make_shared<NSButton>(NSMakeRect(0, 0, 120, 20));
    check->setButtonType(NSButtonTypeSwitch);
    check->setTitle("Mini mode");
    auto window = makeWindow({120, 20}, check);
    auto off = window->snapshot(1);
    check->performClick(Id());
    EXPECT_EQ(check->state(), NSControlStateValueOn);
    auto on = window->snapshot(1);
    auto accentish = [](const Pixel& p) { return p.b > 200 && p.r < 80; };
    EXPECT_EQ(countPixels(*off, 0, 0, 20, 20, accentish), 0);
    EXPECT_GT(countPixels(*on, 0, 0, 20, 20, accentish), 50);
    check->performClick(Id());
    EXPECT_EQ(check->state(), NSControlStateValueOff);
    check->setEnabled(false);
    check->performClick(Id());
    EXPECT_EQ(check->state(), NSControlStateValueOff) << "a disabled box stays";

    auto push = std::make_shared<NSButton>();
    push->performClick(Id());
    EXPECT_EQ(push->state(), NSControlStateValueOff) << "a push button has no state to turn";
}

TEST_F(ControlsDrawingTest, BoxesDrawTheirKindAndTakeTheirSettingsFromStoryboardValues)
{
    auto box = std::make_shared<NSBox>(NSMakeRect(0, 0, 20, 20));
    box->setValueForKey(Id::number(NSUInteger(NSBoxCustom)), "boxType");
    box->setValueForKey(Id("systemRedColor"), "fillColor");
    box->setValueForKey(Array({Id::number(0.0), Id::number(0.0), Id::number(1.0)}), "borderColor");
    box->setValueForKey(Id::number(2.0), "borderWidth");
    box->setValueForKey(Id::number(6.0), "cornerRadius");
    EXPECT_EQ(box->boxType(), NSBoxCustom);
    auto window = makeWindow({20, 20}, box);
    window->setBackgroundColor(NSColor::clearColor());
    auto snapshot = window->snapshot(1);
    auto red = NSColor::systemRedColor()->componentsForAppearance(*NSAppearance::appearanceNamed(NSAppearanceNameAqua));
    EXPECT_TRUE(near(pixelAt(*snapshot, 10, 10), pixelOf(red[0], red[1], red[2], 1)));
    EXPECT_EQ(pixelAt(*snapshot, 10, 0), (Pixel{0, 0, 255, 255})) << "the border inside the edge";
    EXPECT_EQ(pixelAt(*snapshot, 0, 0).a, 0) << "rounded corners";

    box->setValueForKey(Id("noSuchColor"), "fillColor");
    EXPECT_EQ(box->fillColor(), NSColor::clearColor()) << "an unknown colour name sets none";
    box->setTransparent(true);
    EXPECT_EQ(pixelAt(*window->snapshot(1), 10, 10).a, 0);

    auto separator = std::make_shared<NSBox>(NSMakeRect(0, 0, 20, 5));
    separator->setBoxType(NSBoxSeparator);
    auto line = makeWindow({20, 5}, separator)->snapshot(1);
    EXPECT_EQ(countPixels(*line, 0, 0, 20, 5, [](const Pixel& p) { return p.r < 250; }), 20) << "one line across";
}

TEST_F(ControlsDrawingTest, VisualEffectViewsShowTheirMaterialForTheLook)
{
    auto backdrop = std::make_shared<NSVisualEffectView>(NSMakeRect(0, 0, 10, 10));
    backdrop->setMaterial(NSVisualEffectMaterialSidebar);
    backdrop->setState(NSVisualEffectStateActive);
    auto window = makeWindow({10, 10}, backdrop);
    window->setBackgroundColor(NSColor::clearColor());
    Pixel light = pixelAt(*window->snapshot(1), 5, 5);
    desktop().setAppearance(simulation::Appearance::Dark);
    Pixel dark = pixelAt(*window->snapshot(1), 5, 5);
    EXPECT_GT(light.r, 200);
    EXPECT_LT(dark.r, 80);
    EXPECT_GT(light.a, 200);
    EXPECT_LT(light.a, 255) << "see-through, a little";
    backdrop->setMaterial(NSVisualEffectMaterialHUDWindow);
    EXPECT_LT(pixelAt(*window->snapshot(1), 5, 5).a, dark.a);
}

TEST_F(ControlsDrawingTest, PopoversAndStatusItemsRenderWhatTheyShow)
{
    auto item = NSStatusBar::systemStatusBar().statusItemWithLength(NSVariableStatusItemLength);
    auto image = NSImage::imageWithContentsOfFile(KESTROVA_SOURCE_DIR "/resources/Kestrova/Status Item.png");
    ASSERT_NE(image, nullptr);
    item->button()->setImage(image);
    auto itemWindow = item->button()->window();
    ASSERT_NE(itemWindow, nullptr);
    auto bar = itemWindow->snapshot(2);
    ASSERT_NE(bar, nullptr);
    EXPECT_GT(countPixels(*bar, 0, 0, bar->pixelsWide(), bar->pixelsHigh(), inked), 20) << "the image";
    EXPECT_TRUE(bar->writePNGToFile(snapshotPath("status-item")));

    auto content = std::make_shared<NSViewController>();
    auto view = std::make_shared<NSView>(NSMakeRect(0, 0, 200, 80));
    auto label = NSTextField::labelWithString("Press an application's shortcut");
    label->setFrameOrigin({16, 30});
    view->addSubview(label);
    content->setView(view);
    auto popover = std::make_shared<NSPopover>();
    popover->setContentViewController(content);
    popover->showRelativeToRect(item->button()->bounds(), item->button(), NSRectEdgeMinY);
    auto shown = popover->popoverWindow()->snapshot(2);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->pixelsWide(), 400);
    EXPECT_EQ(pixelAt(*shown, 0, 0).a, 0) << "rounded corners";
    EXPECT_GT(pixelAt(*shown, 200, 10).a, 200) << "the popover's panel";
    EXPECT_GT(countPixels(*shown, 0, 0, 400, 160, inked), 100) << "the label";
    EXPECT_TRUE(shown->writePNGToFile(snapshotPath("popover")));
    popover->close();
}

TEST_F(ControlsDrawingTest, SnapshotsAreWrittenAsPNGFiles)
{
    auto window = makeWindow({30, 20}, samplePanel(false));
    std::string path = snapshotPath("written");
    std::remove(path.c_str());
    ASSERT_TRUE(window->writeSnapshot(path, 2));
    auto read = NSBitmapImageRep::imageRepWithContentsOfFile(path);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->pixelsWide(), 60);
    EXPECT_EQ(read->pixelsHigh(), 40);
    EXPECT_EQ(pixelAt(*read, 10, 10), pixelAt(*window->snapshot(2), 10, 10));

    EXPECT_FALSE(window->writeSnapshot("/nonexistent-folder/snapshot.png", 1));
    EXPECT_FALSE(window->writeSnapshot(path, 0));
    EXPECT_FALSE(window->writeSnapshot(path, -1));
    auto empty = std::make_shared<NSWindow>(NSZeroRect, NSWindowStyleMaskBorderless);
    EXPECT_EQ(empty->snapshot(1), nullptr);
    EXPECT_FALSE(empty->writeSnapshot(path, 1));
}

}  // namespace
