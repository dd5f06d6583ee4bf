#include "simulation/SimulatedHotKeys.h"

#include <algorithm>

namespace simulation {

namespace {

// Carbon modifiers, spelt out for the table below.
constexpr std::uint32_t kCommand = 0x100;
constexpr std::uint32_t kShift = 0x200;
constexpr std::uint32_t kOption = 0x800;
constexpr std::uint32_t kControl = 0x1000;
// The system lists the arrow and function-key shortcuts with the function
// key's bit as well; it is not one of the four modifiers a combination is
// told apart by.
constexpr std::uint32_t kFunction = 0x20000;

}  // namespace

std::optional<std::uint64_t> SimulatedHotKeys::registerHotKey(HotKeyRegistration registration, Handler handler)
{
    std::lock_guard lock(mutex_);
    if (findCombination(registration.keyCode, registration.modifiers))
        return std::nullopt;
    const auto token = nextToken_++;
    entries_.push_back({.token = token, .registration = registration, .handler = std::move(handler)});
    return token;
}

bool SimulatedHotKeys::unregisterHotKey(std::uint64_t token)
{
    std::lock_guard lock(mutex_);
    return std::erase_if(entries_, [&](const Entry& entry) { return entry.token == token; }) > 0;
}

std::vector<HotKeyRegistration> SimulatedHotKeys::registrations() const
{
    std::lock_guard lock(mutex_);
    std::vector<HotKeyRegistration> result;
    for (const auto& entry : entries_)
        result.push_back(entry.registration);
    return result;
}

std::optional<HotKeyRegistration> SimulatedHotKeys::holder(std::uint32_t keyCode, std::uint32_t modifiers) const
{
    std::lock_guard lock(mutex_);
    const auto* entry = findCombination(keyCode, modifiers);
    if (!entry)
        return std::nullopt;
    return entry->registration;
}

std::optional<SimulatedHotKeys::Match> SimulatedHotKeys::match(std::uint32_t keyCode, std::uint32_t modifiers) const
{
    std::lock_guard lock(mutex_);
    const auto* entry = findCombination(keyCode, modifiers);
    if (!entry)
        return std::nullopt;
    return Match{.token = entry->token, .registration = entry->registration, .handler = entry->handler};
}

std::optional<SimulatedHotKeys::Match> SimulatedHotKeys::registration(std::uint64_t token) const
{
    std::lock_guard lock(mutex_);
    for (const auto& entry : entries_) {
        if (entry.token == token)
            return Match{.token = entry.token, .registration = entry.registration, .handler = entry.handler};
    }
    return std::nullopt;
}

void SimulatedHotKeys::recordDelivery(HotKeyDelivery delivery)
{
    std::lock_guard lock(mutex_);
    deliveries_.push_back(delivery);
}

std::vector<HotKeyDelivery> SimulatedHotKeys::deliveries() const
{
    std::lock_guard lock(mutex_);
    return deliveries_;
}

std::vector<SymbolicHotKey> SimulatedHotKeys::defaultSymbolicHotKeys()
{
    // Key codes of the platform's keyboards: space 49, tab 48, grave 50,
    // 3/4/5 are 20/21/23, slash 44, the arrows 123 to 126, F1 122, F2 120,
    // F3 99, F11 103.
    return {
        {.name = "Show Spotlight search", .keyCode = 49, .modifiers = kCommand},
        {.name = "Show Finder search window", .keyCode = 49, .modifiers = kCommand | kOption},
        {.name = "Select the previous input source", .keyCode = 49, .modifiers = kControl},
        {.name = "Select next source in Input menu", .keyCode = 49, .modifiers = kControl | kOption, .enabled = false},
        {.name = "Switch applications", .keyCode = 48, .modifiers = kCommand},
        {.name = "Move focus to next window", .keyCode = 50, .modifiers = kCommand},
        {.name = "Save picture of screen as a file", .keyCode = 20, .modifiers = kCommand | kShift},
        {.name = "Copy picture of screen to the clipboard", .keyCode = 20, .modifiers = kCommand | kShift | kControl},
        {.name = "Save picture of selected area as a file", .keyCode = 21, .modifiers = kCommand | kShift},
        {.name = "Screenshot and recording options", .keyCode = 23, .modifiers = kCommand | kShift},
        {.name = "Show Help menu", .keyCode = 44, .modifiers = kCommand | kShift},
        {.name = "Mission Control", .keyCode = 126, .modifiers = kControl | kFunction},
        {.name = "Application windows", .keyCode = 125, .modifiers = kControl | kFunction},
        {.name = "Move left a space", .keyCode = 123, .modifiers = kControl | kFunction, .enabled = false},
        {.name = "Move right a space", .keyCode = 124, .modifiers = kControl | kFunction, .enabled = false},
        {.name = "Turn keyboard access on or off", .keyCode = 122, .modifiers = kControl | kFunction, .enabled = false},
        {.name = "Move focus to the menu bar", .keyCode = 120, .modifiers = kControl | kFunction},
        {.name = "Move focus to the Dock", .keyCode = 99, .modifiers = kControl | kFunction},
        {.name = "Show Desktop", .keyCode = 103, .modifiers = kFunction},
    };
}

std::vector<SymbolicHotKey> SimulatedHotKeys::symbolicHotKeys() const
{
    std::lock_guard lock(mutex_);
    return symbolicHotKeys_;
}

void SimulatedHotKeys::setSymbolicHotKeys(std::vector<SymbolicHotKey> hotKeys)
{
    std::lock_guard lock(mutex_);
    symbolicHotKeys_ = std::move(hotKeys);
}

CarbonFailures SimulatedHotKeys::failures() const
{
    std::lock_guard lock(mutex_);
    return failures_;
}

void SimulatedHotKeys::setFailures(CarbonFailures failures)
{
    std::lock_guard lock(mutex_);
    failures_ = failures;
}

const SimulatedHotKeys::Entry* SimulatedHotKeys::findCombination(std::uint32_t keyCode, std::uint32_t modifiers) const
{
    const auto wanted = modifiers & kCombinationModifiers;
    for (const auto& entry : entries_) {
        if (entry.registration.keyCode == keyCode && (entry.registration.modifiers & kCombinationModifiers) == wanted)
            return &entry;
    }
    return nullptr;
}

}  // namespace simulation
