#include "SRActivity.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace detail {

const char* SRMethodActivityName(const ClassDescriptor& receiverClass, const char* selector)
{
    static std::mutex mutex;
    // Node-based, so the names handed out stay where they are.
    static auto* names = new std::map<std::pair<const ClassDescriptor*, std::string>, std::string>();
    std::lock_guard lock(mutex);
    auto [entry, inserted] = names->try_emplace({&receiverClass, std::string(selector)});
    if (inserted) {
        const ClassDescriptor* named = &receiverClass;
        while (named->superclass() && !named->name().utf8().starts_with("SR"))
            named = named->superclass();
        if (!named->name().utf8().starts_with("SR"))
            named = &receiverClass;
        entry->second = "-[" + named->name().utf8() + " " + selector + "]";
    }
    return entry->second.c_str();
}

}  // namespace detail
