#include "foundation/NSPathUtilities.h"

#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace {

std::mutex& homeMutex()
{
    static std::mutex m;
    return m;
}

String& homeOverride()
{
    static String* home = new String();
    return *home;
}

std::string userHome()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

String defaultHome()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        base = xdg;
    else
        base = userHome() + "/.local/share";
    return String(base + "/Kestrova/home");
}

}  // namespace

String NSHomeDirectory()
{
    std::lock_guard lock(homeMutex());
    if (homeOverride().empty())
        homeOverride() = defaultHome();
    return homeOverride();
}

void setHomeDirectory(const String& path)
{
    std::lock_guard lock(homeMutex());
    String trimmed = path;
    while (trimmed.length() > 1 && trimmed.hasSuffix("/"))
        trimmed = trimmed.substring(0, trimmed.length() - 1);
    homeOverride() = trimmed;
}

String NSTemporaryDirectory()
{
    std::string dir = "/tmp";
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp)
        dir = tmp;
    if (dir.back() != '/')
        dir.push_back('/');
    return String(dir);
}

String stringByExpandingTildeInPath(const String& path)
{
    if (path == String("~"))
        return NSHomeDirectory();
    if (path.hasPrefix("~/"))
        return stringByAppendingPathComponent(NSHomeDirectory(), path.substring(2));
    return path;
}

String stringByAppendingPathComponent(const String& base, const String& component)
{
    if (base.empty())
        return component;
    if (component.empty())
        return base;
    bool baseSlash = base.hasSuffix("/");
    bool componentSlash = component.hasPrefix("/");
    if (baseSlash && componentSlash)
        return base.appending(component.substring(1));
    if (baseSlash || componentSlash)
        return base.appending(component);
    return base.appending("/").appending(component);
}

String lastPathComponent(const String& path)
{
    String trimmed = path;
    while (trimmed.length() > 1 && trimmed.hasSuffix("/"))
        trimmed = trimmed.substring(0, trimmed.length() - 1);
    const std::u16string& units = trimmed.utf16();
    auto slash = units.rfind(u'/');
    if (slash == std::u16string::npos || trimmed.length() == 1)
        return trimmed;
    return trimmed.substring(slash + 1);
}

String pathExtension(const String& path)
{
    String last = lastPathComponent(path);
    const std::u16string& units = last.utf16();
    auto dot = units.rfind(u'.');
    if (dot == std::u16string::npos || dot == 0)
        return String();
    return last.substring(dot + 1);
}

String stringByDeletingPathExtension(const String& path)
{
    String extension = pathExtension(path);
    if (extension.empty())
        return path;
    String trimmed = path;
    while (trimmed.length() > 1 && trimmed.hasSuffix("/"))
        trimmed = trimmed.substring(0, trimmed.length() - 1);
    return trimmed.substring(0, trimmed.length() - extension.length() - 1);
}

String stringByDeletingLastPathComponent(const String& path)
{
    String trimmed = path;
    while (trimmed.length() > 1 && trimmed.hasSuffix("/"))
        trimmed = trimmed.substring(0, trimmed.length() - 1);
    const std::u16string& units = trimmed.utf16();
    auto slash = units.rfind(u'/');
    if (slash == std::u16string::npos)
        return String();
    if (slash == 0)
        return String("/");
    return trimmed.substring(0, slash);
}
