#include "reactive/KeyValueObservation.h"

namespace reactive {

Observable<Id> observeValue(const std::shared_ptr<NSObject>& object, const String& keyPath)
{
    return Observable<Id>::create([object, keyPath](Observer<Id> observer) {
        auto token = std::make_shared<ObservationToken>(
            observe(*object, keyPath, NSKeyValueObservingOptionNew | NSKeyValueObservingOptionInitial,
                    [observer](const KeyValueChange& change) {
                        // Change records report a missing value as the null marker.
                        observer.onNext(change.newValue.isNull() ? Id() : change.newValue);
                    }));
        return Disposable([object, token] { token->reset(); });
    });
}

Observable<std::optional<bool>> observeBoolean(const std::shared_ptr<NSObject>& object, const String& keyPath)
{
    return observeValue(object, keyPath).map([](const Id& value) -> std::optional<bool> {
        if (value.isBoolean())
            return value.boolValue();
        return std::nullopt;
    });
}

}  // namespace reactive
