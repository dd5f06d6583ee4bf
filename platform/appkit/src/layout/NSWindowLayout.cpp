// NSWindow's part in Auto Layout: the passes of its content view's tree.

#include "appkit/NSWindow.h"

#include "appkit/NSView.h"
#include "foundation/NSRunLoop.h"

void NSWindow::updateConstraintsIfNeeded()
{
    if (contentView_)
        contentView_->updateConstraintsForSubtreeIfNeeded();
}

void NSWindow::layoutIfNeeded()
{
    if (contentView_)
        contentView_->layoutSubtreeIfNeeded();
}

void NSWindow::setNeedsLayoutPass()
{
    if (layoutPassScheduled_ || !visible_)
        return;
    layoutPassScheduled_ = true;
    std::weak_ptr<NSWindow> weak = std::static_pointer_cast<NSWindow>(shared_from_this());
    NSRunLoop::mainRunLoop().performBlock([weak] {
        if (auto window = weak.lock()) {
            window->layoutPassScheduled_ = false;
            if (window->visible_)
                window->layoutIfNeeded();
        }
    });
}
