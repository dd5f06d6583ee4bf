#include "simulation/DesktopDescription.h"

#include "foundation/Id.h"
#include "textinput/KeyboardLayoutCatalog.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <utility>

namespace simulation {

namespace {

using Json = nlohmann::json;

// Answers injected in place of attribute values nest rarely more than a level
// or two; the cap keeps hostile input from recursing the stack away.
constexpr int kMaximumValueDepth = 32;

struct Refusal {
    std::string message;
};

[[noreturn]] void refuse(const std::string& path, const std::string& what)
{
    throw Refusal{(path.empty() ? std::string("description") : path) + ": " + what};
}

std::string member(const std::string& path, const std::string& key)
{
    return path.empty() ? key : path + "." + key;
}
std::string element(const std::string& path, std::size_t index)
{
    return path + "[" + std::to_string(index) + "]";
}

const Json& expectObject(const Json& value, const std::string& path)
{
    if (!value.is_object())
        refuse(path, "expected an object");
    return value;
}

const Json& expectArray(const Json& value, const std::string& path)
{
    if (!value.is_array())
        refuse(path, "expected an array");
    return value;
}

void allowKeys(const Json& object, const std::string& path, std::initializer_list<const char*> keys)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string& key = it.key();
        if (std::none_of(keys.begin(), keys.end(), [&](const char* allowed) { return key == allowed; }))
            refuse(member(path, key), "unknown key");
    }
}

