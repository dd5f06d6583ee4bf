#pragma once

// A program of ours run as a real child process, for tests that need a second
// process: lines go to its standard input and come back from its standard
// output. Reads wait only as long as a limit that a working test never
// reaches; the child is killed and reaped when the object goes, so nothing
// is left running.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

class ChildProcess {
public:
    // `environment` entries ("NAME=value") are added to this process's own,
    // replacing those of the same name.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment = {})
    {
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0)
            return;
        if (::pipe2(output, O_CLOEXEC) != 0) {
            ::close(input[0]);
            ::close(input[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);

        std::vector<std::string> argv{program};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<std::string> envp;
        for (char** e = environ; *e; ++e) {
            std::string entry = *e;
            bool replaced = false;
            for (const auto& added : environment)
                replaced = replaced || entry.substr(0, entry.find('=') + 1) == added.substr(0, added.find('=') + 1);
            if (!replaced)
                envp.push_back(entry);
        }
        envp.insert(envp.end(), environment.begin(), environment.end());
        std::vector<char*> argvPointers = pointers(argv);
        std::vector<char*> envpPointers = pointers(envp);
        int r = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argvPointers.data(), envpPointers.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(input[0]);
        ::close(output[1]);
        if (r != 0) {
            pid_ = -1;
            ::close(input[1]);
            ::close(output[0]);
            return;
        }
        stdin_ = input[1];
        stdout_ = output[0];
    }

    ~ChildProcess()
    {
        kill(SIGKILL);
        closeInput();
        if (stdout_ >= 0)
            ::close(stdout_);
    }

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    bool send(const std::string& line)
    {
        std::string text = line + "\n";
        const char* p = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            ssize_t n = ::write(stdin_, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        return true;
    }

    void closeInput()
    {
        if (stdin_ >= 0)
            ::close(std::exchange(stdin_, -1));
    }

    // The next line, without its newline; nothing at the end of the output
    // or when the limit passes.
    std::optional<std::string> readLine(std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            if (auto newline = buffer_.find('\n'); newline != std::string::npos) {
                std::string line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                return line;
            }
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (stdout_ < 0 || left.count() <= 0)
                return std::nullopt;
            pollfd fd{.fd = stdout_, .events = POLLIN, .revents = 0};
            int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return std::nullopt;
            char chunk[4096];
            ssize_t n = ::read(stdout_, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return std::nullopt;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Reads lines until one starts with `prefix`; answers it, or nothing.
    // The lines passed over are kept in `skipped` when given.
    std::optional<std::string> readLineStartingWith(const std::string& prefix,
                                                    std::vector<std::string>* skipped = nullptr)
    {
        while (auto line = readLine()) {
            if (line->rfind(prefix, 0) == 0)
                return line;
            if (skipped)
                skipped->push_back(*line);
        }
        return std::nullopt;
    }

    // Every line until the output ends (the child closed it or exited).
    std::vector<std::string> readRemainingLines()
    {
        std::vector<std::string> lines;
        while (auto line = readLine())
            lines.push_back(*line);
        return lines;
    }

    // Waits for the child to end by itself; its exit status, or -1 when it was
    // killed by a signal. Waits without limit: ask it to end first.
    int wait()
    {
        if (pid_ <= 0)
            return exitStatus_;
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return exitStatus_;
    }

    // Waits up to `limit` for the child to end by itself: its exit status as
    // wait() answers it, or nothing while it still runs.
    std::optional<int> waitWithin(std::chrono::milliseconds limit)
    {
        if (pid_ <= 0)
            return exitStatus_;
        // Readable once the child has exited, without reaping it.
        int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
        if (pidfd < 0)
            return std::nullopt;
        auto deadline = std::chrono::steady_clock::now() + limit;
        int ready = 0;
        for (;;) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd exited{.fd = pidfd, .events = POLLIN, .revents = 0};
            ready = ::poll(&exited, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
            if (ready >= 0 || errno != EINTR)
                break;
        }
        ::close(pidfd);
        if (ready <= 0)
            return std::nullopt;
        return wait();
    }

    void kill(int signal)
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, signal);
        wait();
    }

private:
    static std::vector<char*> pointers(std::vector<std::string>& strings)
    {
        std::vector<char*> result;
        for (auto& s : strings)
            result.push_back(s.data());
        result.push_back(nullptr);
        return result;
    }

    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    int exitStatus_ = -1;
    std::string buffer_;
};
