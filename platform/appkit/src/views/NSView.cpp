#include "appkit/NSView.h"

#include "appkit/NSApplication.h"
#include "appkit/NSEvent.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindow.h"

#include <algorithm>

NSView::NSView(NSRect frame)
    : frame_(frame)
{
}

NSView::~NSView() = default;

void NSView::describe(ClassDescriptor& d)
{
    d.property<NSView>(
        "hidden", [](NSView& v) { return Id::boolean(v.isHidden()); },
        [](NSView& v, const Id& value) { v.setHidden(value.boolValue()); });
    d.property<NSView>(
        "identifier", [](NSView& v) { return Id(v.identifier()); },
        [](NSView& v, const Id& value) { v.setIdentifier(value.string() ? *value.string() : String()); });
    d.property<NSView>(
        "userInterfaceLayoutDirection",
        [](NSView& v) { return Id::number(NSInteger(v.userInterfaceLayoutDirection())); },
        [](NSView& v, const Id& value) {
            v.setUserInterfaceLayoutDirection(static_cast<NSUserInterfaceLayoutDirection>(value.integerValue()));
        });
}

namespace {

// Moves or resizes a subview after its superview's size changed, as its
// autoresizing mask asks: the change is shared equally among the flexible
// parts of each axis.
NSRect autoresized(NSRect frame, NSAutoresizingMaskOptions mask, CGFloat dx, CGFloat dy)
{
    auto share = [](CGFloat delta, bool minFlexible, bool sizeFlexible, bool maxFlexible, CGFloat& origin,
                    CGFloat& size) {
        int parts = int(minFlexible) + int(sizeFlexible) + int(maxFlexible);
        if (parts == 0)
            return;
        CGFloat each = delta / parts;
        if (minFlexible)
            origin += each;
        if (sizeFlexible)
            size += each;
    };
    share(dx, mask & NSViewMinXMargin, mask & NSViewWidthSizable, mask & NSViewMaxXMargin, frame.origin.x,
          frame.size.width);
    share(dy, mask & NSViewMinYMargin, mask & NSViewHeightSizable, mask & NSViewMaxYMargin, frame.origin.y,
          frame.size.height);
    return frame;
}

}  // namespace

void NSView::setFrame(NSRect frame)
{
    NSRect oldFrame = frame_;
    frame_ = frame;
    frameDidChange(oldFrame);
    frameNeedsDisplay(oldFrame);
    CGFloat dx = frame.size.width - oldFrame.size.width;
    CGFloat dy = frame.size.height - oldFrame.size.height;
    if (dx == 0 && dy == 0)
        return;
    // Views placed by constraints get their frames from the layout pass.
    for (auto& subview : subviews_)
        if (subview->autoresizingMask_ != NSViewNotSizable && subview->translatesAutoresizingMask_) {
            subview->autoresizing_ = true;
            subview->setFrame(autoresized(subview->frame_, subview->autoresizingMask_, dx, dy));
            subview->autoresizing_ = false;
        }
}

std::shared_ptr<NSWindow> NSView::window() const
{
    return window_.lock();
}

bool NSView::isInVisibleWindow() const
{
    auto window = window_.lock();
    return window && window->isVisible();
}

void NSView::setHidden(bool hidden)
{
    if (hidden_ == hidden)
        return;
    hidden_ = hidden;
    invalidateInSuperview(frame_);
}

bool NSView::isHiddenOrHasHiddenAncestor() const
{
    for (const NSView* view = this; view; view = view->superview_.lock().get())
        if (view->hidden_)
            return true;
    return false;
}

bool NSView::isDescendantOf(const NSView& view) const
{
    for (auto current = std::static_pointer_cast<const NSView>(shared_from_this()); current;
         current = current->superview())
        if (current.get() == &view)
            return true;
    return false;
}

std::shared_ptr<NSView> NSView::viewWithIdentifier(const String& identifier)
{
    if (identifier_ == identifier)
        return std::static_pointer_cast<NSView>(shared_from_this());
    for (auto& subview : subviews_)
        if (auto found = subview->viewWithIdentifier(identifier))
            return found;
    return nullptr;
}

void NSView::collectControllers(std::vector<std::shared_ptr<NSViewController>>& controllers)
{
    if (auto controller = viewController_.lock())
        controllers.push_back(std::move(controller));
    for (auto& subview : subviews_)
        subview->collectControllers(controllers);
}

