#include "foundation/NSKeyValueBinding.h"

#include "BindingTable.h"
#include "foundation/NSException.h"
#include "foundation/NSValueTransformer.h"

namespace {

// Markers are objects of their own class, so that no value a model holds can
// be mistaken for one.
class ControllerMarker final : public NSObject {
    KS_OBJECT(ControllerMarker, NSObject)
public:
    explicit ControllerMarker(const char* name)
        : name_(name)
    {
    }
    String description() const override { return name_; }

private:
    String name_;
};

}  // namespace

const Id NSNoSelectionMarker = std::make_shared<ControllerMarker>("NSNoSelectionMarker");
const Id NSMultipleValuesMarker = std::make_shared<ControllerMarker>("NSMultipleValuesMarker");
const Id NSNotApplicableMarker = std::make_shared<ControllerMarker>("NSNotApplicableMarker");

bool NSIsControllerMarker(const Id& value)
{
    return value.isObject() && value.objectPointer()->isKindOf<ControllerMarker>();
}

const String NSValueBinding = "value";
const String NSContentObjectBinding = "contentObject";
const String NSContentBinding = "content";
const String NSEnabledBinding = "enabled";
const String NSHiddenBinding = "hidden";

const String NSObservedObjectKey = "NSObservedObject";
const String NSObservedKeyPathKey = "NSObservedKeyPath";
const String NSOptionsKey = "NSOptions";

const String NSValueTransformerBindingOption = "NSValueTransformer";
const String NSValueTransformerNameBindingOption = "NSValueTransformerName";
const String NSContinuouslyUpdatesValueBindingOption = "NSContinuouslyUpdatesValue";
const String NSValidatesImmediatelyBindingOption = "NSValidatesImmediately";
const String NSRaisesForNotApplicableKeysBindingOption = "NSRaisesForNotApplicableKeys";
const String NSDeletesObjectsOnRemoveBindingOption = "NSDeletesObjectsOnRemove";

std::shared_ptr<NSValueTransformer> valueTransformerForBindingOptions(const Dictionary& options)
{
    if (auto transformer = options.objectForKey(NSValueTransformerBindingOption).object<NSValueTransformer>())
        return transformer;
    Id name = options.objectForKey(NSValueTransformerNameBindingOption);
    if (name.isString())
        return NSValueTransformer::valueTransformerForName(*name.string());
    return nullptr;
}

detail::BindingTable* NSObject::bindingTable(bool create)
{
    if (!bindings_ && create)
        bindings_ = std::make_shared<detail::BindingTable>(*this);
    return bindings_.get();
}

void NSObject::bind(const String& binding, const Id& observable, const String& keyPath, const Dictionary& options)
{
    std::shared_ptr<NSObject> object = observable.objectReference();
    if (!object)
        NSException::raise(NSInvalidArgumentException,
                           "-[%s bind:toObject:withKeyPath:options:]: cannot bind \"%s\" to %s",
                           className().utf8().c_str(), binding.utf8().c_str(), observable.description().utf8().c_str());
    bindingTable(true)->bind(binding, std::move(object), keyPath, options);
}

void NSObject::unbind(const String& binding)
{
    if (auto* table = bindingTable(false))
        table->unbind(binding);
}

Id NSObject::infoForBinding(const String& binding)
{
    auto* table = bindingTable(false);
    auto* found = table ? table->find(binding) : nullptr;
    if (!found)
        return {};
    return Dictionary{{NSObservedObjectKey, Id(found->observable)},
                      {NSObservedKeyPathKey, found->keyPath},
                      {NSOptionsKey, found->options}};
}

bool writeBindingValue(NSObject& object, const String& binding, const Id& value)
{
    auto* table = object.bindingTable(false);
    auto* found = table ? table->find(binding) : nullptr;
    if (!found)
        return false;
    // Held for the write, which may unbind.
    std::shared_ptr<NSObject> observable = found->observable;
    String keyPath = found->keyPath;
    ++found->writingBack;
    struct Done {
        NSObject& object;
        const String& binding;
        ~Done()
        {
            auto* t = object.bindingTable(false);
            if (auto* b = t ? t->find(binding) : nullptr; b && b->writingBack > 0)
                --b->writingBack;
        }
    } done{object, binding};
    observable->setValueForKeyPath(value, keyPath);
    return true;
}

bool propagateBindingValue(NSObject& object, const String& binding, const Id& value)
{
    auto* table = object.bindingTable(false);
    auto* found = table ? table->find(binding) : nullptr;
    if (!found)
        return false;
    Id written = value;
    if (auto transformer = valueTransformerForBindingOptions(found->options)) {
        if (transformer->allowsReverseTransformation())
            written = transformer->reverseTransformedValue(value);
    }
    return writeBindingValue(object, binding, written);
}
