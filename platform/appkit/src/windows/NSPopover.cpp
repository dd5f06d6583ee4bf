#include "appkit/NSPopover.h"

#include "appkit/NSApplication.h"
#include "appkit/NSPopoverDelegate.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindow.h"
#include "foundation/NSException.h"
#include "foundation/NSNotification.h"
#include "foundation/NSNotificationCenter.h"
#include "windows/PopoverWindow.h"

#include <algorithm>
#include <mutex>
#include <vector>

const String NSPopoverWillShowNotification = "NSPopoverWillShowNotification";
const String NSPopoverDidShowNotification = "NSPopoverDidShowNotification";
const String NSPopoverWillCloseNotification = "NSPopoverWillCloseNotification";
const String NSPopoverDidCloseNotification = "NSPopoverDidCloseNotification";

namespace {

// The popovers on screen, for closing them on clicks elsewhere.
std::vector<std::weak_ptr<NSPopover>>& shownPopovers()
{
    static auto* popovers = new std::vector<std::weak_ptr<NSPopover>>;
    return *popovers;
}

}  // namespace

NSPopover::NSPopover() = default;

NSPopover::~NSPopover()
{
    if (resignObserver_)
        NSNotificationCenter::defaultCenter().removeObserver(*resignObserver_);
}

void NSPopover::describe(ClassDescriptor& d)
{
    d.method<NSPopover>("performClose:", ReturnKind::Void, [](NSPopover& p, std::span<const Id> arguments) {
        p.performClose(arguments[0]);
        return Id();
    });
    d.property<NSPopover>("shown", [](NSPopover& p) { return Id::boolean(p.isShown()); });
    // What a nib sets up: the content and how the popover behaves.
    d.property<NSPopover>(
        "contentViewController", [](NSPopover& p) { return Id(p.contentViewController()); },
        [](NSPopover& p, const Id& value) { p.setContentViewController(value.object<NSViewController>()); });
    d.property<NSPopover>(
        "behavior", [](NSPopover& p) { return Id::number(static_cast<long long>(p.behavior())); },
        [](NSPopover& p, const Id& value) { p.setBehavior(static_cast<NSPopoverBehavior>(value.integerValue())); });
    d.property<NSPopover>(
        "animates", [](NSPopover& p) { return Id::boolean(p.animates()); },
        [](NSPopover& p, const Id& value) { p.setAnimates(value.boolValue()); });
}

void NSPopover::setContentViewController(const std::shared_ptr<NSViewController>& controller)
{
    if (contentViewController_ == controller)
        return;
    contentViewController_ = controller;
    preferredSizeObservation_.reset();
    if (controller) {
        std::weak_ptr<NSObject> weak = weak_from_this();
        std::weak_ptr<NSViewController> content = controller;
        preferredSizeObservation_ = observe(*controller, "preferredContentSize", 0, [weak, content](const auto&) {
            auto popover = std::static_pointer_cast<NSPopover>(weak.lock());
            auto owner = content.lock();
            NSSize size = owner ? owner->preferredContentSize() : NSZeroSize;
            if (popover && size.width > 0 && size.height > 0)
                popover->setContentSize(size);
        });
    }
    if (window_)
        window_->setContentViewController(controller);
}

void NSPopover::setContentSize(NSSize size)
{
    contentSize_ = size;
    if (shown_ && window_)
        window_->setFrame(frameFor(size), true);
}

void NSPopover::notify(const String& name, void (NSPopoverDelegate::*method)(NSNotification&))
{
    auto notification = NSNotification::notificationWithName(name, Id(shared_from_this()));
    if (auto delegate = this->delegate())
        ((*delegate).*method)(*notification);
    NSNotificationCenter::defaultCenter().postNotification(notification);
}

