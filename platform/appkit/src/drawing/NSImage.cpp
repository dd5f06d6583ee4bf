#include "appkit/NSImage.h"

#include "foundation/NSBundle.h"

#include <fstream>
#include <mutex>
#include <unordered_map>

namespace {

struct NamedImages {
    std::mutex mutex;
    // Set with setName: held weakly, as the platform lets a named image go
    // when nobody else holds it.
    std::unordered_map<String, std::weak_ptr<NSImage>> registered;
    // Found in a main bundle, keyed by the bundle's path and the name.
    std::unordered_map<String, std::shared_ptr<NSImage>> cached;
};

NamedImages& namedImages()
{
    static auto* images = new NamedImages;
    return *images;
}

// Width and height from a PNG's header chunk; zero for anything else.
NSSize pngSize(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    unsigned char header[24] = {};
    if (!file.read(reinterpret_cast<char*>(header), sizeof header))
        return NSZeroSize;
    static constexpr unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (int i = 0; i < 8; ++i)
        if (header[i] != signature[i])
            return NSZeroSize;
    auto word = [&](int at) {
        return (std::uint32_t(header[at]) << 24) | (std::uint32_t(header[at + 1]) << 16) |
               (std::uint32_t(header[at + 2]) << 8) | std::uint32_t(header[at + 3]);
    };
    return {CGFloat(word(16)), CGFloat(word(20))};
}

bool fileExists(const String& path)
{
    return !path.empty() && std::ifstream(path.utf8()).good();
}

}  // namespace

NSImage::NSImage(String path, NSSize size, String name)
    : path_(std::move(path))
    , name_(std::move(name))
    , size_(size)
{
}

std::shared_ptr<NSImage> NSImage::imageWithContentsOfFile(const String& path)
{
    if (!fileExists(path))
        return nullptr;
    return std::make_shared<NSImage>(path, pngSize(path.utf8()));
}

std::shared_ptr<NSImage> NSImage::imageForResource(const NSBundle& bundle, const String& name)
{
    return imageWithContentsOfFile(bundle.pathForImageResource(name));
}

std::shared_ptr<NSImage> NSImage::imageNamed(const String& name)
{
    if (name.empty())
        return nullptr;
    auto& images = namedImages();
    {
        std::lock_guard lock(images.mutex);
        if (auto it = images.registered.find(name); it != images.registered.end()) {
            if (auto image = it->second.lock())
                return image;
            images.registered.erase(it);
        }
    }
    auto bundle = NSBundle::mainBundle();
    if (!bundle)
        return nullptr;
    String key = bundle->bundlePath().appending("\n").appending(name);
    {
        std::lock_guard lock(images.mutex);
        if (auto it = images.cached.find(key); it != images.cached.end())
            return it->second;
    }
    auto image = imageForResource(*bundle, name);
    if (!image)
        return nullptr;
    image->name_ = name;
    std::lock_guard lock(images.mutex);
    return images.cached.emplace(key, image).first->second;
}

void NSImage::resetNamedImagesForTesting()
{
    auto& images = namedImages();
    std::lock_guard lock(images.mutex);
    images.registered.clear();
    images.cached.clear();
}

bool NSImage::setName(const String& name)
{
    auto& images = namedImages();
    std::lock_guard lock(images.mutex);
    if (!name.empty()) {
        auto it = images.registered.find(name);
        if (it != images.registered.end() && it->second.lock() && it->second.lock().get() != this)
            return false;
    }
    if (!name_.empty())
        images.registered.erase(name_);
    name_ = name;
    if (!name.empty())
        images.registered[name] = std::static_pointer_cast<NSImage>(shared_from_this());
    return true;
}

String NSImage::description() const
{
    return String::format("<NSImage: name=%s path=%s size=%gx%g>", name_.utf8().c_str(), path_.utf8().c_str(),
                          size_.width, size_.height);
}
