#include "appkit/NSMenu.h"

#include "appkit/NSApplication.h"
#include "appkit/NSMenuItem.h"
#include "foundation/NSException.h"

#include <algorithm>

NSMenu::NSMenu(String title)
    : title_(std::move(title))
{
}

std::shared_ptr<NSMenuItem> NSMenu::itemAtIndex(NSInteger index) const
{
    if (index < 0 || index >= numberOfItems())
        return nullptr;
    return items_[static_cast<std::size_t>(index)];
}

std::shared_ptr<NSMenuItem> NSMenu::itemWithTitle(const String& title) const
{
    for (const auto& item : items_)
        if (item->title() == title)
            return item;
    return nullptr;
}

std::shared_ptr<NSMenuItem> NSMenu::itemWithTag(NSInteger tag) const
{
    for (const auto& item : items_)
        if (item->tag() == tag)
            return item;
    return nullptr;
}

NSInteger NSMenu::indexOfItem(const std::shared_ptr<NSMenuItem>& item) const
{
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<NSInteger>(it - items_.begin());
}

void NSMenu::addItem(const std::shared_ptr<NSMenuItem>& item)
{
    insertItem(item, numberOfItems());
}

void NSMenu::insertItem(const std::shared_ptr<NSMenuItem>& item, NSInteger index)
{
    if (!item)
        return;
    if (item->menu_.lock())
        NSException::raise(NSInternalInconsistencyException,
                           "Item to be inserted into menu already is in another menu");
    index = std::clamp<NSInteger>(index, 0, numberOfItems());
    items_.insert(items_.begin() + index, item);
    auto self = std::static_pointer_cast<NSMenu>(shared_from_this());
    item->menu_ = self;
    if (item->submenu_)
        item->submenu_->setSupermenu(self);
}

void NSMenu::removeItem(const std::shared_ptr<NSMenuItem>& item)
{
    removeItemAtIndex(indexOfItem(item));
}

void NSMenu::removeItemAtIndex(NSInteger index)
{
    auto item = itemAtIndex(index);
    if (!item)
        return;
    items_.erase(items_.begin() + index);
    item->menu_.reset();
    if (item->submenu_)
        item->submenu_->setSupermenu(nullptr);
}

void NSMenu::removeAllItems()
{
    while (!items_.empty())
        removeItemAtIndex(numberOfItems() - 1);
}

bool NSMenu::performKeyEquivalent(NSEvent& event)
{
    // A copy, as an action may change the menu.
    auto items = items_;
    for (const auto& item : items) {
        if (item->isHidden())
            continue;
        if (auto submenu = item->submenu(); submenu && submenu->performKeyEquivalent(event))
            return true;
        if (!item->isEnabled() || !item->matchesKeyEquivalent(event))
            continue;
        if (!item->action())
            return true;
        NSApplication::sharedApplication()->sendAction(item->action(), item->target(), Id(item));
        return true;
    }
    return false;
}

String NSMenu::description() const
{
    return String::format("<NSMenu: %s, %ld items>", title_.utf8().c_str(), numberOfItems());
}
