#include "foundation/NSObjectController.h"

#include "ControllerSelection.h"
#include "foundation/NSException.h"
#include "foundation/NSKeyValueBinding.h"

namespace {

const String contentPrefix = "content.";
const String selectionPrefix = "selection.";

// The container with the value at `keyPath` replaced: dictionaries along the
// way are values and are rebuilt; an object along the way takes the rest of
// the write itself and stays as it is.
Id replacing(const Id& container, const String& keyPath, const Id& value)
{
    auto dot = keyPath.find(".");
    if (const Dictionary* dictionary = container.dictionary()) {
        Dictionary copy = *dictionary;
        if (dot == String::npos) {
            copy.setObject(value, keyPath);
        } else {
            String key = keyPath.substring(0, dot);
            copy.setObject(replacing(copy.objectForKey(key), keyPath.substring(dot + 1), value), key);
        }
        return copy;
    }
    if (auto object = container.objectReference())
        object->setValueForKeyPath(value, keyPath);
    return container;
}

}  // namespace

NSObjectController::NSObjectController() = default;

NSObjectController::NSObjectController(Id content)
    : content_(std::move(content))
{
}

NSObjectController::~NSObjectController()
{
    if (selection_)
        selection_->detach();
}

void NSObjectController::describe(ClassDescriptor& d)
{
    d.property<NSObjectController>(
        "content", [](NSObjectController& c) { return c.content(); },
        [](NSObjectController& c, const Id& value) { c.setContent(value); });
    d.property<NSObjectController>(
        "contentObject", [](NSObjectController& c) { return c.content(); },
        [](NSObjectController& c, const Id& value) { c.setContent(value); });
    d.property<NSObjectController>("selection", [](NSObjectController& c) { return c.selection(); });
    d.property<NSObjectController>("selectedObjects", [](NSObjectController& c) { return Id(c.selectedObjects()); });
}

bool NSObjectController::automaticallyNotifiesObserversForKey(const String& key) const
{
    if (key == "content" || key == "contentObject" || key == "selection")
        return false;
    return NSController::automaticallyNotifiesObserversForKey(key);
}

void NSObjectController::setContent(const Id& content)
{
    if (content_.isIdenticalTo(content))
        return;
    replaceContent(content);
}

void NSObjectController::replaceContent(const Id& content)
{
    willChangeValueForKey("content");
    willChangeValueForKey("selection");
    content_ = content;
    didChangeValueForKey("selection");
    didChangeValueForKey("content");
}

Id NSObjectController::selection()
{
    if (!selection_)
        selection_ = std::make_shared<detail::ControllerSelection>(*this);
    return selection_;
}

Array NSObjectController::selectedObjects() const
{
    if (content_.isNil())
        return {};
    return Array{content_};
}

Id NSObjectController::singleValueForKey(const String& key)
{
    if (content_.isNil())
        return NSNoSelectionMarker;
    if (content_.isDictionary())
        return content_.dictionary()->objectForKey(key);
    if (auto object = content_.objectReference()) {
        try {
            return object->valueForKey(key);
        } catch (const NSException& e) {
            if (e.name() != NSUndefinedKeyException)
                throw;
            return NSNotApplicableMarker;
        }
    }
    return NSNotApplicableMarker;
}

void NSObjectController::setObjectClass(const ClassDescriptor* objectClass, std::function<Id()> make)
{
    objectClass_ = objectClass;
    makeObject_ = std::move(make);
}

Id NSObjectController::newObject()
{
    if (!objectClass())
        return Dictionary();
    if (!makeObject_)
        NSException::raise(NSInternalInconsistencyException, "%s cannot make a new %s", className().utf8().c_str(),
                           objectClass()->name().utf8().c_str());
    return makeObject_();
}

void NSObjectController::addObject(const Id& object)
{
    setContent(object);
    propagateBindingValue(*this, NSContentObjectBinding, object);
}

void NSObjectController::removeObject(const Id& object)
{
    if (content_.isNil() || !(content_.isIdenticalTo(object) || content_ == object))
        return;
    setContent(Id());
    propagateBindingValue(*this, NSContentObjectBinding, Id());
}

void NSObjectController::setValueForKeyPath(const Id& value, const String& keyPath)
{
    if (keyPath.hasPrefix(selectionPrefix)) {
        if (content_.isNil())
            return;
        setValueForKeyPath(value, contentPrefix.appending(keyPath.substring(selectionPrefix.length())));
        return;
    }
    if (keyPath.hasPrefix(contentPrefix) && content_.isDictionary()) {
        Id replaced = replacing(content_, keyPath.substring(contentPrefix.length()), value);
        // Writing what is there already changes nothing and tells no one.
        if (!(replaced == content_))
            replaceContent(replaced);
        return;
    }
    NSController::setValueForKeyPath(value, keyPath);
}
