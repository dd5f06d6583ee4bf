#pragma once

#include "appkit/NSWindowController.h"
#include "appkit/NSWindowDelegate.h"

#include <memory>

class NSWindow;

// The main switcher window's controller and its window's delegate. Made
// afresh for every showing of the switcher; it chooses the window's content
// itself: the switcher while the process is trusted for Accessibility, the
// permission screen otherwise.
class MainWindowController : public NSWindowController, public NSWindowDelegate {
    KS_OBJECT(MainWindowController, NSWindowController)

public:
    void windowDidLoad() override;
    // Centred, main, shown, key and in front.
    void showWindow(const Id& sender) override;
    // Closes the controller on the next turn of the main queue; the
    // delegate keeps it, so the same window can be shown again.
    void windowDidResignKey(NSNotification& notification) override;

    // The rounded translucent panel behind the content, laid in again
    // (never twice) and the window styled.
    static void loadBackground(NSWindow& window);
    // No visible title bar, content under it, see-through with a shadow.
    static void style(NSWindow& window);
};
