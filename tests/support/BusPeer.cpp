// The other process in tests of the session bus: it connects to the bus of
// DBUS_SESSION_BUS_ADDRESS, then takes one command a line on its standard
// input and answers on its standard output, one line each, as it runs its
// main run loop:
//
//   observe NAME OBJECT   prints "received NAME OBJECT USERINFO THREAD" for
//                         each matching notification ("-": any object; the
//                         user information as TypedDescription writes it;
//                         THREAD "main" on the main thread)
//   echo NAME OBJECT      as observe, and posts each one again as NAME.echo
//                         with the same object and user information
//   post NAME OBJECT      posts without user information ("-": no object)
//   announce ID           announces the bundle identifier
//   list                  "process ID PID" for everyone announced, then "listed"
//   watch                 "arrived ID PID" / "departed ID PID" from now on
//   quit                  ends (so does the end of the input)

#include "TypedDescription.h"
#include "foundation/Log.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSRunLoop.h"
#include "foundation/NSThread.h"
#include "foundation/SessionBus.h"
#include "foundation/SessionProcesses.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

void say(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

Id objectArgument(const std::string& word)
{
    return word == "-" ? Id() : Id(String(word));
}

std::string objectText(const Id& object)
{
    return object.isNil() ? "-" : object.description().utf8();
}

struct Peer {
    std::vector<std::shared_ptr<NSObject>> tokens;
    std::shared_ptr<SessionProcesses::Observation> watching;

    void observe(const std::string& name, const std::string& object, bool echo)
    {
        auto& center = NSDistributedNotificationCenter::defaultCenter();
        tokens.push_back(center.addObserverForName(String(name), objectArgument(object), [echo](NSNotification& n) {
            say("received " + n.name().utf8() + " " + objectText(n.object()) + " " + typedDescription(n.userInfo()) +
                (NSThread::isMainThread() ? " main" : " other"));
            if (echo)
                NSDistributedNotificationCenter::defaultCenter().postNotificationName(n.name().appending(".echo"),
                                                                                      n.object(), n.userInfo(), false);
        }));
    }

    void perform(const std::string& line)
    {
        std::istringstream words(line);
        std::string command, first, second;
        words >> command >> first >> second;
        if (command == "observe" || command == "echo") {
            observe(first, second, command == "echo");
            say("observing");
        } else if (command == "post") {
            NSDistributedNotificationCenter::defaultCenter().postNotificationName(String(first), objectArgument(second),
                                                                                  Id(), false);
            say("posted");
        } else if (command == "announce") {
            say("announced " + first + (SessionProcesses::announce(String(first)) ? " 1" : " 0"));
        } else if (command == "list") {
            for (const auto& process : SessionProcesses::list())
                say("process " + process.bundleIdentifier.utf8() + " " + std::to_string(process.processIdentifier));
            say("listed");
        } else if (command == "watch") {
            watching = SessionProcesses::observe([](const SessionProcess& process, bool arrived) {
                say(std::string(arrived ? "arrived " : "departed ") + process.bundleIdentifier.utf8() + " " +
                    std::to_string(process.processIdentifier));
            });
            say("watching");
        } else if (command == "quit") {
            NSRunLoop::mainRunLoop().stop();
        } else {
            say("unknown " + command);
        }
    }
};

}  // namespace

int main()
{
    // The log goes to standard error; standard output carries the answers.
    bool connected = SessionBus::connect();
    say(connected ? "connected " + SessionBus::uniqueName() : "unconnected");

    Peer peer;
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    std::thread reader([&loop, &peer] {
        std::string line;
        while (std::getline(std::cin, line))
            loop.performBlock([&peer, line] { peer.perform(line); });
        loop.performBlock([&loop] { loop.stop(); });
    });
    reader.detach();
    loop.run();
    peer.tokens.clear();
    peer.watching.reset();
    SessionBus::disconnect();
    return 0;
}
