#include "SRRecorderControlStyleResourceLoaderCacheKeys.h"

#include <cstdint>

namespace detail {

namespace {

bool sameComponents(const std::shared_ptr<SRRecorderControlStyleComponents>& a,
                    const std::shared_ptr<SRRecorderControlStyleComponents>& b)
{
    return a == b || (a && a->isEqual(Id(b)));
}

std::size_t hashOf(const std::shared_ptr<SRRecorderControlStyleComponents>& components)
{
    return components ? components->hash() : 0;
}

}  // namespace

SRRecorderControlStyleResourceLoaderCacheLookupPrefixesKey::SRRecorderControlStyleResourceLoaderCacheLookupPrefixesKey(
    String identifier, std::shared_ptr<SRRecorderControlStyleComponents> components)
    : identifier_(std::move(identifier))
    , components_(std::move(components))
{
}

bool SRRecorderControlStyleResourceLoaderCacheLookupPrefixesKey::isEqual(const Id& other) const
{
    auto key = other.object<SRRecorderControlStyleResourceLoaderCacheLookupPrefixesKey>();
    if (!key)
        return false;
    return key.get() == this || (identifier_ == key->identifier_ && sameComponents(components_, key->components_));
}

std::size_t SRRecorderControlStyleResourceLoaderCacheLookupPrefixesKey::hash() const
{
    return (std::size_t(hashOf(components_)) << 32) ^ identifier_.hash();
}

SRRecorderControlStyleResourceLoaderCacheImageKey::SRRecorderControlStyleResourceLoaderCacheImageKey(
    String identifier, std::shared_ptr<SRRecorderControlStyleComponents> components, String name)
    : identifier_(std::move(identifier))
    , components_(std::move(components))
    , name_(std::move(name))
{
}

bool SRRecorderControlStyleResourceLoaderCacheImageKey::isEqual(const Id& other) const
{
    auto key = other.object<SRRecorderControlStyleResourceLoaderCacheImageKey>();
    if (!key)
        return false;
    return key.get() == this ||
           (identifier_ == key->identifier_ && sameComponents(components_, key->components_) && name_ == key->name_);
}

std::size_t SRRecorderControlStyleResourceLoaderCacheImageKey::hash() const
{
    auto high = static_cast<std::uint32_t>(hashOf(components_) ^ name_.hash());
    return (std::size_t(high) << 32) ^ identifier_.hash();
}

}  // namespace detail
