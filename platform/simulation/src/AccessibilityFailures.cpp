#include "simulation/AccessibilityFailures.h"

#include <array>
#include <utility>

namespace simulation {

namespace {

constexpr std::array<std::pair<AccessibilityFailure, const char*>, 9> kNames{{
    {AccessibilityFailure::Failure, "failure"},
    {AccessibilityFailure::IllegalArgument, "illegalArgument"},
    {AccessibilityFailure::InvalidUIElement, "invalidUIElement"},
    {AccessibilityFailure::CannotComplete, "cannotComplete"},
    {AccessibilityFailure::AttributeUnsupported, "attributeUnsupported"},
    {AccessibilityFailure::ActionUnsupported, "actionUnsupported"},
    {AccessibilityFailure::NotImplemented, "notImplemented"},
    {AccessibilityFailure::APIDisabled, "apiDisabled"},
    {AccessibilityFailure::NoValue, "noValue"},
}};

std::optional<AccessibilityFailure> lookup(const std::map<String, AccessibilityFailure>& table, const String& key)
{
    if (auto it = table.find(key); it != table.end())
        return it->second;
    if (auto it = table.find("*"); it != table.end())
        return it->second;
    return std::nullopt;
}

}  // namespace

const char* accessibilityFailureName(AccessibilityFailure failure)
{
    for (const auto& [value, name] : kNames) {
        if (value == failure)
            return name;
    }
    return "failure";
}

std::optional<AccessibilityFailure> accessibilityFailureFromName(const String& name)
{
    for (const auto& [value, text] : kNames) {
        if (name == String(text))
            return value;
    }
    return std::nullopt;
}

std::optional<AccessibilityFailure> AccessibilityFailures::readFailure(const String& attribute) const
{
    if (unresponsive)
        return AccessibilityFailure::CannotComplete;
    return lookup(reads, attribute);
}

std::optional<AccessibilityFailure> AccessibilityFailures::writeFailure(const String& attribute) const
{
    if (unresponsive)
        return AccessibilityFailure::CannotComplete;
    return lookup(writes, attribute);
}

const Id* AccessibilityFailures::valueOverride(const String& attribute) const
{
    auto it = values.find(attribute);
    return it == values.end() ? nullptr : &it->second;
}

}  // namespace simulation
