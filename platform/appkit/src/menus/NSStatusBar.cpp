#include "appkit/NSStatusBar.h"

#include "appkit/NSStatusItem.h"

#include <algorithm>

NSStatusBar& NSStatusBar::systemStatusBar()
{
    static auto* holder = new std::shared_ptr<NSStatusBar>(std::make_shared<NSStatusBar>());
    return **holder;
}

std::shared_ptr<NSStatusItem> NSStatusBar::statusItemWithLength(CGFloat length)
{
    auto item = std::make_shared<NSStatusItem>(length);
    item->setUp();
    {
        std::lock_guard lock(mutex_);
        items_.push_back(item);
    }
    layOut();
    return item;
}

void NSStatusBar::removeStatusItem(const std::shared_ptr<NSStatusItem>& item)
{
    if (!item)
        return;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(items_, [&](const std::weak_ptr<NSStatusItem>& entry) {
            auto alive = entry.lock();
            return !alive || alive == item;
        });
    }
    item->setVisible(false);
    layOut();
}

std::vector<std::shared_ptr<NSStatusItem>> NSStatusBar::statusItems() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<NSStatusItem>> result;
    for (const auto& entry : items_)
        if (auto item = entry.lock())
            result.push_back(std::move(item));
    return result;
}

void NSStatusBar::layOut()
{
    std::size_t slot = 0;
    for (const auto& item : statusItems())
        item->place(slot++);
}
