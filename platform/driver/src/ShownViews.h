#pragma once

#include "appkit/NSApplication.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSStatusBarButton.h"
#include "appkit/NSTextField.h"
#include "appkit/NSWindow.h"

#include <memory>
#include <string>
#include <vector>

namespace detail {

// The status item's window: it holds the item's button and is no window of
// the program's own.
inline bool isStatusItemWindow(const NSWindow& window)
{
    auto content = window.contentView();
    return content && content->isKindOf<NSStatusBarButton>();
}

// The window the user looks at: the key window, else the frontmost shown
// one, a popover's included (a popover's window is never key).
inline std::shared_ptr<NSWindow> windowLookedAt(NSApplication& application)
{
    if (auto key = application.keyWindow(); key && key->isVisible())
        return key;
    for (const auto& window : application.orderedWindows())
        if (window->isVisible() && !isStatusItemWindow(*window))
            return window;
    return nullptr;
}

inline bool anyList(const NSCollectionView&)
{
    return true;
}

// The first shown list of the tree, depth first, that `counts` accepts.
template <typename Predicate = bool (*)(const NSCollectionView&)>
std::shared_ptr<NSCollectionView> shownList(const std::shared_ptr<NSView>& view, Predicate counts = anyList)
{
    if (!view || view->isHidden())
        return nullptr;
    if (auto list = std::dynamic_pointer_cast<NSCollectionView>(view); list && counts(*list))
        return list;
    for (const auto& subview : view->subviews())
        if (auto list = shownList(subview, counts))
            return list;
    return nullptr;
}

// The texts the shown part of the tree shows, depth first: a text field's
// own text (none when it is empty), and nothing of what is inside it.
inline void collectShownTexts(const std::shared_ptr<NSView>& view, std::vector<std::string>& texts)
{
    if (!view || view->isHidden())
        return;
    if (auto field = std::dynamic_pointer_cast<NSTextField>(view)) {
        if (std::string text = field->stringValue().utf8(); !text.empty())
            texts.push_back(text);
        return;
    }
    for (const auto& subview : view->subviews())
        collectShownTexts(subview, texts);
}

}  // namespace detail
