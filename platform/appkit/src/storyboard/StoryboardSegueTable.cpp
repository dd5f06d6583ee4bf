#include "storyboard/StoryboardSegueTable.h"

#include "appkit/NSStoryboard.h"

#include <algorithm>

namespace detail {

StoryboardSegueTable& StoryboardSegueTable::shared()
{
    static auto* table = new StoryboardSegueTable;
    return *table;
}

void StoryboardSegueTable::add(const std::shared_ptr<NSObject>& controller, std::shared_ptr<NSStoryboard> storyboard,
                               const StoryboardObject& object)
{
    std::lock_guard lock(mutex_);
    // Controllers come and go with every opening of a scene: drop the rows
    // of the ones that are gone before the table grows.
    std::erase_if(rows_, [](const Row& row) { return row.controller.expired(); });
    rows_.push_back({controller, controller.get(), {std::move(storyboard), &object}});
}

std::optional<StoryboardSegueTable::Entry> StoryboardSegueTable::find(const NSObject& controller)
{
    std::lock_guard lock(mutex_);
    for (const auto& row : rows_)
        if (row.address == &controller && !row.controller.expired())
            return row.entry;
    return std::nullopt;
}

}  // namespace detail
