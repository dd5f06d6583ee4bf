#pragma once

// Bindings: an object's key that follows a key path of another object, and
// the markers that controllers answer where no single value exists.
//
// `bind` (on every NSObject) sets the receiver's key named by the binding
// ("value", "contentObject", ...) from the observed key path at once and on
// every change, through the forward transformation of the binding's value
// transformer: the object given as NSValueTransformerBindingOption, else the
// registered transformer named by NSValueTransformerNameBindingOption. An
// option given as the null marker counts as absent. Controller markers are
// handed on untransformed: only the bound object knows what to show for them.
// The binding holds the observed object until it is unbound.
//
// A control whose value changes in its own hands writes it back with
// `propagateBindingValue`; the binding does not echo that write into the
// control.

#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>

class NSValueTransformer;

// The controller markers, three distinct objects.
extern const Id NSNoSelectionMarker;
extern const Id NSMultipleValuesMarker;
extern const Id NSNotApplicableMarker;
bool NSIsControllerMarker(const Id& value);

// Binding names.
extern const String NSValueBinding;
extern const String NSContentObjectBinding;
extern const String NSContentBinding;
extern const String NSEnabledBinding;
extern const String NSHiddenBinding;

// Keys of infoForBinding.
extern const String NSObservedObjectKey;
extern const String NSObservedKeyPathKey;
extern const String NSOptionsKey;

// Binding options.
extern const String NSValueTransformerBindingOption;
extern const String NSValueTransformerNameBindingOption;
extern const String NSContinuouslyUpdatesValueBindingOption;
extern const String NSValidatesImmediatelyBindingOption;
extern const String NSRaisesForNotApplicableKeysBindingOption;
extern const String NSDeletesObjectsOnRemoveBindingOption;

// The transformer that binding options name, or nullptr: the transformer
// object first, then the registered name; null markers count as absent.
std::shared_ptr<NSValueTransformer> valueTransformerForBindingOptions(const Dictionary& options);

// Writes a value that the bound object produced back to the observed key
// path, reverse-transformed when the binding's transformer allows it (as it
// is otherwise). False when the binding is not bound.
bool propagateBindingValue(NSObject& object, const String& binding, const Id& value);
// The same write without any transformation, for controls that transform
// the value themselves.
bool writeBindingValue(NSObject& object, const String& binding, const Id& value);
