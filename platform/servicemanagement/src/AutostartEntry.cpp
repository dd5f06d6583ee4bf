#include "AutostartEntry.h"

namespace AutostartEntry {

namespace {

// A desktop entry's string value: backslashes and control characters written
// as escapes.
std::string stringValue(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string execValue(const std::string& executable)
{
    std::string quoted = "\"";
    for (char c : executable) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return stringValue(quoted);
}

std::string text(const std::string& name, const std::string& executable, const std::string& bundleIdentifier)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.5\n"
           "Name=" +
           stringValue(name) +
           "\n"
           "Exec=" +
           execValue(executable) +
           "\n"
           "Terminal=false\n"
           "NoDisplay=true\n"
           "X-Kestrova-BundleIdentifier=" +
           stringValue(bundleIdentifier) + "\n";
}

}  // namespace AutostartEntry
