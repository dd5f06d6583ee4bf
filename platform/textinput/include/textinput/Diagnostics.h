#pragma once

// Where this component reports run-time failures (a layout xkb cannot build,
// a missing compose table) and xkb's own error messages. Standard error by
// default; a program may send them elsewhere, and tests capture them.

#include <functional>
#include <string_view>

namespace textinput {

using DiagnosticHandler = std::function<void(std::string_view message)>;

// Replaces the handler; an empty function restores standard error. Returns the previous one.
DiagnosticHandler setDiagnosticHandler(DiagnosticHandler handler);

void reportDiagnostic(std::string_view message);

}  // namespace textinput
