#pragma once

#include "foundation/String.h"

#include <sys/types.h>

#include <functional>
#include <memory>
#include <vector>

class NSRunLoop;

// The real programs of the session that announced themselves on the bus: each
// announces its bundle identifier, so that programs find one another among the
// running applications. A process may announce more than one identifier and
// several processes the same one. Announcements end when the process
// withdraws them, disconnects or exits.
//
// What is known is kept up to date from the bus's own notices, so listing
// asks nothing of the bus. Without a connection (SessionBus) nothing is
// announced or listed.
struct SessionProcess {
    String bundleIdentifier;
    // As the bus knows the process, not as it says it is.
    pid_t processIdentifier = 0;
    friend bool operator==(const SessionProcess&, const SessionProcess&) = default;
};

class SessionProcesses {
public:
    // False when not connected, the identifier is empty or too long for a bus
    // name, or the bus refused it. Announcing again is harmless.
    static bool announce(const String& bundleIdentifier);
    static void withdraw(const String& bundleIdentifier);

    // Every announced process, this one included, in the order they came onto
    // the bus (the order of launching).
    static std::vector<SessionProcess> list();
    static std::vector<SessionProcess> list(const String& bundleIdentifier);

    // Asks the bus itself who is announced now, and learns at once of those
    // whose notice hasn't come round yet. A program that has announced itself
    // and then refreshes before it looks for another one can't miss it when
    // that one does the same: the bus handles the requests in order, so at
    // least one of the two sees the other. Departures still come by notice.
    static void refresh();

    // Starting a program that should run once per session: the claim is the
    // session's, so that of two processes that would start it at the same
    // moment one does and the other knows it is on its way. False when
    // another process holds the claim; true when it is ours (or there is no
    // bus, and so no one to share it with). Held until released or until this
    // process leaves the bus.
    static bool claimLaunch(const String& bundleIdentifier);
    static void releaseLaunch(const String& bundleIdentifier);

    // Being the session's one instance of an application. A program started
    // only to make sure the application runs (one the workspace opens when no
    // new instance is asked for) claims as a stand-in: false when another
    // process is the instance already, and the program should give way before
    // it launches; while it holds the claim, any other start of the
    // application takes the claim over, and `replaced` is then called once on
    // the run loop of the claiming thread so that the stand-in goes. Any other
    // program takes the claim when it is free or held by a stand-in, waits in
    // line for it otherwise, and runs in any case (true). True without a bus.
    // Held until this process leaves the bus.
    static bool claimInstance(const String& bundleIdentifier, bool standIn, std::function<void()> replaced = {});
    // In the environment of a program started as a stand-in, set to "1".
    static constexpr const char* standInVariable = "KESTROVA_STAND_IN";

    // Arrivals and departures, reached on the run loop of the thread that adds
    // the observer, in the order the bus told them. Ends when the answered
    // object is released.
    using Observer = std::function<void(const SessionProcess& process, bool arrived)>;
    class Observation;
    [[nodiscard]] static std::shared_ptr<Observation> observe(Observer observer);
};
