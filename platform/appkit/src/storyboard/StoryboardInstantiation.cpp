#include "storyboard/StoryboardInstantiation.h"

#include "appkit/NSApplication.h"
#include "appkit/NSApplicationDelegate.h"
#include "appkit/NSControl.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSPopover.h"
#include "appkit/NSPopoverDelegate.h"
#include "appkit/NSScrollView.h"
#include "appkit/NSStoryboard.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindow.h"
#include "appkit/NSWindowController.h"
#include "appkit/NSWindowDelegate.h"
#include "foundation/NSException.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSUserDefaultsController.h"
#include "foundation/NSValueTransformer.h"
#include "storyboard/StoryboardClassRegistry.h"
#include "storyboard/StoryboardSegueTable.h"

#include <utility>

namespace detail {

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& what)
{
    throw StoryboardInstantiationError{path + ": " + what};
}

constexpr NSAutoresizingMaskOptions kFillSuperview = NSViewWidthSizable | NSViewHeightSizable;

}  // namespace

StoryboardInstantiation::StoryboardInstantiation(std::shared_ptr<NSStoryboard> storyboard,
                                                 const StoryboardDocument& document,
                                                 std::shared_ptr<NSApplication> application)
    : storyboard_(std::move(storyboard))
    , document_(document)
    , application_(std::move(application))
{
}

std::shared_ptr<NSObject> StoryboardInstantiation::controller(const StoryboardScene& scene)
{
    auto controller = make(*scene.controller);
    for (const auto& object : scene.objects)
        make(*object);
    connect(*scene.controller);
    for (const auto& object : scene.objects)
        connect(*object);
    activateConstraints();
    return controller;
}

std::vector<std::shared_ptr<NSObject>> StoryboardInstantiation::nibObjects(const NibDocument& nib, const Id& owner)
{
    auto ownerObject = owner.object<NSObject>();
    if (ownerObject && nib.ownerCls && !ownerObject->isKindOfClass(*nib.ownerCls))
        fail("owner", "the owner is " + ownerObject->className().utf8() + ", not " + nib.ownerClass.utf8());
    std::vector<std::shared_ptr<NSObject>> objects;
    for (const auto& object : nib.scene.objects)
        objects.push_back(make(*object));
    for (const auto& object : nib.scene.objects)
        connect(*object);
    activateConstraints();
    if (ownerObject)
        for (const auto& [outlet, target] : nib.ownerOutlets)
            ownerObject->setValueForKey(Id(byIdentifier_.at(target)), outlet);
    return objects;
}

void StoryboardInstantiation::activateConstraints()
{
    std::vector<std::shared_ptr<NSLayoutConstraint>> made;
    std::vector<const StoryboardConstraint*> described = std::exchange(constraints_, {});
    for (const StoryboardConstraint* constraint : described) {
        auto first = resolve(constraint->firstItem, constraint->path + ".first");
        std::shared_ptr<NSObject> second;
        if (!constraint->secondItem.empty())
            second = resolve(constraint->secondItem, constraint->path + ".second");
        // Views that the description places in a superview and constraints
        // name are placed by the constraints alone, as a layout editor
        // leaves them; the top-level views keep their frames for whoever
        // shows them.
        for (const auto& item : {first, second})
            if (auto view = std::dynamic_pointer_cast<NSView>(item); view && view->superview())
                view->setTranslatesAutoresizingMaskIntoConstraints(false);
        std::shared_ptr<NSLayoutConstraint> layoutConstraint;
        try {
            layoutConstraint = NSLayoutConstraint::constraintWithItem(
                first, NSLayoutAttribute(constraint->firstAttribute), NSLayoutRelation(constraint->relation), second,
                NSLayoutAttribute(constraint->secondAttribute), constraint->multiplier, constraint->constant);
        } catch (const NSException& exception) {
            fail(constraint->path, exception.what());
        }
        layoutConstraint->setPriority(constraint->priority);
        layoutConstraint->setIdentifier(constraint->identifier);
        made.push_back(std::move(layoutConstraint));
    }
    NSLayoutConstraint::activateConstraints(made);
    // A constraint that could not be installed would leave the scene laid
    // out differently from its description: no scene rather than a wrong one.
    for (std::size_t i = 0; i < made.size(); ++i)
        if (!made[i]->isActive())
            fail(described[i]->path, "the items share no view tree");
}

