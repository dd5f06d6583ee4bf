#pragma once

#include "Kestrova/RunningApp.h"
#include "foundation/Id.h"

#include <functional>
#include <memory>
#include <vector>

class NSEvent;
class NSViewController;
class SRLocalShortcutMonitor;

// What the main list and mini mode share: the applications in the
// switcher's order, choosing one, and the per-application shortcuts that
// choose while the view is on screen.

// The regular running applications of the shared workspace, stably sorted
// with the ones that have a stored shortcut first, each with a fresh
// Accessibility element for its process.
std::vector<RunningApp> switcherApplications();

// Chooses the application: one with fewer than two titled windows is
// activated (yielding first on macOS 14 and later), one with two or more
// opens its windows list through the owner's "Windows" segue, when the
// owner still exists. Refreshes the saved window order first. Answers
// false, doing nothing, for an application that has quit.
bool selectApp(const RunningApp& runningApp, const std::weak_ptr<NSViewController>& owner);

// One key-down action per application with a stored shortcut, in the
// list's order, each choosing its application with selectApp. The actions
// hold the owner weakly and the application strongly.
void addShortcutActions(SRLocalShortcutMonitor& monitor, const std::vector<RunningApp>& applications,
                        const std::weak_ptr<NSViewController>& owner);

// A local monitor of the program's key-down events that swallows the ones
// `handles` says it took and passes the others on. Answers what
// removeMonitor takes.
Id installKeyDownMonitor(std::function<bool(const NSEvent&)> handles);

// A local monitor of the program's key-down events that offers each to the
// shortcut monitor while both the owner and the monitor exist, and swallows
// the events it handles. Answers what removeMonitor takes.
Id installShortcutKeyMonitor(const std::weak_ptr<NSViewController>& owner,
                             const std::weak_ptr<SRLocalShortcutMonitor>& monitor);
