#pragma once

#include "appkit/NSViewController.h"

#include <memory>

// A stack of child controllers of which the last is shown: the switcher
// steps from the application list into one application's windows and back.
// The root child comes from the storyboard and is never popped.
class NavigationController : public NSViewController {
    KS_OBJECT(NavigationController, NSViewController)

public:
    // Shows `controller` on top; nothing while the stack is empty.
    void push(const std::shared_ptr<NSViewController>& controller);
    // Leaves `controller` for the child below it; nothing with fewer than
    // two children.
    void pop(const std::shared_ptr<NSViewController>& controller);

private:
    // The controller now shown takes the whole view and lends the stack its
    // preferred size.
    void fill(NSViewController& shown);
};
