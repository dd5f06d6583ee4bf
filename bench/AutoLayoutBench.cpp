#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSView.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

// A view with a fixed content size, as an image view or a label has.
class Sized : public NSView {
    KS_OBJECT(Sized, NSView)

public:
    explicit Sized(NSSize size)
        : size_(size)
    {
        setTranslatesAutoresizingMaskIntoConstraints(false);
    }
    NSSize intrinsicContentSize() const override { return size_; }

private:
    NSSize size_;
};

struct Tile {
    std::shared_ptr<NSView> view;
    std::shared_ptr<NSLayoutConstraint> iconTop;
};

// One tile of the switcher's list: a box behind an icon of 64 x 64, the
// name and the shortcut text under it; the tile's own frame is the list's
// to set, as a collection view sets its items'.
Tile makeTile(NSRect frame)
{
    auto tile = std::make_shared<NSView>(frame);
    auto box = std::make_shared<Sized>(NSSize{NSViewNoIntrinsicMetric, NSViewNoIntrinsicMetric});
    auto icon = std::make_shared<Sized>(NSSize{64, 64});
    auto name = std::make_shared<Sized>(NSSize{80, 16});
    auto shortcut = std::make_shared<Sized>(NSSize{40, 14});
    for (const auto& view : {box, icon, name, shortcut})
        tile->addSubview(view);
    auto iconTop = icon->topAnchor()->constraintEqualToAnchor(tile->topAnchor(), 8);
    NSLayoutConstraint::activateConstraints({
        box->leadingAnchor()->constraintEqualToAnchor(tile->leadingAnchor()),
        box->trailingAnchor()->constraintEqualToAnchor(tile->trailingAnchor()),
        box->topAnchor()->constraintEqualToAnchor(tile->topAnchor()),
        box->bottomAnchor()->constraintEqualToAnchor(tile->bottomAnchor()),
        iconTop,
        icon->leadingAnchor()->constraintEqualToAnchor(tile->leadingAnchor(), 12),
        name->leadingAnchor()->constraintEqualToAnchor(icon->trailingAnchor(), 12),
        name->trailingAnchor()->constraintLessThanOrEqualToAnchor(tile->trailingAnchor(), -12),
        name->bottomAnchor()->constraintEqualToAnchor(icon->centerYAnchor(), -2),
        shortcut->leadingAnchor()->constraintEqualToAnchor(name->leadingAnchor()),
        shortcut->topAnchor()->constraintEqualToAnchor(icon->centerYAnchor(), 2),
        tile->bottomAnchor()->constraintEqualToAnchor(icon->bottomAnchor(), 8),
    });
    return {tile, iconTop};
}

std::shared_ptr<NSView> makeList(int count, std::vector<Tile>& tiles)
{
    auto list = std::make_shared<NSView>(NSMakeRect(0, 0, 320, 80.0 * count));
    for (int i = 0; i < count; ++i) {
        tiles.push_back(makeTile(NSMakeRect(0, 80.0 * i, 320, 80)));
        list->addSubview(tiles.back().view);
    }
    return list;
}

// The first layout of a list of tiles: every constraint goes to a new
// engine (the tree is built off the clock).
void BM_FirstLayoutOfTiles(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<Tile> tiles;
        auto list = makeList(static_cast<int>(state.range(0)), tiles);
        state.ResumeTiming();
        list->layoutSubtreeIfNeeded();
        benchmark::DoNotOptimize(tiles.back().view->subviews().back()->frame());
        state.PauseTiming();
        tiles.clear();
        list.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstLayoutOfTiles)->Arg(5)->Arg(12)->Arg(50)->Unit(benchmark::kMicrosecond);

// One constant changes in a list of 50 tiles and the list lays out again.
void BM_RelayoutAfterConstantChange(benchmark::State& state)
{
    std::vector<Tile> tiles;
    auto list = makeList(50, tiles);
    list->layoutSubtreeIfNeeded();
    double top = 8;
    for (auto _ : state) {
        top = top == 8 ? 6 : 8;
        tiles[25].iconTop->setConstant(top);
        list->layoutSubtreeIfNeeded();
        benchmark::DoNotOptimize(tiles[25].view->subviews()[1]->frame());
    }
}
BENCHMARK(BM_RelayoutAfterConstantChange)->Unit(benchmark::kMicrosecond);

// A tile joins a list of 50 that is laid out already, as a collection view
// adds an item scrolled into sight, and the list lays out; it leaves again
// off the clock.
void BM_AddTileToLaidOutList(benchmark::State& state)
{
    std::vector<Tile> tiles;
    auto list = makeList(50, tiles);
    list->layoutSubtreeIfNeeded();
    for (auto _ : state) {
        state.PauseTiming();
        Tile tile = makeTile(NSMakeRect(0, 80.0 * 50, 320, 80));
        state.ResumeTiming();
        list->addSubview(tile.view);
        list->layoutSubtreeIfNeeded();
        benchmark::DoNotOptimize(tile.view->subviews().back()->frame());
        state.PauseTiming();
        tile.view->removeFromSuperview();
        list->layoutSubtreeIfNeeded();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddTileToLaidOutList)->Unit(benchmark::kMicrosecond);

// The size of one tile from its constraints, as the main list measures a
// sizing tile on every opening.
void BM_TileFittingSize(benchmark::State& state)
{
    Tile tile = makeTile(NSMakeRect(0, 0, 320, 80));
    for (auto _ : state)
        benchmark::DoNotOptimize(tile.view->fittingSize());
}
BENCHMARK(BM_TileFittingSize)->Unit(benchmark::kMicrosecond);

}  // namespace
