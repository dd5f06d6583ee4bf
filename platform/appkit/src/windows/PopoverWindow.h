#pragma once

#include "appkit/NSWindow.h"

#include <memory>

class NSPopover;

namespace detail {

// The window a popover shows its content in: it takes the keyboard, never
// becomes main, and Escape in it closes a popover that closes on outside
// actions.
class PopoverWindow : public NSWindow {
    KS_OBJECT(PopoverWindow, NSWindow)

public:
    explicit PopoverWindow(const std::shared_ptr<NSPopover>& popover);

    std::shared_ptr<NSPopover> popover() const { return popover_.lock(); }

    bool canBecomeKeyWindow() const override { return true; }
    bool canBecomeMainWindow() const override { return false; }
    void cancelOperation(const Id& sender) override;
    // A rounded panel of the popover material; the content keeps inside it
    // (drawing/PopoverWindowDrawing.cpp).
    void drawWindowFrame(NSRect bounds) override;

private:
    std::weak_ptr<NSPopover> popover_;
};

}  // namespace detail
