#include "storyboard/StoryboardDocument.h"

#include "appkit/NSControl.h"
#include "appkit/NSEvent.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSPopover.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindow.h"
#include "appkit/NSWindowController.h"
#include "storyboard/StoryboardClassRegistry.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace detail {

namespace {

using Json = nlohmann::json;

// Descriptions nest views in views; anything deeper than this is a mistake,
// and refusing it keeps the reader's recursion bounded.
constexpr int kMaxDepth = 64;

struct Refusal {
    std::string message;
};

[[noreturn]] void refuse(const std::string& path, const std::string& what)
{
    throw Refusal{path + ": " + what};
}

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

void allowOnly(const Json& object, const std::string& path, std::initializer_list<const char*> keys)
{
    for (const auto& [key, value] : object.items()) {
        bool known = false;
        for (const char* allowed : keys)
            known = known || key == allowed;
        if (!known)
            refuse(path, "unknown key " + quoted(key));
    }
}

const Json& requireObject(const Json& value, const std::string& path)
{
    if (!value.is_object())
        refuse(path, "expected an object");
    return value;
}

String requireString(const Json& value, const std::string& path)
{
    if (!value.is_string())
        refuse(path, "expected a string");
    return String(value.get_ref<const std::string&>());
}

String requireName(const Json& value, const std::string& path)
{
    String text = requireString(value, path);
    if (text.empty())
        refuse(path, "expected a non-empty string");
    return text;
}

const Json& requireArray(const Json& value, const std::string& path)
{
    if (!value.is_array())
        refuse(path, "expected an array");
    return value;
}

double requireNumber(const Json& value, const std::string& path)
{
    if (!value.is_number())
        refuse(path, "expected a number");
    return value.get<double>();
}

NSUInteger requireUnsigned(const Json& value, const std::string& path)
{
    if (!value.is_number_unsigned())
        refuse(path, "expected a non-negative whole number");
    return value.get<NSUInteger>();
}

Id toValue(const Json& value, int depth, const std::string& path)
{
    if (depth > kMaxDepth)
        refuse(path, "nested too deeply");
    switch (value.type()) {
    case Json::value_t::null:
        return Id();
    case Json::value_t::boolean:
        return Id::boolean(value.get<bool>());
    case Json::value_t::number_integer:
        return Id::number(value.get<std::int64_t>());
    case Json::value_t::number_unsigned:
        return Id::number(value.get<std::uint64_t>());
    case Json::value_t::number_float:
        return Id::number(value.get<double>());
    case Json::value_t::string:
        return Id(String(value.get_ref<const std::string&>()));
    case Json::value_t::array: {
        Array array;
        for (std::size_t i = 0; i < value.size(); ++i)
            array.add(toValue(value[i], depth + 1, path + "[" + std::to_string(i) + "]"));
        return Id(array);
    }
    case Json::value_t::object: {
        Dictionary dictionary;
        for (const auto& [key, item] : value.items())
            dictionary.setObject(toValue(item, depth + 1, path + "." + key), Id(String(key)));
        return Id(dictionary);
    }
    default:
        refuse(path, "expected a value");
    }
}

NSUInteger flagsFrom(const Json& value, const std::string& path,
                     std::initializer_list<std::pair<const char*, NSUInteger>> names)
{
    if (value.is_number_unsigned())
        return value.get<NSUInteger>();
    NSUInteger flags = 0;
    const Json& list = requireArray(value, path);
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::string at = path + "[" + std::to_string(i) + "]";
        String name = requireString(list[i], at);
        bool found = false;
        for (const auto& [known, flag] : names) {
            if (name == String(known)) {
                flags |= flag;
                found = true;
            }
        }
        if (!found)
            refuse(at, "unknown flag " + quoted(name.utf8()));
    }
    return flags;
}

bool isKind(const ClassDescriptor* cls, const ClassDescriptor& of)
{
    return cls && cls->isSubclassOf(of);
}

