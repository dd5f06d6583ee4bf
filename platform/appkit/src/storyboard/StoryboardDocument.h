#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSLayoutConstraint.h"
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

// One side of a constraint: an object of the scene and one of its
// attributes.
struct StoryboardConstraintItem {
    String item;
    NSLayoutAttribute attribute = NSLayoutAttributeNotAnAttribute;
};

// first <relation> second * multiplier + constant, or first <relation>
// constant without a second item.
struct StoryboardConstraint {
    std::string path;
    StoryboardConstraintItem first;
    NSLayoutRelation relation = NSLayoutRelationEqual;
    std::optional<StoryboardConstraintItem> second;
    CGFloat multiplier = 1;
    CGFloat constant = 0;
    NSLayoutPriority priority = NSLayoutPriorityRequired;
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

}  // namespace detail