const Json* find(const Json& object, const char* key)
{
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

bool readBoolean(const Json& object, const char* key, const std::string& path, bool fallback)
{
    const Json* value = find(object, key);
    if (!value)
        return fallback;
    if (!value->is_boolean())
        refuse(member(path, key), "expected true or false");
    return value->get<bool>();
}

String readString(const Json& value, const std::string& path)
{
    if (!value.is_string())
        refuse(path, "expected a string");
    return String(value.get_ref<const std::string&>());
}

// Absent and null both mean "none".
std::optional<String> readOptionalString(const Json& object, const char* key, const std::string& path)
{
    const Json* value = find(object, key);
    if (!value || value->is_null())
        return std::nullopt;
    if (!value->is_string())
        refuse(member(path, key), "expected a string or null");
    return String(value->get_ref<const std::string&>());
}

std::int64_t readInteger(const Json& value, const std::string& path, std::int64_t minimum, std::int64_t maximum,
                         const char* expectation)
{
    bool inRange = false;
    std::int64_t result = 0;
    if (value.is_number_unsigned()) {
        auto raw = value.get<std::uint64_t>();
        inRange = raw <= static_cast<std::uint64_t>(maximum);
        result = inRange ? static_cast<std::int64_t>(raw) : 0;
    } else if (value.is_number_integer()) {
        result = value.get<std::int64_t>();
        inRange = result <= maximum;
    }
    if (!inRange || result < minimum)
        refuse(path, std::string("expected ") + expectation);
    return result;
}

double readNumber(const Json& object, const char* key, const std::string& path, bool positive)
{
    const Json* value = find(object, key);
    if (!value)
        refuse(member(path, key), "missing");
    if (!value->is_number())
        refuse(member(path, key), "expected a number");
    double number = value->get<double>();
    if (!std::isfinite(number))
        refuse(member(path, key), "expected a finite number");
    if (positive && number <= 0)
        refuse(member(path, key), "expected a positive number");
    return number;
}

CGPoint readPoint(const Json& value, const std::string& path)
{
    expectObject(value, path);
    allowKeys(value, path, {"x", "y"});
    return {readNumber(value, "x", path, false), readNumber(value, "y", path, false)};
}

CGRect readRect(const Json& value, const std::string& path, bool positiveSize)
{
    expectObject(value, path);
    allowKeys(value, path, {"x", "y", "width", "height"});
    CGRect rect{{readNumber(value, "x", path, false), readNumber(value, "y", path, false)},
                {readNumber(value, "width", path, positiveSize), readNumber(value, "height", path, positiveSize)}};
    if (rect.size.width < 0)
        refuse(member(path, "width"), "expected a number that isn't negative");
    if (rect.size.height < 0)
        refuse(member(path, "height"), "expected a number that isn't negative");
    return rect;
}

Id readValue(const Json& value, const std::string& path, int depth)
{
    if (depth > kMaximumValueDepth)
        refuse(path, "nested too deeply");
    switch (value.type()) {
    case Json::value_t::null:
        return Id::null();
    case Json::value_t::boolean:
        return Id::boolean(value.get<bool>());
    case Json::value_t::number_integer:
        return Id::number(value.get<std::int64_t>());
    case Json::value_t::number_unsigned:
        return Id::number(value.get<std::uint64_t>());
    case Json::value_t::number_float:
        return Id::number(value.get<double>());
    case Json::value_t::string:
        return Id(String(value.get_ref<const std::string&>()));
    case Json::value_t::array: {
        Array array;
        std::size_t index = 0;
        for (const auto& item : value)
            array.add(readValue(item, element(path, index++), depth + 1));
        return Id(array);
    }
    case Json::value_t::object: {
        Dictionary dictionary;
        for (const auto& [key, item] : value.items())
            dictionary.setObject(readValue(item, member(path, key), depth + 1), String(key));
        return Id(dictionary);
    }
    default:
        refuse(path, "expected a JSON value");
    }
}

AccessibilityFailure readFailureName(const Json& value, const std::string& path)
{
    auto failure =
        value.is_string() ? accessibilityFailureFromName(String(value.get_ref<const std::string&>())) : std::nullopt;
    if (!failure)
        refuse(path,
               "expected one of failure, illegalArgument, invalidUIElement, cannotComplete, attributeUnsupported, "
               "actionUnsupported, notImplemented, apiDisabled, noValue");
    return *failure;
}

std::map<String, AccessibilityFailure> readFailureTable(const Json& object, const char* key, const std::string& path)
{
    std::map<String, AccessibilityFailure> table;
    const Json* value = find(object, key);
    if (!value)
        return table;
    std::string tablePath = member(path, key);
    expectObject(*value, tablePath);
    for (const auto& [attribute, name] : value->items())
        table[String(attribute)] = readFailureName(name, member(tablePath, attribute));
    return table;
}

AccessibilityFailures readFailures(const Json& object, const std::string& owner, bool window)
{
    AccessibilityFailures failures;
    const Json* value = find(object, "failures");
    if (!value)
        return failures;
    std::string path = member(owner, "failures");
    expectObject(*value, path);
    if (window)
        allowKeys(*value, path, {"unresponsive", "read", "write", "raise", "windowNumber", "values"});
    else
        allowKeys(*value, path, {"unresponsive", "read", "write", "values"});
    failures.unresponsive = readBoolean(*value, "unresponsive", path, false);
    failures.reads = readFailureTable(*value, "read", path);
    failures.writes = readFailureTable(*value, "write", path);
    if (const Json* raise = find(*value, "raise"))
        failures.raise = readFailureName(*raise, member(path, "raise"));
    failures.windowNumber = readBoolean(*value, "windowNumber", path, false);
    if (const Json* values = find(*value, "values")) {
        std::string valuesPath = member(path, "values");
        expectObject(*values, valuesPath);
        for (const auto& [attribute, answer] : values->items()) {
            // A top-level null is a read that succeeds with nothing; nested
            // ones are the null marker inside the answer.
            failures.values[String(attribute)] =
                answer.is_null() ? Id() : readValue(answer, member(valuesPath, attribute), 1);
        }
    }
    return failures;
}

OperatingSystemVersion readVersion(const Json& value, const std::string& path)
{
    const char* expectation = "expected a major version number or a text such as \"14.2.1\"";
    OperatingSystemVersion version;
    if (value.is_number_integer()) {
        version.majorVersion = static_cast<int>(readInteger(value, path, 1, 999, "a major version from 1 to 999"));
        return version;
    }
    if (!value.is_string())
        refuse(path, expectation);
    const auto& text = value.get_ref<const std::string&>();
    int parts[3] = {0, 0, 0};
    std::size_t count = 0;
    const char* cursor = text.data();
    const char* end = text.data() + text.size();
    while (true) {
        if (count == 3)
            refuse(path, expectation);
        auto [next, error] = std::from_chars(cursor, end, parts[count]);
        if (error != std::errc() || next == cursor || parts[count] < 0 || parts[count] > 999)
            refuse(path, expectation);
        ++count;
        cursor = next;
        if (cursor == end)
            break;
        if (*cursor != '.')
            refuse(path, expectation);
        ++cursor;
    }
    if (parts[0] < 1)
        refuse(path, expectation);
    return {parts[0], parts[1], parts[2]};
}

// What was parsed of one application before numbers are handed out.
struct ParsedApplication {
    SimulatedApplication application;
    std::string path;
    std::optional<std::size_t> mainIndex;
    std::optional<std::size_t> focusedIndex;
    bool frontmost = false;
};

ParsedApplication readApplication(const Json& value, const std::string& path, bool running)
{
    expectObject(value, path);
    if (running)
        allowKeys(value, path,
                  {"pid", "bundleIdentifier", "name", "bundlePath", "activationPolicy", "icon", "hidden", "terminated",
                   "self", "frontmost", "windows", "failures"});
    else
        allowKeys(value, path,
                  {"bundleIdentifier", "name", "bundlePath", "activationPolicy", "icon", "windows", "failures"});

    ParsedApplication parsed;
    parsed.path = path;
    auto& application = parsed.application;
    if (const Json* pid = find(value, "pid"))
        application.pid = static_cast<pid_t>(readInteger(
            *pid, member(path, "pid"), 1, std::numeric_limits<std::int32_t>::max(), "a positive 32-bit pid"));
    application.bundleIdentifier = readOptionalString(value, "bundleIdentifier", path);
    application.localizedName = readOptionalString(value, "name", path);
    application.bundlePath = readOptionalString(value, "bundlePath", path);
    if (const Json* policy = find(value, "activationPolicy")) {
        std::string policyPath = member(path, "activationPolicy");
        String name = policy->is_string() ? String(policy->get_ref<const std::string&>()) : String();
        if (name == String("regular"))
            application.activationPolicy = ActivationPolicy::Regular;
        else if (name == String("accessory"))
            application.activationPolicy = ActivationPolicy::Accessory;
        else if (name == String("prohibited"))
            application.activationPolicy = ActivationPolicy::Prohibited;
        else
            refuse(policyPath, "expected one of regular, accessory, prohibited");
    }
    application.iconName = readOptionalString(value, "icon", path);
    application.hidden = readBoolean(value, "hidden", path, false);
    application.terminated = readBoolean(value, "terminated", path, false);
    application.ownProcess = readBoolean(value, "self", path, false);
    parsed.frontmost = readBoolean(value, "frontmost", path, false);
    if (parsed.frontmost && application.terminated)
        refuse(member(path, "frontmost"), "a terminated application can't be frontmost");
    if (parsed.frontmost && application.hidden)
        refuse(member(path, "frontmost"), "a hidden application can't be frontmost");
    if (parsed.frontmost && application.activationPolicy == ActivationPolicy::Prohibited)
        refuse(member(path, "frontmost"), "a prohibited application can't be frontmost");
    if (!running && !application.bundleIdentifier && !application.bundlePath)
        refuse(path, "expected a bundleIdentifier or a bundlePath to launch it by");
    application.failures = readFailures(value, path, false);

    if (const Json* windows = find(value, "windows")) {
        std::string windowsPath = member(path, "windows");
        expectArray(*windows, windowsPath);
        std::size_t index = 0;
        for (const auto& item : *windows) {
            std::string windowPath = element(windowsPath, index);
            expectObject(item, windowPath);
            allowKeys(item, windowPath,
                      {"number", "title", "frame", "minimized", "role", "subrole", "main", "focused", "failures"});
            SimulatedWindow window;
            if (const Json* number = find(item, "number"))
                window.number = static_cast<CGWindowID>(readInteger(*number, member(windowPath, "number"), 1,
                                                                    std::numeric_limits<std::uint32_t>::max(),
                                                                    "a positive 32-bit window number"));
            window.title = readOptionalString(item, "title", windowPath);
            if (const Json* frame = find(item, "frame"))
                window.frame = readRect(*frame, member(windowPath, "frame"), false);
            window.minimized = readBoolean(item, "minimized", windowPath, false);
            if (const Json* role = find(item, "role"))
                window.role = readString(*role, member(windowPath, "role"));
            if (find(item, "subrole"))
                window.subrole = readOptionalString(item, "subrole", windowPath);
            window.failures = readFailures(item, windowPath, true);
            for (auto [key, slot] :
                 {std::pair{"main", &parsed.mainIndex}, std::pair{"focused", &parsed.focusedIndex}}) {
                if (!readBoolean(item, key, windowPath, false))
                    continue;
                if (*slot)
                    refuse(member(windowPath, key), element(windowsPath, **slot) + " is " + key + " already");
                if (window.minimized)
                    refuse(member(windowPath, key), std::string("a minimised window can't be ") + key);
                *slot = index;
            }
            application.windows.push_back(std::move(window));
            ++index;
        }
    }
    return parsed;
}

DesktopState readDesktop(const Json& root)
{
    expectObject(root, "");
    allowKeys(root, "",
              {"osVersion", "home", "trusted", "appearance", "screens", "pointer", "refusedEventTypes", "keyboardLayout",
               "applications", "installed", "loginItems"});
    DesktopState state;
    if (const Json* version = find(root, "osVersion"))
        state.operatingSystemVersion = readVersion(*version, "osVersion");
    state.homeDirectory = readOptionalString(root, "home", "");
    state.trusted = readBoolean(root, "trusted", "", true);
    if (const Json* appearance = find(root, "appearance")) {
        String name = readString(*appearance, "appearance");
        if (name == String("light"))
            state.appearance = Appearance::Light;
        else if (name == String("dark"))
            state.appearance = Appearance::Dark;
        else
            refuse("appearance", "expected \"light\" or \"dark\"");
    }
    if (const Json* screens = find(root, "screens")) {
        expectArray(*screens, "screens");
        if (screens->empty())
            refuse("screens", "expected at least one screen");
        state.screens.clear();
        std::size_t index = 0;
        for (const auto& screen : *screens)
            state.screens.push_back({.frame = readRect(screen, element("screens", index++), true)});
    }
    if (const Json* pointer = find(root, "pointer"))
        state.pointer = readPoint(*pointer, "pointer");
    if (const Json* types = find(root, "refusedEventTypes")) {
        expectArray(*types, "refusedEventTypes");
        std::size_t index = 0;
        for (const auto& type : *types)
            state.refusedEventTypes.push_back(static_cast<std::uint32_t>(
                readInteger(type, element("refusedEventTypes", index++), 0, std::numeric_limits<std::uint32_t>::max(),
                            "an event type from 0 to 4294967295")));
    }

    if (const Json* layout = find(root, "keyboardLayout")) {
        if (!layout->is_string())
            refuse("keyboardLayout", "expected a string");
        const auto& identifier = layout->get_ref<const std::string&>();
        if (!textinput::KeyboardLayoutCatalog::shared().contains(identifier))
            refuse("keyboardLayout", "unknown keyboard layout " + identifier);
        state.keyboardLayout = identifier;
    }

    std::vector<ParsedApplication> running;
    if (const Json* applications = find(root, "applications")) {
        expectArray(*applications, "applications");
        std::size_t index = 0;
        for (const auto& item : *applications)
            running.push_back(readApplication(item, element("applications", index++), true));
    }

    // Identity: pids and window numbers are unique, and those left out are
    // handed out above the largest one given.
    std::map<pid_t, std::string> pids;
    std::map<CGWindowID, std::string> numbers;
    std::string ownProcess;
    std::string frontmost;
    for (const auto& parsed : running) {
        const auto& application = parsed.application;
        if (application.pid != 0) {
            auto [it, fresh] = pids.emplace(application.pid, parsed.path);
            if (!fresh)
                refuse(member(parsed.path, "pid"),
                       std::to_string(application.pid) + " is used by " + it->second + " already");
        }
        if (application.ownProcess) {
            if (!ownProcess.empty())
                refuse(member(parsed.path, "self"), ownProcess + " is our own process already");
            ownProcess = parsed.path;
        }
        if (parsed.frontmost) {
            if (!frontmost.empty())
                refuse(member(parsed.path, "frontmost"), frontmost + " is frontmost already");
            frontmost = parsed.path;
        }
        std::size_t index = 0;
        for (const auto& window : application.windows) {
            std::string windowPath = element(member(parsed.path, "windows"), index++);
            if (window.number == 0)
                continue;
            auto [it, fresh] = numbers.emplace(window.number, windowPath);
            if (!fresh)
                refuse(member(windowPath, "number"),
                       std::to_string(window.number) + " is used by " + it->second + " already");
        }
    }
    pid_t nextPid = pids.empty() ? 400 : std::max<pid_t>(400, pids.rbegin()->first + 1);
    CGWindowID nextNumber = numbers.empty() ? 1000 : std::max<CGWindowID>(1000, numbers.rbegin()->first + 1);
    for (auto& parsed : running) {
        auto& application = parsed.application;
        if (application.pid == 0) {
            if (nextPid == std::numeric_limits<pid_t>::max())
                refuse(member(parsed.path, "pid"), "no pid is left to hand out");
            application.pid = nextPid++;
        }
        for (auto& window : application.windows) {
            if (window.number == 0) {
                if (nextNumber == 0)
                    refuse(member(parsed.path, "windows"), "no window number is left to hand out");
                window.number = nextNumber++;
            }
        }
        if (parsed.mainIndex)
            application.mainWindow = application.windows[*parsed.mainIndex].number;
        if (parsed.focusedIndex)
            application.focusedWindow = application.windows[*parsed.focusedIndex].number;
        if (parsed.frontmost)
            state.frontmostApplication = application.pid;
        state.applications.push_back(std::move(application));
    }

    if (const Json* installed = find(root, "installed")) {
        expectArray(*installed, "installed");
        std::size_t index = 0;
        for (const auto& item : *installed) {
            auto parsed = readApplication(item, element("installed", index++), false);
            parsed.application.mainWindow = 0;
            parsed.application.focusedWindow = 0;
            for (auto& window : parsed.application.windows)
                window.number = 0;
            state.installedApplications.push_back(std::move(parsed.application));
        }
    }

    if (const Json* items = find(root, "loginItems")) {
        expectArray(*items, "loginItems");
        std::set<String> seen;
        std::size_t index = 0;
        for (const auto& item : *items) {
            std::string path = element("loginItems", index++);
            expectObject(item, path);
            allowKeys(item, path, {"bundleIdentifier", "enabled", "refuses"});
            const Json* identifier = find(item, "bundleIdentifier");
            if (!identifier)
                refuse(member(path, "bundleIdentifier"), "missing");
            LoginItem loginItem{.bundleIdentifier = readString(*identifier, member(path, "bundleIdentifier")),
                                .enabled = readBoolean(item, "enabled", path, false),
                                .refuses = readBoolean(item, "refuses", path, false)};
            if (!seen.insert(loginItem.bundleIdentifier).second)
                refuse(member(path, "bundleIdentifier"), loginItem.bundleIdentifier.utf8() + " is listed already");
            state.loginItems.push_back(std::move(loginItem));
        }
    }
    return state;
}

}  // namespace

DesktopDescription::Result DesktopDescription::parse(std::string_view json)
{
    Json root;
    try {
        root = Json::parse(json.begin(), json.end());
    } catch (const Json::exception& error) {
        // The library's texts start with its own bracketed error name, which
        // says nothing to the author of a description.
        std::string text = error.what();
        if (auto bracket = text.find("] "); text.starts_with("[") && bracket != std::string::npos)
            text.erase(0, bracket + 2);
        return {std::nullopt, "description: not valid JSON: " + text};
    }
    try {
        return {readDesktop(root), {}};
    } catch (const Refusal& refusal) {
        return {std::nullopt, refusal.message};
    }
}

DesktopDescription::Result DesktopDescription::readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {std::nullopt, path + ": can't be read"};
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad())
        return {std::nullopt, path + ": can't be read"};
    auto result = parse(contents.str());
    if (!result.state)
        result.error = path + ": " + result.error;
    return result;
}

}  // namespace simulation
