#include "Kestrova/NavigationController.h"

#include "appkit/NSView.h"

namespace {

constexpr NSAutoresizingMaskOptions kFillSuperview = NSViewWidthSizable | NSViewHeightSizable;

}  // namespace

void NavigationController::fill(NSViewController& shown)
{
    setPreferredContentSize(shown.preferredContentSize());
    shown.view()->setFrame(view()->bounds());
    shown.view()->setAutoresizingMask(kFillSuperview);
}

void NavigationController::push(const std::shared_ptr<NSViewController>& controller)
{
    if (!controller || childViewControllers().empty())
        return;
    auto top = childViewControllers().back();
    addChildViewController(controller);
    transitionFromViewController(top, controller, NSViewControllerTransitionNone, nullptr);
    fill(*controller);
}

void NavigationController::pop(const std::shared_ptr<NSViewController>& controller)
{
    const auto& children = childViewControllers();
    if (!controller || children.size() < 2)
        return;
    auto below = children[children.size() - 2];
    transitionFromViewController(controller, below, NSViewControllerTransitionNone, nullptr);
    controller->removeFromParentViewController();
    fill(*below);
}
