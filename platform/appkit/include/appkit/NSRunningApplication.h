#pragma once

#include "appkit/NSApplication.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class NSImage;
class NSURL;

namespace detail {
class RunningProcess;
}

// A process of the simulated desktop, as the workspace reports it. There is
// one object per process (per desktop): asking again for the same process
// gives the same object, so callers may compare them by identity. Its
// properties are read from the desktop when asked; once the process has
// quit it keeps answering its last state, marked terminated.
class NSRunningApplication : public NSObject {
    KS_OBJECT(NSRunningApplication, NSObject)

public:
    // Internal: the workspace makes the one object of each process.
    explicit NSRunningApplication(std::unique_ptr<detail::RunningProcess> process);
    ~NSRunningApplication() override;

    // The program's own process; nullptr on a desktop that has none.
    static std::shared_ptr<NSRunningApplication> currentApplication();
    // nullptr when no such process runs.
    static std::shared_ptr<NSRunningApplication> runningApplicationWithProcessIdentifier(pid_t pid);
    // In the workspace's order.
    static std::vector<std::shared_ptr<NSRunningApplication>>
    runningApplicationsWithBundleIdentifier(const String& bundleIdentifier);
    // Internal: the one object for a process of the current desktop.
    static std::shared_ptr<NSRunningApplication> forProcess(pid_t pid);

    pid_t processIdentifier() const { return pid_; }
    std::optional<String> bundleIdentifier() const;
    std::optional<String> localizedName() const;
    std::shared_ptr<NSURL> bundleURL() const;
    NSApplicationActivationPolicy activationPolicy() const;
    // The image file the desktop names for the application, else the image
    // of the name it gives, else one made for it (512 points square, labelled
    // with the application's name). The same object each time while the
    // desktop names the same icon. Images have no pixels yet: a file's icon
    // is its path and size.
    std::shared_ptr<NSImage> icon() const;
    bool isActive() const;
    bool isHidden() const;
    bool isTerminated() const;
    bool isFinishedLaunching() const { return true; }

    // Activation requests, logged on the desktop with this program as the
    // requester; the answer says whether the desktop honoured it.
    bool activateWithOptions(NSApplicationActivationOptions options);
    // macOS 14 and later: activates this application as if `application`
    // (which should be active) had yielded to it. Earlier systems don't know
    // the message and raise.
    bool activateFromApplication(const std::shared_ptr<NSRunningApplication>& application,
                                 NSApplicationActivationOptions options);
    bool hide();
    bool unhide();
    bool terminate();
    bool forceTerminate() { return terminate(); }

    String description() const override;

protected:
    static void describe(ClassDescriptor& d);

private:
    const std::unique_ptr<detail::RunningProcess> process_;
    const pid_t pid_;
    mutable std::mutex iconMutex_;
    mutable std::shared_ptr<NSImage> icon_;
    mutable String iconSource_;
};
