#pragma once

// A message bus of the test's own: a dbus-daemon listening on a socket in a
// fresh temporary folder, started when the object is made and stopped (and
// reaped, its folder removed) when it goes. Tests thus run the same on a
// developer's desktop, which has a session bus of its own, and in CI, which
// has none, and leave nothing running.
//
//     PrivateSessionBus bus;
//     ASSERT_TRUE(bus.running()) << bus.error();
//     SessionBus::connect(bus.address());
//
// SessionBusFixture (SessionBusFixture.h) does that around each test.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

class PrivateSessionBus {
public:
    PrivateSessionBus() { start(); }
    ~PrivateSessionBus() { stop(); }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool running() const { return pid_ > 0; }
    // What clients connect to, such as "unix:path=/tmp/kestrova-bus-XXXX/bus,guid=...".
    const std::string& address() const { return address_; }
    // Why it didn't start.
    const std::string& error() const { return error_; }
    // For a child process: the bus as its session bus.
    std::string environmentEntry() const { return "DBUS_SESSION_BUS_ADDRESS=" + address_; }

    // Ends the daemon, as when a session's bus goes away.
    void stop()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            pid_ = -1;
        }
        if (!folder_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
            folder_.clear();
        }
    }

private:
    void start()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrova-bus-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!::mkdtemp(buffer.data())) {
            error_ = "cannot make a temporary folder";
            return;
        }
        folder_ = buffer.data();
        std::string config = folder_ + "/bus.conf";
        {
            std::ofstream out(config);
            out << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig>\n"
                   "  <type>session</type>\n"
                   "  <listen>unix:path="
                << folder_
                << "/bus</listen>\n"
                   "  <auth>EXTERNAL</auth>\n"
                   "  <policy context=\"default\">\n"
                   "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                   "    <allow eavesdrop=\"true\"/>\n"
                   "    <allow own=\"*\"/>\n"
                   "  </policy>\n"
                   "</busconfig>\n";
        }
        int output[2];
        if (::pipe2(output, O_CLOEXEC) != 0) {
            error_ = "cannot make a pipe";
            return;
        }
        std::string daemonLog = folder_ + "/daemon.log";
        std::string program = findProgram("dbus-daemon");
        std::string configArgument = "--config-file=" + config;
        std::vector<std::string> arguments{"dbus-daemon", configArgument, "--nofork", "--print-address=1"};
        std::vector<char*> argv;
        for (auto& a : arguments)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t parent = ::getpid();
        pid_ = program.empty() ? -1 : ::fork();
        if (pid_ == 0) {
            // Only calls that are safe between fork and exec. The daemon ends
            // with us even when a test dies before its destructors run.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent)
                ::_exit(127);
            ::dup2(output[1], STDOUT_FILENO);
            // What the daemon says (as root it complains it may not raise its
            // file limit) is kept aside, and shown only when it doesn't start.
            int log = ::open(daemonLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            if (log >= 0)
                ::dup2(log, STDERR_FILENO);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(output[1]);
        if (pid_ < 0) {
            ::close(output[0]);
            error_ = "cannot start dbus-daemon (is it installed? scripts/setup.sh installs it)";
            return;
        }
        // The daemon prints its address once it listens.
        std::string line;
        pollfd fd{.fd = output[0], .events = POLLIN, .revents = 0};
        while (line.find('\n') == std::string::npos) {
            int ready = ::poll(&fd, 1, 10000);
            if (ready < 0 && errno == EINTR)
                continue;
            char chunk[512];
            ssize_t n = ready > 0 ? ::read(output[0], chunk, sizeof chunk) : 0;
            if (n <= 0)
                break;
            line.append(chunk, static_cast<std::size_t>(n));
        }
        ::close(output[0]);
        if (auto newline = line.find('\n'); newline != std::string::npos)
            address_ = line.substr(0, newline);
        if (address_.empty()) {
            std::ifstream in(daemonLog);
            std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            error_ = "dbus-daemon printed no address: " + said;
            stop();
        }
    }

    // The program's path from PATH, found before forking.
    static std::string findProgram(const std::string& name)
    {
        const char* path = std::getenv("PATH");
        std::string folders = path ? path : "/usr/bin:/bin";
        for (std::size_t start = 0; start <= folders.size();) {
            std::size_t end = folders.find(':', start);
            if (end == std::string::npos)
                end = folders.size();
            std::string candidate = folders.substr(start, end - start) + "/" + name;
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate;
            start = end + 1;
        }
        return {};
    }

    pid_t pid_ = -1;
    std::string folder_;
    std::string address_;
    std::string error_;
};
