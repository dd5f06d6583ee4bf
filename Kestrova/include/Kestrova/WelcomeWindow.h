#pragma once

#include "appkit/NSWindow.h"

// The window that greets the user on first launch. While it is open the
// program shows a Dock icon.
class WelcomeWindow : public NSWindow {
    KS_OBJECT(WelcomeWindow, NSWindow)

public:
    using NSWindow::NSWindow;

    // However it is closed, the welcome has been seen: "firstLaunch" is
    // written false before the application hides, so that no later launch
    // greets again.
    void close() override;
};
