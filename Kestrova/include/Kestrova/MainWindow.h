#pragma once

#include "appkit/NSWindow.h"

#include <memory>

class NSEvent;
class NSResponder;

// The switcher's window: titled for key and main status, with its title bar
// made invisible by its controller. Escape that nothing inside took hides
// the application, and the keyboard goes to the list that is shown.
class MainWindow : public NSWindow {
    KS_OBJECT(MainWindow, NSWindow)

public:
    using NSWindow::NSWindow;

    bool canBecomeKeyWindow() const override { return true; }
    bool canBecomeMainWindow() const override { return true; }
    bool performKeyEquivalent(NSEvent& event) override;
    // The collection view of the content controller's last child when that
    // child presents one; nullptr otherwise.
    std::shared_ptr<NSResponder> firstResponder() const override;
    void sendEvent(NSEvent& event) override;
};
