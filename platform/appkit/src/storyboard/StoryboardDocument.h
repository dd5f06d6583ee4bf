#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/ClassDescriptor.h"
#include "foundation/Id.h"
#include "foundation/ParseResult.h"
#include "foundation/Selector.h"
#include "foundation/String.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace detail {

struct StoryboardObject;

// A controller given in place, or by the identifier of another scene.
struct StoryboardReference {
    String scene;
    std::unique_ptr<StoryboardObject> object;
};

struct StoryboardAction {
    Selector selector;
    // Empty: the first responder.
    String target;
};

struct StoryboardBinding {
    String binding;
    String to;
    String keyPath;
    Dictionary options;
};

// A constraint between two items of the scene (or one item and a constant),
// by the items' identifiers.
struct StoryboardConstraint {
    std::string path;
    String firstItem;
    NSInteger firstAttribute = 0;
    NSInteger relation = 0;
    // Empty for a size against a constant.
    String secondItem;
    NSInteger secondAttribute = 0;
    double multiplier = 1;
    double constant = 0;
    float priority = 1000;
    String identifier;
};

struct StoryboardSegueTemplate {
    String identifier;
    String className;
    String destination;
};

// One object of a description, checked: its class is registered, its keys
// are settable and its references resolve.
struct StoryboardObject {
    // Where it is in the description, for messages.
    std::string path;
    String id;
    String className;
    const ClassDescriptor* cls = nullptr;
    bool separator = false;

    std::vector<std::pair<String, Id>> properties;
    std::vector<std::pair<String, String>> outlets;
    std::optional<StoryboardAction> action;
    std::vector<StoryboardBinding> bindings;

    std::optional<NSRect> frame;
    std::optional<NSUInteger> autoresizingMask;
    std::vector<std::unique_ptr<StoryboardObject>> subviews;
    std::vector<StoryboardConstraint> constraints;
    // A scroll view's document.
    std::unique_ptr<StoryboardObject> documentView;
    std::optional<NSUInteger> styleMask;
    String delegate;
    std::vector<std::unique_ptr<StoryboardObject>> items;
    std::optional<String> keyEquivalent;
    std::optional<NSUInteger> keyEquivalentModifierMask;
    std::unique_ptr<StoryboardObject> submenu;
    std::unique_ptr<StoryboardObject> view;
    std::unique_ptr<StoryboardObject> window;
    std::optional<StoryboardReference> contentViewController;
    std::vector<StoryboardReference> children;
    std::vector<StoryboardSegueTemplate> segues;
};

struct StoryboardScene {
    String identifier;
    // Empty for the application scene.
    std::unique_ptr<StoryboardObject> controller;
    std::vector<std::unique_ptr<StoryboardObject>> objects;
    // The application scene's connections of the application object.
    std::vector<std::pair<String, String>> applicationOutlets;
};

// A whole description as read; immutable once made, and shared by the
// storyboard and the controllers it made (for their segues).
struct StoryboardDocument {
    String initialController;
    std::optional<StoryboardScene> application;
    std::vector<StoryboardScene> scenes;

    const StoryboardScene* scene(const String& identifier) const;

    // The document, or a message naming the place when the text is not a
    // valid description.
    static ParseResult<std::shared_ptr<const StoryboardDocument>> parse(std::string_view json);
};

// A nib as read: its top-level objects, made afresh for each owner, and the
// owner's outlets into them. The owner's class is named, so that the
// outlets can be checked as a scene's are, and a loading owner must be of
// it.
struct NibDocument {
    String ownerClass;
    const ClassDescriptor* ownerCls = nullptr;
    std::vector<std::pair<String, String>> ownerOutlets;
    StoryboardScene scene;

    static ParseResult<std::shared_ptr<const NibDocument>> parse(std::string_view json);
};

}  // namespace detail