bool hasSetter(const ClassDescriptor& cls, const String& key)
{
    const Property* property = cls.findProperty(key);
    return property && property->setter;
}

// Reads one scene: the objects, then the checks that need all of them (the
// references between objects of the scene).
class SceneReader {
public:
    std::unique_ptr<StoryboardObject> object(const Json& json, const std::string& path, int depth)
    {
        if (depth > kMaxDepth)
            refuse(path, "nested too deeply");
        requireObject(json, path);
        allowOnly(json, path,
                  {"id",
                   "class",
                   "comment",
                   "separator",
                   "properties",
                   "outlets",
                   "action",
                   "bindings",
                   "frame",
                   "autoresizingMask",
                   "subviews",
                   "styleMask",
                   "delegate",
                   "items",
                   "keyEquivalent",
                   "keyEquivalentModifierMask",
                   "submenu",
                   "view",
                   "window",
                   "contentViewController",
                   "children",
                   "segues"});
        auto object = std::make_unique<StoryboardObject>();
        object->path = path;

        if (json.contains("comment"))
            requireString(json["comment"], path + ".comment");
        if (json.contains("separator")) {
            if (!json["separator"].is_boolean())
                refuse(path + ".separator", "expected true or false");
            object->separator = json["separator"].get<bool>();
        }
        if (json.contains("class"))
            object->className = requireName(json["class"], path + ".class");
        else if (object->separator)
            object->className = NSMenuItem::descriptor().name();
        else
            refuse(path, "missing key 'class'");
        auto entry = StoryboardClassRegistry::shared().classNamed(object->className);
        if (!entry)
            refuse(path + ".class", "unknown class " + quoted(object->className.utf8()));
        object->cls = entry->cls;
        const ClassDescriptor& cls = *object->cls;
        if (object->separator && !isKind(&cls, NSMenuItem::descriptor()))
            refuse(path + ".separator", "only menu items are separators");

        if (json.contains("id")) {
            object->id = requireName(json["id"], path + ".id");
            if (object->id.hasPrefix("@"))
                refuse(path + ".id", "identifiers beginning with '@' are reserved");
            if (!ids_.insert(object->id).second)
                refuse(path + ".id", "the identifier " + quoted(object->id.utf8()) + " is used twice in the scene");
        }

        if (json.contains("properties")) {
            std::string at = path + ".properties";
            for (const auto& [key, value] : requireObject(json["properties"], at).items()) {
                if (!hasSetter(cls, String(key)))
                    refuse(at + "." + key, cls.name().utf8() + " has no settable key " + quoted(key));
                object->properties.emplace_back(String(key), toValue(value, depth + 1, at + "." + key));
            }
        }
        if (json.contains("outlets")) {
            std::string at = path + ".outlets";
            for (const auto& [key, value] : requireObject(json["outlets"], at).items()) {
                if (!hasSetter(cls, String(key)))
                    refuse(at + "." + key, cls.name().utf8() + " has no outlet " + quoted(key));
                references_.push_back({at + "." + key, requireName(value, at + "." + key)});
                object->outlets.emplace_back(String(key), references_.back().second);
            }
        }
        if (json.contains("action")) {
            std::string at = path + ".action";
            if (!isKind(&cls, NSControl::descriptor()) && !isKind(&cls, NSMenuItem::descriptor()))
                refuse(at, "only controls and menu items send actions");
            const Json& action = requireObject(json["action"], at);
            allowOnly(action, at, {"selector", "target"});
            if (!action.contains("selector"))
                refuse(at, "missing key 'selector'");
            StoryboardAction parsed;
            parsed.selector = Selector(requireName(action["selector"], at + ".selector").utf8());
            if (action.contains("target")) {
                parsed.target = requireName(action["target"], at + ".target");
                references_.push_back({at + ".target", parsed.target});
            }
            object->action = std::move(parsed);
        }
        if (json.contains("bindings")) {
            std::string at = path + ".bindings";
            const Json& list = requireArray(json["bindings"], at);
            for (std::size_t i = 0; i < list.size(); ++i) {
                std::string item = at + "[" + std::to_string(i) + "]";
                const Json& binding = requireObject(list[i], item);
                allowOnly(binding, item, {"binding", "to", "keyPath", "options"});
                for (const char* required : {"binding", "to", "keyPath"})
                    if (!binding.contains(required))
                        refuse(item, std::string("missing key ") + quoted(required));
                StoryboardBinding parsed;
                parsed.binding = requireName(binding["binding"], item + ".binding");
                parsed.to = requireName(binding["to"], item + ".to");
                parsed.keyPath = requireName(binding["keyPath"], item + ".keyPath");
                if (binding.contains("options")) {
                    Id options =
                        toValue(requireObject(binding["options"], item + ".options"), depth + 1, item + ".options");
                    parsed.options = *options.dictionary();
                }
                references_.push_back({item + ".to", parsed.to});
                object->bindings.push_back(std::move(parsed));
            }
        }

        bool isView = isKind(&cls, NSView::descriptor());
        bool isWindow = isKind(&cls, NSWindow::descriptor());
        if (json.contains("frame")) {
            std::string at = path + ".frame";
            if (!isView && !isWindow)
                refuse(at, "only views and windows have a frame");
            const Json& frame = requireArray(json["frame"], at);
            if (frame.size() != 4)
                refuse(at, "expected [x, y, width, height]");
            double values[4];
            for (std::size_t i = 0; i < 4; ++i)
                values[i] = requireNumber(frame[i], at + "[" + std::to_string(i) + "]");
            if (values[2] < 0 || values[3] < 0)
                refuse(at, "a size can't be negative");
            object->frame = NSMakeRect(values[0], values[1], values[2], values[3]);
        }
        if (json.contains("autoresizingMask")) {
            if (!isView)
                refuse(path + ".autoresizingMask", "only views resize with their superview");
            object->autoresizingMask = requireUnsigned(json["autoresizingMask"], path + ".autoresizingMask");
        }
        if (json.contains("subviews")) {
            if (!isView)
                refuse(path + ".subviews", "only views have subviews");
            children(json["subviews"], path + ".subviews", depth, NSView::descriptor(), "a view", object->subviews);
        }
        if (json.contains("styleMask")) {
            if (!isWindow)
                refuse(path + ".styleMask", "only windows have a style mask");
            object->styleMask = flagsFrom(json["styleMask"], path + ".styleMask",
                                          {{"titled", NSWindowStyleMaskTitled},
                                           {"closable", NSWindowStyleMaskClosable},
                                           {"miniaturizable", NSWindowStyleMaskMiniaturizable},
                                           {"resizable", NSWindowStyleMaskResizable},
                                           {"utilityWindow", NSWindowStyleMaskUtilityWindow},
                                           {"nonactivatingPanel", NSWindowStyleMaskNonactivatingPanel},
                                           {"unifiedTitleAndToolbar", NSWindowStyleMaskUnifiedTitleAndToolbar},
                                           {"fullSizeContentView", NSWindowStyleMaskFullSizeContentView}});
        }
        if (json.contains("delegate")) {
            if (!isWindow && !isKind(&cls, NSPopover::descriptor()))
                refuse(path + ".delegate", "only windows and popovers have a delegate here");
            object->delegate = requireName(json["delegate"], path + ".delegate");
            references_.push_back({path + ".delegate", object->delegate});
        }

        bool isMenuItem = isKind(&cls, NSMenuItem::descriptor());
        if (json.contains("items")) {
            if (!isKind(&cls, NSMenu::descriptor()))
                refuse(path + ".items", "only menus have items");
            children(json["items"], path + ".items", depth, NSMenuItem::descriptor(), "a menu item", object->items);
        }
        if (json.contains("keyEquivalent")) {
            if (!isMenuItem)
                refuse(path + ".keyEquivalent", "only menu items have a key equivalent here");
            object->keyEquivalent = requireString(json["keyEquivalent"], path + ".keyEquivalent");
        }
        if (json.contains("keyEquivalentModifierMask")) {
            if (!isMenuItem)
                refuse(path + ".keyEquivalentModifierMask", "only menu items have a key equivalent here");
            object->keyEquivalentModifierMask =
                flagsFrom(json["keyEquivalentModifierMask"], path + ".keyEquivalentModifierMask",
                          {{"shift", NSEventModifierFlagShift},
                           {"control", NSEventModifierFlagControl},
                           {"option", NSEventModifierFlagOption},
                           {"command", NSEventModifierFlagCommand}});
        }
        if (json.contains("submenu")) {
            if (!isMenuItem)
                refuse(path + ".submenu", "only menu items have a submenu");
            object->submenu = child(json["submenu"], path + ".submenu", depth, NSMenu::descriptor(), "a menu");
        }

        bool isViewController = isKind(&cls, NSViewController::descriptor());
        bool isWindowController = isKind(&cls, NSWindowController::descriptor());
        if (json.contains("view")) {
            if (!isViewController)
                refuse(path + ".view", "only view controllers have a view here");
            object->view = child(json["view"], path + ".view", depth, NSView::descriptor(), "a view");
        }
        if (json.contains("children")) {
            std::string at = path + ".children";
            if (!isViewController)
                refuse(at, "only view controllers have children");
            const Json& list = requireArray(json["children"], at);
            for (std::size_t i = 0; i < list.size(); ++i)
                object->children.push_back(reference(list[i], at + "[" + std::to_string(i) + "]", depth));
        }
        if (json.contains("window")) {
            if (!isWindowController)
                refuse(path + ".window", "only window controllers have a window");
            object->window = child(json["window"], path + ".window", depth, NSWindow::descriptor(), "a window");
        }
        if (json.contains("contentViewController")) {
            if (!isWindowController)
                refuse(path + ".contentViewController", "only window controllers have a content view controller");
            object->contentViewController =
                reference(json["contentViewController"], path + ".contentViewController", depth);
        }
        if (json.contains("segues")) {
            std::string at = path + ".segues";
            if (!isViewController && !isWindowController)
                refuse(at, "only controllers perform segues");
            const Json& list = requireArray(json["segues"], at);
            for (std::size_t i = 0; i < list.size(); ++i) {
                std::string item = at + "[" + std::to_string(i) + "]";
                const Json& segue = requireObject(list[i], item);
                allowOnly(segue, item, {"identifier", "class", "destination"});
                for (const char* required : {"identifier", "destination"})
                    if (!segue.contains(required))
                        refuse(item, std::string("missing key ") + quoted(required));
                StoryboardSegueTemplate parsed;
                parsed.identifier = requireName(segue["identifier"], item + ".identifier");
                parsed.className = segue.contains("class") ? requireName(segue["class"], item + ".class")
                                                           : String("NSStoryboardSegue");
                if (!StoryboardClassRegistry::shared().segueClassNamed(parsed.className))
                    refuse(item + ".class", "unknown segue class " + quoted(parsed.className.utf8()));
                parsed.destination = requireName(segue["destination"], item + ".destination");
                for (const auto& earlier : object->segues)
                    if (earlier.identifier == parsed.identifier)
                        refuse(item + ".identifier",
                               "the segue " + quoted(parsed.identifier.utf8()) + " is given twice");
                sceneReferences_.push_back({item + ".destination", parsed.destination});
                object->segues.push_back(std::move(parsed));
            }
        }
        return object;
    }

