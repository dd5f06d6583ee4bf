#pragma once

#include "Kestrova/RunningApp.h"
#include "appkit/NSViewController.h"

#include <optional>

// One application's windows, pushed by the "Windows" segue of the main
// list and of mini mode. The list that pushes it hands over the chosen
// application in its prepareForSegue, before the view loads; mini mode also
// sets the preferred content size there.
class WindowsViewController : public NSViewController {
    KS_OBJECT(WindowsViewController, NSViewController)

public:
    using NSViewController::NSViewController;

    const std::optional<RunningApp>& runningApp() const { return runningApp_; }
    void setRunningApp(const RunningApp& runningApp) { runningApp_ = runningApp; }

private:
    std::optional<RunningApp> runningApp_;
};