void NSView::transitionOnScreen(const std::shared_ptr<NSView>& root, bool appearing,
                                const std::function<void()>& change)
{
    transitionOnScreen({{root, appearing}}, change);
}

void NSView::transitionOnScreen(const std::vector<std::pair<std::shared_ptr<NSView>, bool>>& roots,
                                const std::function<void()>& change)
{
    std::vector<std::pair<std::shared_ptr<NSViewController>, bool>> controllers;
    for (const auto& [root, appearing] : roots) {
        if (!root)
            continue;
        std::vector<std::shared_ptr<NSViewController>> found;
        root->collectControllers(found);
        for (auto& controller : found)
            controllers.emplace_back(std::move(controller), appearing);
    }
    for (auto& [controller, appearing] : controllers)
        controller->beginAppearanceTransition(appearing);
    change();
    // Views that joined the tree during the change (the layout pass of a
    // window coming on screen makes a list's items) come on screen with it,
    // so that they also hear when they leave it.
    std::vector<std::shared_ptr<NSViewController>> joined;
    for (const auto& [root, appearing] : roots) {
        if (!root || !appearing || !root->isInVisibleWindow())
            continue;
        std::vector<std::shared_ptr<NSViewController>> found;
        root->collectControllers(found);
        for (auto& controller : found) {
            bool known = std::any_of(controllers.begin(), controllers.end(),
                                     [&](const auto& entry) { return entry.first == controller; });
            if (!known)
                joined.push_back(std::move(controller));
        }
    }
    for (auto& controller : joined)
        controller->beginAppearanceTransition(true);
    for (auto& [controller, appearing] : controllers)
        controller->endAppearanceTransition();
    for (auto& controller : joined)
        controller->endAppearanceTransition();
}

void NSView::moveToWindow(const std::shared_ptr<NSWindow>& window)
{
    if (window_.lock() == window)
        return;
    viewWillMoveToWindow(window);
    window_ = window;
    for (auto& subview : subviews_)
        subview->moveToWindow(window);
    viewDidMoveToWindow();
}

void NSView::setContainingWindow(const std::shared_ptr<NSWindow>& window)
{
    moveToWindow(window);
    didMoveInTree();
}

void NSView::viewWillMoveToWindow(const std::shared_ptr<NSWindow>&) { }

void NSView::viewWillMoveToSuperview(const std::shared_ptr<NSView>&) { }

void NSView::detachFromSuperview()
{
    auto superview = superview_.lock();
    if (!superview) {
        // A window's content view has a window but no superview.
        if (auto window = window_.lock(); window && window->contentView_.get() == this) {
            auto self = std::static_pointer_cast<NSView>(shared_from_this());
            window->contentViewWasTaken();
            moveToWindow(nullptr);
        }
        return;
    }
    auto self = std::static_pointer_cast<NSView>(shared_from_this());
    viewWillMoveToSuperview(nullptr);
    willLeaveSuperview();
    invalidateInSuperview(frame_);
    std::erase(superview->subviews_, self);
    superview_.reset();
    moveToWindow(nullptr);
    viewDidMoveToSuperview();
}

void NSView::insertSubview(const std::shared_ptr<NSView>& view, std::size_t index)
{
    auto self = std::static_pointer_cast<NSView>(shared_from_this());
    view->viewWillMoveToSuperview(self);
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(std::min(index, subviews_.size())), view);
    view->superview_ = self;
    view->moveToWindow(window_.lock());
    view->didMoveInTree();
    view->invalidateInSuperview(view->frame_);
    view->viewDidMoveToSuperview();
}

void NSView::addSubview(const std::shared_ptr<NSView>& view)
{
    addSubview(view, NSWindowAbove, nullptr);
}

void NSView::addSubview(const std::shared_ptr<NSView>& view, NSWindowOrderingMode place,
                        const std::shared_ptr<NSView>& relativeTo)
{
    if (!view || view.get() == this)
        return;
    // A view moved around inside visible windows stays on screen: its
    // controllers are on that side already and hear nothing.
    bool willBeOnScreen = isInVisibleWindow();
    auto change = [&] {
        view->detachFromSuperview();
        std::size_t index = subviews_.size();
        if (relativeTo) {
            auto it = std::find(subviews_.begin(), subviews_.end(), relativeTo);
            if (it != subviews_.end())
                index = static_cast<std::size_t>(it - subviews_.begin()) + (place == NSWindowBelow ? 0 : 1);
        } else if (place == NSWindowBelow) {
            index = 0;
        }
        insertSubview(view, index);
    };
    transitionOnScreen(view, willBeOnScreen, change);
}

