// Storyboards are files that people write by hand: any text must give either
// a storyboard or a message, and every scene of an accepted one must be made
// (or refused with a log line) without a crash, its view or window loaded.
// A scene of the program's own may stop the program on purpose when what it
// needs is missing (a windows list loaded with no application given): that
// is the program's contract, told through its fatal-error handler, not a
// fault of the reader.
#include "Kestrova/FatalError.h"
#include "Kestrova/StoryboardClasses.h"
#include "appkit/NSApplication.h"
#include "appkit/NSStoryboard.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindowController.h"
#include "foundation/Log.h"
#include "foundation/ScopedVirtualClock.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

// Quiet: refused scenes log, which is expected here.
class NullSink final : public LogSink {
public:
    void write(const LogEntry&) override { }
};

struct ContractStop { };

void loadContent(const Id& made)
{
    try {
        if (auto controller = made.object<NSViewController>())
            controller->view();
        else if (auto windowController = made.object<NSWindowController>())
            windowController->window();
    } catch (const ContractStop&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Log::setSink(std::make_shared<NullSink>());
    registerStoryboardClasses();
    setFatalErrorHandler([](const String&) { throw ContractStop(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ScopedVirtualClock clock;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto read = NSStoryboard::storyboardWithData(text, nullptr);
    if (!read) {
        if (read.error().empty())
            std::abort();
        return 0;
    }
    const std::shared_ptr<NSStoryboard>& storyboard = *read;
    for (const auto& identifier : storyboard->controllerIdentifiers())
        loadContent(storyboard->instantiateControllerWithIdentifier(identifier));
    auto objects = storyboard->instantiateApplicationScene(NSApplication::sharedApplication());
    objects.reset();
    NSApplication::resetForTesting();
    return 0;
}
