// The helper and the switcher as the two real programs they are, on a
// private session bus: who starts whom, who tells whom to quit, and that
// nothing is left running afterwards.

#include "ChildProcess.h"
#include "MainRunLoopWaiting.h"
#include "PrivateSessionBus.h"
#include "RawBus.h"
#include "TemporaryFolder.h"
#include "driver/AutostartProgram.h"
#include "foundation/DetachedProcess.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/NSRunLoop.h"
#include "foundation/SessionBus.h"
#include "foundation/SessionProcesses.h"
#include "servicemanagement/SMLoginItem.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

const String kSwitcher = "com.kestrova.Kestrova";
const String kHelper = "com.kestrova.KestrovaHelper";

bool hasLine(const std::vector<std::string>& lines, const std::string& wanted)
{
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Whether a process that need not be ours has ended, reaping it when it is
// ours (once its parent has gone we are its subreaper). A zombie that
// another process has yet to reap has ended too.
bool ended(pid_t pid, int pidfd)
{
    if (::waitpid(pid, nullptr, WNOHANG) == pid)
        return true;
    if (::kill(pid, 0) != 0)
        return errno == ESRCH;
    pollfd exited{.fd = pidfd, .events = POLLIN, .revents = 0};
    return pidfd >= 0 && ::poll(&exited, 1, 0) > 0;
}

// Waits up to `limit` for the process to end. A program that has left the
// bus may still be on its way out (closing files, running its exit
// handlers), the more so on a loaded machine: only the limit counts it as
// left running. Wakes as soon as it exits, through its pidfd; checks again
// at least every 50 ms, for the moment it becomes ours to reap.
bool endsWithin(pid_t pid, std::chrono::milliseconds limit)
{
    int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    auto deadline = std::chrono::steady_clock::now() + limit;
    bool done = ended(pid, pidfd);
    while (!done) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd exited{.fd = pidfd, .events = POLLIN, .revents = 0};
        ::poll(&exited, pidfd >= 0 ? 1 : 0, static_cast<int>(std::min<std::int64_t>(left.count(), 50)));
        done = ended(pid, pidfd);
    }
    if (pidfd >= 0)
        ::close(pidfd);
    return done;
}

// The processes whose parent is this one that run `program`: those the test
// started, and, as their subreaper, those whose parent has gone since. One
// that has exited and waits to be reaped runs nothing.
std::vector<pid_t> childrenRunning(const std::string& program)
{
    std::vector<pid_t> found;
    std::error_code error;
    auto wanted = std::filesystem::canonical(program, error);
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // "pid (name) state parent ...": the name may hold anything.
        std::string stat = TemporaryFolder::read(entry.path() / "stat");
        std::size_t nameEnd = stat.rfind(')');
        if (nameEnd == std::string::npos)
            continue;
        std::istringstream fields(stat.substr(nameEnd + 1));
        char state = 0;
        pid_t parent = 0;
        if (!(fields >> state >> parent) || parent != ::getpid() || state == 'Z')
            continue;
        std::error_code unreadable;
        if (std::filesystem::read_symlink(entry.path() / "exe", unreadable) == wanted)
            found.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Waits for a process that need not be ours to end; false when it still runs
// at the limit (then it is killed).
bool waitForExit(pid_t pid)
{
    if (endsWithin(pid, std::chrono::seconds(10)))
        return true;
    ::kill(pid, SIGKILL);
    endsWithin(pid, std::chrono::seconds(10));
    return false;
}

class TwoProcessesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus_.running()) << bus_.error();
        // Programs that outlive the one that started them come to us, to be
        // reaped.
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        ASSERT_TRUE(SessionBus::connect(bus_.address()));
        watching_ = SessionProcesses::observe([this](const SessionProcess& process, bool arrived) {
            if (arrived && process.processIdentifier != ::getpid())
                arrivals_.push_back(process);
            NSRunLoop::mainRunLoop().stop();
        });
        DetachedProcess::setInheritedArguments({"--home", home_.path(), "--no-script"});
        // What this process starts itself, as the system does at login, is on
        // the same bus.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", bus_.address().c_str(), 1);
    }

    void TearDown() override
    {
        for (pid_t pid : started_)
            arrivals_.push_back({.bundleIdentifier = "started by the test", .processIdentifier = pid});
        // A generous limit: every program here is on its way out by now, and
        // a loaded machine may take its time to let it go.
        for (const auto& process : arrivals_) {
            if (!endsWithin(process.processIdentifier, std::chrono::seconds(20))) {
                ADD_FAILURE() << process.bundleIdentifier.utf8() << " (pid " << process.processIdentifier
                              << ") was left running";
                ::kill(process.processIdentifier, SIGKILL);
                waitForExit(process.processIdentifier);
            }
        }
        watching_.reset();
        SessionBus::disconnect();
        DetachedProcess::setInheritedArguments({});
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    std::unique_ptr<ChildProcess> start(const std::string& program, std::vector<std::string> arguments = {})
    {
        arguments.insert(arguments.begin(), {"--home", home_.path()});
        auto child = std::make_unique<ChildProcess>(program, arguments, std::vector{bus_.environmentEntry()});
        EXPECT_TRUE(child->started()) << program;
        return child;
    }

    static std::size_t count(const String& identifier) { return SessionProcesses::list(identifier).size(); }
    std::size_t arrived(const String& identifier) const
    {
        return std::count_if(arrivals_.begin(), arrivals_.end(),
                             [&](const SessionProcess& p) { return p.bundleIdentifier == identifier; });
    }
    static bool waitFor(const std::function<bool()>& done) { return runMainRunLoopUntil(done); }

    // Ends the switcher the way the system does, and reads what it wrote.
    std::vector<std::string> endSwitcher()
    {
        for (const auto& process : SessionProcesses::list(kSwitcher)) {
            ::kill(process.processIdentifier, SIGTERM);
            EXPECT_TRUE(waitForExit(process.processIdentifier));
        }
        return linesOf(TemporaryFolder::read(home_ / "Library/Logs/Kestrova.log"));
    }

    PrivateSessionBus bus_;
    TemporaryFolder home_;
    std::shared_ptr<SessionProcesses::Observation> watching_;
    std::vector<SessionProcess> arrivals_;
    std::vector<pid_t> started_;
};

