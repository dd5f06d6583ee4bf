#include "servicemanagement/SMLoginItem.h"

#include "AutostartEntry.h"
#include "foundation/AtomicFile.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"
#include "simulation/SimulatedDesktop.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

struct Helper {
    std::string name;
    std::string executable;
};

// The application bundle with this identifier among the main bundle's login
// items, first by name where two claim it.
std::optional<Helper> findHelper(const String& identifier, std::string& searched)
{
    searched =
        stringByAppendingPathComponent(NSBundle::mainBundle()->bundlePath(), "Contents/Library/LoginItems").utf8();
    std::vector<std::filesystem::path> candidates;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(searched, error)) {
        if (entry.path().extension() == ".app")
            candidates.push_back(entry.path());
    }
    std::sort(candidates.begin(), candidates.end());
    for (const auto& path : candidates) {
        auto bundle = NSBundle::bundleWithPath(String(path.string()));
        if (!bundle || bundle->bundleIdentifier() != identifier)
            continue;
        std::string name = path.stem().string();
        // Where the executable is (or will be): the helper is named before it
        // need exist, as the registration names a program to run later.
        Id executableName = bundle->objectForInfoDictionaryKey("CFBundleExecutable");
        std::string file = executableName.isString() ? executableName.string()->utf8() : name;
        return Helper{.name = name, .executable = (path / "Contents/MacOS" / file).string()};
    }
    return std::nullopt;
}

// Identifiers become file names: nothing that leaves the folder or hides.
bool usableAsFileName(const std::string& identifier)
{
    return !identifier.empty() && identifier.front() != '.' && identifier.find('/') == std::string::npos &&
           identifier.find('\0') == std::string::npos;
}

bool writeEntry(const String& identifier, const std::string& path)
{
    std::string searched;
    auto helper = findHelper(identifier, searched);
    if (!helper) {
        Log::error("No login item with the bundle identifier %s in %s", identifier.utf8().c_str(), searched.c_str());
        return false;
    }
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), made);
    std::string error = made ? made.message() : std::string();
    if (!made &&
        writeFileAtomically(path, AutostartEntry::text(helper->name, helper->executable, identifier.utf8()), error))
        return true;
    Log::error("Could not write the autostart entry %s: %s", path.c_str(), error.c_str());
    return false;
}

bool removeEntry(const std::string& path)
{
    if (::unlink(path.c_str()) == 0 || errno == ENOENT)
        return true;
    Log::error("Could not remove the autostart entry %s: %s", path.c_str(), std::strerror(errno));
    return false;
}

}  // namespace

String SMLoginItemAutostartEntryPath(const String& identifier)
{
    return stringByAppendingPathComponent(NSHomeDirectory(), ".config/autostart/" + identifier.utf8() + ".desktop");
}

bool SMLoginItemSetEnabled(const String& identifier, bool enabled)
{
    auto desktop = simulation::SimulatedDesktop::current();
    auto item = desktop->loginItem(identifier);
    // The system decides first whether it knows the helper at all; what
    // fails after that leaves its registration as it was.
    if (!item || item->refuses)
        return desktop->setLoginItemEnabled(identifier, enabled);
    if (!usableAsFileName(identifier.utf8())) {
        Log::error("The bundle identifier %s can't name an autostart entry", identifier.utf8().c_str());
        return false;
    }
    std::string path = SMLoginItemAutostartEntryPath(identifier).utf8();
    if (!(enabled ? writeEntry(identifier, path) : removeEntry(path)))
        return false;
    return desktop->setLoginItemEnabled(identifier, enabled);
}