    // Every reference names an object of this scene or one of the
    // framework's shared objects.
    void checkReferences() const
    {
        for (const auto& [path, target] : references_) {
            if (target == String("@application") || target == String("@sharedUserDefaultsController"))
                continue;
            if (target.hasPrefix("@"))
                refuse(path, "unknown shared object " + quoted(target.utf8()));
            if (!ids_.contains(target))
                refuse(path, "no object " + quoted(target.utf8()) + " in the scene");
        }
    }

    // Scenes this one names: (path, scene) for embedded controllers, and
    // separately the destinations of segues.
    const std::vector<std::pair<std::string, String>>& embeddedScenes() const { return embedded_; }
    const std::vector<std::pair<std::string, String>>& segueDestinations() const { return sceneReferences_; }

private:
    std::unique_ptr<StoryboardObject> child(const Json& json, const std::string& path, int depth,
                                            const ClassDescriptor& kind, const char* kindName)
    {
        auto object = this->object(json, path, depth + 1);
        if (!isKind(object->cls, kind))
            refuse(path + ".class", object->className.utf8() + " is not " + kindName);
        return object;
    }

    void children(const Json& json, const std::string& path, int depth, const ClassDescriptor& kind,
                  const char* kindName, std::vector<std::unique_ptr<StoryboardObject>>& into)
    {
        const Json& list = requireArray(json, path);
        for (std::size_t i = 0; i < list.size(); ++i)
            into.push_back(child(list[i], path + "[" + std::to_string(i) + "]", depth, kind, kindName));
    }

