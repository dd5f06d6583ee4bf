// The collection view on the switcher's road: loading a list and making its
// visible items (reload, layout, items from the reuse queue), the grid's
// frames for a whole list, and one Down arrow through the application's key
// path to a MyCollectionView that moves the selection.

#include "Kestrova/MyCollectionView.h"
#include "appkit/NSApplication.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSCollectionViewGridLayout.h"
#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSEvent.h"
#include "appkit/NSWindow.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"

#include <benchmark/benchmark.h>

namespace {

class Rows : public NSCollectionViewDataSource {
public:
    explicit Rows(NSInteger count)
        : count_(count)
    {
    }
    NSInteger collectionViewNumberOfItemsInSection(NSCollectionView&, NSInteger) override { return count_; }
    std::shared_ptr<NSCollectionViewItem>
    collectionViewItemForRepresentedObjectAtIndexPath(NSCollectionView& view, const NSIndexPath& indexPath) override
    {
        auto item = view.makeItemWithIdentifier("Row", indexPath);
        item->setRepresentedObject(Id::number(indexPath.item()));
        return item;
    }

private:
    NSInteger count_;
};

constexpr CGFloat kRowHeight = 80;

template <class View> std::shared_ptr<View> list(const std::shared_ptr<Rows>& rows, NSInteger visibleRows)
{
    auto view = std::make_shared<View>(NSMakeRect(0, 0, 720, CGFloat(visibleRows) * kRowHeight));
    auto layout = std::make_shared<NSCollectionViewGridLayout>();
    layout->setMaximumNumberOfColumns(1);
    layout->setMinimumItemSize({300, kRowHeight});
    layout->setMaximumItemSize({0, kRowHeight});
    view->setCollectionViewLayout(layout);
    view->template registerClass<NSCollectionViewItem>("Row");
    view->setDataSource(rows);
    return view;
}

// All rows visible, as in the switcher with a list that fits its window.
void BM_ReloadAndMakeVisibleItems(benchmark::State& state)
{
    auto rows = std::make_shared<Rows>(state.range(0));
    auto view = list<NSCollectionView>(rows, state.range(0));
    view->visibleItems();
    for (auto _ : state) {
        view->reloadData();
        benchmark::DoNotOptimize(view->visibleItems().size());
    }
}
BENCHMARK(BM_ReloadAndMakeVisibleItems)->Arg(5)->Arg(50)->Arg(200);

void BM_GridFramesOfAWholeList(benchmark::State& state)
{
    auto rows = std::make_shared<Rows>(state.range(0));
    auto view = list<NSCollectionView>(rows, 5);
    auto layout = view->collectionViewLayout();
    NSRect everything = NSMakeRect(0, 0, 720, CGFloat(state.range(0)) * kRowHeight);
    for (auto _ : state)
        benchmark::DoNotOptimize(layout->layoutAttributesForElementsInRect(everything).size());
}
BENCHMARK(BM_GridFramesOfAWholeList)->Arg(50)->Arg(200);

// Down through NSApplication::sendEvent, the key window's key-equivalent
// pass and MyCollectionView, with 5 of 50 rows visible. The selection runs
// to the end and back to the top.
void BM_DownArrowMovesTheSelection(benchmark::State& state)
{
    ScopedVirtualClock clock;
    simulation::DesktopState desktopState;
    desktopState.applications.push_back({.pid = 100,
                                         .bundleIdentifier = String("com.kestrova.Kestrova"),
                                         .localizedName = String("Kestrova"),
                                         .activationPolicy = simulation::ActivationPolicy::Accessory,
                                         .ownProcess = true});
    simulation::ScopedDesktop desktop(desktopState);
    NSApplication::resetForTesting();
    auto application = NSApplication::sharedApplication();

    auto rows = std::make_shared<Rows>(50);
    auto view = list<MyCollectionView>(rows, 5);
    auto window = std::make_shared<NSWindow>(view->frame());
    window->setContentView(view);
    application->activateIgnoringOtherApps(true);
    window->makeKeyAndOrderFront(Id());
    clock.advance(0);
    auto down = NSEvent::keyEventWithType(NSEventTypeKeyDown, NSZeroPoint, 0, 0, window->windowNumber(), Id(), " ", " ",
                                          false, 125);
    application->sendEvent(down);
    if (view->selectionIndexPaths().empty()) {
        state.SkipWithError("the key did not reach the list");
        return;
    }
    for (auto _ : state) {
        application->sendEvent(down);
        if (view->selectionIndexPaths().anyObject()->item() == 49)
            view->setSelectionIndexPaths({});
    }
    window->orderOut(Id());
    NSApplication::resetForTesting();
}
BENCHMARK(BM_DownArrowMovesTheSelection);

}  // namespace
