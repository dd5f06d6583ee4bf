#include "appkit/NSStoryboard.h"

#include "appkit/NSApplication.h"
#include "appkit/NSSeguePerforming.h"
#include "appkit/NSStoryboardSegue.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSException.h"
#include "storyboard/StoryboardClassRegistry.h"
#include "storyboard/StoryboardDocument.h"
#include "storyboard/StoryboardInstantiation.h"
#include "storyboard/StoryboardSegueTable.h"

#include <fstream>
#include <iterator>
#include <mutex>

namespace {

constexpr const char* kMainStoryboardKey = "NSMainStoryboardFile";

struct MainStoryboardCache {
    std::mutex mutex;
    std::weak_ptr<NSBundle> bundle;
    String name;
    std::shared_ptr<NSStoryboard> storyboard;
};

MainStoryboardCache& mainCache()
{
    static auto* cache = new MainStoryboardCache;
    return *cache;
}

}  // namespace

void NSStoryboard::registerClass(const ClassDescriptor& cls, Factory factory)
{
    detail::StoryboardClassRegistry::shared().registerClass(cls, std::move(factory));
}

void NSStoryboard::registerSegueClass(const ClassDescriptor& cls, SegueFactory factory)
{
    detail::StoryboardClassRegistry::shared().registerSegueClass(cls, std::move(factory));
}

bool NSStoryboard::isClassRegistered(const String& name)
{
    return detail::StoryboardClassRegistry::shared().classNamed(name).has_value();
}

NSStoryboard::NSStoryboard(String name, std::shared_ptr<NSBundle> bundle,
                           std::shared_ptr<const detail::StoryboardDocument> document)
    : name_(std::move(name))
    , bundle_(std::move(bundle))
    , document_(std::move(document))
{
}

NSStoryboard::~NSStoryboard() = default;

ParseResult<std::shared_ptr<NSStoryboard>> NSStoryboard::storyboardWithData(std::string_view json,
                                                                            const std::shared_ptr<NSBundle>& bundle)
{
    auto document = detail::StoryboardDocument::parse(json);
    if (!document)
        return document.failure();
    return std::make_shared<NSStoryboard>(String(), bundle, std::move(*document));
}

std::shared_ptr<NSStoryboard> NSStoryboard::storyboardWithName(const String& name,
                                                               const std::shared_ptr<NSBundle>& bundle)
{
    auto from = bundle ? bundle : NSBundle::mainBundle();
    String path = from ? from->pathForResource(name.appending(".storyboard"), "json") : String();
    if (path.empty()) {
        Log::error("Could not find a storyboard named '%s' in bundle %s", name.utf8().c_str(),
                   from ? from->bundlePath().utf8().c_str() : "(none)");
        return nullptr;
    }
    std::ifstream in(path.utf8(), std::ios::binary);
    if (!in) {
        Log::error("Could not read the storyboard %s", path.utf8().c_str());
        return nullptr;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto document = detail::StoryboardDocument::parse(text);
    if (!document) {
        Log::error("The storyboard %s is not valid: %s", path.utf8().c_str(), document.error().c_str());
        return nullptr;
    }
    return std::make_shared<NSStoryboard>(name, from, std::move(*document));
}

std::shared_ptr<NSStoryboard> NSStoryboard::mainStoryboard()
{
    auto bundle = NSBundle::mainBundle();
    if (!bundle)
        return nullptr;
    Id name = bundle->objectForInfoDictionaryKey(kMainStoryboardKey);
    if (!name.string() || name.string()->empty())
        return nullptr;
    auto& cache = mainCache();
    std::lock_guard lock(cache.mutex);
    if (cache.storyboard && cache.bundle.lock() == bundle && cache.name == *name.string())
        return cache.storyboard;
    cache.storyboard = storyboardWithName(*name.string(), bundle);
    cache.bundle = bundle;
    cache.name = *name.string();
    return cache.storyboard;
}

std::vector<String> NSStoryboard::controllerIdentifiers() const
{
    std::vector<String> identifiers;
    for (const auto& scene : document_->scenes)
        identifiers.push_back(scene.identifier);
    return identifiers;
}

Id NSStoryboard::instantiateControllerWithIdentifier(const String& identifier)
{
    const detail::StoryboardScene* scene = document_->scene(identifier);
    if (!scene) {
        Log::error("Storyboard %s doesn't contain a controller with identifier '%s'",
                   name_.empty() ? "(from data)" : ("'" + name_.utf8() + "'").c_str(), identifier.utf8().c_str());
        return Id();
    }
    auto self = std::static_pointer_cast<NSStoryboard>(shared_from_this());
    try {
        detail::StoryboardInstantiation instantiation(self, *document_, nullptr);
        return Id(instantiation.controller(*scene));
    } catch (const detail::StoryboardInstantiationError& error) {
        Log::error("Could not make the scene '%s': %s", identifier.utf8().c_str(), error.message.c_str());
    } catch (const NSException& exception) {
        Log::error("Could not make the scene '%s': %s", identifier.utf8().c_str(), exception.what());
    }
    return Id();
}

Id NSStoryboard::instantiateInitialController()
{
    if (document_->initialController.empty())
        return Id();
    return instantiateControllerWithIdentifier(document_->initialController);
}

std::shared_ptr<NSObject> NSStoryboard::TopLevelObjects::objectWithIdentifier(const String& identifier) const
{
    for (const auto& [name, object] : objects)
        if (name == identifier)
            return object;
    return nullptr;
}

std::optional<NSStoryboard::TopLevelObjects>
NSStoryboard::instantiateApplicationScene(const std::shared_ptr<NSApplication>& application)
{
    TopLevelObjects result;
    if (!document_->application)
        return result;
    auto self = std::static_pointer_cast<NSStoryboard>(shared_from_this());
    try {
        detail::StoryboardInstantiation instantiation(self, *document_, application);
        result.objects = instantiation.applicationObjects(*document_->application);
        return result;
    } catch (const detail::StoryboardInstantiationError& error) {
        Log::error("Could not make the application scene: %s", error.message.c_str());
    } catch (const NSException& exception) {
        Log::error("Could not make the application scene: %s", exception.what());
    }
    return std::nullopt;
}

void NSStoryboard::performSegue(NSObject& source, const String& identifier, const Id& sender)
{
    auto entry = detail::StoryboardSegueTable::shared().find(source);
    const detail::StoryboardSegueTemplate* segue = nullptr;
    if (entry)
        for (const auto& candidate : entry->object->segues)
            if (candidate.identifier == identifier)
                segue = &candidate;
    if (!segue)
        NSException::raise(NSInvalidArgumentException, "Receiver (<%s: %p>) has no segue with identifier '%s'",
                           source.className().utf8().c_str(), static_cast<void*>(&source), identifier.utf8().c_str());

    auto* performer = dynamic_cast<NSSeguePerforming*>(&source);
    if (performer && !performer->shouldPerformSegueWithIdentifier(identifier, sender))
        return;
    // Copied out: the entry may go with the table's next change.
    auto storyboard = entry->storyboard;
    String className = segue->className;
    Id destination = storyboard->instantiateControllerWithIdentifier(segue->destination);
    if (!destination)
        return;
    auto factory = detail::StoryboardClassRegistry::shared().segueClassNamed(className);
    if (!factory) {
        Log::error("The segue class %s is no longer registered", className.utf8().c_str());
        return;
    }
    auto made = factory->factory(identifier, Id(source.shared_from_this()), destination);
    if (!made)
        return;
    if (performer)
        performer->prepareForSegue(*made, sender);
    made->perform();
}