void NSView::removeFromSuperview()
{
    if (!superview())
        return;
    transitionOnScreen(std::static_pointer_cast<NSView>(shared_from_this()), false, [&] { detachFromSuperview(); });
}

void NSView::replaceSubview(const std::shared_ptr<NSView>& oldView, const std::shared_ptr<NSView>& newView)
{
    if (!oldView || !newView || oldView == newView)
        return;
    auto it = std::find(subviews_.begin(), subviews_.end(), oldView);
    if (it == subviews_.end())
        return;
    std::size_t index = static_cast<std::size_t>(it - subviews_.begin());
    bool onScreen = isInVisibleWindow();
    // Both sides hear their will-calls before either view moves, and their
    // did-calls after both moved.
    transitionOnScreen({{oldView, false}, {newView, onScreen}}, [&] {
        oldView->detachFromSuperview();
        newView->detachFromSuperview();
        insertSubview(newView, index);
    });
}

namespace {

// A point of `view` in its superview's coordinates (or the window's, for the
// content view, whose window coordinates are never flipped).
NSPoint toSuperview(const NSView& view, NSPoint point)
{
    auto superview = view.superview();
    bool superFlipped = superview && superview->isFlipped();
    NSRect frame = view.frame();
    CGFloat y =
        view.isFlipped() != superFlipped ? frame.origin.y + frame.size.height - point.y : frame.origin.y + point.y;
    return {frame.origin.x + point.x, y};
}

NSPoint fromSuperview(const NSView& view, NSPoint point)
{
    auto superview = view.superview();
    bool superFlipped = superview && superview->isFlipped();
    NSRect frame = view.frame();
    CGFloat y =
        view.isFlipped() != superFlipped ? frame.origin.y + frame.size.height - point.y : point.y - frame.origin.y;
    return {point.x - frame.origin.x, y};
}

NSPoint toWindow(const NSView& view, NSPoint point)
{
    for (const NSView* current = &view; current;) {
        point = toSuperview(*current, point);
        auto superview = current->superview();
        current = superview.get();
    }
    return point;
}

NSPoint fromWindow(const NSView& view, NSPoint point)
{
    std::vector<const NSView*> chain;
    for (auto current = std::static_pointer_cast<const NSView>(view.shared_from_this()); current;
         current = current->superview())
        chain.push_back(current.get());
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        point = fromSuperview(**it, point);
    return point;
}

}  // namespace

NSPoint NSView::convertPoint(NSPoint point, const std::shared_ptr<NSView>& toView) const
{
    NSPoint inWindow = toWindow(*this, point);
    return toView ? fromWindow(*toView, inWindow) : inWindow;
}

NSPoint NSView::convertPointFromView(NSPoint point, const std::shared_ptr<NSView>& fromView) const
{
    NSPoint inWindow = fromView ? toWindow(*fromView, point) : point;
    return fromWindow(*this, inWindow);
}

NSRect NSView::convertRect(NSRect rect, const std::shared_ptr<NSView>& toView) const
{
    NSPoint a = convertPoint(rect.origin, toView);
    NSPoint b = convertPoint({rect.origin.x + rect.size.width, rect.origin.y + rect.size.height}, toView);
    return CGRectStandardize({a, {b.x - a.x, b.y - a.y}});
}

std::shared_ptr<NSView> NSView::hitTest(NSPoint point)
{
    if (hidden_ || !CGRectContainsPoint(frame_, point))
        return nullptr;
    NSPoint local = fromSuperview(*this, point);
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it)
        if (auto hit = (*it)->hitTest(local))
            return hit;
    return std::static_pointer_cast<NSView>(shared_from_this());
}

std::shared_ptr<NSResponder> NSView::nextResponder() const
{
    if (auto explicitNext = NSResponder::nextResponder())
        return explicitNext;
    if (auto controller = viewController_.lock())
        return controller;
    if (auto superview = superview_.lock())
        return superview;
    if (auto window = window_.lock(); window && window->contentView().get() == this)
        return window;
    return nullptr;
}

bool NSView::performKeyEquivalent(NSEvent& event)
{
    // A copy, as a view that takes the key may change the tree.
    auto subviews = subviews_;
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
        if (!(*it)->isHidden() && (*it)->performKeyEquivalent(event))
            return true;
    return false;
}