TEST_F(TwoProcessesTest, TheHelperOpensTheSwitcherOnceAndQuitsWhenItSaysSo)
{
    auto helper = start(KESTROVA_HELPER_PROGRAM, {"--no-script"});
    ASSERT_TRUE(waitFor([] { return count(kSwitcher) == 1 && count(kHelper) == 0; }));
    EXPECT_EQ(helper->wait(), 0);
    auto said = helper->readRemainingLines();
    EXPECT_TRUE(hasLine(said, "  quit: KestrovaHelper")) << ::testing::PrintToString(said);

    auto switcher = endSwitcher();
    EXPECT_EQ(arrived(kSwitcher), 1u);
    EXPECT_TRUE(hasLine(switcher, "  notification posted: killLauncher, object \"com.kestrova.Kestrova\""))
        << ::testing::PrintToString(switcher);
    EXPECT_TRUE(hasLine(switcher, "  quit: KestrovaHelper"));
    EXPECT_TRUE(hasLine(switcher, "ended"));
}

TEST_F(TwoProcessesTest, TheHelperQuitsAtOnceWhileTheSwitcherRuns)
{
    auto switcher = start(KESTROVA_PROGRAM, {"--no-script"});
    ASSERT_TRUE(waitFor([] { return count(kSwitcher) == 1; }));

    auto helper = start(KESTROVA_HELPER_PROGRAM, {"--no-script"});
    EXPECT_EQ(helper->wait(), 0);
    EXPECT_EQ(arrived(kSwitcher), 1u) << "nothing else was opened";
    EXPECT_FALSE(std::filesystem::exists(home_ / "Library/Logs/Kestrova.log"));

    // Ended as the system ends a program: it terminates and exits cleanly.
    switcher->kill(SIGTERM);
    EXPECT_EQ(switcher->wait(), 0);
    auto lines = switcher->readRemainingLines();
    // The helper came after the switcher's launch and went at once: nothing
    // to tell it.
    EXPECT_FALSE(hasLine(lines, "  notification posted: killLauncher, object \"com.kestrova.Kestrova\""));
    EXPECT_TRUE(hasLine(lines, "ended"));
}

