#pragma once

#include "Kestrova/CollectionViewPresentable.h"
#include "Kestrova/MyCollectionViewDelegate.h"
#include "Kestrova/RunningApp.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSSeguePerforming.h"
#include "appkit/NSViewController.h"

#include <memory>
#include <optional>
#include <vector>

class SRLocalShortcutMonitor;

// The switcher's list of running applications in the main window: the root
// child of the "Navigation" scene. It lists the regular applications as
// tiles in the switcher's order, chooses one on Return or on its stored
// shortcut, and sizes the window to the list. Everything is built once,
// when the view loads: every opening of the switcher makes a new one.
class MainViewController : public NSViewController,
                           public NSCollectionViewDelegate,
                           public MyCollectionViewDelegate,
                           public CollectionViewPresentable,
                           public NSSeguePerforming {
    KS_OBJECT(MainViewController, NSViewController)

public:
    MainViewController();
    ~MainViewController() override;

    std::shared_ptr<NSView> collectionView() const override { return collectionView_.lock(); }
    void setCollectionView(const std::shared_ptr<NSCollectionView>& view) { collectionView_ = view; }

    const std::vector<RunningApp>& runningApps() const { return runningApps_; }
    const std::shared_ptr<SRLocalShortcutMonitor>& shortcutMonitor() const { return shortcutMonitor_; }

    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewWillDisappear() override;
    void prepareForSegue(NSStoryboardSegue& segue, const Id& sender) override;
    void chooseItem(NSCollectionView& collectionView, const NSIndexPath& indexPath) override;

    void reloadRunningApps();
    void setUpCollectionView();
    void installKeyMonitor();
    // Tall enough for every tile up to four, four and a half beyond, so
    // that the half tile shows the list scrolls; then centred.
    void fitWindowToList();

protected:
    static void describe(ClassDescriptor& d);

private:
    class CollectionViewDataSource;

    // The size of one tile, from a tile made from the nib only for this,
    // once: the grid and the window's height both ask.
    NSSize sizingTileSize();

    std::weak_ptr<NSCollectionView> collectionView_;
    std::vector<RunningApp> runningApps_;
    std::shared_ptr<CollectionViewDataSource> collectionViewDataSource_;
    Id eventMonitor_;
    std::shared_ptr<SRLocalShortcutMonitor> shortcutMonitor_;
    std::optional<NSSize> tileSize_;
};
