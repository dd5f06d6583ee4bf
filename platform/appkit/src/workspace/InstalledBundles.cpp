#include "workspace/InstalledBundles.h"

#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace detail {

namespace {

bool flag(const NSBundle& bundle, const char* key)
{
    Id value = bundle.objectForInfoDictionaryKey(key);
    return value.isBoolean() && value.boolValue();
}

// The .app folders directly in `folder`, by name.
std::vector<fs::path> applicationsIn(const fs::path& folder)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".app")
            found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<fs::path> searchedBundles()
{
    std::vector<fs::path> candidates;
    auto main = NSBundle::mainBundle();
    std::vector<fs::path> enclosing;
    if (main && !main->bundlePath().empty()) {
        for (fs::path at = fs::path(main->bundlePath().utf8()); at.has_relative_path(); at = at.parent_path()) {
            if (at.extension() == ".app")
                enclosing.push_back(at);
            if (at == at.parent_path())
                break;
        }
    }
    // From the outermost in: a login item finds the application it belongs to
    // before anything beside it.
    std::reverse(enclosing.begin(), enclosing.end());
    std::vector<fs::path> folders;
    if (!enclosing.empty())
        folders.push_back(enclosing.front().parent_path());
    else if (main && !main->bundlePath().empty())
        folders.push_back(fs::path(main->bundlePath().utf8()).parent_path());
    folders.push_back(fs::path(NSHomeDirectory().utf8()) / "Applications");

    candidates = enclosing;
    for (const auto& folder : folders) {
        for (const auto& application : applicationsIn(folder)) {
            candidates.push_back(application);
            for (const auto& item : applicationsIn(application / "Contents/Library/LoginItems"))
                candidates.push_back(item);
        }
    }
    return candidates;
}

}  // namespace

std::optional<InstalledBundle> installedBundleAt(const std::string& path)
{
    std::error_code error;
    if (path.empty() || !fs::is_directory(path, error))
        return std::nullopt;
    auto bundle = NSBundle::bundleWithPath(String(path));
    if (!bundle || bundle->bundleIdentifier().empty())
        return std::nullopt;
    std::string executable = bundle->executablePath().utf8();
    if (executable.empty() || ::access(executable.c_str(), X_OK) != 0)
        return std::nullopt;
    Id name = bundle->objectForInfoDictionaryKey("CFBundleName");
    InstalledBundle installed{.path = path,
                              .bundleIdentifier = bundle->bundleIdentifier(),
                              .name = name.isString() ? *name.string() : String(fs::path(path).stem().string()),
                              .executable = executable};
    if (flag(*bundle, "LSBackgroundOnly"))
        installed.activationPolicy = simulation::ActivationPolicy::Prohibited;
    else if (flag(*bundle, "LSUIElement"))
        installed.activationPolicy = simulation::ActivationPolicy::Accessory;
    return installed;
}

std::optional<InstalledBundle> findInstalledBundle(const String& bundleIdentifier)
{
    if (bundleIdentifier.empty())
        return std::nullopt;
    for (const auto& candidate : searchedBundles()) {
        auto bundle = NSBundle::bundleWithPath(String(candidate.string()));
        if (!bundle || bundle->bundleIdentifier() != bundleIdentifier)
            continue;
        if (auto installed = installedBundleAt(candidate.string()))
            return installed;
    }
    return std::nullopt;
}

}  // namespace detail
