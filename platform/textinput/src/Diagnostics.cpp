#include "textinput/Diagnostics.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace textinput {

namespace {

std::mutex& handlerMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

DiagnosticHandler& installedHandler()
{
    static auto* handler = new DiagnosticHandler;
    return *handler;
}

}  // namespace

DiagnosticHandler setDiagnosticHandler(DiagnosticHandler handler)
{
    std::lock_guard lock(handlerMutex());
    DiagnosticHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}

void reportDiagnostic(std::string_view message)
{
    DiagnosticHandler handler;
    {
        std::lock_guard lock(handlerMutex());
        handler = installedHandler();
    }
    if (handler) {
        handler(message);
    } else {
        std::fprintf(stderr, "textinput: %.*s\n", static_cast<int>(message.size()), message.data());
    }
}

}  // namespace textinput
