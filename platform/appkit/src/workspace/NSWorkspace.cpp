#include "appkit/NSWorkspace.h"

#include "appkit/NSError.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSWorkspaceOpenConfiguration.h"
#include "foundation/DispatchQueue.h"
#include "foundation/NSURL.h"
#include "simulation/SimulatedDesktop.h"

const String NSWorkspaceAccessibilityDisplayOptionsDidChangeNotification =
    "NSWorkspaceAccessibilityDisplayOptionsDidChangeNotification";

namespace {

// The platform's code for a file that isn't there.
constexpr NSInteger kFileReadNoSuchFileError = 260;

}  // namespace

NSWorkspace::NSWorkspace() = default;

NSWorkspace& NSWorkspace::sharedWorkspace()
{
    // Never released; owned by a shared pointer all the same, so that it can
    // be handed out as an object.
    static auto* holder = new std::shared_ptr<NSWorkspace>(std::make_shared<NSWorkspace>());
    return **holder;
}

std::vector<std::shared_ptr<NSRunningApplication>> NSWorkspace::runningApplications() const
{
    std::vector<std::shared_ptr<NSRunningApplication>> result;
    for (const auto& application : simulation::SimulatedDesktop::current()->runningApplications())
        result.push_back(NSRunningApplication::forProcess(application.pid));
    return result;
}

std::shared_ptr<NSRunningApplication> NSWorkspace::frontmostApplication() const
{
    pid_t frontmost = simulation::SimulatedDesktop::current()->frontmostApplication();
    return frontmost ? NSRunningApplication::forProcess(frontmost) : nullptr;
}

bool NSWorkspace::accessibilityDisplayShouldIncreaseContrast() const
{
    return simulation::SimulatedDesktop::current()->increaseContrast();
}

std::shared_ptr<NSURL> NSWorkspace::URLForApplicationWithBundleIdentifier(const String& bundleIdentifier) const
{
    auto path = simulation::SimulatedDesktop::current()->bundlePathForIdentifier(bundleIdentifier);
    return path ? NSURL::fileURLWithPath(*path) : nullptr;
}

void NSWorkspace::openApplicationAtURL(const std::shared_ptr<NSURL>& url,
                                       const std::shared_ptr<NSWorkspaceOpenConfiguration>& configuration,
                                       OpenCompletion completion)
{
    auto desktop = simulation::SimulatedDesktop::current();
    auto settings = configuration ? configuration : NSWorkspaceOpenConfiguration::configuration();
    simulation::SimulatedDesktop::LaunchOptions options;
    options.activates = settings->activates();
    options.newInstance = settings->createsNewApplicationInstance();
    if (pid_t own = desktop->ownProcess())
        options.requester = own;
    std::optional<pid_t> pid;
    if (url)
        pid = desktop->launchApplicationAtPath(url->path(), options);
    if (!completion)
        return;
    std::shared_ptr<NSRunningApplication> application = pid ? NSRunningApplication::forProcess(*pid) : nullptr;
    std::shared_ptr<NSError> error;
    if (!application)
        error = NSError::errorWithDomain(
            NSCocoaErrorDomain, kFileReadNoSuchFileError,
            Dictionary{{NSLocalizedDescriptionKey, Id(String("The application can\u2019t be opened."))}});
    DispatchQueue::main().async([completion, application, error] { completion(application, error); });
}
