#include "Kestrova/CloseableView.h"

#include "appkit/NSApplication.h"
#include "appkit/NSEvent.h"

bool CloseableView::performKeyEquivalent(NSEvent& event)
{
    if (NSView::performKeyEquivalent(event))
        return true;
    // Only Command is looked at: Command-Option-W closes as well.
    if (!(event.modifierFlags() & NSEventModifierFlagCommand) || event.charactersIgnoringModifiers() != String("w"))
        return false;
    if (auto application = NSApp())
        application->hide(Id());
    return true;
}
