#pragma once

#include "foundation/Id.h"
#include "foundation/String.h"

#include <map>
#include <optional>

namespace simulation {

// The ways an Accessibility call can fail that a test may want to provoke.
// The world knows nothing of the error codes: the Accessibility stand-in maps
// each to its own code.
enum class AccessibilityFailure {
    Failure,
    IllegalArgument,
    InvalidUIElement,
    CannotComplete,
    AttributeUnsupported,
    ActionUnsupported,
    NotImplemented,
    APIDisabled,
    NoValue,
};

// Names as the desktop description spells them ("cannotComplete", ...).
const char* accessibilityFailureName(AccessibilityFailure failure);
std::optional<AccessibilityFailure> accessibilityFailureFromName(const String& name);

// Failures injected into one application element or one window element.
// The key "*" in `reads` or `writes` stands for every attribute.
struct AccessibilityFailures {
    // Every call on the element (and, for an application, on its windows)
    // answers "cannot complete", as a hung application does.
    bool unresponsive = false;
    std::map<String, AccessibilityFailure> reads = {};
    std::map<String, AccessibilityFailure> writes = {};
    // Every way of raising the window: the raise action, and making it main
    // through its own attribute or its application's.
    std::optional<AccessibilityFailure> raise = std::nullopt;
    // The private window-number call fails for this window.
    bool windowNumber = false;
    // Answers that replace what a successful read would give; a nil Id makes
    // the read succeed with no value at all.
    std::map<String, Id> values = {};

    std::optional<AccessibilityFailure> readFailure(const String& attribute) const;
    std::optional<AccessibilityFailure> writeFailure(const String& attribute) const;
    const Id* valueOverride(const String& attribute) const;
};

}  // namespace simulation
