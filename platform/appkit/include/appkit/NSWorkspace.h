#pragma once

#include "foundation/NSNotificationCenter.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <functional>
#include <memory>
#include <vector>

class NSError;
class NSRunningApplication;
class NSURL;
class NSWorkspaceOpenConfiguration;

// Posted on the workspace's own centre, on the main queue, after an
// accessibility display option changed.
extern const String NSWorkspaceAccessibilityDisplayOptionsDidChangeNotification;

// The desktop as the program sees it: the running applications and where
// applications are installed, and opening them.
class NSWorkspace : public NSObject {
    KS_OBJECT(NSWorkspace, NSObject)

public:
    using OpenCompletion = std::function<void(const std::shared_ptr<NSRunningApplication>& application,
                                              const std::shared_ptr<NSError>& error)>;

    static NSWorkspace& sharedWorkspace();

    // Every application the desktop reports, in its order (an application
    // that has just quit may still be among them, marked terminated).
    std::vector<std::shared_ptr<NSRunningApplication>> runningApplications() const;
    // nullptr when no application is frontmost.
    std::shared_ptr<NSRunningApplication> frontmostApplication() const;

    // The bundle of the application with that identifier, running or not:
    // one of this machine's application bundles on disk (those that hold the
    // program's own bundle, those beside it, and the simulated home's
    // Applications folder), else one the desktop knows; nullptr when neither
    // has one.
    std::shared_ptr<NSURL> URLForApplicationWithBundleIdentifier(const String& bundleIdentifier) const;
    // Launches the application at the bundle URL at once (or finds the
    // running instance); the completion, when given, follows on the main
    // queue with the application or an error. A bundle on disk starts its
    // executable as a real, detached process in the same home and desktop,
    // unless a real process of the session announced its identifier already
    // (or a new instance is asked for); its completion comes once the process
    // has announced itself, or with an error when it ends before that.
    void openApplicationAtURL(const std::shared_ptr<NSURL>& url,
                              const std::shared_ptr<NSWorkspaceOpenConfiguration>& configuration,
                              OpenCompletion completion);

    // The accessibility display option that asks controls for more contrast.
    bool accessibilityDisplayShouldIncreaseContrast() const;

    // The workspace's own notification centre.
    NSNotificationCenter& notificationCenter() { return notificationCenter_; }

    NSWorkspace();

private:
    NSNotificationCenter notificationCenter_;
};
