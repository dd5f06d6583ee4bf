#include "SessionProcessMirror.h"

#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "simulation/SimulatedDesktop.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

bool flag(const NSBundle& bundle, const char* key)
{
    Id value = bundle.objectForInfoDictionaryKey(key);
    return value.isBoolean() && value.boolValue();
}

// What the process is, from the bundle its executable lies in; the
// identifier alone when that can't be read (the process is gone, or runs
// from outside a bundle).
simulation::SimulatedApplication describe(const SessionProcess& process)
{
    simulation::SimulatedApplication application{.pid = process.processIdentifier,
                                                 .bundleIdentifier = process.bundleIdentifier,
                                                 .localizedName = process.bundleIdentifier};
    std::error_code error;
    auto executable =
        std::filesystem::read_symlink("/proc/" + std::to_string(process.processIdentifier) + "/exe", error);
    if (error)
        return application;
    auto bundle = NSBundle::bundleForExecutablePath(String(executable.string()));
    if (!bundle || bundle->bundleIdentifier() != process.bundleIdentifier)
        return application;
    Id name = bundle->objectForInfoDictionaryKey("CFBundleName");
    if (const String* text = name.string(); text && !text->empty())
        application.localizedName = *text;
    application.bundlePath = bundle->bundlePath();
    if (flag(*bundle, "LSBackgroundOnly"))
        application.activationPolicy = simulation::ActivationPolicy::Prohibited;
    else if (flag(*bundle, "LSUIElement"))
        application.activationPolicy = simulation::ActivationPolicy::Accessory;
    return application;
}

}  // namespace

void SessionProcessMirror::start()
{
    observation_ = SessionProcesses::observe([this](const SessionProcess& process, bool arrived) {
        if (arrived)
            this->arrived(process);
        else
            departed(process);
    });
    sync();
}

void SessionProcessMirror::sync()
{
    for (const auto& process : SessionProcesses::list())
        arrived(process);
}

void SessionProcessMirror::stop()
{
    observation_.reset();
}

void SessionProcessMirror::arrived(const SessionProcess& process)
{
    pid_t pid = process.processIdentifier;
    if (pid == ::getpid() || mirrored_.count(pid))
        return;
    auto desktop = simulation::SimulatedDesktop::current();
    if (!desktop->addRunningApplication(describe(process))) {
        Log::info("The program %s of the session (pid %d) is left out: the simulated desktop has that pid already",
                  process.bundleIdentifier.utf8().c_str(), static_cast<int>(pid));
        return;
    }
    mirrored_.insert(pid);
}

void SessionProcessMirror::departed(const SessionProcess& process)
{
    pid_t pid = process.processIdentifier;
    if (!mirrored_.count(pid))
        return;
    // A process that announced more than one identifier stays while any is
    // left.
    auto still = SessionProcesses::list();
    if (std::any_of(still.begin(), still.end(), [pid](const SessionProcess& p) { return p.processIdentifier == pid; }))
        return;
    mirrored_.erase(pid);
    simulation::SimulatedDesktop::current()->quitApplication(pid);
}
