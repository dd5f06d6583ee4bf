#pragma once

#include "Kestrova/A11yElement.h"
#include "Kestrova/RunningApp.h"
#include "foundation/NSIndexPath.h"

#include <sys/types.h>

#include <map>
#include <memory>
#include <vector>

class NSRunningApplication;

// The order the user gave each application's windows in the windows list,
// kept while the program runs (never on disk). Each refresh brings an
// application's list up to date with the windows that exist now: windows
// that survived keep their place (the very element objects stay in the
// list), new ones come after them in the interface's order, closed ones
// leave.
//
// Main thread only.
class WindowManager {
public:
    using Windows = std::vector<std::shared_ptr<A11yElement>>;
    // Keyed by process identifier; a process that was refreshed has an entry
    // even when it has no titled window.
    using WindowsByPid = std::map<pid_t, Windows>;

    WindowManager() = default;
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // Made on first use and never released.
    static WindowManager& shared();
    // Empties the shared instance, as a new run of the program starts. For
    // tests.
    static void resetSharedForTesting();

    const WindowsByPid& windowsByPid() const { return windowsByPid_; }
    // A process's saved order; empty when it has none.
    const Windows& windows(pid_t pid) const;

    // Merges the titled windows the element has now into the process's
    // saved order.
    void refreshWindows(const NSRunningApplication& application, const A11yElement& element);
    // Forgets the processes that aren't among `keeping`.
    void pruneWindows(const std::vector<RunningApp>& keeping);
    // Moves the window at `from` to the gap before the row `to` (both in
    // section 0, as the windows list's drop hands them over): a drop before
    // or just after the window's own row leaves the order as it is, one
    // after the last row puts it last. A process without an entry, or a row
    // outside the list, changes nothing.
    void moveWindow(const NSIndexPath& from, const NSIndexPath& to, const NSRunningApplication& application);

private:
    WindowsByPid windowsByPid_;
};
