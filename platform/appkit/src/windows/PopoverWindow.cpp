#include "windows/PopoverWindow.h"

#include "appkit/NSPopover.h"

namespace detail {

PopoverWindow::PopoverWindow(const std::shared_ptr<NSPopover>& popover)
    : NSWindow(NSZeroRect, NSWindowStyleMaskBorderless)
    , popover_(popover)
{
}

void PopoverWindow::cancelOperation(const Id& sender)
{
    auto popover = popover_.lock();
    if (popover && popover->behavior() != NSPopoverBehaviorApplicationDefined)
        popover->performClose(sender);
    else
        NSWindow::cancelOperation(sender);
}

}  // namespace detail
