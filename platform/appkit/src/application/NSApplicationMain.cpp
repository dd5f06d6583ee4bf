#include "appkit/NSApplicationMain.h"

#include "appkit/NSApplication.h"
#include "appkit/NSApplicationEnvironment.h"
#include "appkit/NSStoryboard.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"

#include <cstdlib>
#include <mutex>

namespace {

struct InstalledEnvironment {
    std::mutex mutex;
    std::shared_ptr<NSApplicationEnvironment> environment;
};

InstalledEnvironment& installedEnvironment()
{
    static auto* slot = new InstalledEnvironment;
    return *slot;
}

}  // namespace

std::shared_ptr<NSApplicationEnvironment> NSApplicationEnvironment::installed()
{
    auto& slot = installedEnvironment();
    std::lock_guard lock(slot.mutex);
    return slot.environment;
}

void NSApplicationEnvironment::install(std::shared_ptr<NSApplicationEnvironment> environment)
{
    auto& slot = installedEnvironment();
    std::lock_guard lock(slot.mutex);
    slot.environment = std::move(environment);
}

int NSApplicationMain(int argc, char** argv)
{
    auto environment = NSApplicationEnvironment::installed();
    if (environment)
        if (auto status = environment->prepare(argc, argv))
            return *status;

    auto bundle = NSBundle::mainBundle();
    auto application = NSApplication::sharedApplication();
    NSStoryboard::TopLevelObjects topLevelObjects;
    Id name = bundle ? bundle->objectForInfoDictionaryKey("NSMainStoryboardFile") : Id();
    if (name.string() && !name.string()->empty()) {
        auto storyboard = NSStoryboard::mainStoryboard();
        if (!storyboard) {
            Log::error("No main storyboard: the program can't start");
            return EXIT_FAILURE;
        }
        auto objects = storyboard->instantiateApplicationScene(application);
        if (!objects)
            return EXIT_FAILURE;
        topLevelObjects = std::move(*objects);
    }

    if (environment)
        return environment->run(*application);
    application->run();
    return EXIT_SUCCESS;
}
