#include "foundation/NSProcessInfo.h"

#include <errno.h>

#include <mutex>
#include <tuple>

namespace {

struct VersionSource {
    std::mutex mutex;
    NSProcessInfo::OperatingSystemVersionSource source;
};

VersionSource& versionSource()
{
    static auto* slot = new VersionSource;
    return *slot;
}

}  // namespace

NSProcessInfo::NSProcessInfo() = default;

NSProcessInfo& NSProcessInfo::processInfo()
{
    // Never released; owned by a shared pointer all the same, so that it can
    // be handed out as an object.
    static auto* holder = new std::shared_ptr<NSProcessInfo>(std::make_shared<NSProcessInfo>());
    return **holder;
}

void NSProcessInfo::setOperatingSystemVersionSource(OperatingSystemVersionSource source)
{
    auto& slot = versionSource();
    std::lock_guard lock(slot.mutex);
    slot.source = std::move(source);
}

NSOperatingSystemVersion NSProcessInfo::operatingSystemVersion() const
{
    OperatingSystemVersionSource source;
    {
        auto& slot = versionSource();
        std::lock_guard lock(slot.mutex);
        source = slot.source;
    }
    return source ? source() : NSOperatingSystemVersion{};
}

bool NSProcessInfo::isOperatingSystemAtLeastVersion(NSOperatingSystemVersion version) const
{
    auto running = operatingSystemVersion();
    return std::tie(running.majorVersion, running.minorVersion, running.patchVersion) >=
           std::tie(version.majorVersion, version.minorVersion, version.patchVersion);
}

String NSProcessInfo::processName() const
{
    return String(program_invocation_short_name);
}