TEST_F(TwoProcessesTest, OnlyTheSwitchersKillLauncherEndsTheHelper)
{
    // A copy of the helper outside the switcher's bundle finds no switcher to
    // open, and waits.
    std::filesystem::copy(KESTROVA_HELPER_BUNDLE, home_ / "KestrovaHelper.app",
                          std::filesystem::copy_options::recursive);
    auto helper = start(home_ / "KestrovaHelper.app/Contents/MacOS/KestrovaHelper");
    ASSERT_TRUE(waitFor([] { return count(kHelper) == 1; }));
    RawBus other(bus_.address());
    ASSERT_TRUE(other.ok());
    std::string helperName = other.ownerOf("KestrovaHelper");
    ASSERT_FALSE(helperName.empty());

    // Each post is in the helper's hands once it has answered the ping that
    // followed it; the next command's turn of its run loop delivers it.
    auto afterPost = [&](const String& object) {
        EXPECT_TRUE(other.postKillLauncher(object));
        EXPECT_TRUE(other.ping(helperName));
        EXPECT_TRUE(helper->send("status"));
        std::vector<std::string> lines;
        while (auto line = helper->readLine()) {
            lines.push_back(*line);
            if (line->rfind("  frontmost: ", 0) == 0 || *line == "ended")
                break;
        }
        // What the delivery did comes after the status.
        if (!hasLine(lines, "ended"))
            while (auto line = helper->readLine(std::chrono::milliseconds(200)))
                lines.push_back(*line);
        return lines;
    };

    for (const char* object : {"com.example.Other", "com.kestrova.KestrovaHelper"}) {
        SCOPED_TRACE(object);
        auto lines = afterPost(String(object));
        EXPECT_FALSE(hasLine(lines, "  quit: KestrovaHelper")) << ::testing::PrintToString(lines);
        EXPECT_EQ(count(kHelper), 1u);
    }
    auto lines = afterPost(kSwitcher);
    EXPECT_TRUE(hasLine(lines, "  quit: KestrovaHelper")) << ::testing::PrintToString(lines);
    EXPECT_EQ(helper->wait(), 0);
    EXPECT_EQ(arrived(kSwitcher), 0u);
}

TEST_F(TwoProcessesTest, TwoHelpersAtOnceStartOneSwitcherAndBothQuit)
{
    auto first = start(KESTROVA_HELPER_PROGRAM, {"--no-script"});
    auto second = start(KESTROVA_HELPER_PROGRAM, {"--no-script"});
    EXPECT_EQ(first->wait(), 0);
    EXPECT_EQ(second->wait(), 0);
    ASSERT_TRUE(waitFor([] { return count(kSwitcher) >= 1; }));
    endSwitcher();
    EXPECT_EQ(arrived(kSwitcher), 1u);
}

TEST_F(TwoProcessesTest, TheSwitcherAndTheHelperStartedTogetherLeaveOneSwitcherAndNoHelper)
{
    // Each round the two race again, either one out of the gate first.
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::unique_ptr<ChildProcess> switcher;
        std::unique_ptr<ChildProcess> helper;
        if (round % 2 == 0) {
            switcher = start(KESTROVA_PROGRAM, {"--no-script"});
            helper = start(KESTROVA_HELPER_PROGRAM, {"--no-script"});
        } else {
            helper = start(KESTROVA_HELPER_PROGRAM, {"--no-script"});
            switcher = start(KESTROVA_PROGRAM, {"--no-script"});
        }

        // The helper saw the switcher at its launch, or was told to quit by it.
        auto helperEnded = helper->waitWithin(std::chrono::seconds(20));
        ASSERT_TRUE(helperEnded) << "the helper was left waiting";
        EXPECT_EQ(*helperEnded, 0);
        // A switcher the helper opened was started before it quit, and is
        // ours now. It was opened only to make sure one runs: it goes by
        // itself, and the one started here stays.
        for (pid_t opened : childrenRunning(KESTROVA_PROGRAM)) {
            if (opened != switcher->pid()) {
                EXPECT_TRUE(waitForExit(opened)) << "a second switcher (pid " << opened << ") stayed";
            }
        }
        EXPECT_EQ(childrenRunning(KESTROVA_PROGRAM), std::vector<pid_t>{switcher->pid()});

        // Once it is on the bus it ends cleanly, as the system ends it.
        ASSERT_TRUE(waitFor([] { return count(kSwitcher) >= 1; }));
        switcher->kill(SIGTERM);
        EXPECT_EQ(switcher->wait(), 0);
        EXPECT_TRUE(childrenRunning(KESTROVA_HELPER_PROGRAM).empty());
    }
}