    StoryboardReference reference(const Json& json, const std::string& path, int depth)
    {
        StoryboardReference reference;
        if (json.is_string()) {
            reference.scene = requireName(json, path);
            embedded_.push_back({path, reference.scene});
        } else {
            reference.object = child(json, path, depth, NSViewController::descriptor(), "a view controller");
        }
        return reference;
    }

    std::unordered_set<String> ids_;
    std::vector<std::pair<std::string, String>> references_;
    std::vector<std::pair<std::string, String>> embedded_;
    std::vector<std::pair<std::string, String>> sceneReferences_;
};

// A scene that embeds itself, directly or through others, could never be
// made.
void checkEmbeddingCycles(const StoryboardDocument& document,
                          const std::unordered_map<String, std::vector<std::pair<std::string, String>>>& embeds)
{
    enum class Mark { None, Visiting, Done };
    std::unordered_map<String, Mark> marks;
    std::function<void(const String&)> visit = [&](const String& scene) {
        marks[scene] = Mark::Visiting;
        auto found = embeds.find(scene);
        if (found != embeds.end()) {
            for (const auto& [path, next] : found->second) {
                Mark mark = marks[next];
                if (mark == Mark::Visiting)
                    refuse(path, "the scene " + quoted(next.utf8()) + " would contain itself");
                if (mark == Mark::None)
                    visit(next);
            }
        }
        marks[scene] = Mark::Done;
    };
    for (const auto& scene : document.scenes)
        if (marks[scene.identifier] == Mark::None)
            visit(scene.identifier);
}

