#include "foundation/NSDataAsset.h"

#include "foundation/NSPathUtilities.h"

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <vector>

namespace {

String typeForExtension(const String& extension)
{
    String lower = extension.lowercase();
    if (lower == String("json"))
        return "public.json";
    if (lower == String("txt"))
        return "public.plain-text";
    if (lower == String("plist"))
        return "com.apple.property-list";
    return "public.data";
}

}  // namespace

NSDataAsset::NSDataAsset(String name, Data data, String typeIdentifier)
    : name_(std::move(name))
    , data_(std::move(data))
    , typeIdentifier_(std::move(typeIdentifier))
{
}

std::shared_ptr<NSDataAsset> NSDataAsset::create(const String& name, std::shared_ptr<NSBundle> bundle)
{
    if (name.empty() || name.find("/") != String::npos)
        return nullptr;
    if (!bundle)
        bundle = NSBundle::mainBundle();
    String folder = bundle->dataAssetsPath();
    std::vector<String> candidates;
    if (DIR* dir = ::opendir(folder.utf8().c_str())) {
        String prefix = name.appending(".");
        while (dirent* entry = ::readdir(dir)) {
            String file(std::string_view(entry->d_name));
            if (file == name || (file.hasPrefix(prefix) && file.length() > prefix.length()))
                candidates.push_back(file);
        }
        ::closedir(dir);
    }
    std::sort(candidates.begin(), candidates.end());
    for (const String& file : candidates) {
        String path = stringByAppendingPathComponent(folder, file);
        struct stat info { };
        if (::stat(path.utf8().c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        std::ifstream in(path.utf8(), std::ios::binary);
        if (!in)
            continue;
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        String extension = file == name ? String() : file.substring(name.length() + 1);
        return std::make_shared<NSDataAsset>(name, Data(std::move(bytes)), typeForExtension(extension));
    }
    return nullptr;
}
