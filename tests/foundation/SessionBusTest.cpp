#include "foundation/SessionBus.h"

#include "ChildProcess.h"
#include "MainRunLoopWaiting.h"
#include "SessionBusFixture.h"
#include "TypedDescription.h"
#include "foundation/DistributedNotificationMessage.h"
#include "foundation/Log.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSRunLoop.h"
#include "foundation/NSThread.h"
#include "foundation/ScopedVirtualClock.h"
#include "foundation/SessionProcesses.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <systemd/sd-bus.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

const std::string stayText = "distributed notifications stay within this process";

// The other process: our peer program on the test's bus.
class Peer : public ChildProcess {
public:
    explicit Peer(const PrivateSessionBus& bus)
        : ChildProcess(KESTROVA_BUS_PEER, {}, {bus.environmentEntry()})
    {
    }

    // Sends a command and waits for its answer.
    std::string ask(const std::string& command)
    {
        send(command);
        return readLine().value_or("(no answer to " + command + ")");
    }
};

// Notifications this process received, in order; each stops the main run
// loop so that a waiting test looks again.
struct Received {
    std::vector<std::shared_ptr<NSNotification>> notifications;
    std::vector<bool> onMainThread;
    std::shared_ptr<NSObject> token;

    Received(const std::optional<String>& name, const Id& object)
    {
        token = NSDistributedNotificationCenter::defaultCenter().addObserverForName(
            name, object, [this](NSNotification& n) {
                notifications.push_back(std::static_pointer_cast<NSNotification>(n.shared_from_this()));
                onMainThread.push_back(NSThread::isMainThread());
                NSRunLoop::mainRunLoop().stop();
            });
    }
    ~Received() { NSDistributedNotificationCenter::defaultCenter().removeObserver(*token); }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const auto& n : notifications)
            out.push_back(n->name().utf8() + " " + (n->object().isNil() ? "-" : n->object().description().utf8()) +
                          " " + typedDescription(n->userInfo()));
        return out;
    }
};

class SessionBusTest : public SessionBusFixture {
protected:
    ScopedVirtualClock clock_;
};

TEST_F(SessionBusTest, APostReachesTheOtherProcessWithItsObjectAndUserInformationAndComesBackOnce)
{
    Peer peer(bus_);
    ASSERT_THAT(peer.readLine().value_or(""), HasSubstr("connected :"));
    ASSERT_EQ(peer.ask("echo ping org.kestrova.Kestrova"), "observing");

    Received echoed("ping.echo", Id());
    Received ours("ping", Id());
    const Id userInfo = Dictionary{
        {"text", "Grüße, \xF0\x9F\x91\x8B"},
        {"flag", Id::boolean(true)},
        {"count", Id::number(-3)},
        {"size", Id::number(7u)},
        {"ratio", Id::number(0.25)},
        {"bytes", Data(std::vector<std::uint8_t>{0, 1, 254})},
        {"list", Array{"a", Id::number(1), Array{}}},
        {"nested", Dictionary{{"empty", Dictionary{}}, {"no", Id::boolean(false)}}},
    };
    auto& center = NSDistributedNotificationCenter::defaultCenter();
    // Another object first: the peer's filter keeps it out.
    center.postNotificationName("ping", "org.other", Dictionary{{"unwanted", Id::boolean(true)}}, false);
    center.postNotificationName("ping", "org.kestrova.Kestrova", userInfo, false);

    ASSERT_TRUE(runMainRunLoopUntil([&] { return !echoed.notifications.empty(); }));
    EXPECT_THAT(echoed.texts(), ElementsAre("ping.echo org.kestrova.Kestrova " + typedDescription(userInfo)));
    EXPECT_THAT(echoed.onMainThread, ElementsAre(true));
    // The bus brought our own posts back before the echo came: they were
    // delivered once each, in the process, all the same.
    clock_.advance(0);
    EXPECT_EQ(ours.notifications.size(), 2u);

    peer.send("quit");
    EXPECT_THAT(peer.readRemainingLines(),
                ElementsAre("received ping org.kestrova.Kestrova " + typedDescription(userInfo) + " main"));
    EXPECT_EQ(peer.wait(), 0);
}

