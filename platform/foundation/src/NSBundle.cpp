#include "foundation/NSBundle.h"

#include "foundation/Log.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/OpenStepPropertyList.h"
#include "foundation/PropertyList.h"

#include <algorithm>
#include <climits>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isDirectory(const String& path)
{
    struct stat info { };
    return ::stat(path.utf8().c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isFile(const String& path)
{
    struct stat info { };
    return ::stat(path.utf8().c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool readBytes(const String& path, std::vector<char>& bytes)
{
    std::ifstream in(path.utf8(), std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Resolves "." and ".." and symbolic links when the path exists, so that one
// bundle opened through two spellings of its path is one object.
String canonicalPath(const String& path)
{
    String expanded = stringByExpandingTildeInPath(path);
    char resolved[PATH_MAX];
    if (::realpath(expanded.utf8().c_str(), resolved))
        return String(std::string_view(resolved));
    while (expanded.length() > 1 && expanded.hasSuffix("/"))
        expanded = expanded.substring(0, expanded.length() - 1);
    return expanded;
}

struct Registry {
    std::recursive_mutex mutex;
    std::unordered_map<String, std::shared_ptr<NSBundle>> opened;
    // The paths callers spelled, for bundles already open: asking again by the
    // same spelling needs no trip to the file system.
    std::unordered_map<String, std::shared_ptr<NSBundle>> spellings;
    std::shared_ptr<NSBundle> main;
    std::unordered_map<const ClassDescriptor*, String> classes;
    std::vector<std::pair<String, String>> prefixes;
    std::vector<String> searchPaths;
};

Registry& registry()
{
    static Registry* r = new Registry();
    return *r;
}

String currentExecutablePath()
{
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return String();
    return String(std::string_view(buffer, static_cast<std::size_t>(length)));
}

const char* const localizations[] = {"en.lproj", "Base.lproj"};

}  // namespace

NSBundle::NSBundle(String path, String resourcePath, Dictionary info)
    : path_(std::move(path))
    , resourcePath_(std::move(resourcePath))
    , info_(std::move(info))
{
}

std::shared_ptr<NSBundle> NSBundle::open(const String& path)
{
    if (!isDirectory(path))
        return nullptr;
    bool application = path.hasSuffix(".app");
    String infoPath = application ? stringByAppendingPathComponent(path, "Contents/Info.plist")
                                  : stringByAppendingPathComponent(path, "Info.plist");
    String resources = application ? stringByAppendingPathComponent(path, "Contents/Resources")
                                   : stringByAppendingPathComponent(path, "Resources");
    if (!isFile(infoPath))
        return nullptr;
    std::vector<char> bytes;
    if (!readBytes(infoPath, bytes)) {
        Log::error("Could not read the information property list at %s", infoPath.utf8().c_str());
        return nullptr;
    }
    auto info = PropertyList::parse(bytes.data(), bytes.size());
    if (!info || !info->value.isDictionary()) {
        Log::error("Could not read the information property list at %s: %s", infoPath.utf8().c_str(),
                   info ? "not a dictionary" : info.error().c_str());
        return nullptr;
    }
    return std::make_shared<NSBundle>(path, resources, *info->value.dictionary());
}

std::shared_ptr<NSBundle> NSBundle::bundleWithPath(const String& path)
{
    if (path.empty())
        return nullptr;
    Registry& r = registry();
    {
        std::lock_guard lock(r.mutex);
        if (auto it = r.spellings.find(path); it != r.spellings.end())
            return it->second;
    }
    String canonical = canonicalPath(path);
    std::lock_guard lock(r.mutex);
    auto it = r.opened.find(canonical);
    auto bundle = it != r.opened.end() ? it->second : open(canonical);
    if (bundle) {
        r.opened.emplace(canonical, bundle);
        r.spellings.emplace(path, bundle);
    }
    return bundle;
}

std::shared_ptr<NSBundle> NSBundle::bundleWithURL(const std::shared_ptr<NSURL>& url)
{
    return url ? bundleWithPath(url->path()) : nullptr;
}

std::shared_ptr<NSBundle> NSBundle::bundleWithIdentifier(const String& identifier)
{
    if (identifier.empty())
        return nullptr;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (r.main && r.main->bundleIdentifier() == identifier)
        return r.main;
    std::shared_ptr<NSBundle> found;
    for (const auto& [path, bundle] : r.opened) {
        if (bundle->bundleIdentifier() == identifier && (!found || path < found->bundlePath()))
            found = bundle;
    }
    if (found)
        return found;

    std::vector<String> folders;
    if (r.main && r.main->bundlePath().hasSuffix(".app"))
        folders.push_back(stringByAppendingPathComponent(r.main->bundlePath(), "Contents/Frameworks"));
    folders.insert(folders.end(), r.searchPaths.begin(), r.searchPaths.end());
    for (const String& folder : folders) {
        std::vector<String> names;
        if (DIR* dir = ::opendir(folder.utf8().c_str())) {
            while (dirent* entry = ::readdir(dir)) {
                String name(std::string_view(entry->d_name));
                if (!name.hasPrefix("."))
                    names.push_back(name);
            }
            ::closedir(dir);
        }
        std::sort(names.begin(), names.end());
        for (const String& name : names) {
            auto bundle = bundleWithPath(stringByAppendingPathComponent(folder, name));
            if (bundle && bundle->bundleIdentifier() == identifier)
                return bundle;
        }
    }
    return nullptr;
}

void NSBundle::addBundleSearchPath(const String& folder)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    String canonical = canonicalPath(folder);
    if (std::find(r.searchPaths.begin(), r.searchPaths.end(), canonical) == r.searchPaths.end())
        r.searchPaths.push_back(canonical);
}

std::shared_ptr<NSBundle> NSBundle::bundleForExecutablePath(const String& executablePath)
{
    String canonical = canonicalPath(executablePath);
    String folder = stringByDeletingLastPathComponent(canonical);
    if (lastPathComponent(folder) == String("MacOS")) {
        String contents = stringByDeletingLastPathComponent(folder);
        String app = stringByDeletingLastPathComponent(contents);
        if (lastPathComponent(contents) == String("Contents") && app.hasSuffix(".app")) {
            if (auto bundle = bundleWithPath(app))
                return bundle;
        }
    }
    if (folder.empty())
        folder = String("/");
    // A bare tool: its folder stands in as a bundle without information, as
    // the platform does for command-line programs.
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (auto it = r.opened.find(folder); it != r.opened.end())
        return it->second;
    auto bundle = open(folder);
    if (!bundle)
        bundle = std::make_shared<NSBundle>(folder, folder, Dictionary());
    r.opened.emplace(folder, bundle);
    return bundle;
}

std::shared_ptr<NSBundle> NSBundle::mainBundle()
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (!r.main)
        r.main = bundleForExecutablePath(currentExecutablePath());
    return r.main;
}

void NSBundle::setMainBundle(std::shared_ptr<NSBundle> bundle)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.main = std::move(bundle);
}

std::shared_ptr<NSBundle> NSBundle::bundleForClass(const ClassDescriptor& cls)
{
    String path;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        if (auto it = r.classes.find(&cls); it != r.classes.end()) {
            path = it->second;
        } else {
            std::size_t best = 0;
            for (const auto& [prefix, bundlePath] : r.prefixes) {
                if (cls.name().hasPrefix(prefix) && prefix.length() >= best) {
                    best = prefix.length();
                    path = bundlePath;
                }
            }
        }
    }
    if (!path.empty()) {
        if (auto bundle = bundleWithPath(path))
            return bundle;
        Log::error("The bundle registered for class %s at %s is not a bundle", cls.name().utf8().c_str(),
                   path.utf8().c_str());
    }
    return mainBundle();
}

void NSBundle::registerBundleForClass(const ClassDescriptor& cls, const String& bundlePath)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.classes[&cls] = bundlePath;
}

