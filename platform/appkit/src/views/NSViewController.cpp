#include "appkit/NSViewController.h"

#include "appkit/NSValue.h"
#include "appkit/NSView.h"
#include "appkit/NSWindow.h"

#include <algorithm>

NSViewController::NSViewController() = default;

NSViewController::~NSViewController() = default;

void NSViewController::describe(ClassDescriptor& d)
{
    d.property<NSViewController>(
        "representedObject", [](NSViewController& c) { return c.representedObject(); },
        [](NSViewController& c, const Id& value) { c.setRepresentedObject(value); });
    d.property<NSViewController>(
        "title", [](NSViewController& c) { return Id(c.title()); },
        [](NSViewController& c, const Id& value) { c.setTitle(value.string() ? *value.string() : String()); });
    // Observed by a popover showing the controller, which takes its size.
    d.property<NSViewController>(
        "preferredContentSize",
        [](NSViewController& c) { return Id(NSValue::valueWithSize(c.preferredContentSize())); },
        [](NSViewController& c, const Id& value) {
            auto size = value.object<NSValue>();
            c.setPreferredContentSize(size ? size->sizeValue() : NSZeroSize);
        });
    // Settable for nibs, whose owner's view is one of their objects.
    d.property<NSViewController>(
        "view", [](NSViewController& c) { return Id(c.view()); },
        [](NSViewController& c, const Id& value) { c.setView(value.object<NSView>()); });
}

std::shared_ptr<NSView> NSViewController::view()
{
    if (!view_ && !loadingView_) {
        loadingView_ = true;
        loadView();
        loadingView_ = false;
        if (!view_)
            setView(std::make_shared<NSView>());
        viewDidLoad();
    }
    return view_;
}

void NSViewController::loadView()
{
    if (viewLoader_)
        setView(viewLoader_());
}

void NSViewController::setView(const std::shared_ptr<NSView>& view)
{
    if (view_ == view)
        return;
    auto self = std::static_pointer_cast<NSViewController>(shared_from_this());
    if (view_ && view_->viewController_.lock() == self)
        view_->viewController_.reset();
    view_ = view;
    if (view_)
        view_->viewController_ = self;
}

void NSViewController::setRepresentedObject(const Id& representedObject)
{
    automaticChange("representedObject", [&] { representedObject_ = representedObject; });
}

void NSViewController::setPreferredContentSize(NSSize size)
{
    automaticChange("preferredContentSize", [&] { preferredContentSize_ = size; });
}

void NSViewController::addChildViewController(const std::shared_ptr<NSViewController>& child)
{
    insertChildViewController(child, children_.size());
}

void NSViewController::insertChildViewController(const std::shared_ptr<NSViewController>& child, std::size_t index)
{
    if (!child || child.get() == this)
        return;
    child->removeFromParentViewController();
    index = std::min(index, children_.size());
    children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(index), child);
    child->parent_ = std::static_pointer_cast<NSViewController>(shared_from_this());
}

void NSViewController::removeChildViewControllerAtIndex(std::size_t index)
{
    if (index >= children_.size())
        return;
    auto child = children_[index];
    children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(index));
    child->parent_.reset();
}

void NSViewController::removeFromParentViewController()
{
    auto parent = parent_.lock();
    if (!parent)
        return;
    auto& siblings = parent->children_;
    auto it =
        std::find(siblings.begin(), siblings.end(), std::static_pointer_cast<NSViewController>(shared_from_this()));
    if (it != siblings.end())
        parent->removeChildViewControllerAtIndex(static_cast<std::size_t>(it - siblings.begin()));
}

void NSViewController::transitionFromViewController(const std::shared_ptr<NSViewController>& from,
                                                    const std::shared_ptr<NSViewController>& to,
                                                    NSViewControllerTransitionOptions,
                                                    const std::function<void()>& completion)
{
    if (!from || !to || from == to)
        return;
    auto fromView = from->view();
    auto toView = to->view();
    if (auto superview = fromView->superview()) {
        toView->setFrame(fromView->frame());
        superview->replaceSubview(fromView, toView);
    }
    if (completion)
        completion();
}

std::shared_ptr<NSResponder> NSViewController::nextResponder() const
{
    if (auto explicitNext = NSResponder::nextResponder())
        return explicitNext;
    if (!view_)
        return nullptr;
    if (auto superview = view_->superview())
        return superview;
    if (auto window = view_->window(); window && window->contentView() == view_)
        return window;
    return nullptr;
}

void NSViewController::beginAppearanceTransition(bool appearing)
{
    if (appearing) {
        if (appearance_ == Appearance::Appeared || appearance_ == Appearance::Appearing)
            return;
        appearance_ = Appearance::Appearing;
        viewWillAppear();
    } else {
        if (appearance_ == Appearance::Disappeared || appearance_ == Appearance::Disappearing)
            return;
        appearance_ = Appearance::Disappearing;
        viewWillDisappear();
    }
}

void NSViewController::endAppearanceTransition()
{
    if (appearance_ == Appearance::Appearing) {
        appearance_ = Appearance::Appeared;
        viewDidAppear();
    } else if (appearance_ == Appearance::Disappearing) {
        appearance_ = Appearance::Disappeared;
        viewDidDisappear();
    }
}
