#include "appkit/NSNib.h"

#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSException.h"
#include "storyboard/StoryboardDocument.h"
#include "storyboard/StoryboardInstantiation.h"

#include <fstream>
#include <iterator>
#include <mutex>
#include <unordered_map>

namespace {

struct NibRegistry {
    std::mutex mutex;
    std::unordered_map<String, NSNib::Loader> loaders;
    // Nib files read so far, by bundle and name: a list makes one tile per
    // row from the same file, and looking it up again would ask the file
    // system once per tile.
    std::unordered_map<String, std::shared_ptr<const detail::NibDocument>> found;
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

namespace {

// The nib file's description; nullptr (and the reason in the error log)
// when it can't be read.
std::shared_ptr<const detail::NibDocument> readNibFile(const String& path)
{
    std::ifstream in(path.utf8(), std::ios::binary);
    if (!in) {
        Log::error("Could not read the nib %s", path.utf8().c_str());
        return nullptr;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto document = detail::NibDocument::parse(text);
    if (!document) {
        Log::error("The nib %s is not valid: %s", path.utf8().c_str(), document.error().c_str());
        return nullptr;
    }
    return *document;
}

NSNib::Loader loaderFor(const String& name, std::shared_ptr<const detail::NibDocument> nib)
{
    return [name, nib](const Id& owner) -> std::optional<NSNib::Objects> {
        static const detail::StoryboardDocument kNoScenes;
        try {
            detail::StoryboardInstantiation instantiation(nullptr, kNoScenes, nullptr);
            return instantiation.nibObjects(*nib, owner);
        } catch (const detail::StoryboardInstantiationError& error) {
            Log::error("Could not load the nib '%s': %s", name.utf8().c_str(), error.message.c_str());
        } catch (const NSException& exception) {
            Log::error("Could not load the nib '%s': %s", name.utf8().c_str(), exception.what());
        }
        return std::nullopt;
    };
}

}  // namespace

std::shared_ptr<NSNib> NSNib::nibNamed(const String& name, const std::shared_ptr<NSBundle>& bundle)
{
    Loader loader;
    {
        auto& nibs = registry();
        std::lock_guard lock(nibs.mutex);
        if (auto found = nibs.loaders.find(name); found != nibs.loaders.end())
            loader = found->second;
    }
    if (!loader) {
        auto from = bundle ? bundle : NSBundle::mainBundle();
        if (!from)
            return nullptr;
        String key = from->resourcePath().appending("\n").appending(name);
        std::shared_ptr<const detail::NibDocument> document;
        {
            auto& nibs = registry();
            std::lock_guard lock(nibs.mutex);
            if (auto found = nibs.found.find(key); found != nibs.found.end())
                document = found->second;
        }
        if (!document) {
            String path = from->pathForResource(name.appending(".nib"), "json");
            if (path.empty())
                return nullptr;
            document = readNibFile(path);
            if (!document)
                return nullptr;
            auto& nibs = registry();
            std::lock_guard lock(nibs.mutex);
            nibs.found.emplace(key, document);
        }
        loader = loaderFor(name, std::move(document));
    }
    return std::make_shared<NSNib>(name, std::move(loader));
}

ParseResult<std::shared_ptr<NSNib>> NSNib::nibWithData(std::string_view json, const String& name)
{
    auto document = detail::NibDocument::parse(json);
    if (!document)
        return document.failure();
    return std::make_shared<NSNib>(name, loaderFor(name, std::move(*document)));
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
