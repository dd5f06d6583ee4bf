#pragma once

#include "appkit/NSApplication.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSStatusBarButton.h"
#include "appkit/NSWindow.h"

#include <memory>

namespace detail {

// The window the user looks at: the key window, else the frontmost shown
// one, a popover's included (a popover's window is never key); the status
// item's is no window of the program's own.
inline std::shared_ptr<NSWindow> windowLookedAt(NSApplication& application)
{
    if (auto key = application.keyWindow(); key && key->isVisible())
        return key;
    for (const auto& window : application.orderedWindows()) {
        auto content = window->contentView();
        if (window->isVisible() && !(content && content->isKindOf<NSStatusBarButton>()))
            return window;
    }
    return nullptr;
}

// The first list of the tree that is shown.
inline std::shared_ptr<NSCollectionView> shownList(const std::shared_ptr<NSView>& view)
{
    if (!view || view->isHidden())
        return nullptr;
    if (auto list = std::dynamic_pointer_cast<NSCollectionView>(view))
        return list;
    for (const auto& subview : view->subviews())
        if (auto list = shownList(subview))
            return list;
    return nullptr;
}

}  // namespace detail
