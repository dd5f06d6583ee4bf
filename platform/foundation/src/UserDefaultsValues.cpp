#include "UserDefaultsValues.h"

namespace detail {

const String UserDefaultsValues::defaultsKey = "@defaults";

Id UserDefaultsValues::valueForKey(const String& key)
{
    if (key == defaultsKey)
        return defaults_.shared_from_this();
    return defaults_.objectForKey(key);
}

void UserDefaultsValues::setValueForKey(const Id& value, const String& key)
{
    // The defaults announce the change themselves; announcing it here too
    // would tell every observer twice.
    if (value.isNil())
        defaults_.removeObjectForKey(key);
    else
        defaults_.setObject(value, key);
}

std::vector<String> UserDefaultsValues::keyPathsForValuesAffectingValueForKey(const String& key) const
{
    if (key.hasPrefix("@"))
        return {};
    return {defaultsKey.appending(".").appending(key)};
}

}  // namespace detail
