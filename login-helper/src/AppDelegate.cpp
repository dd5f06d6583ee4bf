#include "KestrovaHelper/AppDelegate.h"

#include "appkit/NSApplication.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSWorkspace.h"
#include "appkit/NSWorkspaceOpenConfiguration.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSURL.h"

#include <cstdio>
#include <cstdlib>

const String AppDelegate::mainBundleIdentifier = "com.kestrova.Kestrova";

namespace {

const String kKillLauncherNotification = "killLauncher";
const Selector kTerminate("terminate");

}  // namespace

void AppDelegate::describe(ClassDescriptor& d)
{
    d.method<AppDelegate>(kTerminate, ReturnKind::Void, [](AppDelegate& self, std::span<const Id>) {
        self.terminate();
        return Id();
    });
}

void AppDelegate::applicationDidFinishLaunching(NSNotification&)
{
    auto& workspace = NSWorkspace::sharedWorkspace();
    for (const auto& application : workspace.runningApplications()) {
        auto identifier = application->bundleIdentifier();
        if (identifier && *identifier == mainBundleIdentifier) {
            terminate();
            return;
        }
    }

    // Listening before opening: the switcher's post at the end of its launch
    // can't come before we hear it.
    NSDistributedNotificationCenter::defaultCenter().addObserver(*this, kTerminate, kKillLauncherNotification,
                                                                 Id(mainBundleIdentifier));

    auto url = workspace.URLForApplicationWithBundleIdentifier(mainBundleIdentifier);
    if (!url)
        return;
    workspace.openApplicationAtURL(url, NSWorkspaceOpenConfiguration::configuration(), nullptr);
}

void AppDelegate::terminate()
{
    auto application = NSApp();
    if (!application) {
        std::fputs("KestrovaHelper: no shared application to terminate\n", stderr);
        std::abort();
    }
    application->terminate(Id());
}
