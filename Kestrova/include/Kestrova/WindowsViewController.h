#pragma once

#include "Kestrova/CollectionViewPresentable.h"
#include "Kestrova/RunningApp.h"
#include "Kestrova/WindowViewItemDelegate.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSViewController.h"
#include "foundation/Id.h"

#include <cstddef>
#include <memory>
#include <optional>

class NSTextField;
class WindowViewItem;

// One application's windows, pushed by the "Windows" segue of the main
// list and of mini mode. The list that pushes it hands over the chosen
// application in its prepareForSegue, before the view loads; mini mode also
// sets the preferred content size there.
//
// The rows are the application's windows in the order the user gave them
// (WindowManager's); the digit keys 1 to 9 and 0 pick the first ten rows,
// Return the selected one, and picking raises the window and activates the
// application. Rows are reordered by dragging them onto the gap between
// two others. The back button returns to the list below.
class WindowsViewController : public NSViewController, public WindowViewItemDelegate, public CollectionViewPresentable {
    KS_OBJECT(WindowsViewController, NSViewController)

public:
    WindowsViewController();
    ~WindowsViewController() override;

    // The row a digit key picks: the keys of the digit row only, 1 to 9 for
    // the first nine rows and 0 for the tenth. The keypad's digits, and the
    // minus and equals keys whose codes lie among the digits', pick none.
    static std::optional<std::size_t> windowIndex(unsigned short keyCode);

    const std::optional<RunningApp>& runningApp() const override { return runningApp_; }
    void setRunningApp(const RunningApp& runningApp) { runningApp_ = runningApp; }

    std::shared_ptr<NSView> collectionView() const override { return collectionView_.lock(); }
    void setCollectionView(const std::shared_ptr<NSCollectionView>& view) { collectionView_ = view; }
    std::shared_ptr<NSTextField> nameLabel() const { return nameLabel_.lock(); }
    void setNameLabel(const std::shared_ptr<NSTextField>& label) { nameLabel_ = label; }

    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewWillDisappear() override;

    // The scene's back button: back to the list below, when this list is in
    // a navigation controller.
    void backButtonDidAction(const Id& sender);

    // Raises the row's window and activates its application.
    static void pick(const WindowViewItem& row);

protected:
    static void describe(ClassDescriptor& d);

private:
    class CollectionViewDataSource;
    class CollectionViewDelegate;

    void setUpCollectionView();
    std::shared_ptr<NSCollectionView> requireCollectionView() const;
    // A digit key's row: picked, and the key swallowed, when the list has
    // that row; otherwise the key goes on to the rest of the program.
    bool handleKeyDown(const NSEvent& event);

    std::optional<RunningApp> runningApp_;
    std::weak_ptr<NSCollectionView> collectionView_;
    std::weak_ptr<NSTextField> nameLabel_;
    std::shared_ptr<CollectionViewDataSource> collectionViewDataSource_;
    std::shared_ptr<CollectionViewDelegate> collectionViewDelegate_;
    Id eventMonitor_;
};