void NSBundle::registerBundleForClassPrefix(const String& classNamePrefix, const String& bundlePath)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (auto& entry : r.prefixes) {
        if (entry.first == classNamePrefix) {
            entry.second = bundlePath;
            return;
        }
    }
    r.prefixes.emplace_back(classNamePrefix, bundlePath);
}

void NSBundle::resetForTesting()
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.opened.clear();
    r.spellings.clear();
    r.main.reset();
    r.classes.clear();
    r.prefixes.clear();
    r.searchPaths.clear();
}

String NSBundle::executablePath() const
{
    if (!path_.hasSuffix(".app"))
        return String();
    Id nameValue = info_.objectForKey("CFBundleExecutable");
    const String* name = nameValue.string();
    String executable = name ? *name : stringByDeletingPathExtension(lastPathComponent(path_));
    String path = stringByAppendingPathComponent(stringByAppendingPathComponent(path_, "Contents/MacOS"), executable);
    return isFile(path) ? path : String();
}

String NSBundle::bundleIdentifier() const
{
    Id identifierValue = info_.objectForKey("CFBundleIdentifier");
    const String* identifier = identifierValue.string();
    return identifier ? *identifier : String();
}

String NSBundle::pathForResource(const String& name, const String& type, const String& subdirectory) const
{
    if (name.empty() && type.empty())
        return String();
    String file = name;
    if (!type.empty())
        file = type.hasPrefix(".") ? name.appending(type) : name.appending(".").appending(type);
    if (name.empty() || file.find("/") != String::npos || file.find("..") == 0)
        return String();
    std::vector<String> folders{resourcePath_};
    for (const char* localization : localizations)
        folders.push_back(stringByAppendingPathComponent(resourcePath_, localization));
    for (const String& folder : folders) {
        String candidate = stringByAppendingPathComponent(stringByAppendingPathComponent(folder, subdirectory), file);
        struct stat info { };
        if (::stat(candidate.utf8().c_str(), &info) == 0)
            return candidate;
    }
    return String();
}

