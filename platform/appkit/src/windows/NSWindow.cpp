#include "appkit/NSWindow.h"

#include "appkit/NSApplication.h"
#include "appkit/NSButton.h"
#include "appkit/NSEvent.h"
#include "appkit/NSScreen.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindowController.h"
#include "appkit/NSWindowDelegate.h"
#include "drawing/ScratchSurfaces.h"
#include "drawing/ViewDrawing.h"
#include "foundation/NSNotification.h"
#include "foundation/NSNotificationCenter.h"
#include "windows/WindowList.h"

const String NSWindowDidBecomeKeyNotification = "NSWindowDidBecomeKeyNotification";
const String NSWindowDidResignKeyNotification = "NSWindowDidResignKeyNotification";
const String NSWindowDidBecomeMainNotification = "NSWindowDidBecomeMainNotification";
const String NSWindowDidResignMainNotification = "NSWindowDidResignMainNotification";
const String NSWindowWillCloseNotification = "NSWindowWillCloseNotification";

namespace {

constexpr unsigned short kEscapeKeyCode = 53;

}  // namespace

NSWindow::NSWindow(NSRect contentRect, NSWindowStyleMask style, NSBackingStoreType, bool)
    : frame_(contentRect)
    , styleMask_(style)
{
}

NSWindow::~NSWindow()
{
    detail::WindowList::shared().remove(this);
    detail::keepBackingContext(std::move(backing_));
}

void NSWindow::describe(ClassDescriptor& d)
{
    d.method<NSWindow>("performClose:", ReturnKind::Void, [](NSWindow& w, std::span<const Id> arguments) {
        w.performClose(arguments[0]);
        return Id();
    });
    d.method<NSWindow>("makeKeyAndOrderFront:", ReturnKind::Void, [](NSWindow& w, std::span<const Id> arguments) {
        w.makeKeyAndOrderFront(arguments[0]);
        return Id();
    });
    d.method<NSWindow>("orderFront:", ReturnKind::Void, [](NSWindow& w, std::span<const Id> arguments) {
        w.orderFront(arguments[0]);
        return Id();
    });
    d.method<NSWindow>("orderOut:", ReturnKind::Void, [](NSWindow& w, std::span<const Id> arguments) {
        w.orderOut(arguments[0]);
        return Id();
    });
    d.property<NSWindow>(
        "title", [](NSWindow& w) { return Id(w.title()); },
        [](NSWindow& w, const Id& value) { w.setTitle(value.string() ? *value.string() : String()); });
    d.property<NSWindow>("visible", [](NSWindow& w) { return Id::boolean(w.isVisible()); });
}

NSInteger NSWindow::windowNumber()
{
    if (windowNumber_ == 0)
        windowNumber_ = detail::WindowList::shared().add(std::static_pointer_cast<NSWindow>(shared_from_this()));
    return windowNumber_;
}

void NSWindow::setFrame(NSRect frame, bool)
{
    bool resized = frame.size != frame_.size;
    frame_ = frame;
    if (resized)
        setViewsNeedDisplay(true);
    if (contentView_)
        contentView_->setFrame({NSZeroPoint, frame.size});
}

void NSWindow::center()
{
    auto screen = this->screen();
    if (!screen)
        return;
    NSRect area = screen->visibleFrame();
    setFrameOrigin({area.origin.x + (area.size.width - frame_.size.width) / 2,
                    area.origin.y + (area.size.height - frame_.size.height) / 2});
}

std::shared_ptr<NSScreen> NSWindow::screen() const
{
    std::shared_ptr<NSScreen> best;
    CGFloat bestArea = 0;
    for (auto& screen : NSScreen::screens()) {
        NSRect f = screen->frame();
        CGFloat w = std::min(f.origin.x + f.size.width, frame_.origin.x + frame_.size.width) -
                    std::max(f.origin.x, frame_.origin.x);
        CGFloat h = std::min(f.origin.y + f.size.height, frame_.origin.y + frame_.size.height) -
                    std::max(f.origin.y, frame_.origin.y);
        if (w > 0 && h > 0 && w * h > bestArea) {
            bestArea = w * h;
            best = screen;
        }
    }
    return best ? best : NSScreen::mainScreen();
}

void NSWindow::setContentView(const std::shared_ptr<NSView>& view)
{
    if (contentView_ == view)
        return;
    auto self = std::static_pointer_cast<NSWindow>(shared_from_this());
    auto old = contentView_;
    // A view that comes from another visible window stays on screen.
    NSView::transitionOnScreen({{old, false}, {view, visible_}}, [&] {
        contentView_.reset();
        if (old)
            old->setContainingWindow(nullptr);
        if (view) {
            view->detachFromSuperview();
            view->setFrame({NSZeroPoint, frame_.size});
            contentView_ = view;
            view->setContainingWindow(self);
        }
    });
    setViewsNeedDisplay(true);
    // A first responder that left with the old content is no longer one.
    auto first = firstResponder_.lock();
    if (auto firstView = std::dynamic_pointer_cast<NSView>(first); firstView && firstView->window() != self)
        firstResponder_.reset();
}

