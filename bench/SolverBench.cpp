#include "solver/Solver.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace solver;

namespace {

// A box as Auto Layout sees one: its left, top, width and height.
struct Box {
    Variable left, top, width, height;
    Expression right() const { return Expression(left) + width; }
    Expression bottom() const { return Expression(top) + height; }
    Expression centerX() const { return Expression(left) + 0.5 * Expression(width); }
};

// What one tile of the switcher's list asks: an icon of 64 x 64 at the
// top, centred; a name and a shortcut text under it, each hugging its text
// and resisting compression; a box filling the tile. The tile itself sits
// under the previous one (a chain, where every row of the tableau grows
// with the list) or where the list's layout placed it (as a collection
// view places its items).
std::vector<Constraint> tileConstraints(const Box& list, const Box& tile, const Box* previous, double placedAt,
                                        const Box& icon, const Box& name, const Box& shortcut, const Box& box)
{
    const double hug = 250, resist = 750;
    std::vector<Constraint> c{
        tile.left == list.left,
        tile.width == list.width,
        previous ? tile.top == previous->bottom() : tile.top == list.top + placedAt,
        box.left == tile.left,
        box.top == tile.top,
        box.width == tile.width,
        box.height == tile.height,
        icon.width == 64,
        icon.height == 64,
        icon.centerX() == tile.centerX(),
        icon.top == tile.top + 8,
        name.top == icon.bottom() + 4,
        name.centerX() == tile.centerX(),
        shortcut.top == name.bottom() + 2,
        shortcut.centerX() == tile.centerX(),
        tile.bottom() == shortcut.bottom() + 8,
        name.left >= tile.left + 4,
        shortcut.left >= tile.left + 4,
    };
    for (const Box* label : {&name, &shortcut}) {
        c.push_back((label->width <= 80).withStrength(hug));
        c.push_back((label->width >= 80).withStrength(resist));
        c.push_back((label->height <= 16).withStrength(hug));
        c.push_back((label->height >= 16).withStrength(resist));
    }
    return c;
}

struct Tile {
    Box tile, icon, name, shortcut, box;
};

constexpr double kTileHeight = 126;

std::vector<Constraint> listConstraints(const Box& list, std::vector<Tile>& tiles, std::size_t count, bool chained)
{
    std::vector<Constraint> all{list.left == 0, list.top == 0, (list.width == 320).withStrength(500)};
    tiles.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Box* previous = chained && i > 0 ? &tiles[i - 1].tile : nullptr;
        auto c = tileConstraints(list, tiles[i].tile, previous, double(i) * kTileHeight, tiles[i].icon, tiles[i].name,
                                 tiles[i].shortcut, tiles[i].box);
        all.insert(all.end(), c.begin(), c.end());
    }
    return all;
}

// Building a list of tiles from nothing, one constraint at a time: the cost
// per added constraint is the time divided by the items. Arguments: tiles,
// and whether they are chained.
void BM_AddConstraintsIncrementally(benchmark::State& state)
{
    Box list;
    std::vector<Tile> tiles;
    auto constraints = listConstraints(list, tiles, static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        Solver solver;
        for (const Constraint& c : constraints)
            benchmark::DoNotOptimize(solver.addConstraint(c));
        benchmark::DoNotOptimize(solver.value(tiles.back().tile.top));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * constraints.size()));
    state.counters["constraints"] = static_cast<double>(constraints.size());
}
BENCHMARK(BM_AddConstraintsIncrementally)
    ->ArgsProduct({{4, 12, 25, 50}, {0, 1}})
    ->ArgNames({"tiles", "chained"})
    ->Unit(benchmark::kMicrosecond);

// One constant changes in a chained list of 50 tiles, the way a constraint's
// constant changes: the old constraint goes and the new one comes.
void BM_ResolveAfterConstantChange(benchmark::State& state)
{
    Box list;
    std::vector<Tile> tiles;
    Solver solver;
    for (const Constraint& c : listConstraints(list, tiles, 50, true))
        solver.addConstraint(c);
    const Box& icon = tiles[25].icon;
    Constraint current = icon.height == 64;
    solver.addConstraint(current);
    double height = 64;
    for (auto _ : state) {
        height = height == 64 ? 48 : 64;
        solver.removeConstraint(current);
        current = icon.height == height;
        benchmark::DoNotOptimize(solver.addConstraint(current));
        benchmark::DoNotOptimize(solver.value(tiles.back().tile.top));
    }
}
BENCHMARK(BM_ResolveAfterConstantChange)->Unit(benchmark::kMicrosecond);

// The list's width suggested through an edit variable: the dual simplex,
// with no constraint leaving the tableau; every tile follows.
void BM_ResolveAfterSuggestion(benchmark::State& state)
{
    Box list;
    std::vector<Tile> tiles;
    Solver solver;
    for (const Constraint& c : listConstraints(list, tiles, 50, true))
        solver.addConstraint(c);
    solver.addEditVariable(list.width, strength::strong);
    double width = 320;
    for (auto _ : state) {
        width = width == 320 ? 400 : 320;
        benchmark::DoNotOptimize(solver.suggestValue(list.width, width));
        benchmark::DoNotOptimize(solver.value(tiles.back().name.left));
    }
}
BENCHMARK(BM_ResolveAfterSuggestion)->Unit(benchmark::kMicrosecond);

// Adding one tile's constraints (26 of them) to a list of 50 tiles and
// solving; the tile is taken out again, off the clock, before the next one.
// Argument: whether the list is chained (the new tile then hangs under the
// last one).
void BM_AddTileAndSolve(benchmark::State& state)
{
    bool chained = state.range(0) != 0;
    Box list;
    std::vector<Tile> tiles;
    Solver solver;
    for (const Constraint& c : listConstraints(list, tiles, 50, chained))
        solver.addConstraint(c);
    Tile extra;
    auto constraints = tileConstraints(list, extra.tile, chained ? &tiles.back().tile : nullptr, 50 * kTileHeight,
                                       extra.icon, extra.name, extra.shortcut, extra.box);
    for (auto _ : state) {
        for (const Constraint& c : constraints)
            benchmark::DoNotOptimize(solver.addConstraint(c));
        benchmark::DoNotOptimize(solver.value(extra.shortcut.top));
        state.PauseTiming();
        for (const Constraint& c : constraints)
            solver.removeConstraint(c);
        state.ResumeTiming();
    }
    state.counters["constraints"] = static_cast<double>(constraints.size());
}
BENCHMARK(BM_AddTileAndSolve)->Arg(0)->Arg(1)->ArgName("chained")->Unit(benchmark::kMicrosecond);

}  // namespace
