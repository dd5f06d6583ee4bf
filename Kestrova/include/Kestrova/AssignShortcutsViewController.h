#pragma once

#include "Kestrova/RunningApp.h"
#include "Kestrova/RunningAppDelegate.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSViewController.h"

#include <memory>
#include <vector>

// The list in which the user gives each running application a shortcut,
// shown in the status item's popover (the "AssignShortcutsViewController"
// scene): every regular application by name, each row with a recorder bound
// to the application's entry in the shortcut registry. When a row ends
// recording, the registry's parsed shortcuts follow and its change signal
// fires, which saves them. Everything is built once, when the view loads:
// every opening makes a new one.
class AssignShortcutsViewController : public NSViewController, public RunningAppDelegate {
    KS_OBJECT(AssignShortcutsViewController, NSViewController)

public:
    AssignShortcutsViewController();
    ~AssignShortcutsViewController() override;

    std::shared_ptr<NSCollectionView> collectionView() const { return collectionView_.lock(); }
    void setCollectionView(const std::shared_ptr<NSCollectionView>& view) { collectionView_ = view; }
    const std::vector<RunningApp>& runningApps() const { return runningApps_; }

    void viewDidLoad() override;
    // The regular applications by name, case kept.
    void loadRunningApps();
    // As wide as the widest row with its name filled in (and a margin), as
    // high as every row up to five, five and a half beyond, so that the half
    // row shows the list scrolls.
    void sizeViewToFit();
    void setUpCollectionView();

    // RunningAppDelegate
    void updateShortcut(const std::shared_ptr<SRShortcut>& shortcut, const NSRunningApplication& application) override;

protected:
    static void describe(ClassDescriptor& d);

private:
    class CollectionViewDataSource;

    std::weak_ptr<NSCollectionView> collectionView_;
    std::vector<RunningApp> runningApps_;
    std::shared_ptr<CollectionViewDataSource> collectionViewDataSource_;
};
