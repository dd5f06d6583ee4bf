#include "storyboard/StoryboardDocument.h"

#include "appkit/NSControl.h"
#include "appkit/NSEvent.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSPopover.h"
#include "appkit/NSScrollView.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindow.h"
#include "appkit/NSWindowController.h"
#include "foundation/JsonReading.h"
#include "storyboard/StoryboardClassRegistry.h"

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace detail {

namespace {

using JsonReading::element;
using JsonReading::expectArray;
using JsonReading::expectObject;
using JsonReading::expectString;
using JsonReading::find;
using JsonReading::Json;
using JsonReading::member;
using JsonReading::refuse;

// Descriptions nest views in views; anything deeper than this is a mistake,
// and refusing it keeps the reader's recursion bounded.
constexpr int kMaxDepth = 64;

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

void allowOnly(const Json& object, const std::string& path, std::initializer_list<std::string_view> keys)
{
    if (const auto key = JsonReading::unknownKey(object, keys))
        refuse(path, "unknown key " + quoted(*key));
}

// The member that must be there.
const Json& required(const Json& object, const std::string& path, const char* key)
{
    const Json* value = find(object, key);
    if (!value)
        refuse(path, std::string("missing key ") + quoted(key));
    return *value;
}

String requireName(const Json& value, const std::string& path)
{
    String text = expectString(value, path);
    if (text.empty())
        refuse(path, "expected a non-empty string");
    return text;
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
    return JsonReading::toId(value, path, depth, {.null = Id(), .maximumDepth = kMaxDepth});
}

using FlagNames = std::initializer_list<std::pair<const char*, NSUInteger>>;

// A mask as a number, or as a list of the flags' names.
NSUInteger flagsFrom(const Json& value, const std::string& path, FlagNames names)
{
    if (value.is_number_unsigned())
        return value.get<NSUInteger>();
    NSUInteger flags = 0;
    std::size_t index = 0;
    for (const auto& item : expectArray(value, path)) {
        std::string at = element(path, index++);
        String name = expectString(item, at);
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

constexpr FlagNames kStyleMaskNames = {{"titled", NSWindowStyleMaskTitled},
                                       {"closable", NSWindowStyleMaskClosable},
                                       {"miniaturizable", NSWindowStyleMaskMiniaturizable},
                                       {"resizable", NSWindowStyleMaskResizable},
                                       {"utilityWindow", NSWindowStyleMaskUtilityWindow},
                                       {"nonactivatingPanel", NSWindowStyleMaskNonactivatingPanel},
                                       {"unifiedTitleAndToolbar", NSWindowStyleMaskUnifiedTitleAndToolbar},
                                       {"fullSizeContentView", NSWindowStyleMaskFullSizeContentView}};

constexpr FlagNames kModifierNames = {{"shift", NSEventModifierFlagShift},
                                      {"control", NSEventModifierFlagControl},
                                      {"option", NSEventModifierFlagOption},
                                      {"command", NSEventModifierFlagCommand}};

bool isKind(const ClassDescriptor* cls, const ClassDescriptor& of)
{
    return cls && cls->isSubclassOf(of);
}

bool hasSetter(const ClassDescriptor& cls, const String& key)
{
    const Property* property = cls.findProperty(key);
    return property && property->setter;
}

using Kind = const ClassDescriptor& (*)();

// Reads one scene: the objects, then the checks that need all of them (the
// references between objects of the scene).
class SceneReader {
public:
    std::unique_ptr<StoryboardObject> object(const Json& json, const std::string& path, int depth);

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

    // A reference from outside the objects (a nib owner's outlet), checked
    // with the others.
    void refer(const std::string& path, const String& target) { references_.push_back({path, target}); }

    // Scenes this one names: (path, scene) for embedded controllers, and
    // separately the destinations of segues.
    const std::vector<std::pair<std::string, String>>& embeddedScenes() const { return embedded_; }
    const std::vector<std::pair<std::string, String>>& segueDestinations() const { return sceneReferences_; }

private:
    // One key of an object being read.
    struct Site {
        const Json& value;
        std::string at;
        StoryboardObject& object;
        int depth;
    };

    // A key that only objects of some classes take (any class when the
    // kinds are empty), refused for others with `refusal`, and read by
    // `read` once the object's class is known. The table's order is the
    // order of reading, so that of several faults the same one is named.
    struct KeyStep {
        std::string_view key;
        std::array<Kind, 2> kinds;
        const char* refusal;
        void (SceneReader::*read)(const Site&);
    };
    static const KeyStep kKeySteps[];

    // The keys of every object, read before the others.
    static constexpr std::string_view kIdentityKeys[] = {"id", "class", "comment", "separator"};

    static bool isObjectKey(std::string_view key);

    static bool takes(const ClassDescriptor& cls, const std::array<Kind, 2>& kinds)
    {
        if (!kinds[0])
            return true;
        for (Kind kind : kinds)
            if (kind && isKind(&cls, kind()))
                return true;
        return false;
    }

    // The object's class (a separator is a menu item unless it says
    // otherwise) and its identifier in the scene.
    void readIdentity(const Json& json, StoryboardObject& object)
    {
        const std::string& path = object.path;
        if (const Json* comment = find(json, "comment"))
            expectString(*comment, member(path, "comment"));
        if (const Json* separator = find(json, "separator"))
            object.separator = JsonReading::expectBoolean(*separator, member(path, "separator"));
        if (const Json* name = find(json, "class"))
            object.className = requireName(*name, member(path, "class"));
        else if (object.separator)
            object.className = NSMenuItem::descriptor().name();
        else
            refuse(path, "missing key 'class'");
        auto entry = StoryboardClassRegistry::shared().classNamed(object.className);
        if (!entry)
            refuse(member(path, "class"), "unknown class " + quoted(object.className.utf8()));
        object.cls = entry->cls;
        if (object.separator && !isKind(object.cls, NSMenuItem::descriptor()))
            refuse(member(path, "separator"), "only menu items are separators");

        if (const Json* id = find(json, "id")) {
            std::string at = member(path, "id");
            object.id = requireName(*id, at);
            if (object.id.hasPrefix("@"))
                refuse(at, "identifiers beginning with '@' are reserved");
            if (!ids_.insert(object.id).second)
                refuse(at, "the identifier " + quoted(object.id.utf8()) + " is used twice in the scene");
        }
    }

    // Names another object of the scene (or a shared one), checked once the
    // whole scene is read.
    String reference(const Json& value, const std::string& at)
    {
        String target = requireName(value, at);
        references_.push_back({at, target});
        return target;
    }

    // Every key of the object at the site must be one its class can set;
    // `what` names the kind of key in the refusal.
    template <typename Read> void readSettableKeys(const Site& site, const char* what, Read read)
    {
        const ClassDescriptor& cls = *site.object.cls;
        for (const auto& [key, value] : expectObject(site.value, site.at).items()) {
            std::string at = member(site.at, key);
            if (!hasSetter(cls, String(key)))
                refuse(at, cls.name().utf8() + " has no " + what + " " + quoted(key));
            read(String(key), value, at);
        }
    }

    void readProperties(const Site& site)
    {
        readSettableKeys(site, "settable key", [&](String key, const Json& value, const std::string& at) {
            site.object.properties.emplace_back(std::move(key), toValue(value, site.depth + 1, at));
        });
    }

    void readOutlets(const Site& site)
    {
        readSettableKeys(site, "outlet", [&](String key, const Json& value, const std::string& at) {
            site.object.outlets.emplace_back(std::move(key), reference(value, at));
        });
    }

    void readAction(const Site& site)
    {
        const Json& action = expectObject(site.value, site.at);
        allowOnly(action, site.at, {"selector", "target"});
        StoryboardAction parsed;
        parsed.selector = Selector(requireName(required(action, site.at, "selector"), site.at + ".selector").utf8());
        if (const Json* target = find(action, "target"))
            parsed.target = reference(*target, site.at + ".target");
        site.object.action = std::move(parsed);
    }

    void readBindings(const Site& site)
    {
        std::size_t index = 0;
        for (const auto& item : expectArray(site.value, site.at)) {
            std::string at = element(site.at, index++);
            const Json& binding = expectObject(item, at);
            allowOnly(binding, at, {"binding", "to", "keyPath", "options"});
            for (const char* key : {"binding", "to", "keyPath"})
                required(binding, at, key);
            StoryboardBinding parsed;
            parsed.binding = requireName(*find(binding, "binding"), at + ".binding");
            parsed.to = requireName(*find(binding, "to"), at + ".to");
            parsed.keyPath = requireName(*find(binding, "keyPath"), at + ".keyPath");
            if (const Json* options = find(binding, "options")) {
                std::string optionsAt = at + ".options";
                Id value = toValue(expectObject(*options, optionsAt), site.depth + 1, optionsAt);
                parsed.options = *value.dictionary();
            }
            references_.push_back({at + ".to", parsed.to});
            site.object.bindings.push_back(std::move(parsed));
        }
    }

    void readFrame(const Site& site)
    {
        const Json& frame = expectArray(site.value, site.at);
        if (frame.size() != 4)
            refuse(site.at, "expected [x, y, width, height]");
        double values[4];
        for (std::size_t i = 0; i < 4; ++i)
            values[i] = requireNumber(frame[i], element(site.at, i));
        if (values[2] < 0 || values[3] < 0)
            refuse(site.at, "a size can't be negative");
        site.object.frame = NSMakeRect(values[0], values[1], values[2], values[3]);
    }

    void readAutoresizingMask(const Site& site) { site.object.autoresizingMask = requireUnsigned(site.value, site.at); }
    void readStyleMask(const Site& site) { site.object.styleMask = flagsFrom(site.value, site.at, kStyleMaskNames); }
    void readDelegate(const Site& site) { site.object.delegate = reference(site.value, site.at); }
    void readKeyEquivalent(const Site& site) { site.object.keyEquivalent = expectString(site.value, site.at); }
    void readKeyEquivalentModifierMask(const Site& site)
    {
        site.object.keyEquivalentModifierMask = flagsFrom(site.value, site.at, kModifierNames);
    }

    void readSubviews(const Site& site) { children(site, NSView::descriptor(), "a view", site.object.subviews); }
    void readDocumentView(const Site& site)
    {
        site.object.documentView = child(site.value, site.at, site.depth, NSView::descriptor(), "a view");
    }

    // "id.attribute", the item checked once the scene is read.
    std::pair<String, NSInteger> constraintItem(const Json& value, const std::string& at)
    {
        static constexpr std::pair<std::string_view, NSLayoutAttribute> kAttributes[] = {
            {"left", NSLayoutAttributeLeft},
            {"right", NSLayoutAttributeRight},
            {"top", NSLayoutAttributeTop},
            {"bottom", NSLayoutAttributeBottom},
            {"leading", NSLayoutAttributeLeading},
            {"trailing", NSLayoutAttributeTrailing},
            {"width", NSLayoutAttributeWidth},
            {"height", NSLayoutAttributeHeight},
            {"centerX", NSLayoutAttributeCenterX},
            {"centerY", NSLayoutAttributeCenterY},
            {"lastBaseline", NSLayoutAttributeLastBaseline},
            {"baseline", NSLayoutAttributeBaseline},
            {"firstBaseline", NSLayoutAttributeFirstBaseline},
        };
        std::string text = requireName(value, at).utf8();
        auto dot = text.rfind('.');
        if (dot == std::string::npos || dot == 0 || dot + 1 == text.size())
            refuse(at, "expected an object's identifier and an attribute, such as 'icon.leading'");
        std::string_view attribute = std::string_view(text).substr(dot + 1);
        for (const auto& [name, raw] : kAttributes) {
            if (name == attribute) {
                String item(text.substr(0, dot));
                references_.push_back({at, item});
                return {item, raw};
            }
        }
        refuse(at, "unknown attribute " + quoted(std::string(attribute)));
    }

    void readConstraints(const Site& site)
    {
        std::size_t index = 0;
        for (const auto& item : expectArray(site.value, site.at)) {
            std::string at = element(site.at, index++);
            const Json& json = expectObject(item, at);
            allowOnly(json, at,
                      {"first", "relation", "second", "multiplier", "constant", "priority", "identifier", "comment"});
            StoryboardConstraint parsed;
            parsed.path = at;
            std::tie(parsed.firstItem, parsed.firstAttribute) =
                constraintItem(required(json, at, "first"), at + ".first");
            if (const Json* relation = find(json, "relation")) {
                String text = expectString(*relation, at + ".relation");
                if (text == String("=="))
                    parsed.relation = NSLayoutRelationEqual;
                else if (text == String("<="))
                    parsed.relation = NSLayoutRelationLessThanOrEqual;
                else if (text == String(">="))
                    parsed.relation = NSLayoutRelationGreaterThanOrEqual;
                else
                    refuse(at + ".relation", "expected '==', '<=' or '>='");
            }
            if (const Json* second = find(json, "second"))
                std::tie(parsed.secondItem, parsed.secondAttribute) = constraintItem(*second, at + ".second");
            if (const Json* multiplier = find(json, "multiplier")) {
                parsed.multiplier = requireNumber(*multiplier, at + ".multiplier");
                if (parsed.secondItem.empty())
                    refuse(at + ".multiplier", "a multiplier needs a second item");
            }
            if (const Json* constant = find(json, "constant"))
                parsed.constant = requireNumber(*constant, at + ".constant");
            if (const Json* priority = find(json, "priority")) {
                parsed.priority = float(requireNumber(*priority, at + ".priority"));
                if (!(parsed.priority >= 1 && parsed.priority <= 1000))
                    refuse(at + ".priority", "expected a priority from 1 to 1000");
            }
            if (const Json* identifier = find(json, "identifier"))
                parsed.identifier = expectString(*identifier, at + ".identifier");
            if (const Json* comment = find(json, "comment"))
                expectString(*comment, at + ".comment");
            bool isSize =
                parsed.firstAttribute == NSLayoutAttributeWidth || parsed.firstAttribute == NSLayoutAttributeHeight;
            if (parsed.secondItem.empty() && !isSize)
                refuse(at, "only a width or a height can be held to a constant");
            site.object.constraints.push_back(std::move(parsed));
        }
    }
    void readItems(const Site& site) { children(site, NSMenuItem::descriptor(), "a menu item", site.object.items); }
    void readSubmenu(const Site& site)
    {
        site.object.submenu = child(site.value, site.at, site.depth, NSMenu::descriptor(), "a menu");
    }
    void readView(const Site& site)
    {
        site.object.view = child(site.value, site.at, site.depth, NSView::descriptor(), "a view");
    }
    void readWindow(const Site& site)
    {
        site.object.window = child(site.value, site.at, site.depth, NSWindow::descriptor(), "a window");
    }
    void readChildren(const Site& site)
    {
        std::size_t index = 0;
        for (const auto& item : expectArray(site.value, site.at))
            site.object.children.push_back(controllerReference(item, element(site.at, index++), site.depth));
    }
    void readContentViewController(const Site& site)
    {
        site.object.contentViewController = controllerReference(site.value, site.at, site.depth);
    }

    void readSegues(const Site& site)
    {
        std::size_t index = 0;
        for (const auto& item : expectArray(site.value, site.at)) {
            std::string at = element(site.at, index++);
            const Json& segue = expectObject(item, at);
            allowOnly(segue, at, {"identifier", "class", "destination"});
            for (const char* key : {"identifier", "destination"})
                required(segue, at, key);
            StoryboardSegueTemplate parsed;
            parsed.identifier = requireName(*find(segue, "identifier"), at + ".identifier");
            const Json* className = find(segue, "class");
            parsed.className = className ? requireName(*className, at + ".class") : String("NSStoryboardSegue");
            if (!StoryboardClassRegistry::shared().segueClassNamed(parsed.className))
                refuse(at + ".class", "unknown segue class " + quoted(parsed.className.utf8()));
            parsed.destination = requireName(*find(segue, "destination"), at + ".destination");
            for (const auto& earlier : site.object.segues)
                if (earlier.identifier == parsed.identifier)
                    refuse(at + ".identifier", "the segue " + quoted(parsed.identifier.utf8()) + " is given twice");
            sceneReferences_.push_back({at + ".destination", parsed.destination});
            site.object.segues.push_back(std::move(parsed));
        }
    }

    std::unique_ptr<StoryboardObject> child(const Json& json, const std::string& path, int depth,
                                            const ClassDescriptor& kind, const char* kindName)
    {
        auto object = this->object(json, path, depth + 1);
        if (!isKind(object->cls, kind))
            refuse(path + ".class", object->className.utf8() + " is not " + kindName);
        return object;
    }

    void children(const Site& site, const ClassDescriptor& kind, const char* kindName,
                  std::vector<std::unique_ptr<StoryboardObject>>& into)
    {
        std::size_t index = 0;
        for (const auto& item : expectArray(site.value, site.at))
            into.push_back(child(item, element(site.at, index++), site.depth, kind, kindName));
    }

    // A controller given in place, or by the identifier of its scene.
    StoryboardReference controllerReference(const Json& json, const std::string& path, int depth)
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

const SceneReader::KeyStep SceneReader::kKeySteps[] = {
    {"properties", {}, nullptr, &SceneReader::readProperties},
    {"outlets", {}, nullptr, &SceneReader::readOutlets},
    {"action",
     {NSControl::descriptor, NSMenuItem::descriptor},
     "only controls and menu items send actions",
     &SceneReader::readAction},
    {"bindings", {}, nullptr, &SceneReader::readBindings},
    {"frame",
     {NSView::descriptor, NSWindow::descriptor},
     "only views and windows have a frame",
     &SceneReader::readFrame},
    {"autoresizingMask",
     {NSView::descriptor},
     "only views resize with their superview",
     &SceneReader::readAutoresizingMask},
    {"subviews", {NSView::descriptor}, "only views have subviews", &SceneReader::readSubviews},
    {"documentView",
     {NSScrollView::descriptor},
     "only scroll views have a document view",
     &SceneReader::readDocumentView},
    {"constraints", {NSView::descriptor}, "only views hold constraints", &SceneReader::readConstraints},
    {"styleMask", {NSWindow::descriptor}, "only windows have a style mask", &SceneReader::readStyleMask},
    {"delegate",
     {NSWindow::descriptor, NSPopover::descriptor},
     "only windows and popovers have a delegate here",
     &SceneReader::readDelegate},
    {"items", {NSMenu::descriptor}, "only menus have items", &SceneReader::readItems},
    {"keyEquivalent",
     {NSMenuItem::descriptor},
     "only menu items have a key equivalent here",
     &SceneReader::readKeyEquivalent},
    {"keyEquivalentModifierMask",
     {NSMenuItem::descriptor},
     "only menu items have a key equivalent here",
     &SceneReader::readKeyEquivalentModifierMask},
    {"submenu", {NSMenuItem::descriptor}, "only menu items have a submenu", &SceneReader::readSubmenu},
    {"view", {NSViewController::descriptor}, "only view controllers have a view here", &SceneReader::readView},
    {"children", {NSViewController::descriptor}, "only view controllers have children", &SceneReader::readChildren},
    {"window", {NSWindowController::descriptor}, "only window controllers have a window", &SceneReader::readWindow},
    {"contentViewController",
     {NSWindowController::descriptor},
     "only window controllers have a content view controller",
     &SceneReader::readContentViewController},
    {"segues",
     {NSViewController::descriptor, NSWindowController::descriptor},
     "only controllers perform segues",
     &SceneReader::readSegues},
};

bool SceneReader::isObjectKey(std::string_view key)
{
    auto named = [&](std::string_view known) { return key == known; };
    return std::any_of(std::begin(kIdentityKeys), std::end(kIdentityKeys), named) ||
           std::any_of(std::begin(kKeySteps), std::end(kKeySteps),
                       [&](const KeyStep& step) { return named(step.key); });
}

std::unique_ptr<StoryboardObject> SceneReader::object(const Json& json, const std::string& path, int depth)
{
    if (depth > kMaxDepth)
        refuse(path, "nested too deeply");
    expectObject(json, path);
    for (const auto& [key, value] : json.items()) {
        if (!isObjectKey(key))
            refuse(path, "unknown key " + quoted(key));
    }
    auto object = std::make_unique<StoryboardObject>();
    object->path = path;
    readIdentity(json, *object);
    for (const auto& step : kKeySteps) {
        const Json* value = find(json, step.key);
        if (!value)
            continue;
        Site site{.value = *value, .at = member(path, step.key), .object = *object, .depth = depth};
        if (!takes(*object->cls, step.kinds))
            refuse(site.at, step.refusal);
        (this->*step.read)(site);
    }
    return object;
}

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

using SceneReferences = std::vector<std::pair<std::string, String>>;

// The objects listed beside a scene's controller (or in the application
// scene, alone).
void readObjects(const Json& scene, const std::string& path, SceneReader& reader, StoryboardScene& into)
{
    const Json* objects = find(scene, "objects");
    if (!objects)
        return;
    std::string at = member(path, "objects");
    std::size_t index = 0;
    for (const auto& item : expectArray(*objects, at))
        into.objects.push_back(reader.object(item, element(at, index++), 0));
}

// The scenes a scene's reader saw named, to be checked once all are read.
void noteSceneReferences(const SceneReader& reader, SceneReferences& into)
{
    into.insert(into.end(), reader.embeddedScenes().begin(), reader.embeddedScenes().end());
    into.insert(into.end(), reader.segueDestinations().begin(), reader.segueDestinations().end());
}

// The application scene: its objects, and the application's connections to
// its top-level ones.
void readApplicationScene(const Json& value, StoryboardDocument& document, SceneReferences& sceneReferences)
{
    const std::string path = "application";
    const Json& application = expectObject(value, path);
    allowOnly(application, path, {"outlets", "objects", "comment"});
    StoryboardScene& scene = document.application.emplace();
    SceneReader reader;
    readObjects(application, path, reader, scene);
    if (const Json* outlets = find(application, "outlets")) {
        std::string at = path + ".outlets";
        for (const auto& [key, target] : expectObject(*outlets, at).items()) {
            if (key != "delegate" && key != "mainMenu")
                refuse(at + "." + key, "the application has no outlet " + quoted(key));
            scene.applicationOutlets.emplace_back(String(key), requireName(target, at + "." + key));
        }
    }
    reader.checkReferences();
    for (const auto& [outlet, target] : scene.applicationOutlets) {
        bool found = false;
        for (const auto& object : scene.objects)
            found = found || object->id == target;
        if (!found)
            refuse(path + ".outlets." + outlet.utf8(),
                   "no top-level object " + quoted(target.utf8()) + " in the scene");
    }
    noteSceneReferences(reader, sceneReferences);
}

// One scene with its controller; `embeds` gets the scenes it embeds.
StoryboardScene readScene(const Json& item, const std::string& path, std::set<String>& identifiers,
                          SceneReferences& embeds, SceneReferences& sceneReferences)
{
    expectObject(item, path);
    allowOnly(item, path, {"identifier", "controller", "objects", "comment"});
    const Json& identifier = required(item, path, "identifier");
    const Json& controller = required(item, path, "controller");
    StoryboardScene scene;
    scene.identifier = requireName(identifier, path + ".identifier");
    if (!identifiers.insert(scene.identifier).second)
        refuse(path + ".identifier", "the scene " + quoted(scene.identifier.utf8()) + " is given twice");
    SceneReader reader;
    scene.controller = reader.object(controller, path + ".controller", 0);
    if (!isKind(scene.controller->cls, NSViewController::descriptor()) &&
        !isKind(scene.controller->cls, NSWindowController::descriptor()))
        refuse(path + ".controller.class", scene.controller->className.utf8() + " is not a controller");
    readObjects(item, path, reader, scene);
    reader.checkReferences();
    embeds = reader.embeddedScenes();
    noteSceneReferences(reader, sceneReferences);
    return scene;
}

std::shared_ptr<const NibDocument> readNib(const Json& json)
{
    expectObject(json, "nib");
    allowOnly(json, "nib", {"owner", "objects", "comment"});
    if (const Json* comment = find(json, "comment"))
        expectString(*comment, "comment");
    auto nib = std::make_shared<NibDocument>();
    SceneReader reader;
    readObjects(json, "", reader, nib->scene);
    if (const Json* owner = find(json, "owner")) {
        const std::string path = "owner";
        expectObject(*owner, path);
        allowOnly(*owner, path, {"class", "outlets", "comment"});
        nib->ownerClass = requireName(required(*owner, path, "class"), path + ".class");
        auto entry = StoryboardClassRegistry::shared().classNamed(nib->ownerClass);
        if (!entry)
            refuse(path + ".class", "unknown class " + quoted(nib->ownerClass.utf8()));
        nib->ownerCls = entry->cls;
        if (const Json* outlets = find(*owner, "outlets")) {
            std::string at = path + ".outlets";
            for (const auto& [key, target] : expectObject(*outlets, at).items()) {
                if (!hasSetter(*nib->ownerCls, String(key)))
                    refuse(at + "." + key, nib->ownerClass.utf8() + " has no outlet " + quoted(key));
                String name = requireName(target, at + "." + key);
                reader.refer(at + "." + key, name);
                nib->ownerOutlets.emplace_back(String(key), name);
            }
        }
    }
    reader.checkReferences();
    if (!reader.embeddedScenes().empty())
        refuse(reader.embeddedScenes().front().first, "a nib names no scenes");
    if (!reader.segueDestinations().empty())
        refuse(reader.segueDestinations().front().first, "a nib names no scenes");
    return nib;
}

std::shared_ptr<const StoryboardDocument> readDocument(const Json& json)
{
    expectObject(json, "storyboard");
    allowOnly(json, "storyboard", {"initialController", "application", "scenes", "comment"});
    if (const Json* comment = find(json, "comment"))
        expectString(*comment, "comment");

    auto document = std::make_shared<StoryboardDocument>();
    std::unordered_map<String, SceneReferences> embeds;
    SceneReferences sceneReferences;
    if (const Json* application = find(json, "application"))
        readApplicationScene(*application, *document, sceneReferences);
    if (const Json* scenes = find(json, "scenes")) {
        std::set<String> identifiers;
        std::size_t index = 0;
        for (const auto& item : expectArray(*scenes, "scenes")) {
            SceneReferences embedded;
            auto scene = readScene(item, element("scenes", index++), identifiers, embedded, sceneReferences);
            embeds[scene.identifier] = std::move(embedded);
            document->scenes.push_back(std::move(scene));
        }
    }

    for (const auto& [path, scene] : sceneReferences)
        if (!document->scene(scene))
            refuse(path, "no scene " + quoted(scene.utf8()));
    checkEmbeddingCycles(*document, embeds);

    if (const Json* initial = find(json, "initialController")) {
        document->initialController = requireName(*initial, "initialController");
        if (!document->scene(document->initialController))
            refuse("initialController", "no scene " + quoted(document->initialController.utf8()));
    }
    return document;
}

}  // namespace

const StoryboardScene* StoryboardDocument::scene(const String& identifier) const
{
    for (const auto& scene : scenes)
        if (scene.identifier == identifier)
            return &scene;
    return nullptr;
}

ParseResult<std::shared_ptr<const NibDocument>> NibDocument::parse(std::string_view json)
{
    auto root = JsonReading::parse(json);
    if (!root)
        return ParseError{"not valid JSON"};
    return JsonReading::refusing([&] { return readNib(*root); });
}

ParseResult<std::shared_ptr<const StoryboardDocument>> StoryboardDocument::parse(std::string_view json)
{
    auto root = JsonReading::parse(json);
    if (!root)
        return ParseError{"not valid JSON"};
    return JsonReading::refusing([&] { return readDocument(*root); });
}

}  // namespace detail
