#pragma once

#include "foundation/String.h"

#include <functional>

// Where the program stops when its own contract is broken: a scene of the
// wrong class, a resource the bundle must carry. These are packaging and
// programming errors, so there is no way back; tests put a handler in place
// that throws, to see the message.
using FatalErrorHandler = std::function<void(const String& message)>;

// Hands the message to the handler; when it returns (or there is none) the
// message goes to standard error and the process aborts.
[[noreturn]] void fatalError(const String& message);

// Answers the handler that was in place; an empty one restores the default.
FatalErrorHandler setFatalErrorHandler(FatalErrorHandler handler);
