#pragma once

#include "appkit/NSButton.h"

#include <memory>

class NSStatusItem;

// The button of a status item, in the item's own window in the menu bar.
class NSStatusBarButton : public NSButton {
    KS_OBJECT(NSStatusBarButton, NSButton)

public:
    using NSButton::NSButton;

    std::shared_ptr<NSStatusItem> statusItem() const { return statusItem_.lock(); }
    void setStatusItem(const std::shared_ptr<NSStatusItem>& item) { statusItem_ = item; }

    // A click opens the item's menu when it has one, else sends the action.
    void performClick(const Id& sender) override;
    // The image (or title) in the middle, without a bezel, in the menu
    // bar's text colour (drawing/NSStatusBarButtonDrawing.cpp).
    void drawRect(NSRect dirtyRect) override;

private:
    std::weak_ptr<NSStatusItem> statusItem_;
};
