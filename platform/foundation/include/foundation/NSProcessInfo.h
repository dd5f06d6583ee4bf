#pragma once

#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <functional>

// A version of the operating system, in the platform's word-sized integers.
struct NSOperatingSystemVersion {
    long majorVersion = 0;
    long minorVersion = 0;
    long patchVersion = 0;
};

// What the process knows of itself and of the system it runs on.
class NSProcessInfo : public NSObject {
    KS_OBJECT(NSProcessInfo, NSObject)

public:
    using OperatingSystemVersionSource = std::function<NSOperatingSystemVersion()>;

    // Made on first use and kept for the life of the program.
    static NSProcessInfo& processInfo();

    // The system's version, as the system behind the stand-in answers it
    // (the simulated desktop, once one is in place); 0.0.0 while none does.
    NSOperatingSystemVersion operatingSystemVersion() const;
    bool isOperatingSystemAtLeastVersion(NSOperatingSystemVersion version) const;
    // The name the process was started by, without its folder.
    String processName() const;

    // Internal, for the system behind the stand-in: where the version comes
    // from. It is asked on every read, without a lock held, so it may change
    // its answer; nullptr: none.
    static void setOperatingSystemVersionSource(OperatingSystemVersionSource source);

    NSProcessInfo();
};
