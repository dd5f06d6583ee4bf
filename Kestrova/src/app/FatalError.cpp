#include "Kestrova/FatalError.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace {

std::mutex& handlerMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

FatalErrorHandler& currentHandler()
{
    static auto* handler = new FatalErrorHandler;
    return *handler;
}

}  // namespace

void fatalError(const String& message)
{
    FatalErrorHandler handler;
    {
        std::lock_guard lock(handlerMutex());
        handler = currentHandler();
    }
    if (handler)
        handler(message);
    std::fprintf(stderr, "Fatal error: %s\n", message.utf8().c_str());
    std::fflush(stderr);
    std::abort();
}

FatalErrorHandler setFatalErrorHandler(FatalErrorHandler handler)
{
    std::lock_guard lock(handlerMutex());
    return std::exchange(currentHandler(), std::move(handler));
}
