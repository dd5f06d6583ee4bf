#pragma once

#include "Kestrova/A11yElement.h"
#include "Kestrova/SwitcherItem.h"
#include "Kestrova/WindowViewItemDelegate.h"

#include <cstddef>
#include <memory>

// One window in the windows list: its title, its position number (the
// digit that picks it, for the first ten rows) in the shortcut label, and
// the selection box. Its view comes from the nib "WindowViewItem", which
// must connect textField, shortcutLabel and box.
class WindowViewItem : public SwitcherItem {
    KS_OBJECT(WindowViewItem, SwitcherItem)

public:
    std::shared_ptr<WindowViewItemDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<WindowViewItemDelegate>& delegate) { delegate_ = delegate; }

    // The window the row stands for.
    const std::shared_ptr<A11yElement>& window() const { return window_; }

    // Shows the window at row `index`: its title, and index + 1 as its
    // number (so the tenth row shows 10, though the key 0 picks it).
    void configure(const std::shared_ptr<A11yElement>& window, std::size_t index);
    void prepareForReuse() override;

private:
    std::weak_ptr<WindowViewItemDelegate> delegate_;
    std::shared_ptr<A11yElement> window_;
};
