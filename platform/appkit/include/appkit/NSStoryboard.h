#pragma once

#include "foundation/ClassDescriptor.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/ParseResult.h"
#include "foundation/String.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class NSApplication;
class NSBundle;
class NSStoryboardSegue;

namespace detail {
struct StoryboardDocument;
struct StoryboardObject;
}

// Scenes of controllers, and the application's own objects, described in a
// JSON file of the bundle: "<name>.storyboard.json" in its resources.
//
//   {
//     "initialController": "Main",          // a scene identifier; optional
//     "application": {                      // the application scene; optional
//       "outlets": {"delegate": "delegate"},   // outlets of the application object
//       "objects": [ <object>, ... ]          // the top-level objects, made in order
//     },
//     "scenes": [
//       {"identifier": "Main", "controller": <object>, "objects": [ <object>, ... ]}
//     ]
//   }
//
// An object names a registered class; everything else is optional:
//
//   {
//     "id": "menu",                        // unique within its scene
//     "class": "NSMenu",
//     "comment": "...",                    // for the reader; ignored
//     "properties": {"title": "Kestrova"}, // set through key-value coding
//     "outlets": {"menu": "statusMenu"},   // key -> object of the scene (or "@application",
//                                          // "@sharedUserDefaultsController"); key-value coding,
//                                          // except the framework's own "delegate" outlets
//     "action": {"selector": "openAboutWithSender:", "target": "delegate"},
//                                          // controls and menu items; no target: first responder
//     "bindings": [{"binding": "value", "to": "@sharedUserDefaultsController",
//                   "keyPath": "values.miniMode", "options": {"NSValueTransformerName": "..."}}],
//
//     "frame": [x, y, width, height],      // views; a window's content rectangle
//     "autoresizingMask": 18,              // views
//     "subviews": [ <object>, ... ],       // views
//     "constraints": [{"first": "icon.top", "relation": ">=", "second": "content.top",
//                      "multiplier": 1, "constant": 20, "priority": 750, "identifier": "..."}],
//                                          // views: activated once the view's subtree is in
//                                          // place; "item.attribute" names an object of the
//                                          // scene and an attribute as descriptions print it
//                                          // ("leading", "centerX", "firstBaseline", ...);
//                                          // without "second" it is a width or height against
//                                          // the constant. The views named, the holder aside,
//                                          // stop translating their autoresizing masks.
//     "styleMask": ["titled", "closable", "miniaturizable", "resizable", "fullSizeContentView"],
//                                          // windows; or the raw number
//     "delegate": "controller",            // windows and popovers
//     "items": [ <object>, ... ],          // menus; a menu item may be {"separator": true}
//     "keyEquivalent": "q",                // menu items
//     "keyEquivalentModifierMask": ["command", "option", "shift", "control"],
//     "submenu": <object>,                 // menu items
//     "view": <object>,                    // view controllers: the view
//     "window": <object>,                  // window controllers: the window
//     "contentViewController": "Scene" or <object>,   // window controllers
//     "children": ["Scene" or <object>, ...],         // view controllers: children whose
//                                          // views fill the view, in order
//     "segues": [{"identifier": "Windows", "class": "EmbedSegue", "destination": "Scene"}]
//   }
//
// Reading checks the whole description: classes must be registered, keys
// must be settable, identifiers must resolve and scenes must not contain
// themselves. A description that fails gives no storyboard and a message
// naming the place ("scenes[1].controller.outlets.menu: no object 'x' in
// the scene"), never an exception.
//
// Instantiating makes every object of a scene at once and connects them; a
// view controller's view and a window controller's window are handed over
// on first use, so viewDidLoad and windowDidLoad run then, with the outlets
// already connected.
class NSStoryboard : public NSObject {
    KS_OBJECT(NSStoryboard, NSObject)

public:
    using Factory = std::function<std::shared_ptr<NSObject>()>;
    using SegueFactory = std::function<std::shared_ptr<NSStoryboardSegue>(const String& identifier, const Id& source,
                                                                          const Id& destination)>;

    // --- The class registry: the classes a storyboard may name ---

    // The framework's own classes (NSObject, NSView, NSWindow, NSMenu, the
    // controllers, the controls) are there from the start. Registering a
    // name again replaces its factory.
    static void registerClass(const ClassDescriptor& cls, Factory factory);
    template <class T> static void registerClass()
    {
        registerClass(T::descriptor(), [] { return std::make_shared<T>(); });
    }
    static void registerSegueClass(const ClassDescriptor& cls, SegueFactory factory);
    template <class T> static void registerSegueClass()
    {
        registerSegueClass(T::descriptor(), [](const String& identifier, const Id& source, const Id& destination) {
            return std::make_shared<T>(identifier, source, destination);
        });
    }
    static bool isClassRegistered(const String& name);

    // --- Reading ---

    // "<name>.storyboard.json" from the bundle's resources (the main bundle
    // when nullptr). nullptr when there is none or it can't be read; the
    // reason goes to the error log.
    static std::shared_ptr<NSStoryboard> storyboardWithName(const String& name,
                                                            const std::shared_ptr<NSBundle>& bundle = nullptr);
    // A description given as text, or the message that says what is
    // malformed.
    static ParseResult<std::shared_ptr<NSStoryboard>> storyboardWithData(std::string_view json,
                                                                         const std::shared_ptr<NSBundle>& bundle);
    // The storyboard the main bundle's information property list names as
    // "NSMainStoryboardFile"; nullptr when it names none or it can't be
    // read. The same object while the main bundle stays the same.
    static std::shared_ptr<NSStoryboard> mainStoryboard();

    const String& name() const { return name_; }
    std::shared_ptr<NSBundle> bundle() const { return bundle_; }
    std::vector<String> controllerIdentifiers() const;

    // --- Instantiating ---

    // A fresh controller of the scene; nil (and an error log line) when
    // there is no such scene or making it failed.
    Id instantiateControllerWithIdentifier(const String& identifier);
    // The scene named "initialController"; nil when there is none.
    Id instantiateInitialController();

    // The objects of the application scene, which live as long as whoever
    // holds this (the program's main function keeps them for its run).
    struct TopLevelObjects {
        std::vector<std::pair<String, std::shared_ptr<NSObject>>> objects;
        std::shared_ptr<NSObject> objectWithIdentifier(const String& identifier) const;
    };
    // Makes the application scene's objects and connects them, the
    // application's own outlets (its delegate) included. None, with an error
    // log line, when making them failed; an empty set when the storyboard
    // has no application scene.
    std::optional<TopLevelObjects> instantiateApplicationScene(const std::shared_ptr<NSApplication>& application);

    // --- Segues ---

    // What a controller's performSegueWithIdentifier:sender: does: makes the
    // destination scene, asks the source (when it adopts NSSeguePerforming)
    // whether to go on, lets it prepare, then performs. The source must be a
    // controller a storyboard made; one without that segue raises an
    // invalid-argument exception, as the platform does.
    static void performSegue(NSObject& source, const String& identifier, const Id& sender);

    NSStoryboard(String name, std::shared_ptr<NSBundle> bundle,
                 std::shared_ptr<const detail::StoryboardDocument> document);
    ~NSStoryboard() override;

private:
    String name_;
    std::shared_ptr<NSBundle> bundle_;
    std::shared_ptr<const detail::StoryboardDocument> document_;
};
