#include "foundation/SessionProcesses.h"

#include "bus/Session.h"
#include "foundation/Log.h"
#include "foundation/NSRunLoop.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <string>

// Each announcement is a name of its own on the bus:
//
//     org.kestrova.Application.<bundle identifier, escaped>.<connection>
//
// one per bundle identifier and connection, so that two processes with the
// same identifier are both seen, and the bus tells everyone when a process
// takes or loses one (NameOwnerChanged), exit included. Bus names allow only
// [A-Za-z0-9_-] in an element, none starting with a digit, so every other
// byte of the identifier (dots among them) and a leading digit become "_"
// and two hex digits; the connection ":1.42" becomes "c1_42".

namespace {

const std::string prefix = "org.kestrova.Application";
constexpr std::size_t maximumNameLength = 255;

bool isAsciiAlphanumeric(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The identifier as one element of a bus name.
std::string escaped(const std::string& identifier)
{
    static const char digits[] = "0123456789abcdef";
    std::string name;
    for (std::size_t i = 0; i < identifier.size(); ++i) {
        auto c = static_cast<unsigned char>(identifier[i]);
        if (isAsciiAlphanumeric(c) && !(i == 0 && c >= '0' && c <= '9')) {
            name += static_cast<char>(c);
        } else {
            name += '_';
            name += digits[c >> 4];
            name += digits[c & 15];
        }
    }
    return name;
}

std::optional<std::string> busName(const String& bundleIdentifier, const std::string& uniqueName)
{
    std::string identifier = bundleIdentifier.utf8();
    if (identifier.empty() || uniqueName.size() < 2)
        return std::nullopt;
    std::string name = prefix + "." + escaped(identifier) + ".c";
    for (char c : uniqueName.substr(1))
        name += c == '.' ? '_' : c;
    if (name.size() > maximumNameLength)
        return std::nullopt;
    return name;
}

// One name per identifier and purpose, such as the one held by whoever is
// starting that program.
std::optional<std::string> sharedName(const std::string& purpose, const String& bundleIdentifier)
{
    std::string identifier = bundleIdentifier.utf8();
    if (identifier.empty())
        return std::nullopt;
    std::string name = "org.kestrova." + purpose + "." + escaped(identifier);
    if (name.size() > maximumNameLength)
        return std::nullopt;
    return name;
}

std::optional<std::string> launchName(const String& bundleIdentifier)
{
    return sharedName("Launching", bundleIdentifier);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The bundle identifier a name announces; nothing for names of another shape.
std::optional<String> bundleIdentifierOf(const std::string& name)
{
    if (name.size() <= prefix.size() + 1 || name.compare(0, prefix.size() + 1, prefix + ".") != 0)
        return std::nullopt;
    std::string rest = name.substr(prefix.size() + 1);
    std::size_t dot = rest.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return std::nullopt;
    std::string identifier;
    for (std::size_t i = 0; i < dot; ++i) {
        if (rest[i] != '_') {
            identifier += rest[i];
            continue;
        }
        if (i + 2 >= dot || hexValue(rest[i + 1]) < 0 || hexValue(rest[i + 2]) < 0)
            return std::nullopt;
        identifier += static_cast<char>(hexValue(rest[i + 1]) * 16 + hexValue(rest[i + 2]));
        i += 2;
    }
    return String(identifier);
}

// Connections are numbered as they come onto the bus: ":1.42" is the 42nd.
std::uint64_t serialOf(const std::string& uniqueName)
{
    std::size_t dot = uniqueName.rfind('.');
    if (dot == std::string::npos)
        return std::numeric_limits<std::uint64_t>::max();
    std::uint64_t serial = 0;
    for (char c : uniqueName.substr(dot + 1)) {
        if (c < '0' || c > '9')
            return std::numeric_limits<std::uint64_t>::max();
        serial = serial * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return serial;
}

// With the bus locked. Nothing when the owner is gone already.
std::optional<pid_t> processOf(sd_bus* bus, const std::string& owner)
{
    sd_bus_creds* creds = nullptr;
    if (sd_bus_get_name_creds(bus, owner.c_str(), SD_BUS_CREDS_PID, &creds) < 0)
        return std::nullopt;
    pid_t pid = 0;
    int r = sd_bus_creds_get_pid(creds, &pid);
    sd_bus_creds_unref(creds);
    if (r < 0)
        return std::nullopt;
    return pid;
}

struct Known {
    std::string name;
    std::uint64_t serial = 0;
    SessionProcess process;
};

struct Watcher {
    std::shared_ptr<NSRunLoop> runLoop;
    std::shared_ptr<SessionProcesses::Observer> observer;
    std::shared_ptr<std::atomic<bool>> alive;
};

struct Change {
    SessionProcess process;
    bool arrived;
};

class Registry {
public:
    static Registry& shared()
    {
        static auto* registry = new Registry();
        return *registry;
    }

    void arrived(std::string name, std::uint64_t serial, SessionProcess process)
    {
        {
            std::lock_guard lock(mutex_);
            if (std::any_of(known_.begin(), known_.end(), [&](const Known& k) { return k.name == name; }))
                return;
            auto at = std::upper_bound(known_.begin(), known_.end(), serial,
                                       [](std::uint64_t s, const Known& k) { return s < k.serial; });
            known_.insert(at, Known{.name = std::move(name), .serial = serial, .process = process});
        }
        tell({{process, true}});
    }

    void departed(const std::string& name)
    {
        std::optional<SessionProcess> gone;
        {
            std::lock_guard lock(mutex_);
            auto it = std::find_if(known_.begin(), known_.end(), [&](const Known& k) { return k.name == name; });
            if (it == known_.end())
                return;
            gone = it->process;
            known_.erase(it);
        }
        tell({{*gone, false}});
    }

    void forgetAll()
    {
        std::vector<Change> changes;
        {
            std::lock_guard lock(mutex_);
            for (const Known& k : known_)
                changes.push_back({k.process, false});
            known_.clear();
        }
        tell(changes);
    }

    std::vector<SessionProcess> list(const std::optional<String>& bundleIdentifier) const
    {
        std::vector<SessionProcess> result;
        std::lock_guard lock(mutex_);
        for (const Known& k : known_) {
            if (!bundleIdentifier || k.process.bundleIdentifier == *bundleIdentifier)
                result.push_back(k.process);
        }
        return result;
    }

    std::uint64_t add(Watcher watcher)
    {
        std::lock_guard lock(mutex_);
        std::uint64_t id = nextWatcher_++;
        watchers_.emplace_back(id, std::move(watcher));
        return id;
    }

    void remove(std::uint64_t id)
    {
        std::lock_guard lock(mutex_);
        std::erase_if(watchers_, [&](const auto& entry) {
            if (entry.first != id)
                return false;
            *entry.second.alive = false;
            return true;
        });
    }

private:
    void tell(const std::vector<Change>& changes)
    {
        if (changes.empty())
            return;
        std::vector<Watcher> watchers;
        {
            std::lock_guard lock(mutex_);
            for (const auto& entry : watchers_)
                watchers.push_back(entry.second);
        }
        for (const Watcher& watcher : watchers) {
            watcher.runLoop->performBlock([watcher, changes] {
                for (const Change& change : changes) {
                    if (!*watcher.alive)
                        return;
                    (*watcher.observer)(change.process, change.arrived);
                }
            });
        }
    }

    mutable std::mutex mutex_;
    std::vector<Known> known_;
    std::vector<std::pair<std::uint64_t, Watcher>> watchers_;
    std::uint64_t nextWatcher_ = 1;
};

// On the serving thread, with the bus locked.
void nameOwnerChanged(sd_bus* bus, sd_bus_message* message)
{
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (sd_bus_message_read(message, "sss", &name, &oldOwner, &newOwner) < 0)
        return;
    auto identifier = bundleIdentifierOf(name);
    if (!identifier)
        return;
    if (*oldOwner)
        Registry::shared().departed(name);
    if (*newOwner) {
        if (auto pid = processOf(bus, newOwner))
            Registry::shared().arrived(name, serialOf(newOwner),
                                       {.bundleIdentifier = *identifier, .processIdentifier = *pid});
    }
}

// With the bus locked: whoever announced before we came.
void listAnnounced(sd_bus* bus)
{
    char** names = nullptr;
    if (sd_bus_list_names(bus, &names, nullptr) < 0 || !names)
        return;
    for (char** n = names; *n; ++n) {
        std::string name = *n;
        std::free(*n);
        auto identifier = bundleIdentifierOf(name);
        if (!identifier)
            continue;
        sd_bus_creds* creds = nullptr;
        const char* owner = nullptr;
        if (sd_bus_get_name_creds(bus, name.c_str(), SD_BUS_CREDS_UNIQUE_NAME | SD_BUS_CREDS_PID, &creds) < 0)
            continue;
        pid_t pid = 0;
        if (sd_bus_creds_get_unique_name(creds, &owner) >= 0 && sd_bus_creds_get_pid(creds, &pid) >= 0)
            Registry::shared().arrived(name, serialOf(owner),
                                       {.bundleIdentifier = *identifier, .processIdentifier = pid});
        sd_bus_creds_unref(creds);
    }
    std::free(names);
}

}  // namespace

class SessionProcesses::Observation {
public:
    explicit Observation(std::uint64_t id)
        : id_(id)
    {
    }
    ~Observation() { Registry::shared().remove(id_); }
    Observation(const Observation&) = delete;
    Observation& operator=(const Observation&) = delete;

private:
    std::uint64_t id_;
};

namespace bus {

void attachProcesses(const std::shared_ptr<BusConnection>& connection)
{
    std::string error;
    std::string rule = "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
                       "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0namespace='" +
                       prefix + "'";
    // Watching first, then listing: whoever comes in between is seen twice,
    // and kept once.
    if (!connection->addMatch(rule, nameOwnerChanged, error)) {
        Log::error("Cannot follow the programs of the session: %s", error.c_str());
        return;
    }
    connection->withBus([](sd_bus* bus) {
        if (bus)
            listAnnounced(bus);
    });
}

void detachProcesses()
{
    Registry::shared().forgetAll();
}

}  // namespace bus

bool SessionProcesses::announce(const String& bundleIdentifier)
{
    auto connection = bus::currentConnection();
    if (!connection)
        return false;
    auto name = busName(bundleIdentifier, connection->uniqueName());
    if (!name) {
        Log::error("Cannot announce the bundle identifier \"%s\" on the session bus: it is empty or too long",
                   bundleIdentifier.utf8().c_str());
        return false;
    }
    return connection->withBus([&](sd_bus* bus) {
        if (!bus)
            return false;
        int r = sd_bus_request_name(bus, name->c_str(), 0);
        std::optional<pid_t> pid = r >= 0 ? processOf(bus, connection->uniqueName()) : std::nullopt;
        if (!pid) {
            Log::error("Cannot announce the bundle identifier \"%s\" on the session bus: %s",
                       bundleIdentifier.utf8().c_str(), std::strerror(r < 0 ? -r : ESRCH));
            return false;
        }
        // Known at once here, not only when the bus's notice comes round.
        Registry::shared().arrived(*name, serialOf(connection->uniqueName()),
                                   {.bundleIdentifier = bundleIdentifier, .processIdentifier = *pid});
        return true;
    });
}

void SessionProcesses::withdraw(const String& bundleIdentifier)
{
    auto connection = bus::currentConnection();
    if (!connection)
        return;
    auto name = busName(bundleIdentifier, connection->uniqueName());
    if (!name)
        return;
    connection->withBus([&](sd_bus* bus) {
        if (bus)
            sd_bus_release_name(bus, name->c_str());
    });
    Registry::shared().departed(*name);
}

bool SessionProcesses::claimLaunch(const String& bundleIdentifier)
{
    auto connection = bus::currentConnection();
    auto name = launchName(bundleIdentifier);
    if (!connection || !name)
        return true;
    return connection->withBus([&](sd_bus* bus) {
        if (!bus)
            return true;
        // Not queued: a claim someone else holds is refused at once.
        int r = sd_bus_request_name(bus, name->c_str(), 0);
        if (r >= 0)
            return true;
        if (r != -EEXIST)
            Log::error("Cannot claim the start of \"%s\" on the session bus: %s", bundleIdentifier.utf8().c_str(),
                       std::strerror(-r));
        return r != -EEXIST;
    });
}

void SessionProcesses::releaseLaunch(const String& bundleIdentifier)
{
    auto connection = bus::currentConnection();
    auto name = launchName(bundleIdentifier);
    if (!connection || !name)
        return;
    connection->withBus([&](sd_bus* bus) {
        if (bus)
            sd_bus_release_name(bus, name->c_str());
    });
}

bool SessionProcesses::claimInstance(const String& bundleIdentifier, bool standIn, std::function<void()> replaced)
{
    auto connection = bus::currentConnection();
    auto name = sharedName("Instance", bundleIdentifier);
    if (!connection || !name)
        return true;
    if (standIn && replaced) {
        // Listening before claiming: a take-over right after the claim is
        // heard too. The bus tells the stand-in alone that it lost the name.
        std::string rule = "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
                           "interface='org.freedesktop.DBus',member='NameLost',arg0='" +
                           *name + "'";
        auto runLoop = std::static_pointer_cast<NSRunLoop>(NSRunLoop::currentRunLoop().shared_from_this());
        auto once = std::make_shared<std::atomic<bool>>(false);
        auto told = std::make_shared<std::function<void()>>(std::move(replaced));
        std::string error;
        if (!connection->addMatch(
                rule,
                [runLoop, once, told](sd_bus*, sd_bus_message*) {
                    if (!once->exchange(true))
                        runLoop->performBlock([told] { (*told)(); });
                },
                error))
            Log::error("Cannot follow the instance of \"%s\" on the session bus: %s", bundleIdentifier.utf8().c_str(),
                       error.c_str());
    }
    return connection->withBus([&](sd_bus* bus) {
        if (!bus)
            return true;
        std::uint64_t flags =
            standIn ? SD_BUS_NAME_ALLOW_REPLACEMENT : SD_BUS_NAME_REPLACE_EXISTING | SD_BUS_NAME_QUEUE;
        int r = sd_bus_request_name(bus, name->c_str(), flags);
        if (r >= 0 || r == -EALREADY)
            return true;
        if (r == -EEXIST)
            return !standIn;
        Log::error("Cannot claim the instance of \"%s\" on the session bus: %s", bundleIdentifier.utf8().c_str(),
                   std::strerror(-r));
        return true;
    });
}

void SessionProcesses::refresh()
{
    auto connection = bus::currentConnection();
    if (!connection)
        return;
    connection->withBus([](sd_bus* bus) {
        if (bus)
            listAnnounced(bus);
    });
}

std::vector<SessionProcess> SessionProcesses::list()
{
    return Registry::shared().list(std::nullopt);
}

std::vector<SessionProcess> SessionProcesses::list(const String& bundleIdentifier)
{
    return Registry::shared().list(bundleIdentifier);
}

std::shared_ptr<SessionProcesses::Observation> SessionProcesses::observe(Observer observer)
{
    Watcher watcher{.runLoop = std::static_pointer_cast<NSRunLoop>(NSRunLoop::currentRunLoop().shared_from_this()),
                    .observer = std::make_shared<Observer>(std::move(observer)),
                    .alive = std::make_shared<std::atomic<bool>>(true)};
    return std::make_shared<Observation>(Registry::shared().add(std::move(watcher)));
}
