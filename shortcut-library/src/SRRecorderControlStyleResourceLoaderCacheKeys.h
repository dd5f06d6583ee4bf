#pragma once

#include "foundation/NSObject.h"
#include "shortcut-library/SRRecorderControlStyleComponents.h"

#include <memory>

namespace detail {

// The loader's cache holds three kinds of entries in one place; the class of
// the key tells them apart (an info entry's key is the bare identifier).
// Keys never change once made.

// The lookup prefixes of an identifier for some components.
class SRRecorderControlStyleResourceLoaderCacheLookupPrefixesKey : public NSObject {
    KS_OBJECT(SRRecorderControlStyleResourceLoaderCacheLookupPrefixesKey, NSObject)

public:
    SRRecorderControlStyleResourceLoaderCacheLookupPrefixesKey(
        String identifier, std::shared_ptr<SRRecorderControlStyleComponents> components);

    const String& identifier() const { return identifier_; }
    const std::shared_ptr<SRRecorderControlStyleComponents>& components() const { return components_; }

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;

private:
    String identifier_;
    std::shared_ptr<SRRecorderControlStyleComponents> components_;
};

// Which resource answers an image name for an identifier and components.
class SRRecorderControlStyleResourceLoaderCacheImageKey : public NSObject {
    KS_OBJECT(SRRecorderControlStyleResourceLoaderCacheImageKey, NSObject)

public:
    SRRecorderControlStyleResourceLoaderCacheImageKey(String identifier,
                                                      std::shared_ptr<SRRecorderControlStyleComponents> components,
                                                      String name);

    const String& identifier() const { return identifier_; }
    const std::shared_ptr<SRRecorderControlStyleComponents>& components() const { return components_; }
    const String& name() const { return name_; }

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;

private:
    String identifier_;
    std::shared_ptr<SRRecorderControlStyleComponents> components_;
    String name_;
};

}  // namespace detail
