#pragma once

#include "foundation/NSObject.h"
#include "storyboard/StoryboardDocument.h"

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class NSStoryboard;

namespace detail {

// Which storyboard made a controller and which segues its scene gives it,
// for as long as the controller lives. The entry holds the storyboard (and
// so its description), never the controller.
class StoryboardSegueTable {
public:
    struct Entry {
        std::shared_ptr<NSStoryboard> storyboard;
        const StoryboardObject* object = nullptr;
    };

    static StoryboardSegueTable& shared();

    void add(const std::shared_ptr<NSObject>& controller, std::shared_ptr<NSStoryboard> storyboard,
             const StoryboardObject& object);
    std::optional<Entry> find(const NSObject& controller);

private:
    struct Row {
        std::weak_ptr<NSObject> controller;
        const NSObject* address = nullptr;
        Entry entry;
    };

    std::mutex mutex_;
    std::vector<Row> rows_;
};

}  // namespace detail