NSRect NSPopover::frameFor(NSSize size) const
{
    auto view = positioningView_.lock();
    auto window = view ? view->window() : nullptr;
    if (!window)
        return {NSZeroPoint, size};
    NSRect inWindow = view->convertRect(positioningRect_, nullptr);
    NSRect anchor = {{window->frame().origin.x + inWindow.origin.x, window->frame().origin.y + inWindow.origin.y},
                     inWindow.size};
    CGFloat midX = anchor.origin.x + anchor.size.width / 2;
    CGFloat midY = anchor.origin.y + anchor.size.height / 2;
    switch (preferredEdge_) {
    case NSRectEdgeMinX:
        return {{anchor.origin.x - size.width, midY - size.height / 2}, size};
    case NSRectEdgeMaxX:
        return {{anchor.origin.x + anchor.size.width, midY - size.height / 2}, size};
    case NSRectEdgeMaxY:
        return {{midX - size.width / 2, anchor.origin.y + anchor.size.height}, size};
    case NSRectEdgeMinY:
    default:
        return {{midX - size.width / 2, anchor.origin.y - size.height}, size};
    }
}

void NSPopover::showRelativeToRect(NSRect rect, const std::shared_ptr<NSView>& view, NSRectEdge edge)
{
    if (!contentViewController_)
        NSException::raise(NSInternalInconsistencyException, "(null) must have a content view controller");
    if (!view || !view->window())
        NSException::raise(NSInternalInconsistencyException, "NSPopover positioning view must be in a window");
    positioningRect_ = rect;
    positioningView_ = view;
    preferredEdge_ = edge;
    auto self = std::static_pointer_cast<NSPopover>(shared_from_this());
    if (shown_) {
        window_->setFrame(frameFor(window_->frame().size), true);
        return;
    }
    notify(NSPopoverWillShowNotification, &NSPopoverDelegate::popoverWillShow);
    auto content = contentViewController_->view();
    NSSize size = contentSize_.width > 0 && contentSize_.height > 0 ? contentSize_ : content->frame().size;
    if (!window_)
        window_ = std::make_shared<detail::PopoverWindow>(self);
    window_->setContentViewController(contentViewController_);
    window_->setFrame(frameFor(size), true);
    keepAlive_ = self;
    shown_ = true;
    shownPopovers().push_back(self);
    if (!resignObserver_) {
        std::weak_ptr<NSPopover> weak = self;
        resignObserver_ = NSNotificationCenter::defaultCenter().addObserverForName(
            NSApplicationDidResignActiveNotification, Id(), [weak](NSNotification&) {
                if (auto popover = weak.lock())
                    popover->applicationDidResignActive();
            });
    }
    window_->orderFront(Id());
    notify(NSPopoverDidShowNotification, &NSPopoverDelegate::popoverDidShow);
}

void NSPopover::close()
{
    if (!shown_)
        return;
    auto self = std::move(keepAlive_);
    notify(NSPopoverWillCloseNotification, &NSPopoverDelegate::popoverWillClose);
    shown_ = false;
    std::erase_if(shownPopovers(), [&](const std::weak_ptr<NSPopover>& entry) {
        auto popover = entry.lock();
        return !popover || popover.get() == this;
    });
    if (window_)
        window_->orderOut(Id());
    notify(NSPopoverDidCloseNotification, &NSPopoverDelegate::popoverDidClose);
}

void NSPopover::performClose(const Id&)
{
    if (!shown_)
        return;
    if (auto delegate = this->delegate(); delegate && !delegate->popoverShouldClose(*this))
        return;
    close();
}

void NSPopover::applicationDidResignActive()
{
    if (behavior_ == NSPopoverBehaviorTransient)
        close();
}

void NSPopover::closePopoversForClickIn(const NSWindow* window)
{
    std::vector<std::shared_ptr<NSPopover>> popovers;
    for (const auto& entry : shownPopovers())
        if (auto popover = entry.lock())
            popovers.push_back(std::move(popover));
    for (const auto& popover : popovers)
        if (popover->behavior_ != NSPopoverBehaviorApplicationDefined && popover->window_.get() != window)
            popover->close();
}

void NSPopover::forgetShownPopovers()
{
    auto popovers = std::move(shownPopovers());
    shownPopovers().clear();
    for (const auto& entry : popovers)
        if (auto popover = entry.lock())
            popover->keepAlive_.reset();
}
