#include "foundation/Selector.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_set>

Selector::Selector(std::string_view name)
{
    if (name.empty())
        return;
    // Interned names live as long as the process; the set's nodes never move.
    static std::mutex mutex;
    static auto* names = new std::unordered_set<std::string>();
    std::lock_guard lock(mutex);
    name_ = names->emplace(name).first->c_str();
}

int Selector::argumentCount() const
{
    std::string_view n(name());
    return static_cast<int>(std::count(n.begin(), n.end(), ':'));
}
