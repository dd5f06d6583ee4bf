// Drawing: one tile of the switcher's list (a 64-point icon, a name, a
// shortcut text and a selection box) into a bitmap at scale 2, a whole
// switcher-sized window snapshot at scale 2, and measuring a label's text.

#include "appkit/CALayer.h"
#include "appkit/NSBitmapImageRep.h"
#include "appkit/NSBox.h"
#include "appkit/NSColor.h"
#include "appkit/NSFont.h"
#include "appkit/NSGraphicsContext.h"
#include "appkit/NSImage.h"
#include "appkit/NSImageView.h"
#include "appkit/NSTextField.h"
#include "appkit/NSVisualEffectView.h"
#include "appkit/NSWindow.h"
#include "simulation/ScopedDesktop.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr CGFloat kTileWidth = 296;
constexpr CGFloat kTileHeight = 80;

std::shared_ptr<NSView> makeTile(const String& name, bool selected)
{
    auto tile = std::make_shared<NSView>(NSMakeRect(0, 0, kTileWidth, kTileHeight));
    auto box = std::make_shared<NSBox>(tile->bounds());
    box->setBoxType(NSBoxCustom);
    box->setBorderWidth(0);
    box->setCornerRadius(8);
    box->setFillColor(selected ? NSColor::systemGrayColor()->colorWithAlphaComponent(0.5) : NSColor::clearColor());
    tile->addSubview(box);
    auto icon = NSImageView::imageViewWithImage(NSImage::generatedApplicationIcon(name));
    icon->image()->setSize({64, 64});
    icon->setFrame(NSMakeRect(8, 8, 64, 64));
    tile->addSubview(icon);
    auto label = NSTextField::labelWithString(name);
    label->setFont(NSFont::boldSystemFontOfSize(15));
    label->setFrameOrigin({84, 42});
    tile->addSubview(label);
    auto shortcut = NSTextField::labelWithString(String(u"\u2325\u2318S"));
    shortcut->setTextColor(NSColor::secondaryLabelColor());
    shortcut->setFrameOrigin({84, 18});
    tile->addSubview(shortcut);
    return tile;
}

void BM_DrawOneTileAtScaleTwo(benchmark::State& state)
{
    simulation::ScopedDesktop desktop(simulation::DesktopState{});
    auto window = std::make_shared<NSWindow>(NSMakeRect(0, 0, kTileWidth, kTileHeight), NSWindowStyleMaskBorderless);
    window->setContentView(makeTile("Safari", true));
    window->display();
    for (auto _ : state) {
        window->display();
        benchmark::DoNotOptimize(window.get());
    }
}
BENCHMARK(BM_DrawOneTileAtScaleTwo)->Unit(benchmark::kMicrosecond);

void BM_SwitcherWindowSnapshotAtScaleTwo(benchmark::State& state)
{
    simulation::ScopedDesktop desktop(simulation::DesktopState{});
    // The main window: a rounded translucent panel with four and a half
    // tiles of the list showing.
    auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 320, 4.5 * kTileHeight + 24));
    content->setWantsLayer(true);
    content->layer()->setCornerRadius(16);
    content->layer()->setMasksToBounds(true);
    content->layer()->setBorderWidth(0.5);
    content->layer()->setBorderColor(NSColor::separatorColor()->colorWithAlphaComponent(0.25)->CGColor());
    auto panel = std::make_shared<NSVisualEffectView>(content->bounds());
    panel->setMaterial(NSVisualEffectMaterialSidebar);
    panel->setState(NSVisualEffectStateActive);
    content->addSubview(panel);
    for (int i = 0; i < 5; ++i) {
        auto tile = makeTile(String("Application " + std::to_string(i + 1)), i == 1);
        tile->setFrameOrigin({12, content->frame().size.height - 12 - (i + 1) * kTileHeight});
        content->addSubview(tile);
    }
    auto window = std::make_shared<NSWindow>(content->frame(), NSWindowStyleMaskBorderless);
    window->setBackgroundColor(NSColor::clearColor());
    window->setOpaque(false);
    window->setContentView(content);
    for (auto _ : state) {
        // Everything changed since the last frame: the whole window redraws.
        window->setViewsNeedDisplay(true);
        auto snapshot = window->snapshot(2);
        benchmark::DoNotOptimize(snapshot.get());
    }
}
BENCHMARK(BM_SwitcherWindowSnapshotAtScaleTwo)->Unit(benchmark::kMicrosecond);

void BM_LabelIntrinsicSize(benchmark::State& state)
{
    auto label = NSTextField::labelWithString("Activity Monitor");
    for (auto _ : state)
        benchmark::DoNotOptimize(label->intrinsicContentSize());
}
BENCHMARK(BM_LabelIntrinsicSize)->Unit(benchmark::kMicrosecond);

}  // namespace
