#include "foundation/NSCoder.h"

#include "foundation/NSException.h"

#include <mutex>
#include <unordered_map>

namespace {

struct ClassRegistry {
    std::mutex mutex;
    std::unordered_map<String, NSCoder::ClassEntry> entries;
};

ClassRegistry& classRegistry()
{
    static auto* registry = new ClassRegistry();
    return *registry;
}

}  // namespace

void NSCoder::registerClass(const ClassDescriptor& cls, Factory factory, bool supportsSecureCoding)
{
    ClassRegistry& registry = classRegistry();
    std::lock_guard lock(registry.mutex);
    registry.entries[cls.name()] = ClassEntry{&cls, std::move(factory), supportsSecureCoding};
}

std::optional<NSCoder::ClassEntry> NSCoder::classNamed(const String& name)
{
    ClassRegistry& registry = classRegistry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.entries.find(name);
    if (it == registry.entries.end())
        return std::nullopt;
    return it->second;
}

void NSCoder::wrongDirection(const char* selector) const
{
    NSException::raise(NSInvalidArgumentException, "-[%s %s]: this coder cannot do that", coderClassName(), selector);
}

void NSCoder::encodeObject(const Id&, const String&)
{
    wrongDirection("encodeObject:forKey:");
}

void NSCoder::encodeBool(bool, const String&)
{
    wrongDirection("encodeBool:forKey:");
}

void NSCoder::encodeInteger(std::int64_t, const String&)
{
    wrongDirection("encodeInteger:forKey:");
}

void NSCoder::encodeUnsigned(std::uint64_t, const String&)
{
    wrongDirection("encodeInteger:forKey:");
}

void NSCoder::encodeDouble(double, const String&)
{
    wrongDirection("encodeDouble:forKey:");
}

bool NSCoder::containsValueForKey(const String&) const
{
    wrongDirection("containsValueForKey:");
}

Id NSCoder::decodeObjectForKey(const String&)
{
    wrongDirection("decodeObjectForKey:");
}

Id NSCoder::decodeObjectOfClass(const ClassDescriptor&, const String&)
{
    wrongDirection("decodeObjectOfClass:forKey:");
}

Id NSCoder::decodeObjectOfClasses(const std::vector<const ClassDescriptor*>&, const String&)
{
    wrongDirection("decodeObjectOfClasses:forKey:");
}

bool NSCoder::decodeBoolForKey(const String&)
{
    wrongDirection("decodeBoolForKey:");
}

std::int64_t NSCoder::decodeIntegerForKey(const String&)
{
    wrongDirection("decodeIntegerForKey:");
}

std::uint64_t NSCoder::decodeUnsignedForKey(const String&)
{
    wrongDirection("decodeIntegerForKey:");
}

double NSCoder::decodeDoubleForKey(const String&)
{
    wrongDirection("decodeDoubleForKey:");
}

void NSCoder::failWithError(const String&)
{
    wrongDirection("failWithError:");
}
