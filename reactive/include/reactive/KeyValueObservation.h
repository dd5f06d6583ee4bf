#pragma once

#include "foundation/NSObject.h"
#include "reactive/Observable.h"

#include <memory>
#include <optional>

namespace reactive {

// The values of one key path of an object as a stream: the current value at
// subscription, then every value after a change, each as an Id (nil when the
// key path holds nothing). The subscription keeps the object alive, as the
// observation needs it, and stops observing when it is disposed.
Observable<Id> observeValue(const std::shared_ptr<NSObject>& object, const String& keyPath);

// The same as optional Booleans: empty while the value is absent or not a
// Boolean.
Observable<std::optional<bool>> observeBoolean(const std::shared_ptr<NSObject>& object, const String& keyPath);

}  // namespace reactive
