#pragma once

#include "foundation/NSObject.h"
#include "foundation/NSUserDefaults.h"

namespace detail {

// The "values" of a user-defaults controller: each key reads and writes the
// user defaults, and depends on the same key of the defaults object (reached
// through the private key "@defaults"), so the defaults' own change
// announcements reach observers of "values.<key>".
class UserDefaultsValues final : public NSObject {
    KS_OBJECT(UserDefaultsValues, NSObject)
public:
    static const String defaultsKey;

    explicit UserDefaultsValues(NSUserDefaults& defaults)
        : defaults_(defaults)
    {
    }

    Id valueForKey(const String& key) override;
    void setValueForKey(const Id& value, const String& key) override;
    std::vector<String> keyPathsForValuesAffectingValueForKey(const String& key) const override;

private:
    // Outlives the controller that owns this proxy.
    NSUserDefaults& defaults_;
};

}  // namespace detail
