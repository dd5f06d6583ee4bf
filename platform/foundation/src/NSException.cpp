#include "foundation/NSException.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

const String NSInvalidArgumentException = "NSInvalidArgumentException";
const String NSInternalInconsistencyException = "NSInternalInconsistencyException";
const String NSRangeException = "NSRangeException";
const String NSUndefinedKeyException = "NSUnknownKeyException";
const String NSGenericException = "NSGenericException";

NSException::NSException(String name, String reason)
    : name_(std::move(name))
    , reason_(std::move(reason))
    , what_(name_.utf8() + ": " + reason_.utf8())
{
}

void NSException::raise(const String& name, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::vector<char> text(static_cast<std::size_t>(needed > 0 ? needed : 0) + 1);
    std::vsnprintf(text.data(), text.size(), format, copy);
    va_end(copy);
    throw NSException(name, String(text.data()));
}

namespace {

thread_local std::shared_ptr<NSAssertionHandler> threadHandler;

NSAssertionHandler& defaultHandler()
{
    static NSAssertionHandler* handler = new NSAssertionHandler();
    return *handler;
}

}  // namespace

void NSAssertionHandler::handleFailure(const char* function, const char* file, int line, const String& description)
{
    (void)function;
    (void)file;
    (void)line;
    throw NSException(NSInternalInconsistencyException, description);
}

NSAssertionHandler& NSAssertionHandler::currentHandler()
{
    return threadHandler ? *threadHandler : defaultHandler();
}

void NSAssertionHandler::setCurrentHandler(std::shared_ptr<NSAssertionHandler> handler)
{
    threadHandler = std::move(handler);
}

ScopedAssertionHandler::ScopedAssertionHandler(std::shared_ptr<NSAssertionHandler> handler)
    : previous_(threadHandler)
{
    NSAssertionHandler::setCurrentHandler(std::move(handler));
}

ScopedAssertionHandler::~ScopedAssertionHandler()
{
    NSAssertionHandler::setCurrentHandler(std::move(previous_));
}

void NSAssertParameterFailure(const char* function, const char* file, int line, const char* condition)
{
    NSAssertionHandler::currentHandler().handleFailure(
        function, file, line, String::format("Invalid parameter not satisfying: %s", condition));
}

void NSAssertFailure(const char* function, const char* file, int line, const String& description)
{
    NSAssertionHandler::currentHandler().handleFailure(function, file, line, description);
}