TEST_F(SessionBusTest, PostsOfAnotherProcessAreFilteredByNameAndObject)
{
    Peer peer(bus_);
    ASSERT_TRUE(peer.readLineStartingWith("connected"));
    struct Case {
        const char* label;
        std::optional<String> name;
        Id object;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {.label = "name and object",
         .name = String("killLauncher"),
         .object = "org.kestrova.Kestrova",
         .expected = {"killLauncher org.kestrova.Kestrova nil"}},
        {.label = "name only",
         .name = String("killLauncher"),
         .object = Id(),
         .expected = {"killLauncher org.other nil", "killLauncher org.kestrova.Kestrova nil", "killLauncher - nil"}},
        {.label = "object only",
         .name = std::nullopt,
         .object = "org.other",
         .expected = {"killLauncher org.other nil", "done org.other nil"}},
        {.label = "another name", .name = String("unrelated"), .object = Id(), .expected = {}},
    };
    std::vector<std::unique_ptr<Received>> observers;
    for (const Case& c : cases)
        observers.push_back(std::make_unique<Received>(c.name, c.object));
    Received done("done", Id());

    for (const char* command : {"post killLauncher org.other", "post killLauncher org.kestrova.Kestrova",
                                "post killLauncher -", "post done org.other"})
        ASSERT_EQ(peer.ask(command), "posted");
    ASSERT_TRUE(runMainRunLoopUntil([&] { return !done.notifications.empty(); }));
    clock_.advance(0);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].label);
        EXPECT_EQ(observers[i]->texts(), cases[i].expected);
    }
}

TEST_F(SessionBusTest, AnnouncedProcessesAreListedInOrderAndSeenComingAndGoing)
{
    const String main = "com.kestrova.Kestrova";
    const String helper = "com.kestrova.KestrovaHelper";
    // One announced before this process connects: found by listing.
    Peer early(bus_);
    ASSERT_TRUE(early.readLineStartingWith("connected"));
    ASSERT_EQ(early.ask("announce " + helper.utf8()), "announced " + helper.utf8() + " 1");
    ASSERT_TRUE(SessionBus::connect(bus_.address()));
    EXPECT_EQ(SessionProcesses::list(), (std::vector<SessionProcess>{{helper, early.pid()}}));

    std::vector<std::string> changes;
    auto observation = SessionProcesses::observe([&](const SessionProcess& p, bool arrived) {
        changes.push_back(std::string(arrived ? "+" : "-") + p.bundleIdentifier.utf8() + " " +
                          std::to_string(p.processIdentifier));
        NSRunLoop::mainRunLoop().stop();
    });
    ASSERT_TRUE(SessionProcesses::announce(main));
    // Ours is known at once, not only when the bus's notice comes round.
    EXPECT_EQ(SessionProcesses::list(main), (std::vector<SessionProcess>{{main, getpid()}}));

    Peer late(bus_);
    ASSERT_TRUE(late.readLineStartingWith("connected"));
    ASSERT_EQ(late.ask("watch"), "watching");
    ASSERT_EQ(late.ask("announce " + helper.utf8()), "announced " + helper.utf8() + " 1");
    const std::string arrivedLate = "+" + helper.utf8() + " " + std::to_string(late.pid());
    ASSERT_TRUE(runMainRunLoopUntil([&] { return changes.size() >= 2; }));
    EXPECT_THAT(changes, ElementsAre("+" + main.utf8() + " " + std::to_string(getpid()), arrivedLate));
    EXPECT_EQ(SessionProcesses::list(),
              (std::vector<SessionProcess>{{helper, early.pid()}, {main, getpid()}, {helper, late.pid()}}));
    EXPECT_EQ(SessionProcesses::list(helper).size(), 2u);

    // The other side sees the same, in the same order.
    ASSERT_TRUE(late.readLineStartingWith("arrived " + helper.utf8()));
    late.send("list");
    std::vector<std::string> listed;
    ASSERT_TRUE(late.readLineStartingWith("listed", &listed));
    EXPECT_THAT(listed, ElementsAre("process " + helper.utf8() + " " + std::to_string(early.pid()),
                                    "process " + main.utf8() + " " + std::to_string(getpid()),
                                    "process " + helper.utf8() + " " + std::to_string(late.pid())));

    // Leaving: one ends by itself, one is killed; the bus tells of both.
    changes.clear();
    const pid_t earlyPid = early.pid();
    early.send("quit");
    EXPECT_EQ(early.wait(), 0);
    ASSERT_TRUE(runMainRunLoopUntil([&] { return changes.size() >= 1; }));
    const pid_t latePid = late.pid();
    late.kill(SIGKILL);
    ASSERT_TRUE(runMainRunLoopUntil([&] { return changes.size() >= 2; }));
    EXPECT_THAT(changes, ElementsAre("-" + helper.utf8() + " " + std::to_string(earlyPid),
                                     "-" + helper.utf8() + " " + std::to_string(latePid)));
    EXPECT_EQ(SessionProcesses::list(), (std::vector<SessionProcess>{{main, getpid()}}));

    SessionProcesses::withdraw(main);
    EXPECT_THAT(SessionProcesses::list(), IsEmpty());
}

