#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Starting another program as a real process of its own, the way the system
// starts applications: detached in a session of its own, reading nothing,
// its output appended to a file (or dropped), and no concern of ours once it
// runs. A thread of ours reaps it when it ends, so it leaves no zombie
// behind while we live.
namespace DetachedProcess {

struct Launch {
    std::string executable;
    // After the program's name.
    std::vector<std::string> arguments;
    // Standard output and error go here (appended, made if missing); empty:
    // nowhere.
    std::string outputFile;
    // Added to this process's environment ("NAME=value"), replacing entries
    // of the same name.
    std::vector<std::string> environment;
    // Called once, on the reaping thread, with the exit status (-1 when a
    // signal ended it). Optional.
    std::function<void(int status)> exited;
};

// The child's pid, or nothing and the reason.
std::optional<pid_t> spawn(const Launch& launch, std::string& error);

// The arguments every program started from this process is given first, so
// that it runs in the same world (the same simulated home and desktop).
void setInheritedArguments(std::vector<std::string> arguments);
std::vector<std::string> inheritedArguments();

}  // namespace DetachedProcess
