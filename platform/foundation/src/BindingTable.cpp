#include "BindingTable.h"

#include "foundation/NSException.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSValueTransformer.h"

#include <algorithm>

namespace detail {

void BindingObserver::observeValueForKeyPath(const String&, NSObject*, const KeyValueChange& change, void*)
{
    if (change.isPrior || !table_ || !binding_)
        return;
    table_->update(*binding_);
}

BindingTable::~BindingTable()
{
    for (auto& binding : bindings_)
        takeDown(*binding);
}

void BindingTable::takeDown(Binding& binding)
{
    binding.observer->detach();
    try {
        binding.observable->removeObserver(*binding.observer, binding.keyPath, nullptr);
    } catch (const NSException&) {
        // The observed object let its observations go already.
    }
}

BindingTable::Binding* BindingTable::find(const String& name)
{
    for (auto& binding : bindings_) {
        if (binding->name == name)
            return binding.get();
    }
    return nullptr;
}

void BindingTable::bind(const String& name, std::shared_ptr<NSObject> observable, const String& keyPath,
                        const Dictionary& options)
{
    unbind(name);
    auto binding = std::make_shared<Binding>();
    binding->name = name;
    binding->observable = std::move(observable);
    binding->keyPath = keyPath;
    binding->options = options;
    binding->observer = std::make_shared<BindingObserver>(*this, *binding);
    bindings_.push_back(binding);
    binding->observable->addObserver(*binding->observer, keyPath, 0, nullptr);
    try {
        update(*binding);
    } catch (...) {
        // A value the owner refuses leaves it as it was before the call.
        unbind(name);
        throw;
    }
}

void BindingTable::unbind(const String& name)
{
    auto it = std::find_if(bindings_.begin(), bindings_.end(), [&](const auto& b) { return b->name == name; });
    if (it == bindings_.end())
        return;
    std::shared_ptr<Binding> binding = std::move(*it);
    bindings_.erase(it);
    takeDown(*binding);
}

void BindingTable::update(Binding& binding)
{
    if (binding.writingBack > 0)
        return;
    // Held for the call: setting the value may unbind.
    std::shared_ptr<NSObject> observable = binding.observable;
    Id value = observable->valueForKeyPath(binding.keyPath);
    if (!NSIsControllerMarker(value)) {
        if (auto transformer = valueTransformerForBindingOptions(binding.options))
            value = transformer->transformedValue(value);
    }
    owner_.setValueForKey(value, binding.name);
}

}  // namespace detail