TEST_F(SessionBusTest, MalformedPostsOfOtherProgramsAreIgnored)
{
    ScopedLogCapture log;
    Received received("ping", Id());
    // Another program on the bus, speaking to it directly.
    sd_bus* other = nullptr;
    ASSERT_GE(sd_bus_new(&other), 0);
    ASSERT_GE(sd_bus_set_address(other, bus_.address().c_str()), 0);
    ASSERT_GE(sd_bus_set_bus_client(other, 1), 0);
    ASSERT_GE(sd_bus_start(other), 0);
    namespace Message = DistributedNotificationMessage;
    EXPECT_GE(sd_bus_emit_signal(other, Message::path, Message::interface, Message::member, "ss", "ping", "x"), 0);
    sd_bus_message* good = nullptr;
    ASSERT_GE(sd_bus_message_new_signal(other, &good, Message::path, Message::interface, Message::member), 0);
    std::string error;
    ASSERT_TRUE(Message::append(good, {.name = "ping", .object = "after"}, error)) << error;
    EXPECT_GE(sd_bus_send(other, good, nullptr), 0);
    sd_bus_message_unref(good);
    sd_bus_flush(other);

    ASSERT_TRUE(runMainRunLoopUntil([&] { return !received.notifications.empty(); }));
    EXPECT_THAT(received.texts(), ElementsAre("ping after nil"));
    const char* otherName = nullptr;
    ASSERT_GE(sd_bus_get_unique_name(other, &otherName), 0);
    EXPECT_TRUE(log.sink().contains(LogLevel::Debug, "Ignored a distributed notification from " +
                                                         std::string(otherName) + ": unexpected arguments (ss)"));
    sd_bus_flush_close_unref(other);
}

