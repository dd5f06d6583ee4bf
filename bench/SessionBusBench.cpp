// Distributed notifications over the session bus: writing and reading a
// notification's message, and the way from another program's post to our
// observer (the bus daemon, the serving thread, reading, the run loop).

#include "../tests/support/MessageFactory.h"
#include "../tests/support/PrivateSessionBus.h"
#include "foundation/DistributedNotificationMessage.h"
#include "foundation/Log.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSRunLoop.h"
#include "foundation/SessionBus.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

namespace Message = DistributedNotificationMessage;

Message::Contents killLauncher()
{
    return {.name = "killLauncher", .object = "org.kestrova.Kestrova"};
}

Message::Contents withUserInformation()
{
    Array windows;
    for (int i = 0; i < 20; ++i)
        windows.add(Dictionary{{"number", Id::number(3000 + i)}, {"title", "Window"}, {"main", Id::boolean(i == 0)}});
    return {.name = "windowsChanged", .object = "com.apple.Safari", .userInfo = Dictionary{{"windows", windows}}};
}

void writeAndRead(benchmark::State& state, const Message::Contents& contents)
{
    MessageFactory factory;
    for (auto _ : state) {
        MessageReference message{factory.signal()};
        std::string error;
        if (!Message::append(message, contents, error) || !MessageFactory::seal(message)) {
            state.SkipWithError(error.c_str());
            return;
        }
        auto read = Message::read(message);
        benchmark::DoNotOptimize(read);
    }
}

void BM_WriteAndReadKillLauncher(benchmark::State& state)
{
    writeAndRead(state, killLauncher());
}
BENCHMARK(BM_WriteAndReadKillLauncher);

void BM_WriteAndReadTwentyWindows(benchmark::State& state)
{
    writeAndRead(state, withUserInformation());
}
BENCHMARK(BM_WriteAndReadTwentyWindows);

// Another connection on a private bus posts; we wait, asleep on the main run
// loop, until our observer has it.
void BM_PostOfAnotherProgramToOurObserver(benchmark::State& state)
{
    ScopedLogCapture quiet(false);
    PrivateSessionBus bus;
    if (!bus.running() || !SessionBus::connect(bus.address())) {
        state.SkipWithError("no private bus");
        return;
    }
    sd_bus* other = nullptr;
    sd_bus_new(&other);
    sd_bus_set_address(other, bus.address().c_str());
    sd_bus_set_bus_client(other, 1);
    if (sd_bus_start(other) < 0) {
        state.SkipWithError("no second connection");
        sd_bus_unref(other);
        return;
    }
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    std::size_t received = 0;
    auto token = NSDistributedNotificationCenter::defaultCenter().addObserverForName(
        String("killLauncher"), Id("org.kestrova.Kestrova"), [&](NSNotification&) {
            ++received;
            loop.stop();
        });
    for (auto _ : state) {
        sd_bus_message* message = nullptr;
        sd_bus_message_new_signal(other, &message, Message::path, Message::interface, Message::member);
        std::string error;
        Message::append(message, killLauncher(), error);
        sd_bus_send(other, message, nullptr);
        sd_bus_message_unref(message);
        sd_bus_flush(other);
        std::size_t before = received;
        while (received == before)
            loop.run();
    }
    NSDistributedNotificationCenter::defaultCenter().removeObserver(*token);
    sd_bus_flush_close_unref(other);
    SessionBus::disconnect();
}
BENCHMARK(BM_PostOfAnotherProgramToOurObserver)->UseRealTime();

}  // namespace
