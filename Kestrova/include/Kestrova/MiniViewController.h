#pragma once

#include "appkit/NSSeguePerforming.h"
#include "appkit/NSViewController.h"
#include "foundation/Id.h"

#include <memory>

class SRLocalShortcutMonitor;

// The switcher of mini mode: the root child of the
// "MiniNavigationController" scene, shown in the popover under the status
// item. It lists nothing: while it is on screen, the stored per-application
// shortcuts choose as in the main list. When the popover goes away with
// this view as the navigation's only child, the program hides, so that
// every way out of mini mode ends the switcher as the others do.
class MiniViewController : public NSViewController, public NSSeguePerforming {
    KS_OBJECT(MiniViewController, NSViewController)

public:
    MiniViewController();
    ~MiniViewController() override;

    const std::shared_ptr<SRLocalShortcutMonitor>& shortcutMonitor() const { return shortcutMonitor_; }

    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewWillDisappear() override;
    // The windows list gets the application and a size for its windows:
    // 250 wide, 36 a window for up to five, and 64 besides.
    void prepareForSegue(NSStoryboardSegue& segue, const Id& sender) override;

    void registerShortcuts();
    void installKeyMonitor();

private:
    std::shared_ptr<SRLocalShortcutMonitor> shortcutMonitor_;
    Id eventMonitor_;
};
