#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>
#include <vector>

class NSEvent;
class NSMenuItem;

// A list of menu items; the main menu's items hold the menus of the menu
// bar as submenus.
class NSMenu : public NSObject {
    KS_OBJECT(NSMenu, NSObject)

public:
    explicit NSMenu(String title = String());

    const String& title() const { return title_; }
    void setTitle(const String& title) { title_ = title; }

    const std::vector<std::shared_ptr<NSMenuItem>>& itemArray() const { return items_; }
    NSInteger numberOfItems() const { return static_cast<NSInteger>(items_.size()); }
    // nullptr outside the list.
    std::shared_ptr<NSMenuItem> itemAtIndex(NSInteger index) const;
    std::shared_ptr<NSMenuItem> itemWithTitle(const String& title) const;
    std::shared_ptr<NSMenuItem> itemWithTag(NSInteger tag) const;
    // -1 when the item isn't in this menu.
    NSInteger indexOfItem(const std::shared_ptr<NSMenuItem>& item) const;

    // An item belongs to one menu at a time; adding one that is elsewhere
    // raises an internal-inconsistency exception, as the platform does.
    void addItem(const std::shared_ptr<NSMenuItem>& item);
    void insertItem(const std::shared_ptr<NSMenuItem>& item, NSInteger index);
    void removeItem(const std::shared_ptr<NSMenuItem>& item);
    void removeItemAtIndex(NSInteger index);
    void removeAllItems();

    std::shared_ptr<NSMenu> supermenu() const { return supermenu_.lock(); }
    void setSupermenu(const std::shared_ptr<NSMenu>& supermenu) { supermenu_ = supermenu; }

    // Finds the enabled, visible item (submenus included) whose key
    // equivalent the event is, and sends its action; true when one was sent.
    bool performKeyEquivalent(NSEvent& event);

    String description() const override;

private:
    String title_;
    std::vector<std::shared_ptr<NSMenuItem>> items_;
    std::weak_ptr<NSMenu> supermenu_;
};
