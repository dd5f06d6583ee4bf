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

void PopoverWindow::close()
{
    // The popover takes its window off the screen itself.
    if (auto popover = popover_.lock(); popover && popover->isShown())
        popover->close();
    else
        NSWindow::close();
}

void PopoverWindow::performClose(const Id& sender)
{
    if (auto popover = popover_.lock(); popover && popover->isShown())
        popover->performClose(sender);
    else
        NSWindow::performClose(sender);
}

}  // namespace detail