std::vector<std::pair<String, std::shared_ptr<NSObject>>>
StoryboardInstantiation::applicationObjects(const StoryboardScene& scene)
{
    std::vector<std::pair<String, std::shared_ptr<NSObject>>> objects;
    for (const auto& object : scene.objects)
        objects.emplace_back(object->id, make(*object));
    for (const auto& object : scene.objects)
        connect(*object);
    activateConstraints();
    auto application = application_ ? application_ : NSApplication::sharedApplication();
    for (const auto& [outlet, target] : scene.applicationOutlets) {
        auto object = byIdentifier_.at(target);
        if (outlet == String("delegate")) {
            auto delegate = std::dynamic_pointer_cast<NSApplicationDelegate>(object);
            if (!delegate)
                fail("application.outlets.delegate", object->className().utf8() + " is no application delegate");
            application->setDelegate(delegate);
        } else {
            auto menu = std::dynamic_pointer_cast<NSMenu>(object);
            if (!menu)
                fail("application.outlets.mainMenu", object->className().utf8() + " is no menu");
            application->setMainMenu(menu);
        }
    }
    return objects;
}

std::shared_ptr<NSObject> StoryboardInstantiation::make(const StoryboardObject& object)
{
    std::shared_ptr<NSObject> made;
    if (object.separator) {
        made = NSMenuItem::separatorItem();
    } else {
        auto entry = StoryboardClassRegistry::shared().classNamed(object.className);
        if (!entry)
            fail(object.path, "the class " + object.className.utf8() + " is no longer registered");
        made = entry->factory();
    }
    if (!made || !made->isKindOfClass(*object.cls))
        fail(object.path, "the class " + object.className.utf8() + " made no object of its kind");
    byTemplate_[&object] = made;
    if (!object.id.empty())
        byIdentifier_[object.id] = made;

    for (const auto& subview : object.subviews)
        make(*subview);
    if (object.documentView)
        make(*object.documentView);
    for (const auto& item : object.items)
        make(*item);
    for (const auto* nested : {object.submenu.get(), object.view.get(), object.window.get()})
        if (nested)
            make(*nested);
    for (const auto& child : object.children)
        if (child.object)
            make(*child.object);
    if (object.contentViewController && object.contentViewController->object)
        make(*object.contentViewController->object);
    return made;
}

std::shared_ptr<NSObject> StoryboardInstantiation::resolve(const String& reference, const std::string& path) const
{
    if (reference == String("@application"))
        return application_ ? application_ : NSApplication::sharedApplication();
    if (reference == String("@sharedUserDefaultsController"))
        return NSUserDefaultsController::sharedUserDefaultsController().shared_from_this();
    auto found = byIdentifier_.find(reference);
    if (found == byIdentifier_.end())
        fail(path, "no object '" + reference.utf8() + "' in the scene");
    return found->second;
}

std::shared_ptr<NSObject> StoryboardInstantiation::embedded(const StoryboardReference& reference,
                                                            const std::string& path)
{
    if (reference.object)
        return byTemplate_.at(reference.object.get());
    const StoryboardScene* scene = document_.scene(reference.scene);
    if (!scene)
        fail(path, "no scene '" + reference.scene.utf8() + "'");
    StoryboardInstantiation nested(storyboard_, document_, application_);
    return nested.controller(*scene);
}

