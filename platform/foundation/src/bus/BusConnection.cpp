#include "bus/BusConnection.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <utility>

namespace bus {

namespace {

std::string describe(int negativeErrno)
{
    return std::strerror(-negativeErrno);
}

// Milliseconds from now until an absolute monotonic deadline in
// microseconds, as poll wants them; -1 for none.
int pollTimeout(std::uint64_t deadline)
{
    if (deadline == UINT64_MAX)
        return -1;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::uint64_t nowUsec =
        static_cast<std::uint64_t>(now.tv_sec) * 1000000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
    if (deadline <= nowUsec)
        return 0;
    std::uint64_t ms = (deadline - nowUsec + 999) / 1000;
    return ms > 60000 ? 60000 : static_cast<int>(ms);
}

}  // namespace

std::shared_ptr<BusConnection> BusConnection::open(const std::string& address, std::string& error)
{
    std::shared_ptr<BusConnection> connection(new BusConnection());
    connection->address_ = address;
    sd_bus* bus = nullptr;
    int r = sd_bus_new(&bus);
    if (r < 0) {
        error = describe(r);
        return nullptr;
    }
    sd_bus_set_description(bus, "session");
    r = sd_bus_set_address(bus, address.c_str());
    if (r >= 0)
        r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0)
        r = sd_bus_start(bus);
    const char* unique = nullptr;
    // Waits for the bus's answer to our hello, so a bus that isn't there
    // fails here rather than on the first post.
    if (r >= 0)
        r = sd_bus_get_unique_name(bus, &unique);
    if (r < 0) {
        error = describe(r);
        sd_bus_close_unref(bus);
        return nullptr;
    }
    connection->bus_ = bus;
    connection->uniqueName_ = unique;
    connection->wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (connection->wakeFd_ < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    connection->thread_ = std::thread([raw = connection.get()] { raw->serve(); });
    return connection;
}

BusConnection::~BusConnection()
{
    close();
}

void BusConnection::close()
{
    if (closed_.exchange(true)) {
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
            thread_.join();
        return;
    }
    stopping_ = true;
    wake();
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
    std::lock_guard lock(mutex_);
    for (sd_bus_slot* slot : slots_)
        sd_bus_slot_unref(slot);
    slots_.clear();
    if (bus_) {
        sd_bus_flush_close_unref(bus_);
        bus_ = nullptr;
    }
    std::lock_guard wakeLock(wakeMutex_);
    if (wakeFd_ >= 0)
        ::close(std::exchange(wakeFd_, -1));
}

void BusConnection::wake()
{
    std::lock_guard lock(wakeMutex_);
    if (wakeFd_ < 0)
        return;
    std::uint64_t one = 1;
    // A full counter still wakes the thread; nothing else can go wrong here.
    [[maybe_unused]] ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

bool BusConnection::addMatch(const std::string& rule, Handler handler, std::string& error)
{
    return withBus([&](sd_bus* bus) {
        if (!bus) {
            error = "the connection is closed";
            return false;
        }
        handlers_.push_back(std::move(handler));
        sd_bus_slot* slot = nullptr;
        // The synchronous form: the bus has the rule before we go on, so
        // nothing sent after this returns can pass us by.
        int r = sd_bus_add_match(bus, &slot, rule.c_str(), &BusConnection::dispatch, &handlers_.back());
        if (r < 0) {
            handlers_.pop_back();
            error = describe(r);
            return false;
        }
        slots_.push_back(slot);
        return true;
    });
}

void BusConnection::setLostHandler(std::function<void(const std::string&)> handler)
{
    std::lock_guard lock(lostMutex_);
    lostHandler_ = std::move(handler);
}

int BusConnection::dispatch(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    auto* handler = static_cast<Handler*>(userdata);
    (*handler)(sd_bus_message_get_bus(message), message);
    // Other matches see the message too.
    return 0;
}

void BusConnection::serve()
{
    std::string lostReason;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        int r;
        do {
            r = sd_bus_process(bus_, nullptr);
        } while (r > 0 && !stopping_);
        if (r < 0 || sd_bus_is_open(bus_) <= 0) {
            lostReason = r < 0 ? describe(r) : "the bus closed the connection";
            break;
        }
        if (stopping_)
            break;
        pollfd fds[2] = {};
        fds[0].fd = sd_bus_get_fd(bus_);
        int events = sd_bus_get_events(bus_);
        fds[0].events = static_cast<short>(events < 0 ? POLLIN : events);
        fds[1].fd = wakeFd_;
        fds[1].events = POLLIN;
        std::uint64_t deadline = UINT64_MAX;
        sd_bus_get_timeout(bus_, &deadline);
        lock.unlock();
        ::poll(fds, 2, pollTimeout(deadline));
        std::uint64_t count;
        while (::read(fds[1].fd, &count, sizeof count) > 0) {
        }
        lock.lock();
    }
    lock.unlock();
    if (lostReason.empty())
        return;
    lost_ = true;
    std::function<void(const std::string&)> handler;
    {
        std::lock_guard guard(lostMutex_);
        handler = lostHandler_;
    }
    if (handler)
        handler(lostReason);
}

}  // namespace bus
