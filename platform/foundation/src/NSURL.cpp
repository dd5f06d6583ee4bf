#include "foundation/NSURL.h"

#include "foundation/NSPathUtilities.h"

#include <unistd.h>

std::shared_ptr<NSURL> NSURL::fileURLWithPath(const String& path)
{
    if (path.empty())
        return nullptr;
    String absolute = path;
    if (!path.hasPrefix("/")) {
        char buffer[4096];
        if (::getcwd(buffer, sizeof buffer))
            absolute = stringByAppendingPathComponent(String(buffer), path);
    }
    while (absolute.length() > 1 && absolute.hasSuffix("/"))
        absolute = absolute.substring(0, absolute.length() - 1);
    return std::make_shared<NSURL>(absolute);
}

std::shared_ptr<NSURL> NSURL::URLWithString(const String& string)
{
    if (string.hasPrefix("file://"))
        return fileURLWithPath(string.substring(7));
    if (string.hasPrefix("/"))
        return fileURLWithPath(string);
    return nullptr;
}

String NSURL::absoluteString() const
{
    return String("file://").appending(path_);
}

String NSURL::lastPathComponent() const
{
    return ::lastPathComponent(path_);
}

String NSURL::pathExtension() const
{
    return ::pathExtension(path_);
}

std::shared_ptr<NSURL> NSURL::URLByAppendingPathComponent(const String& component) const
{
    return fileURLWithPath(stringByAppendingPathComponent(path_, component));
}

std::shared_ptr<NSURL> NSURL::URLByDeletingLastPathComponent() const
{
    String parent = stringByDeletingLastPathComponent(path_);
    return fileURLWithPath(parent.empty() ? String("/") : parent);
}

bool NSURL::isEqual(const Id& other) const
{
    auto url = other.object<NSURL>();
    return url && url->path_ == path_;
}

std::size_t NSURL::hash() const
{
    return path_.hash();
}
