// A login as the user sees it: from the system starting the enabled login
// item to the helper gone and the switcher running, both real processes on
// a private session bus. The switcher is ended again outside the timing.

#include "../tests/support/PrivateSessionBus.h"
#include "../tests/support/TemporaryFolder.h"
#include "driver/AutostartProgram.h"
#include "foundation/DetachedProcess.h"
#include "foundation/NSRunLoop.h"
#include "foundation/SessionBus.h"
#include "foundation/SessionProcesses.h"

#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace {

const char* kHelperProgram =
    KESTROVA_BINARY_DIR "/Kestrova/Kestrova.app/Contents/Library/LoginItems/KestrovaHelper.app/Contents/MacOS/"
                        "KestrovaHelper";

std::size_t count(const char* identifier)
{
    return SessionProcesses::list(String(identifier)).size();
}

// The main run loop until the condition holds, woken by the bus's notices;
// false after ten seconds.
bool runUntil(bool (*done)())
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    auto& loop = NSRunLoop::mainRunLoop();
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        loop.performAfterDelay(0.05, [&loop] { loop.stop(); });
        loop.run();
    }
    return true;
}

void endSwitchers()
{
    for (const auto& process : SessionProcesses::list(String("com.kestrova.Kestrova"))) {
        int fd = static_cast<int>(::syscall(SYS_pidfd_open, process.processIdentifier, 0));
        ::kill(process.processIdentifier, SIGTERM);
        if (fd >= 0) {
            pollfd ready{.fd = fd, .events = POLLIN, .revents = 0};
            ::poll(&ready, 1, 10000);
            ::close(fd);
        }
        ::waitpid(process.processIdentifier, nullptr, 0);
    }
    runUntil([] { return count("com.kestrova.Kestrova") == 0; });
}

void BM_LoginToSwitcherRunning(benchmark::State& state)
{
    PrivateSessionBus bus;
    if (!bus.running() || !SessionBus::connect(bus.address())) {
        state.SkipWithError("no private session bus");
        return;
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    TemporaryFolder home;
    home.write(".config/autostart/com.kestrova.KestrovaHelper.desktop",
               std::string("[Desktop Entry]\nType=Application\nName=KestrovaHelper\nExec=\"") + kHelperProgram +
                   "\"\n");
    DetachedProcess::setInheritedArguments({"--home", home.path(), "--no-script"});
    auto watching = SessionProcesses::observe([](const SessionProcess&, bool) { NSRunLoop::mainRunLoop().stop(); });

    for (auto _ : state) {
        std::vector<std::string> problems;
        auto programs = AutostartProgram::enabledIn(home.path(), problems);
        std::string error;
        if (programs.size() != 1 || !programs[0].start(home / "Library/Logs", error)) {
            state.SkipWithError("the login item did not start");
            break;
        }
        bool up =
            runUntil([] { return count("com.kestrova.Kestrova") == 1 && count("com.kestrova.KestrovaHelper") == 0; });
        state.PauseTiming();
        endSwitchers();
        state.ResumeTiming();
        if (!up) {
            state.SkipWithError("the switcher did not come up, or the helper did not go");
            break;
        }
    }
    watching.reset();
    SessionBus::disconnect();
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}
BENCHMARK(BM_LoginToSwitcherRunning)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace
