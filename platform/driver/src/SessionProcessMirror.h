#pragma once

#include "foundation/SessionProcesses.h"

#include <sys/types.h>

#include <memory>
#include <set>

// Puts the session's real programs (the others that announced themselves on
// the bus) among the simulated desktop's running applications, with their
// real pids, and takes them off when they go: so a program sees the other
// programs of the session in its workspace as it sees the simulated ones.
class SessionProcessMirror {
public:
    SessionProcessMirror() = default;
    ~SessionProcessMirror() { stop(); }
    SessionProcessMirror(const SessionProcessMirror&) = delete;
    SessionProcessMirror& operator=(const SessionProcessMirror&) = delete;

    // Follows arrivals and departures on the current thread's run loop, and
    // puts in at once who is known now.
    void start();
    // Puts in at once whoever is known and not mirrored yet.
    void sync();
    void stop();

private:
    void arrived(const SessionProcess& process);
    void departed(const SessionProcess& process);

    std::shared_ptr<SessionProcesses::Observation> observation_;
    std::set<pid_t> mirrored_;
};
