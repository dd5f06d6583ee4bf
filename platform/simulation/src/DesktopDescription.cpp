#include "simulation/DesktopDescription.h"

#include "foundation/Id.h"
#include "foundation/JsonReading.h"
#include "textinput/KeyboardLayoutCatalog.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <utility>

namespace simulation {

namespace {

using JsonReading::element;
using JsonReading::expectArray;
using JsonReading::expectBoolean;
using JsonReading::expectObject;
using JsonReading::find;
using JsonReading::Json;
using JsonReading::member;
using JsonReading::refuse;

// Answers injected in place of attribute values nest rarely more than a level
// or two; the cap keeps hostile input from recursing the stack away.
constexpr int kMaximumValueDepth = 32;

void allowKeys(const Json& object, const std::string& path, std::initializer_list<std::string_view> keys)
{
    if (auto key = JsonReading::unknownKey(object, keys))
        refuse(member(path, *key), "unknown key");
}

bool readBoolean(const Json& object, const char* key, const std::string& path, bool fallback)
{
    const Json* value = find(object, key);
    return value ? expectBoolean(*value, member(path, key)) : fallback;
}

// Null means "none".
std::optional<String> readOptionalString(const Json& value, const std::string& path)
{
    if (value.is_null())
        return std::nullopt;
    if (!value.is_string())
        refuse(path, "expected a string or null");
    return String(value.get_ref<const std::string&>());
}

// Absent and null both mean "none".
std::optional<String> readOptionalString(const Json& object, const char* key, const std::string& path)
{
    const Json* value = find(object, key);
    return value ? readOptionalString(*value, member(path, key)) : std::nullopt;
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

// Answers given in place of attribute values. A top-level null is a read
// that succeeds with nothing; nested ones are the null marker inside the
// answer.
std::map<String, Id> readAnswers(const Json& value, const std::string& path)
{
    const JsonReading::ValueReading reading{.null = Id::null(), .maximumDepth = kMaximumValueDepth};
    std::map<String, Id> answers;
    expectObject(value, path);
    for (const auto& [attribute, answer] : value.items())
        answers[String(attribute)] =
            answer.is_null() ? Id() : JsonReading::toId(answer, member(path, attribute), 1, reading);
    return answers;
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
    if (const Json* values = find(*value, "values"))
        failures.values = readAnswers(*values, member(path, "values"));
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

ActivationPolicy readActivationPolicy(const Json& value, const std::string& path)
{
    String name = value.is_string() ? String(value.get_ref<const std::string&>()) : String();
    if (name == String("regular"))
        return ActivationPolicy::Regular;
    if (name == String("accessory"))
        return ActivationPolicy::Accessory;
    if (name == String("prohibited"))
        return ActivationPolicy::Prohibited;
    refuse(path, "expected one of regular, accessory, prohibited");
}

// One window of `parsed`, the index-th of its list at `windowsPath`; being
// main or focused is noted in `parsed` until the numbers are known.
SimulatedWindow readWindow(const Json& item, const std::string& windowsPath, std::size_t index,
                           ParsedApplication& parsed)
{
    std::string path = element(windowsPath, index);
    expectObject(item, path);
    allowKeys(item, path, {"number", "title", "frame", "minimized", "role", "subrole", "main", "focused", "failures"});
    SimulatedWindow window;
    if (const Json* number = find(item, "number"))
        window.number = static_cast<CGWindowID>(readInteger(*number, member(path, "number"), 1,
                                                            std::numeric_limits<std::uint32_t>::max(),
                                                            "a positive 32-bit window number"));
    window.title = readOptionalString(item, "title", path);
    if (const Json* frame = find(item, "frame"))
        window.frame = readRect(*frame, member(path, "frame"), false);
    window.minimized = readBoolean(item, "minimized", path, false);
    if (const Json* role = find(item, "role"))
        window.role = JsonReading::expectString(*role, member(path, "role"));
    if (find(item, "subrole"))
        window.subrole = readOptionalString(item, "subrole", path);
    window.failures = readFailures(item, path, true);
    for (auto [key, slot] : {std::pair{"main", &parsed.mainIndex}, std::pair{"focused", &parsed.focusedIndex}}) {
        if (!readBoolean(item, key, path, false))
            continue;
        if (*slot)
            refuse(member(path, key), element(windowsPath, **slot) + " is " + key + " already");
        if (window.minimized)
            refuse(member(path, key), std::string("a minimised window can't be ") + key);
        *slot = index;
    }
    return window;
}

// A running application, or with `running` false an installed bundle (which
// has no process, so no pid and no state of one).
ParsedApplication readApplication(const Json& value, const std::string& path, bool running)
{
    expectObject(value, path);
    if (running)
        allowKeys(value, path,
                  {"pid", "bundleIdentifier", "name", "bundlePath", "activationPolicy", "icon", "iconFile", "hidden",
                   "terminated", "self", "frontmost", "windows", "failures"});
    else
        allowKeys(
            value, path,
            {"bundleIdentifier", "name", "bundlePath", "activationPolicy", "icon", "iconFile", "windows", "failures"});

    ParsedApplication parsed;
    parsed.path = path;
    auto& application = parsed.application;
    if (const Json* pid = find(value, "pid"))
        application.pid = static_cast<pid_t>(readInteger(
            *pid, member(path, "pid"), 1, std::numeric_limits<std::int32_t>::max(), "a positive 32-bit pid"));
    application.bundleIdentifier = readOptionalString(value, "bundleIdentifier", path);
    application.localizedName = readOptionalString(value, "name", path);
    application.bundlePath = readOptionalString(value, "bundlePath", path);
    if (const Json* policy = find(value, "activationPolicy"))
        application.activationPolicy = readActivationPolicy(*policy, member(path, "activationPolicy"));
    application.iconName = readOptionalString(value, "icon", path);
    application.iconFile = readOptionalString(value, "iconFile", path);
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
        std::size_t index = 0;
        for (const auto& item : expectArray(*windows, windowsPath)) {
            application.windows.push_back(readWindow(item, windowsPath, index, parsed));
            ++index;
        }
    }
    return parsed;
}

// Pids and window numbers are unique, and at most one application is our
// own process or frontmost.
void checkIdentities(const std::vector<ParsedApplication>& running)
{
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
}

// Pids and window numbers left out are handed out above the largest one
// given (counted wide, so that a largest one at the very top leaves none
// rather than wrapping round to numbers that are taken); then the
// applications join the desktop.
void settleRunning(std::vector<ParsedApplication>& running, DesktopState& state)
{
    std::int64_t nextPid = 400;
    std::int64_t nextNumber = 1000;
    for (const auto& parsed : running) {
        nextPid = std::max<std::int64_t>(nextPid, std::int64_t(parsed.application.pid) + 1);
        for (const auto& window : parsed.application.windows)
            nextNumber = std::max<std::int64_t>(nextNumber, std::int64_t(window.number) + 1);
    }
    for (auto& parsed : running) {
        auto& application = parsed.application;
        if (application.pid == 0) {
            if (nextPid >= std::numeric_limits<pid_t>::max())
                refuse(member(parsed.path, "pid"), "no pid is left to hand out");
            application.pid = static_cast<pid_t>(nextPid++);
        }
        for (auto& window : application.windows) {
            if (window.number == 0) {
                if (nextNumber > std::numeric_limits<CGWindowID>::max())
                    refuse(member(parsed.path, "windows"), "no window number is left to hand out");
                window.number = static_cast<CGWindowID>(nextNumber++);
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
}

void readApplications(const Json& value, DesktopState& state)
{
    std::vector<ParsedApplication> running;
    std::size_t index = 0;
    for (const auto& item : expectArray(value, "applications"))
        running.push_back(readApplication(item, element("applications", index++), true));
    checkIdentities(running);
    settleRunning(running, state);
}

void readInstalled(const Json& value, DesktopState& state)
{
    std::size_t index = 0;
    for (const auto& item : expectArray(value, "installed")) {
        auto parsed = readApplication(item, element("installed", index++), false);
        parsed.application.mainWindow = 0;
        parsed.application.focusedWindow = 0;
        for (auto& window : parsed.application.windows)
            window.number = 0;
        state.installedApplications.push_back(std::move(parsed.application));
    }
}

void readLoginItems(const Json& value, DesktopState& state)
{
    std::set<String> seen;
    std::size_t index = 0;
    for (const auto& item : expectArray(value, "loginItems")) {
        std::string path = element("loginItems", index++);
        expectObject(item, path);
        allowKeys(item, path, {"bundleIdentifier", "enabled", "refuses"});
        const Json* identifier = find(item, "bundleIdentifier");
        if (!identifier)
            refuse(member(path, "bundleIdentifier"), "missing");
        LoginItem loginItem{.bundleIdentifier =
                                JsonReading::expectString(*identifier, member(path, "bundleIdentifier")),
                            .enabled = readBoolean(item, "enabled", path, false),
                            .refuses = readBoolean(item, "refuses", path, false)};
        if (!seen.insert(loginItem.bundleIdentifier).second)
            refuse(member(path, "bundleIdentifier"), loginItem.bundleIdentifier.utf8() + " is listed already");
        state.loginItems.push_back(std::move(loginItem));
    }
}

void readAppearance(const Json& value, DesktopState& state)
{
    if (!value.is_string())
        refuse("appearance", "expected a string");
    const auto& name = value.get_ref<const std::string&>();
    if (name == "light")
        state.appearance = Appearance::Light;
    else if (name == "dark")
        state.appearance = Appearance::Dark;
    else
        refuse("appearance", "expected \"light\" or \"dark\"");
}

void readScreens(const Json& value, DesktopState& state)
{
    expectArray(value, "screens");
    if (value.empty())
        refuse("screens", "expected at least one screen");
    state.screens.clear();
    std::size_t index = 0;
    for (const auto& screen : value)
        state.screens.push_back({.frame = readRect(screen, element("screens", index++), true)});
}

void readRefusedEventTypes(const Json& value, DesktopState& state)
{
    std::size_t index = 0;
    for (const auto& type : expectArray(value, "refusedEventTypes"))
        state.refusedEventTypes.push_back(static_cast<std::uint32_t>(
            readInteger(type, element("refusedEventTypes", index++), 0, std::numeric_limits<std::uint32_t>::max(),
                        "an event type from 0 to 4294967295")));
}

void readKeyboardLayout(const Json& value, DesktopState& state)
{
    if (!value.is_string())
        refuse("keyboardLayout", "expected a string");
    const auto& identifier = value.get_ref<const std::string&>();
    if (!textinput::KeyboardLayoutCatalog::shared().contains(identifier))
        refuse("keyboardLayout", "unknown keyboard layout " + identifier);
    state.keyboardLayout = identifier;
}

// The keys of the whole description, read in this order when present, so
// that of several faults the same one is always named.
struct TopLevelKey {
    std::string_view key;
    void (*read)(const Json& value, DesktopState& state);
};

constexpr TopLevelKey kTopLevelKeys[] = {
    {"osVersion",
     [](const Json& value, DesktopState& state) { state.operatingSystemVersion = readVersion(value, "osVersion"); }},
    {"home", [](const Json& value, DesktopState& state) { state.homeDirectory = readOptionalString(value, "home"); }},
    {"trusted", [](const Json& value, DesktopState& state) { state.trusted = expectBoolean(value, "trusted"); }},
    {"appearance", readAppearance},
    {"screens", readScreens},
    {"pointer", [](const Json& value, DesktopState& state) { state.pointer = readPoint(value, "pointer"); }},
    {"refusedEventTypes", readRefusedEventTypes},
    {"keyboardLayout", readKeyboardLayout},
    {"applications", readApplications},
    {"installed", readInstalled},
    {"loginItems", readLoginItems},
};

void requireOwnProcess(const DesktopState& state)
{
    for (std::size_t index = 0; index < state.applications.size(); ++index) {
        const auto& application = state.applications[index];
        if (!application.ownProcess)
            continue;
        if (application.terminated)
            refuse(member(element("applications", index), "terminated"), "our own process can't be terminated");
        return;
    }
    refuse("applications", "expected our own process, an application with \"self\": true");
}

DesktopState readDesktop(const Json& root, DesktopDescription::OwnProcess ownProcess)
{
    expectObject(root, "description");
    if (auto key = JsonReading::unknownKey(root, {"osVersion", "home", "trusted", "appearance", "screens", "pointer",
                                                  "refusedEventTypes", "keyboardLayout", "applications", "installed",
                                                  "loginItems"}))
        refuse(*key, "unknown key");
    DesktopState state;
    for (const auto& [key, read] : kTopLevelKeys) {
        if (const Json* value = find(root, key))
            read(*value, state);
    }
    if (ownProcess == DesktopDescription::OwnProcess::Required)
        requireOwnProcess(state);
    return state;
}

}  // namespace

ParseResult<DesktopState> DesktopDescription::parse(std::string_view json, OwnProcess ownProcess)
{
    auto root = JsonReading::parse(json);
    if (!root)
        return ParseError{"description: not valid JSON: " + root.error()};
    return JsonReading::refusing([&] { return readDesktop(*root, ownProcess); });
}

ParseResult<DesktopState> DesktopDescription::readFile(const std::string& path, OwnProcess ownProcess)
{
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        return ParseError{path + ": is a folder, not a desktop description"};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return ParseError{path + ": can't be read"};
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad())
        return ParseError{path + ": can't be read"};
    auto result = parse(contents.str(), ownProcess);
    if (!result)
        return ParseError{path + ": " + result.error()};
    // Icon files lie beside the description that names them.
    auto folder = std::filesystem::absolute(path, ignored).parent_path();
    for (auto* list : {&result->applications, &result->installedApplications}) {
        for (auto& application : *list) {
            if (application.iconFile && std::filesystem::path(application.iconFile->utf8()).is_relative())
                application.iconFile = String((folder / application.iconFile->utf8()).lexically_normal().string());
        }
    }
    return result;
}

}  // namespace simulation
