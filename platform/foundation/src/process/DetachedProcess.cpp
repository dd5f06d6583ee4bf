#include "foundation/DetachedProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string_view>
#include <thread>

extern char** environ;

namespace {

std::mutex& argumentsMutex()
{
    static auto* mutex = new std::mutex();
    return *mutex;
}

std::vector<std::string>& inherited()
{
    static auto* arguments = new std::vector<std::string>();
    return *arguments;
}

}  // namespace

namespace DetachedProcess {

std::optional<pid_t> spawn(const Launch& launch, std::string& error)
{
    if (launch.executable.empty() || ::access(launch.executable.c_str(), X_OK) != 0) {
        error = launch.executable + ": " + (launch.executable.empty() ? "no program" : std::strerror(errno));
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const std::string& output = launch.outputFile.empty() ? std::string("/dev/null") : launch.outputFile;
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A session of its own: the terminal's signals and our process group's
    // end are not the child's. The child starts with no signal blocked
    // whatever this thread blocks.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> argv{launch.executable};
    argv.insert(argv.end(), launch.arguments.begin(), launch.arguments.end());
    std::vector<char*> pointers;
    for (auto& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        std::string_view text = *entry;
        bool replaced =
            std::any_of(launch.environment.begin(), launch.environment.end(), [&](const std::string& added) {
                std::size_t end = added.find('=');
                return text.substr(0, text.find('=')) == std::string_view(added).substr(0, end);
            });
        if (!replaced)
            variables.emplace_back(text);
    }
    variables.insert(variables.end(), launch.environment.begin(), launch.environment.end());
    std::vector<char*> environment;
    for (auto& variable : variables)
        environment.push_back(variable.data());
    environment.push_back(nullptr);

    pid_t pid = 0;
    int r = ::posix_spawn(&pid, launch.executable.c_str(), &actions, &attributes, pointers.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (r != 0) {
        error = launch.executable + ": " + std::strerror(r);
        return std::nullopt;
    }
    std::thread([pid, exited = launch.exited] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (exited)
            exited(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }).detach();
    return pid;
}

void setInheritedArguments(std::vector<std::string> arguments)
{
    std::lock_guard lock(argumentsMutex());
    inherited() = std::move(arguments);
}

std::vector<std::string> inheritedArguments()
{
    std::lock_guard lock(argumentsMutex());
    return inherited();
}

}  // namespace DetachedProcess