TEST_F(TwoProcessesTest, ASwitcherOpenedOnlyToMakeSureOneRunsGivesWayToAnyOtherStart)
{
    const std::string standIn = std::string(SessionProcesses::standInVariable) + "=1";
    auto opened = std::make_unique<ChildProcess>(KESTROVA_PROGRAM,
                                                 std::vector<std::string>{"--home", home_.path(), "--no-script"},
                                                 std::vector{bus_.environmentEntry(), standIn});
    ASSERT_TRUE(waitFor([] { return count(kSwitcher) == 1; }));

    // Another start of the switcher, as this process claims it: the one
    // already running makes room.
    ASSERT_TRUE(SessionProcesses::claimInstance(kSwitcher, false));
    auto ended = opened->waitWithin(std::chrono::seconds(20));
    ASSERT_TRUE(ended) << "the opened switcher stayed";
    EXPECT_EQ(*ended, 0);
    auto said = opened->readRemainingLines();
    EXPECT_TRUE(hasLine(said, "  quit: Kestrova")) << ::testing::PrintToString(said);

    // While that start runs, a switcher opened to make sure one runs goes at
    // once, without launching or showing itself on the bus.
    auto late = std::make_unique<ChildProcess>(KESTROVA_PROGRAM,
                                               std::vector<std::string>{"--home", home_.path(), "--no-script"},
                                               std::vector{bus_.environmentEntry(), standIn});
    ended = late->waitWithin(std::chrono::seconds(20));
    ASSERT_TRUE(ended) << "the second opened switcher stayed";
    EXPECT_EQ(*ended, 0);
    EXPECT_EQ(late->readRemainingLines(),
              std::vector<std::string>{"Kestrova: another start of it runs already, so this one gives way"});
    EXPECT_EQ(arrived(kSwitcher), 1u);
}

TEST_F(TwoProcessesTest, AtLoginTheRegisteredHelperStartsTheSwitcher)
{
    // The registration writes the autostart entry into the home, as the
    // preferences do through the same call.
    setHomeDirectory(String(home_.path()));
    NSBundle::setMainBundle(NSBundle::bundleWithPath(KESTROVA_APP_BUNDLE));
    ASSERT_TRUE(SMLoginItemSetEnabled(kHelper, true));
    std::vector<std::string> problems;
    auto programs = AutostartProgram::enabledIn(home_.path(), problems);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    ASSERT_EQ(programs.size(), 1u);
    EXPECT_EQ(programs[0].command, std::vector<std::string>{KESTROVA_HELPER_PROGRAM});

    std::string error;
    auto helper = programs[0].start(home_ / "Library/Logs", error);
    ASSERT_TRUE(helper) << error;
    started_.push_back(*helper);
    ASSERT_TRUE(waitFor([] { return count(kSwitcher) == 1 && count(kHelper) == 0; }));
    auto switcher = endSwitcher();
    EXPECT_TRUE(hasLine(switcher, "  notification posted: killLauncher, object \"com.kestrova.Kestrova\""));

    ASSERT_TRUE(SMLoginItemSetEnabled(kHelper, false));
    EXPECT_TRUE(AutostartProgram::enabledIn(home_.path(), problems).empty());
    NSBundle::setMainBundle(nullptr);
}

TEST_F(TwoProcessesTest, ALoginWhileTheSwitcherRunsStartsAHelperThatQuitsAtOnce)
{
    home_.write(".config/autostart/com.kestrova.KestrovaHelper.desktop",
                "[Desktop Entry]\nType=Application\nName=KestrovaHelper\nExec=\"" KESTROVA_HELPER_PROGRAM "\"\n");
    auto switcher = start(KESTROVA_PROGRAM);
    ASSERT_TRUE(waitFor([] { return count(kSwitcher) == 1; }));
    ASSERT_TRUE(switcher->send("login"));
    std::vector<std::string> skipped;
    const std::string startedLine = "  started at login: KestrovaHelper (pid ";
    auto started = switcher->readLineStartingWith(startedLine, &skipped);
    ASSERT_TRUE(started) << ::testing::PrintToString(skipped);

    // The helper may come onto the bus and leave again before this process
    // has learnt who it was, so its end is watched by its pid, and what it
    // did is read from its log.
    pid_t helper = std::stoi(started->substr(startedLine.size()));
    EXPECT_TRUE(endsWithin(helper, std::chrono::seconds(20))) << "the helper quits by itself";
    ASSERT_TRUE(waitFor([] { return count(kHelper) == 0; }));
    EXPECT_LE(arrived(kHelper), 1u);
    auto said = linesOf(TemporaryFolder::read(home_ / "Library/Logs/KestrovaHelper.log"));
    EXPECT_TRUE(hasLine(said, "  quit: KestrovaHelper")) << ::testing::PrintToString(said);
    EXPECT_EQ(count(kSwitcher), 1u);
    switcher->closeInput();
    EXPECT_EQ(switcher->wait(), 0);
}

}  // namespace