void NSWindow::contentViewWasTaken()
{
    if (contentViewController_ && contentViewController_->isViewLoaded() &&
        contentViewController_->view() == contentView_)
        contentViewController_.reset();
    contentView_.reset();
}

void NSWindow::setContentViewController(const std::shared_ptr<NSViewController>& controller)
{
    if (contentViewController_ == controller)
        return;
    contentViewController_ = controller;
    if (!controller) {
        setContentView(nullptr);
        return;
    }
    auto view = controller->view();
    NSSize size = view->frame().size;
    if (size.width > 0 && size.height > 0)
        frame_.size = size;
    setContentView(view);
}

void NSWindow::setTitle(const String& title)
{
    automaticChange("title", [&] { title_ = title; });
}

std::shared_ptr<NSButton> NSWindow::standardWindowButton(NSWindowButton button)
{
    if (!(styleMask_ & NSWindowStyleMaskTitled) || button > NSWindowZoomButton)
        return nullptr;
    auto& slot = standardButtons_[button];
    if (!slot) {
        slot = std::make_shared<NSButton>(NSMakeRect(0, 0, 14, 16));
        static constexpr NSWindowStyleMask needed[] = {NSWindowStyleMaskClosable, NSWindowStyleMaskMiniaturizable,
                                                       NSWindowStyleMaskResizable};
        slot->setEnabled(styleMask_ & needed[button]);
    }
    return slot;
}

bool NSWindow::isKeyWindow() const
{
    auto application = NSApp();
    return application && application->isKey(*this);
}

bool NSWindow::isMainWindow() const
{
    auto application = NSApp();
    return application && application->isMain(*this);
}

bool NSWindow::canBecomeKeyWindow() const
{
    return styleMask_ & (NSWindowStyleMaskTitled | NSWindowStyleMaskResizable);
}

bool NSWindow::canBecomeMainWindow() const
{
    return canBecomeKeyWindow();
}

void NSWindow::makeKeyWindow()
{
    if (canBecomeKeyWindow())
        NSApplication::sharedApplication()->windowWantsKey(std::static_pointer_cast<NSWindow>(shared_from_this()));
}

void NSWindow::makeMainWindow()
{
    if (canBecomeMainWindow())
        NSApplication::sharedApplication()->windowWantsMain(std::static_pointer_cast<NSWindow>(shared_from_this()));
}

namespace {

template <class Method> void tellDelegate(NSWindow& window, const String& name, Method method)
{
    auto notification = NSNotification::notificationWithName(name, Id(window.shared_from_this()));
    if (auto delegate = window.delegate())
        ((*delegate).*method)(*notification);
    NSNotificationCenter::defaultCenter().postNotification(notification);
}

}  // namespace

void NSWindow::becomeKeyWindow()
{
    detail::ViewDrawing::noteFocusRingOf(firstResponder_.lock());
    tellDelegate(*this, NSWindowDidBecomeKeyNotification, &NSWindowDelegate::windowDidBecomeKey);
}

void NSWindow::resignKeyWindow()
{
    detail::ViewDrawing::noteFocusRingOf(firstResponder_.lock());
    tellDelegate(*this, NSWindowDidResignKeyNotification, &NSWindowDelegate::windowDidResignKey);
}

void NSWindow::becomeMainWindow()
{
    tellDelegate(*this, NSWindowDidBecomeMainNotification, &NSWindowDelegate::windowDidBecomeMain);
}

void NSWindow::resignMainWindow()
{
    tellDelegate(*this, NSWindowDidResignMainNotification, &NSWindowDelegate::windowDidResignMain);
}

void NSWindow::setVisible(bool visible)
{
    if (visible_ == visible)
        return;
    NSView::transitionOnScreen(contentView_, visible, [&] {
        // Laid out after the will-appear calls, before it shows.
        if (visible)
            layoutIfNeeded();
        willChangeValueForKey("visible");
        visible_ = visible;
        didChangeValueForKey("visible");
    });
    shownController_ = visible ? windowController_.lock() : nullptr;
}

void NSWindow::orderFront(const Id&)
{
    auto self = std::static_pointer_cast<NSWindow>(shared_from_this());
    windowNumber();
    setVisible(true);
    NSApplication::sharedApplication()->windowDidOrderIn(self);
}

