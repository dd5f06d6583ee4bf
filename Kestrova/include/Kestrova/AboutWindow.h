#pragma once

#include "appkit/NSWindow.h"

// The window that shows the program's version. While it is open the program
// shows a Dock icon, and a second request brings it forward.
class AboutWindow : public NSWindow {
    KS_OBJECT(AboutWindow, NSWindow)

public:
    using NSWindow::NSWindow;

    // Closing hides the application; it writes no default.
    void close() override;
};
