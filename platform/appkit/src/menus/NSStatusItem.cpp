#include "appkit/NSStatusItem.h"

#include "appkit/NSImage.h"
#include "appkit/NSScreen.h"
#include "appkit/NSStatusBar.h"
#include "appkit/NSStatusBarButton.h"
#include "appkit/NSWindow.h"
#include "application/DesktopRecord.h"

namespace {

// Room the system keeps at the right end of the menu bar for its own items
// (clock, control centre).
constexpr CGFloat kSystemItemsWidth = 200;
constexpr CGFloat kSlotWidth = 28;
constexpr CGFloat kPadding = 8;

}  // namespace

NSStatusItem::NSStatusItem(CGFloat length)
    : length_(length)
{
}

NSStatusItem::~NSStatusItem()
{
    if (window_)
        window_->orderOut(Id());
}

void NSStatusItem::setUp()
{
    CGFloat thickness = NSStatusBar::systemStatusBar().thickness();
    button_ = std::make_shared<NSStatusBarButton>(NSMakeRect(0, 0, width(), thickness));
    button_->setStatusItem(std::static_pointer_cast<NSStatusItem>(shared_from_this()));
    window_ = std::make_shared<NSWindow>(NSMakeRect(0, 0, width(), thickness), NSWindowStyleMaskBorderless);
    window_->setContentView(button_);
    if (visible_)
        window_->orderFront(Id());
}

CGFloat NSStatusItem::width() const
{
    if (length_ >= 0)
        return length_;
    if (length_ == NSSquareStatusItemLength)
        return NSStatusBar::systemStatusBar().thickness();
    if (button_ && button_->image() && button_->image()->size().width > 0)
        return button_->image()->size().width + kPadding;
    return kSlotWidth;
}

void NSStatusItem::setLength(CGFloat length)
{
    length_ = length;
    place(slot_);
}

void NSStatusItem::setVisible(bool visible)
{
    if (visible_ == visible)
        return;
    visible_ = visible;
    if (!window_)
        return;
    if (visible)
        window_->orderFront(Id());
    else
        window_->orderOut(Id());
}

void NSStatusItem::openMenu()
{
    detail::recordOnDesktop({.kind = simulation::ProgramRecord::Kind::MenuOpened});
}

void NSStatusItem::place(std::size_t slot)
{
    slot_ = slot;
    if (!window_)
        return;
    auto screen = NSScreen::mainScreen();
    NSRect area = screen ? screen->frame() : NSMakeRect(0, 0, 1512, 982);
    CGFloat thickness = NSStatusBar::systemStatusBar().thickness();
    CGFloat x = area.origin.x + area.size.width - kSystemItemsWidth - CGFloat(slot + 1) * kSlotWidth;
    window_->setFrame(NSMakeRect(x, area.origin.y + area.size.height - thickness, width(), thickness), true);
}