TEST_F(SessionBusTest, IdentifiersThatNoBusNameTakesAreRefused)
{
    ScopedLogCapture log;
    struct Case {
        const char* label;
        String identifier;
        bool announced;
    };
    const Case cases[] = {
        {.label = "empty", .identifier = "", .announced = false},
        {.label = "too long", .identifier = String(std::string(300, 'a')), .announced = false},
        {.label = "digits, dashes and others", .identifier = "1st-app.x_y.\xC3\xA9", .announced = true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(SessionProcesses::announce(c.identifier), c.announced);
        EXPECT_EQ(SessionProcesses::list(c.identifier).size(), c.announced ? 1u : 0u);
    }
    // What a bus name can't hold travels escaped and comes back whole.
    Peer peer(bus_);
    ASSERT_TRUE(peer.readLineStartingWith("connected"));
    peer.send("list");
    std::vector<std::string> listed;
    ASSERT_TRUE(peer.readLineStartingWith("listed", &listed));
    EXPECT_THAT(listed, ElementsAre("process 1st-app.x_y.\xC3\xA9 " + std::to_string(getpid())));
}

TEST_F(SessionBusTest, WhatCannotTravelStaysInTheProcessWithAnError)
{
    ScopedLogCapture log;
    Received received("local", Id());
    auto& center = NSDistributedNotificationCenter::defaultCenter();
    struct Case {
        const char* label;
        Id object;
        Id userInfo;
        std::string reason;
    };
    const Case cases[] = {
        {.label = "object", .object = Id(std::make_shared<NSObject>()), .userInfo = Id(), .reason = "is not a string"},
        {.label = "null",
         .object = Id(),
         .userInfo = Dictionary{{"n", Id::null()}},
         .reason = "not a property-list value"},
        {.label = "key",
         .object = Id(),
         .userInfo = Dictionary{{Id::number(1), "x"}},
         .reason = "key that is not a string"},
        {.label = "not a dictionary", .object = Id(), .userInfo = Array{}, .reason = "is not a dictionary"},
        {.label = "NUL", .object = String(std::string_view("a\0b", 3)), .userInfo = Id(), .reason = "NUL character"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        log.sink().clear();
        std::size_t before = received.notifications.size();
        center.postNotificationName("local", c.object, c.userInfo, false);
        clock_.advance(0);
        EXPECT_EQ(received.notifications.size(), before + 1);
        ASSERT_EQ(log.sink().entries().size(), 1u);
        EXPECT_EQ(log.sink().entries()[0].level, LogLevel::Error);
        EXPECT_THAT(log.sink().entries()[0].text,
                    AllOf(HasSubstr("Could not send the distributed notification local"), HasSubstr(c.reason)));
    }
}

TEST(SessionBusWithoutBusTest, PostsStayInTheProcessAndTheProgramSaysSoOnce)
{
    ScopedVirtualClock clock;
    struct Case {
        const char* label;
        std::function<bool()> connect;
        std::string said;
    };
    const Case cases[] = {
        {.label = "no address",
         .connect =
             [] {
                 const char* saved = std::getenv("DBUS_SESSION_BUS_ADDRESS");
                 std::string kept = saved ? saved : "";
                 ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
                 bool connected = SessionBus::connect();
                 if (saved)
                     ::setenv("DBUS_SESSION_BUS_ADDRESS", kept.c_str(), 1);
                 return connected;
             },
         .said = "No session bus (DBUS_SESSION_BUS_ADDRESS is not set): " + stayText},
        {.label = "nobody listening",
         .connect = [] { return SessionBus::connect("unix:path=/nonexistent/kestrova/bus"); },
         .said = "No session bus at unix:path=/nonexistent/kestrova/bus (No such file or directory): " + stayText},
        {.label = "not an address",
         .connect = [] { return SessionBus::connect("bogus"); },
         .said = "No session bus at bogus ("},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScopedLogCapture log;
        EXPECT_FALSE(c.connect());
        EXPECT_FALSE(SessionBus::isConnected());
        EXPECT_EQ(SessionBus::uniqueName(), "");
        Received received("ping", Id());
        for (int i = 0; i < 3; ++i)
            NSDistributedNotificationCenter::defaultCenter().postNotificationName("ping", "org.kestrova.Kestrova");
        clock.advance(0);
        EXPECT_EQ(received.notifications.size(), 3u);
        EXPECT_FALSE(SessionProcesses::announce("com.kestrova.Kestrova"));
        EXPECT_THAT(SessionProcesses::list(), IsEmpty());
        ASSERT_EQ(log.sink().texts().size(), 1u);
        EXPECT_THAT(log.sink().texts()[0], HasSubstr(c.said));
    }
}

TEST_F(SessionBusTest, ABusThatGoesAwayLeavesThePostsInTheProcess)
{
    ScopedLogCapture log(false);
    ASSERT_TRUE(SessionProcesses::announce("com.kestrova.Kestrova"));
    bool departed = false;
    auto observation = SessionProcesses::observe([&](const SessionProcess&, bool arrived) {
        departed = departed || !arrived;
        NSRunLoop::mainRunLoop().stop();
    });
    bus_.stop();
    ASSERT_TRUE(runMainRunLoopUntil([&] { return departed; }));
    EXPECT_FALSE(SessionBus::isConnected());
    EXPECT_THAT(SessionProcesses::list(), IsEmpty());

    Received received("ping", Id());
    NSDistributedNotificationCenter::defaultCenter().postNotificationName("ping");
    NSDistributedNotificationCenter::defaultCenter().postNotificationName("ping");
    clock_.advance(0);
    EXPECT_EQ(received.notifications.size(), 2u);
    ASSERT_EQ(log.sink().texts().size(), 1u);
    EXPECT_THAT(log.sink().texts()[0],
                AllOf(HasSubstr("Lost the session bus at " + bus_.address()), HasSubstr(stayText)));
}

// Posts from several threads at once, while others list and announce: every
// post reaches the other process, and back.
TEST_F(SessionBusTest, ConcurrentPostsAllArrive)
{
    Peer peer(bus_);
    ASSERT_TRUE(peer.readLineStartingWith("connected"));
    ASSERT_EQ(peer.ask("echo burst -"), "observing");
    Received echoed("burst.echo", Id());
    constexpr int threads = 4;
    constexpr int posts = 25;
    std::thread lister([] {
        for (int i = 0; i < 20; ++i) {
            SessionProcesses::announce("com.kestrova.Lister");
            (void)SessionProcesses::list();
            SessionProcesses::withdraw("com.kestrova.Lister");
        }
    });
    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t) {
        posters.emplace_back([t] {
            for (int i = 0; i < posts; ++i)
                NSDistributedNotificationCenter::defaultCenter().postNotificationName(
                    "burst", String(std::to_string(t)), Dictionary{{"i", Id::number(i)}}, false);
        });
    }
    for (auto& poster : posters)
        poster.join();
    lister.join();
    ASSERT_TRUE(runMainRunLoopUntil([&] { return echoed.notifications.size() >= threads * posts; }));
    EXPECT_EQ(echoed.notifications.size(), std::size_t{threads * posts});
    EXPECT_THAT(SessionProcesses::list("com.kestrova.Lister"), IsEmpty());
    // Each thread's posts come back in the order it made them.
    std::vector<int> next(threads, 0);
    for (const auto& n : echoed.notifications) {
        int t = std::stoi(n->object().string()->utf8());
        EXPECT_EQ(n->userInfo()["i"].integerValue(), next[t]++);
    }
}

}  // namespace
