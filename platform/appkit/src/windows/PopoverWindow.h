#pragma once

#include "appkit/NSWindow.h"

#include <memory>

class NSPopover;

namespace detail {

// The window a popover shows its content in: it takes the keyboard, never
// becomes main, and Escape in it closes a popover that closes on outside
// actions. The window is the popover on screen: closing it closes the
// popover.
class PopoverWindow : public NSWindow {
    KS_OBJECT(PopoverWindow, NSWindow)

public:
    explicit PopoverWindow(const std::shared_ptr<NSPopover>& popover);

    std::shared_ptr<NSPopover> popover() const { return popover_.lock(); }

    bool canBecomeKeyWindow() const override { return true; }
    bool canBecomeMainWindow() const override { return false; }
    void cancelOperation(const Id& sender) override;
    // At once, as the popover's close.
    void close() override;
    // Unless the popover's delegate refuses, as the popover's performClose.
    void performClose(const Id& sender) override;
    // A rounded panel of the popover material; the content keeps inside it
    // (drawing/PopoverWindowDrawing.cpp).
    void drawWindowFrame(NSRect bounds) override;

private:
    std::weak_ptr<NSPopover> popover_;
};

}  // namespace detail
