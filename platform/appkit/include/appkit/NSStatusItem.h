#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/NSObject.h"

#include <cstddef>
#include <memory>

class NSMenu;
class NSStatusBar;
class NSStatusBarButton;
class NSWindow;

inline constexpr CGFloat NSVariableStatusItemLength = -1;
inline constexpr CGFloat NSSquareStatusItemLength = -2;

// One item of the menu bar: a button in a small window of its own, and an
// optional menu the button opens. The program keeps the item alive; the
// status bar only lists it.
class NSStatusItem : public NSObject {
    KS_OBJECT(NSStatusItem, NSObject)

public:
    NSStatusItem(CGFloat length);
    ~NSStatusItem() override;

    CGFloat length() const { return length_; }
    void setLength(CGFloat length);
    // Always present here; the platform may answer none.
    std::shared_ptr<NSStatusBarButton> button() const { return button_; }
    std::shared_ptr<NSMenu> menu() const { return menu_; }
    void setMenu(const std::shared_ptr<NSMenu>& menu) { menu_ = menu; }
    bool isVisible() const { return visible_; }
    void setVisible(bool visible);

    // Internal, for the status bar: puts the item in the menu bar at a
    // horizontal position (from the right end of the main screen).
    void place(std::size_t slot);
    // Internal, for the button: nothing is drawn, so the open menu is an
    // entry in the desktop's log of what programs did.
    void openMenu();
    // Internal: makes the button and the window, once the item is owned.
    void setUp();

private:
    CGFloat width() const;

    CGFloat length_;
    std::shared_ptr<NSStatusBarButton> button_;
    std::shared_ptr<NSWindow> window_;
    std::shared_ptr<NSMenu> menu_;
    std::size_t slot_ = 0;
    bool visible_ = true;
};
