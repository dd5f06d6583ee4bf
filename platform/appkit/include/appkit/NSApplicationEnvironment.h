#pragma once

#include <memory>
#include <optional>

class NSApplication;

// The world a program runs in on this machine: set up before the program's
// main function reads its bundle and storyboard, and in charge of the run
// once the application object exists. The simulated desktop's session (the
// desktop, the home folder, a driver that plays the user's part) is one; a
// program without one simply runs its application.
class NSApplicationEnvironment {
public:
    virtual ~NSApplicationEnvironment() = default;

    // With the process arguments, before anything else. An exit status ends
    // the program at once (bad arguments, a desktop that can't be read).
    virtual std::optional<int> prepare(int argc, char** argv) = 0;
    // Runs the application (finishing its launch among the first things)
    // and answers the program's exit status.
    virtual int run(NSApplication& application) = 0;

    // The one environment of the process; nullptr when none is installed.
    static std::shared_ptr<NSApplicationEnvironment> installed();
    static void install(std::shared_ptr<NSApplicationEnvironment> environment);
};
