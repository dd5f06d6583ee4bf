#include "windows/WindowList.h"

#include <algorithm>

namespace detail {

WindowList& WindowList::shared()
{
    static WindowList* list = new WindowList;
    return *list;
}

NSInteger WindowList::add(const std::shared_ptr<NSWindow>& window)
{
    std::lock_guard lock(mutex_);
    NSInteger number = nextNumber_++;
    entries_.push_back({number, window.get(), window});
    return number;
}

void WindowList::remove(const NSWindow* window)
{
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const Entry& entry) { return entry.address == window; });
}

std::shared_ptr<NSWindow> WindowList::windowWithNumber(NSInteger number) const
{
    if (number <= 0)
        return nullptr;
    std::lock_guard lock(mutex_);
    for (const auto& entry : entries_)
        if (entry.number == number)
            return entry.window.lock();
    return nullptr;
}

std::vector<std::shared_ptr<NSWindow>> WindowList::windows() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<NSWindow>> result;
    for (const auto& entry : entries_)
        if (auto window = entry.window.lock())
            result.push_back(std::move(window));
    return result;
}

}  // namespace detail
