#pragma once

#include "appkit/NSApplicationDelegate.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

class NSNotification;

// The login helper's application delegate. The helper's one job: at login,
// start the switcher unless it already runs, then quit as soon as the
// switcher says so with the distributed notification "killLauncher". It
// shares nothing with the switcher but that notification's name and the
// switcher's bundle identifier.
class AppDelegate : public NSObject, public NSApplicationDelegate {
    KS_OBJECT(AppDelegate, NSObject)

public:
    // The switcher's bundle identifier: the object of the "killLauncher" it
    // posts, and how it is found and told apart among running applications.
    static const String mainBundleIdentifier;

    AppDelegate() = default;

    // Quits when the switcher runs already; otherwise listens for its
    // "killLauncher", then opens it (or, when the system can't find it,
    // waits idle).
    void applicationDidFinishLaunching(NSNotification& notification) override;

    // Asks the shared application to terminate; the selector of the
    // notification's observer as well.
    void terminate();

protected:
    static void describe(ClassDescriptor& d);
};
