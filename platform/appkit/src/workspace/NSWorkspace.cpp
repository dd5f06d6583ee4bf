#include "appkit/NSWorkspace.h"

#include "appkit/NSError.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSWorkspaceOpenConfiguration.h"
#include "foundation/DetachedProcess.h"
#include "foundation/DispatchQueue.h"
#include "foundation/Log.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/NSURL.h"
#include "foundation/SessionProcesses.h"
#include "simulation/SimulatedDesktop.h"
#include "workspace/InstalledBundles.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

const String NSWorkspaceAccessibilityDisplayOptionsDidChangeNotification =
    "NSWorkspaceAccessibilityDisplayOptionsDidChangeNotification";

namespace {

// The platform's code for a file that isn't there.
constexpr NSInteger kFileReadNoSuchFileError = 260;

std::shared_ptr<NSError> cannotOpen()
{
    return NSError::errorWithDomain(
        NSCocoaErrorDomain, kFileReadNoSuchFileError,
        Dictionary{{NSLocalizedDescriptionKey, Id(String("The application can\u2019t be opened."))}});
}

// A real program of the session that announced this identifier, other than
// ourselves, as the bus has it now.
std::optional<pid_t> runningInstance(const String& bundleIdentifier)
{
    SessionProcesses::refresh();
    for (const auto& process : SessionProcesses::list(bundleIdentifier)) {
        if (process.processIdentifier != ::getpid())
            return process.processIdentifier;
    }
    return std::nullopt;
}

// A start under way, until the program has announced itself (then the
// application) or the child ended first (then an error): whichever comes
// first answers, once, and gives up the claim to start it.
struct PendingLaunch {
    String bundleIdentifier;
    // 0: another process is starting it; any process of the identifier will do.
    pid_t child = 0;
    bool claimed = false;
    NSWorkspace::OpenCompletion completion;
    std::shared_ptr<SessionProcesses::Observation> observation;
    bool answered = false;

    // On the main thread.
    void answer(pid_t pid, bool started)
    {
        if (answered)
            return;
        answered = true;
        observation.reset();
        if (claimed)
            SessionProcesses::releaseLaunch(bundleIdentifier);
        if (completion)
            completion(started ? NSRunningApplication::forProcess(pid) : nullptr, started ? nullptr : cannotOpen());
        completion = nullptr;
    }

    bool awaited(const SessionProcess& process) const
    {
        return child ? process.processIdentifier == child : process.bundleIdentifier == bundleIdentifier;
    }

    // Held by its own observation until it answers.
    static void watch(const std::shared_ptr<PendingLaunch>& pending)
    {
        pending->observation = SessionProcesses::observe([pending](const SessionProcess& process, bool arrived) {
            if (arrived && pending->awaited(process))
                pending->answer(process.processIdentifier, true);
        });
        // It may have come before the observation did.
        for (const auto& process : SessionProcesses::list(pending->bundleIdentifier)) {
            if (pending->awaited(process) && process.processIdentifier != ::getpid())
                DispatchQueue::main().async([pending, pid = process.processIdentifier] { pending->answer(pid, true); });
        }
    }
};

std::string logFileName(const String& name)
{
    std::string file = name.utf8();
    std::replace(file.begin(), file.end(), '/', '_');
    if (file.empty() || file.front() == '.')
        file.insert(0, "application");
    return file + ".log";
}

// The bundle's executable as a real process of its own, in the same world
// as this one (its home and desktop), its output in the home's logs.
void openInstalledApplication(const detail::InstalledBundle& bundle, const NSWorkspaceOpenConfiguration& settings,
                              const NSWorkspace::OpenCompletion& completion)
{
    auto pending = std::make_shared<PendingLaunch>();
    pending->bundleIdentifier = bundle.bundleIdentifier;
    pending->completion = completion;
    if (!settings.createsNewApplicationInstance()) {
        if (auto pid = runningInstance(bundle.bundleIdentifier)) {
            DispatchQueue::main().async([pending, pid = *pid] { pending->answer(pid, true); });
            return;
        }
        // Someone else is starting it this moment: it is on its way.
        if (!SessionProcesses::claimLaunch(bundle.bundleIdentifier)) {
            if (completion)
                PendingLaunch::watch(pending);
            return;
        }
        pending->claimed = true;
        // It may have come up between the look and the claim.
        if (auto pid = runningInstance(bundle.bundleIdentifier)) {
            DispatchQueue::main().async([pending, pid = *pid] { pending->answer(pid, true); });
            return;
        }
    }
    std::string logs = stringByAppendingPathComponent(NSHomeDirectory(), "Library/Logs").utf8();
    std::error_code ignored;
    std::filesystem::create_directories(logs, ignored);
    // Started to make sure the application runs: it gives way to another
    // start of it at the same moment.
    std::vector<std::string> environment;
    if (!settings.createsNewApplicationInstance())
        environment.push_back(std::string(SessionProcesses::standInVariable) + "=1");
    DetachedProcess::Launch launch{.executable = bundle.executable,
                                   .arguments = DetachedProcess::inheritedArguments(),
                                   .outputFile = logs + "/" + logFileName(bundle.name),
                                   .environment = std::move(environment),
                                   .exited = [weak = std::weak_ptr<PendingLaunch>(pending)](int) {
                                       DispatchQueue::main().async([weak] {
                                           if (auto p = weak.lock())
                                               p->answer(0, false);
                                       });
                                   }};
    std::string error;
    auto pid = DetachedProcess::spawn(launch, error);
    if (!pid) {
        Log::error("Could not start %s: %s", bundle.path.c_str(), error.c_str());
        DispatchQueue::main().async([pending] { pending->answer(0, false); });
        return;
    }
    pending->child = *pid;
    PendingLaunch::watch(pending);
}

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
    if (auto installed = detail::findInstalledBundle(bundleIdentifier))
        return NSURL::fileURLWithPath(String(installed->path));
    auto path = simulation::SimulatedDesktop::current()->bundlePathForIdentifier(bundleIdentifier);
    return path ? NSURL::fileURLWithPath(*path) : nullptr;
}

void NSWorkspace::openApplicationAtURL(const std::shared_ptr<NSURL>& url,
                                       const std::shared_ptr<NSWorkspaceOpenConfiguration>& configuration,
                                       OpenCompletion completion)
{
    auto desktop = simulation::SimulatedDesktop::current();
    auto settings = configuration ? configuration : NSWorkspaceOpenConfiguration::configuration();
    if (url) {
        if (auto installed = detail::installedBundleAt(url->path().utf8())) {
            openInstalledApplication(*installed, *settings, completion);
            return;
        }
    }
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
        error = cannotOpen();
    DispatchQueue::main().async([completion, application, error] { completion(application, error); });
}
