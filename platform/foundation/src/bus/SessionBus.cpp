#include "foundation/SessionBus.h"

#include "bus/Session.h"
#include "foundation/DistributedNotificationMessage.h"
#include "foundation/Log.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSNotification.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

std::mutex& connectionMutex()
{
    static auto* mutex = new std::mutex();
    return *mutex;
}

std::shared_ptr<bus::BusConnection>& connection()
{
    static auto* current = new std::shared_ptr<bus::BusConnection>();
    return *current;
}

std::string notificationRule()
{
    return std::string("type='signal',interface='") + DistributedNotificationMessage::interface + "',member='" +
           DistributedNotificationMessage::member + "'";
}

void stayInProcess(const std::string& address, const std::string& reason)
{
    Log::info("No session bus at %s (%s): distributed notifications stay within this process", address.c_str(),
              reason.c_str());
}

// On the serving thread: a post of another process goes to our observers.
void receive(sd_bus_message* message, const std::string& self)
{
    const char* sender = sd_bus_message_get_sender(message);
    // Our own posts reached our observers when we made them.
    if (sender && self == sender)
        return;
    auto contents = DistributedNotificationMessage::read(message);
    if (!contents) {
        Log::debug("Ignored a distributed notification from %s: %s", sender ? sender : "an unnamed sender",
                   contents.error().c_str());
        return;
    }
    auto notification = NSNotification::notificationWithName(contents->name, contents->object, contents->userInfo);
    NSDistributedNotificationCenter::defaultCenter().deliverNotificationFromAnotherProcess(
        notification, contents->deliverImmediately);
}

}  // namespace

namespace bus {

std::shared_ptr<BusConnection> currentConnection()
{
    std::lock_guard lock(connectionMutex());
    auto& current = connection();
    return current && current->isOpen() ? current : nullptr;
}

void publishNotification(const NSNotification& notification, bool deliverImmediately)
{
    auto connection = currentConnection();
    if (!connection)
        return;
    DistributedNotificationMessage::Contents contents{.name = notification.name(),
                                                      .object = notification.object(),
                                                      .userInfo = notification.userInfo(),
                                                      .deliverImmediately = deliverImmediately};
    std::string error;
    connection->withBus([&](sd_bus* bus) {
        if (!bus) {
            error = "the connection is closed";
            return;
        }
        sd_bus_message* message = nullptr;
        int r = sd_bus_message_new_signal(bus, &message, DistributedNotificationMessage::path,
                                          DistributedNotificationMessage::interface,
                                          DistributedNotificationMessage::member);
        if (r < 0)
            error = std::strerror(-r);
        else if (DistributedNotificationMessage::append(message, contents, error) &&
                 (r = sd_bus_send(bus, message, nullptr)) < 0)
            error = std::strerror(-r);
        sd_bus_message_unref(message);
    });
    if (!error.empty())
        Log::error("Could not send the distributed notification %s to other processes: %s",
                   notification.name().utf8().c_str(), error.c_str());
}

}  // namespace bus

bool SessionBus::connect()
{
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address || !*address) {
        disconnect();
        Log::info("No session bus (DBUS_SESSION_BUS_ADDRESS is not set): distributed notifications stay within this "
                  "process");
        return false;
    }
    return connect(address);
}

bool SessionBus::connect(const std::string& address)
{
    disconnect();
    std::string error;
    auto opened = bus::BusConnection::open(address, error);
    if (!opened) {
        stayInProcess(address, error);
        return false;
    }
    std::string self = opened->uniqueName();
    if (!opened->addMatch(
            notificationRule(), [self](sd_bus*, sd_bus_message* message) { receive(message, self); }, error)) {
        opened->close();
        stayInProcess(address, error);
        return false;
    }
    opened->setLostHandler([address](const std::string& reason) {
        Log::info("Lost the session bus at %s (%s): distributed notifications stay within this process",
                  address.c_str(), reason.c_str());
        bus::detachProcesses();
    });
    {
        std::lock_guard lock(connectionMutex());
        connection() = opened;
    }
    bus::attachProcesses(opened);
    Log::debug("Connected to the session bus at %s as %s", address.c_str(), self.c_str());
    return true;
}

void SessionBus::disconnect()
{
    std::shared_ptr<bus::BusConnection> old;
    {
        std::lock_guard lock(connectionMutex());
        old = std::exchange(connection(), nullptr);
    }
    if (!old)
        return;
    bus::detachProcesses();
    old->close();
}

bool SessionBus::isConnected()
{
    return bus::currentConnection() != nullptr;
}

std::string SessionBus::uniqueName()
{
    auto current = bus::currentConnection();
    return current ? current->uniqueName() : std::string();
}