std::shared_ptr<NSURL> NSBundle::URLForResource(const String& name, const String& extension,
                                                const String& subdirectory) const
{
    String path = pathForResource(name, extension, subdirectory);
    return path.empty() ? nullptr : NSURL::fileURLWithPath(path);
}

std::vector<String> NSBundle::pathsForResourcesOfType(const String& type, const String& subdirectory) const
{
    std::vector<String> paths;
    std::vector<String> folders{resourcePath_};
    for (const char* localization : localizations)
        folders.push_back(stringByAppendingPathComponent(resourcePath_, localization));
    String suffix = type.empty() ? String() : String(".").appending(type);
    for (const String& base : folders) {
        String folder = stringByAppendingPathComponent(base, subdirectory);
        DIR* dir = ::opendir(folder.utf8().c_str());
        if (!dir)
            continue;
        while (dirent* entry = ::readdir(dir)) {
            String file(std::string_view(entry->d_name));
            if (file.hasPrefix("."))
                continue;
            if (suffix.empty() || file.hasSuffix(suffix)) {
                String path = stringByAppendingPathComponent(folder, file);
                if (isFile(path))
                    paths.push_back(path);
            }
        }
        ::closedir(dir);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

String NSBundle::localizedStringForKey(const String& key, const String& value, const String& table) const
{
    String tableName = table.empty() ? String("Localizable") : table;
    Dictionary strings;
    {
        std::lock_guard lock(tablesMutex_);
        auto it = tables_.find(tableName);
        if (it == tables_.end()) {
            Dictionary merged;
            // Later folders only fill in keys the earlier ones lack.
            std::vector<String> folders;
            for (const char* localization : localizations)
                folders.push_back(stringByAppendingPathComponent(resourcePath_, localization));
            folders.push_back(resourcePath_);
            for (const String& folder : folders) {
                String path = stringByAppendingPathComponent(folder, tableName.appending(".strings"));
                std::vector<char> bytes;
                if (!isFile(path) || !readBytes(path, bytes))
                    continue;
                Id parsed;
                std::string_view text(bytes.data(), bytes.size());
                if (text.starts_with("bplist00") || text.find("<plist") != std::string_view::npos) {
                    auto read = PropertyList::parse(bytes.data(), bytes.size());
                    if (read)
                        parsed = read->value;
                    else
                        Log::error("Could not read the strings table %s: %s", path.utf8().c_str(),
                                   read.error().c_str());
                } else {
                    auto read = OpenStepPropertyList::parseStringsTable(bytes.data(), bytes.size());
                    if (read.ok())
                        parsed = *read;
                    else
                        Log::error("Could not read the strings table %s: %s", path.utf8().c_str(),
                                   read.error().c_str());
                }
                if (const Dictionary* dict = parsed.dictionary()) {
                    for (const auto& [k, v] : *dict) {
                        if (k.isString() && v.isString() && !merged.contains(k))
                            merged.setObject(v, k);
                    }
                }
            }
            it = tables_.emplace(tableName, merged).first;
        }
        strings = it->second;
    }
    Id text = strings.objectForKey(key);
    if (text.isString())
        return *text.string();
    return value.empty() ? key : value;
}

String NSBundle::pathForImageResource(const String& name) const
{
    if (name.empty())
        return String();
    static const char* const types[] = {"png", "pdf", "tiff", "jpg", "jpeg", "gif", "icns"};
    String extension = pathExtension(name);
    if (!extension.empty()) {
        for (const char* type : types) {
            if (extension == String(type)) {
                String path = pathForResource(name, String());
                if (!path.empty())
                    return path;
            }
        }
    }
    for (const char* type : types) {
        String path = pathForResource(name, type);
        if (!path.empty())
            return path;
    }
    return String();
}

std::shared_ptr<NSURL> NSBundle::URLForImageResource(const String& name) const
{
    String path = pathForImageResource(name);
    return path.empty() ? nullptr : NSURL::fileURLWithPath(path);
}

String NSBundle::dataAssetsPath() const
{
    return stringByAppendingPathComponent(resourcePath_, "Assets");
}

String NSBundle::description() const
{
    return String::format("NSBundle <%s> (%s)", path_.utf8().c_str(), bundleIdentifier().utf8().c_str());
}
