#pragma once

#include "foundation/String.h"
#include "simulation/SimulatedApplication.h"

#include <optional>
#include <string>

namespace detail {

// An application bundle that lies on this machine's disk (one of the build's
// programs), as opposed to the simulated desktop's bundles, which exist only
// in its description.
struct InstalledBundle {
    std::string path;
    String bundleIdentifier;
    String name;
    std::string executable;
    simulation::ActivationPolicy activationPolicy = simulation::ActivationPolicy::Regular;
};

// The bundle at this path when it is an application on disk with an
// identifier and an executable that can run.
std::optional<InstalledBundle> installedBundleAt(const std::string& path);

// The application bundle with this identifier on disk, looked for where the
// system finds applications here: the bundles that hold the program's own
// (a login item's application), the folder the program's bundle lies in (the
// build's output), the login items of those bundles, and the Applications
// folder of the simulated home. First found wins.
std::optional<InstalledBundle> findInstalledBundle(const String& bundleIdentifier);

}  // namespace detail
