#include "appkit/NSStatusBarButton.h"

#include "appkit/NSMenu.h"
#include "appkit/NSStatusItem.h"

void NSStatusBarButton::performClick(const Id& sender)
{
    if (!isEnabled())
        return;
    auto item = statusItem();
    if (item && item->menu())
        item->openMenu();
    else
        NSButton::performClick(sender);
}