void StoryboardInstantiation::connect(const StoryboardObject& object)
{
    auto made = byTemplate_.at(&object);

    if (auto view = std::dynamic_pointer_cast<NSView>(made)) {
        if (object.frame)
            view->setFrame(*object.frame);
        if (object.autoresizingMask)
            view->setAutoresizingMask(*object.autoresizingMask);
        for (const auto& subview : object.subviews)
            view->addSubview(std::static_pointer_cast<NSView>(byTemplate_.at(subview.get())));
        if (object.documentView)
            std::static_pointer_cast<NSScrollView>(view)->setDocumentView(
                std::static_pointer_cast<NSView>(byTemplate_.at(object.documentView.get())));
        for (const auto& constraint : object.constraints)
            constraints_.push_back(&constraint);
    }
    if (auto window = std::dynamic_pointer_cast<NSWindow>(made)) {
        if (object.styleMask)
            window->setStyleMask(*object.styleMask);
        if (object.frame)
            window->setFrame(*object.frame, false);
        if (!object.delegate.empty()) {
            auto delegate = std::dynamic_pointer_cast<NSWindowDelegate>(resolve(object.delegate, object.path));
            if (!delegate)
                fail(object.path + ".delegate", "the object is no window delegate");
            window->setDelegate(delegate);
        }
    }
    if (auto popover = std::dynamic_pointer_cast<NSPopover>(made); popover && !object.delegate.empty()) {
        auto delegate = std::dynamic_pointer_cast<NSPopoverDelegate>(resolve(object.delegate, object.path));
        if (!delegate)
            fail(object.path + ".delegate", "the object is no popover delegate");
        popover->setDelegate(delegate);
    }
    if (auto menu = std::dynamic_pointer_cast<NSMenu>(made))
        for (const auto& item : object.items)
            menu->addItem(std::static_pointer_cast<NSMenuItem>(byTemplate_.at(item.get())));
    if (auto item = std::dynamic_pointer_cast<NSMenuItem>(made)) {
        if (object.keyEquivalent)
            item->setKeyEquivalent(*object.keyEquivalent);
        if (object.keyEquivalentModifierMask)
            item->setKeyEquivalentModifierMask(*object.keyEquivalentModifierMask);
        if (object.submenu)
            item->setSubmenu(std::static_pointer_cast<NSMenu>(byTemplate_.at(object.submenu.get())));
    }

    for (const auto& [key, value] : object.properties)
        made->setValueForKey(value, key);
    for (const auto& [key, target] : object.outlets)
        made->setValueForKey(Id(resolve(target, object.path + ".outlets." + key.utf8())), key);

    if (object.action) {
        Id target;
        if (!object.action->target.empty())
            target = Id(resolve(object.action->target, object.path + ".action.target"));
        if (auto control = std::dynamic_pointer_cast<NSControl>(made)) {
            control->setTarget(target);
            control->setAction(object.action->selector);
        } else if (auto item = std::dynamic_pointer_cast<NSMenuItem>(made)) {
            item->setTarget(target);
            item->setAction(object.action->selector);
        }
    }

    for (const auto& binding : object.bindings) {
        std::string path = object.path + ".bindings." + binding.binding.utf8();
        Id name = binding.options.objectForKey(NSValueTransformerNameBindingOption);
        if (name.string() && !NSValueTransformer::valueTransformerForName(*name.string()))
            fail(path, "no value transformer named '" + name.string()->utf8() + "'");
        made->bind(binding.binding, Id(resolve(binding.to, path)), binding.keyPath, binding.options);
    }

    if (std::dynamic_pointer_cast<NSViewController>(made))
        connectViewController(object, made);
    if (std::dynamic_pointer_cast<NSWindowController>(made))
        connectWindowController(object, made);
    if (!object.segues.empty())
        StoryboardSegueTable::shared().add(made, storyboard_, object);

    for (const auto& subview : object.subviews)
        connect(*subview);
    if (object.documentView)
        connect(*object.documentView);
    for (const auto& item : object.items)
        connect(*item);
    for (const auto* nested : {object.submenu.get(), object.view.get(), object.window.get()})
        if (nested)
            connect(*nested);
    for (const auto& child : object.children)
        if (child.object)
            connect(*child.object);
    if (object.contentViewController && object.contentViewController->object)
        connect(*object.contentViewController->object);
}

void StoryboardInstantiation::connectViewController(const StoryboardObject& object,
                                                    const std::shared_ptr<NSObject>& made)
{
    auto controller = std::static_pointer_cast<NSViewController>(made);
    controller->setStoryboard(storyboard_);

    std::vector<std::weak_ptr<NSViewController>> children;
    for (std::size_t i = 0; i < object.children.size(); ++i) {
        auto child = std::static_pointer_cast<NSViewController>(
            embedded(object.children[i], object.path + ".children[" + std::to_string(i) + "]"));
        controller->addChildViewController(child);
        children.push_back(child);
    }

    std::shared_ptr<NSView> view;
    if (object.view)
        view = std::static_pointer_cast<NSView>(byTemplate_.at(object.view.get()));
    if (!view && children.empty())
        return;
    // The view is handed over when the controller first asks for it, so that
    // viewDidLoad runs then; the children still in place move into it first
    // and fill it, as embedded controllers do. The loader holds the children
    // weakly: a child that has been popped is not brought back.
    controller->setViewLoader([view, children, weakController = std::weak_ptr<NSViewController>(controller)] {
        auto root = view;
        auto owner = weakController.lock();
        if (!root) {
            root = std::make_shared<NSView>();
            for (const auto& weakChild : children)
                if (auto child = weakChild.lock()) {
                    root->setFrameSize(child->view()->frame().size);
                    break;
                }
        }
        for (const auto& weakChild : children) {
            auto child = weakChild.lock();
            if (!child || !owner || child->parentViewController() != owner)
                continue;
            auto childView = child->view();
            childView->setFrame(root->bounds());
            childView->setAutoresizingMask(kFillSuperview);
            root->addSubview(childView);
        }
        return root;
    });
}

void StoryboardInstantiation::connectWindowController(const StoryboardObject& object,
                                                      const std::shared_ptr<NSObject>& made)
{
    auto controller = std::static_pointer_cast<NSWindowController>(made);
    controller->setStoryboard(storyboard_);
    std::shared_ptr<NSWindow> window;
    if (object.window)
        window = std::static_pointer_cast<NSWindow>(byTemplate_.at(object.window.get()));
    std::shared_ptr<NSViewController> content;
    if (object.contentViewController)
        content = std::static_pointer_cast<NSViewController>(
            embedded(*object.contentViewController, object.path + ".contentViewController"));
    if (!window && !content)
        return;
    if (!window)
        window = std::make_shared<NSWindow>();
    // Handed over on first use, so that windowDidLoad runs then, with the
    // content in place.
    controller->setWindowLoader([window, content] {
        if (content)
            window->setContentViewController(content);
        return window;
    });
}

}  // namespace detail