void NSWindow::makeKeyAndOrderFront(const Id& sender)
{
    orderFront(sender);
    makeKeyWindow();
}

void NSWindow::orderOut(const Id&)
{
    if (!visible_)
        return;
    // The application may hold the last reference to a shown window.
    auto self = std::static_pointer_cast<NSWindow>(shared_from_this());
    setVisible(false);
    NSApplication::sharedApplication()->windowDidOrderOut(self);
}

void NSWindow::close()
{
    auto self = std::static_pointer_cast<NSWindow>(shared_from_this());
    tellDelegate(*this, NSWindowWillCloseNotification, &NSWindowDelegate::windowWillClose);
    orderOut(Id());
}

void NSWindow::performClose(const Id&)
{
    auto delegate = this->delegate();
    if (delegate && !delegate->windowShouldClose(*this)) {
        NSBeep();
        return;
    }
    close();
}

std::shared_ptr<NSResponder> NSWindow::firstResponder() const
{
    if (auto responder = firstResponder_.lock())
        return responder;
    return std::static_pointer_cast<NSResponder>(std::const_pointer_cast<NSObject>(shared_from_this()));
}

bool NSWindow::makeFirstResponder(const std::shared_ptr<NSResponder>& responder)
{
    auto self = std::static_pointer_cast<NSResponder>(shared_from_this());
    auto current = firstResponder_.lock();
    auto wanted = responder.get() == this ? nullptr : responder;
    if (current == wanted)
        return true;
    if (current && !current->resignFirstResponder())
        return false;
    firstResponder_.reset();
    detail::ViewDrawing::noteFocusRingOf(current);
    if (!wanted)
        return true;
    if (!wanted->acceptsFirstResponder() || !wanted->becomeFirstResponder())
        return false;
    firstResponder_ = wanted;
    detail::ViewDrawing::noteFocusRingOf(wanted);
    return true;
}

void NSWindow::sendEvent(NSEvent& event)
{
    switch (event.type()) {
    case NSEventTypeKeyDown:
        firstResponder()->keyDown(event);
        break;
    case NSEventTypeKeyUp:
        firstResponder()->keyUp(event);
        break;
    case NSEventTypeFlagsChanged:
        firstResponder()->flagsChanged(event);
        break;
    case NSEventTypeMouseMoved:
        trackPointer(event);
        break;
    case NSEventTypeLeftMouseDown:
    case NSEventTypeLeftMouseUp:
    case NSEventTypeLeftMouseDragged:
    case NSEventTypeRightMouseDown:
    case NSEventTypeRightMouseUp: {
        trackPointer(event);
        std::shared_ptr<NSResponder> target;
        // While the left button is held, its moves and its release go to
        // the view it went down on, wherever the pointer is.
        bool pressed = event.type() == NSEventTypeLeftMouseUp || event.type() == NSEventTypeLeftMouseDragged;
        if (pressed) {
            target = mouseDownTarget_.lock();
            // A view taken out of this window since the press gets no more of it.
            if (auto view = std::dynamic_pointer_cast<NSView>(target); view && view->window().get() != this)
                target.reset();
        }
        if (!target && contentView_)
            target = contentView_->hitTest(event.locationInWindow());
        if (!target)
            target = std::static_pointer_cast<NSResponder>(shared_from_this());
        if (event.type() == NSEventTypeLeftMouseDown) {
            mouseDownTarget_ = target;
            mouseDownLocation_ = event.locationInWindow();
            if (target->acceptsFirstResponder())
                makeFirstResponder(target);
            target->mouseDown(event);
        } else if (event.type() == NSEventTypeLeftMouseUp) {
            mouseDownTarget_.reset();
            mouseDownLocation_.reset();
            target->mouseUp(event);
        } else if (event.type() == NSEventTypeLeftMouseDragged) {
            target->mouseDragged(event);
        } else if (event.type() == NSEventTypeRightMouseDown) {
            target->rightMouseDown(event);
        } else {
            target->rightMouseUp(event);
        }
        break;
    }
    default:
        break;
    }
}

bool NSWindow::performKeyEquivalent(NSEvent& event)
{
    return contentView_ && !contentView_->isHidden() && contentView_->performKeyEquivalent(event);
}

void NSWindow::keyDown(NSEvent& event)
{
    if (event.keyCode() == kEscapeKeyCode && !(event.modifierFlags() & NSEventModifierFlagCommand)) {
        firstResponder()->cancelOperation(Id(shared_from_this()));
        return;
    }
    NSResponder::keyDown(event);
}

std::shared_ptr<NSResponder> NSWindow::nextResponder() const
{
    if (auto explicitNext = NSResponder::nextResponder())
        return explicitNext;
    return windowController_.lock();
}
