#include "appkit/NSNib.h"

#include <mutex>
#include <unordered_map>

namespace {

struct NibRegistry {
    std::mutex mutex;
    std::unordered_map<String, NSNib::Loader> loaders;
};

NibRegistry& registry()
{
    static auto* shared = new NibRegistry;
    return *shared;
}

}  // namespace

void NSNib::registerNib(const String& name, Loader loader)
{
    auto& nibs = registry();
    std::lock_guard lock(nibs.mutex);
    if (loader)
        nibs.loaders[name] = std::move(loader);
    else
        nibs.loaders.erase(name);
}

std::shared_ptr<NSNib> NSNib::nibNamed(const String& name, const std::shared_ptr<NSBundle>&)
{
    Loader loader;
    {
        auto& nibs = registry();
        std::lock_guard lock(nibs.mutex);
        auto found = nibs.loaders.find(name);
        if (found == nibs.loaders.end())
            return nullptr;
        loader = found->second;
    }
    return std::make_shared<NSNib>(name, std::move(loader));
}

NSNib::NSNib(String name, Loader loader)
    : name_(std::move(name))
    , loader_(std::move(loader))
{
}

NSNib::~NSNib() = default;

bool NSNib::instantiateWithOwner(const Id& owner, Objects* topLevelObjects)
{
    std::optional<Objects> made = loader_ ? loader_(owner) : std::nullopt;
    if (!made)
        return false;
    if (topLevelObjects)
        *topLevelObjects = std::move(*made);
    return true;
}