void readDocument(const Json& json, StoryboardDocument& document)
{
    requireObject(json, "storyboard");
    allowOnly(json, "storyboard", {"initialController", "application", "scenes", "comment"});
    if (json.contains("comment"))
        requireString(json["comment"], "comment");

    std::unordered_map<String, std::vector<std::pair<std::string, String>>> embeds;
    std::vector<std::pair<std::string, String>> sceneReferences;

    if (json.contains("application")) {
        const std::string path = "application";
        const Json& application = requireObject(json["application"], path);
        allowOnly(application, path, {"outlets", "objects", "comment"});
        StoryboardScene& scene = document.application.emplace();
        SceneReader reader;
        if (application.contains("objects")) {
            const Json& list = requireArray(application["objects"], path + ".objects");
            for (std::size_t i = 0; i < list.size(); ++i)
                scene.objects.push_back(reader.object(list[i], path + ".objects[" + std::to_string(i) + "]", 0));
        }
        if (application.contains("outlets")) {
            std::string at = path + ".outlets";
            for (const auto& [key, value] : requireObject(application["outlets"], at).items()) {
                if (key != "delegate" && key != "mainMenu")
                    refuse(at + "." + key, "the application has no outlet " + quoted(key));
                String target = requireName(value, at + "." + key);
                scene.applicationOutlets.emplace_back(String(key), target);
            }
        }
        reader.checkReferences();
        for (const auto& [outletPath, target] : scene.applicationOutlets) {
            bool found = false;
            for (const auto& object : scene.objects)
                found = found || object->id == target;
            if (!found)
                refuse(path + ".outlets." + outletPath.utf8(),
                       "no top-level object " + quoted(target.utf8()) + " in the scene");
        }
        for (const auto& reference : reader.embeddedScenes())
            sceneReferences.push_back(reference);
        for (const auto& reference : reader.segueDestinations())
            sceneReferences.push_back(reference);
    }

    if (json.contains("scenes")) {
        const Json& list = requireArray(json["scenes"], "scenes");
        std::set<String> identifiers;
        for (std::size_t i = 0; i < list.size(); ++i) {
            std::string path = "scenes[" + std::to_string(i) + "]";
            const Json& item = requireObject(list[i], path);
            allowOnly(item, path, {"identifier", "controller", "objects", "comment"});
            if (!item.contains("identifier"))
                refuse(path, "missing key 'identifier'");
            if (!item.contains("controller"))
                refuse(path, "missing key 'controller'");
            StoryboardScene scene;
            scene.identifier = requireName(item["identifier"], path + ".identifier");
            if (!identifiers.insert(scene.identifier).second)
                refuse(path + ".identifier", "the scene " + quoted(scene.identifier.utf8()) + " is given twice");
            SceneReader reader;
            scene.controller = reader.object(item["controller"], path + ".controller", 0);
            if (!isKind(scene.controller->cls, NSViewController::descriptor()) &&
                !isKind(scene.controller->cls, NSWindowController::descriptor()))
                refuse(path + ".controller.class", scene.controller->className.utf8() + " is not a controller");
            if (item.contains("objects")) {
                const Json& objects = requireArray(item["objects"], path + ".objects");
                for (std::size_t j = 0; j < objects.size(); ++j)
                    scene.objects.push_back(reader.object(objects[j], path + ".objects[" + std::to_string(j) + "]", 0));
            }
            reader.checkReferences();
            embeds[scene.identifier] = reader.embeddedScenes();
            for (const auto& reference : reader.embeddedScenes())
                sceneReferences.push_back(reference);
            for (const auto& reference : reader.segueDestinations())
                sceneReferences.push_back(reference);
            document.scenes.push_back(std::move(scene));
        }
    }

    for (const auto& [path, scene] : sceneReferences)
        if (!document.scene(scene))
            refuse(path, "no scene " + quoted(scene.utf8()));
    checkEmbeddingCycles(document, embeds);

    if (json.contains("initialController")) {
        document.initialController = requireName(json["initialController"], "initialController");
        if (!document.scene(document.initialController))
            refuse("initialController", "no scene " + quoted(document.initialController.utf8()));
    }
}

}  // namespace

const StoryboardScene* StoryboardDocument::scene(const String& identifier) const
{
    for (const auto& scene : scenes)
        if (scene.identifier == identifier)
            return &scene;
    return nullptr;
}

std::shared_ptr<const StoryboardDocument> StoryboardDocument::parse(std::string_view json, std::string& error)
{
    Json root = Json::parse(json.begin(), json.end(), nullptr, false);
    if (root.is_discarded()) {
        error = "not valid JSON";
        return nullptr;
    }
    auto document = std::make_shared<StoryboardDocument>();
    try {
        readDocument(root, *document);
    } catch (const Refusal& refusal) {
        error = refusal.message;
        return nullptr;
    }
    return document;
}

}  // namespace detail
