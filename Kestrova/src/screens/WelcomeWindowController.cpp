#include "Kestrova/WelcomeWindowController.h"

#include "appkit/NSButton.h"
#include "appkit/NSWindow.h"

void WelcomeWindowController::windowDidLoad()
{
    NSWindowController::windowDidLoad();
    auto window = this->window();
    if (!window)
        return;
    for (NSWindowButton kind : {NSWindowMiniaturizeButton, NSWindowZoomButton})
        if (auto button = window->standardWindowButton(kind))
            button->setHidden(true);
}
