#pragma once

#include <systemd/sd-bus.h>

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bus {

// One connection to a message bus, served by a thread of its own that reads
// what arrives and dispatches it.
//
// sd-bus objects are not thread-safe, so every use of the bus, from any
// thread, goes through `withBus`, under one lock; the serving thread holds the
// same lock while it dispatches. Handlers therefore run with the bus locked:
// they may call the bus directly (the bus is theirs for the moment) but must
// not wait for other threads, and hand the rest of their work to run loops.
class BusConnection {
public:
    using Handler = std::function<void(sd_bus*, sd_bus_message*)>;

    // Connects and says hello; nullptr and the reason when the bus can't be
    // reached.
    static std::shared_ptr<BusConnection> open(const std::string& address, std::string& error);
    ~BusConnection();
    BusConnection(const BusConnection&) = delete;
    BusConnection& operator=(const BusConnection&) = delete;

    const std::string& address() const { return address_; }
    // Our name on the bus, such as ":1.42".
    const std::string& uniqueName() const { return uniqueName_; }
    // False once the bus went away under us or the connection was closed.
    bool isOpen() const { return !lost_.load() && !closed_.load(); }

    // Runs `work` with the bus, locked, then wakes the serving thread so that
    // it sends what was queued and looks at what came in meanwhile.
    template <class Work> auto withBus(Work&& work)
    {
        struct Wake {
            BusConnection& connection;
            ~Wake() { connection.wake(); }
        } wake{*this};
        std::lock_guard lock(mutex_);
        return work(bus_);
    }

    // Calls `handler` on the serving thread for every message that matches
    // the rule; false when the bus refused the rule. The rule is in place on
    // the bus when this returns.
    bool addMatch(const std::string& rule, Handler handler, std::string& error);

    // Called once, on the serving thread and without the lock, when the bus
    // goes away under us (not when we close).
    void setLostHandler(std::function<void(const std::string& reason)> handler);

    // Stops serving and hangs up; what was queued is sent first. Safe to call
    // more than once; the destructor calls it.
    void close();

private:
    BusConnection() = default;
    void serve();
    void wake();
    static int dispatch(sd_bus_message* message, void* userdata, sd_bus_error* error);

    std::string address_;
    std::string uniqueName_;
    mutable std::mutex mutex_;
    sd_bus* bus_ = nullptr;
    // Written by any thread to wake the serving one; closed under its lock so
    // that no late wake writes to a reused descriptor.
    std::mutex wakeMutex_;
    int wakeFd_ = -1;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> lost_{false};
    std::atomic<bool> closed_{false};
    // Stable addresses: sd-bus keeps a pointer to each as its userdata.
    std::list<Handler> handlers_;
    std::vector<sd_bus_slot*> slots_;
    std::mutex lostMutex_;
    std::function<void(const std::string&)> lostHandler_;
};

}  // namespace bus
