#pragma once

#include "bus/BusConnection.h"

#include <memory>

class NSNotification;

// What the session's connection (SessionBus) shares with the parts that use
// it.
namespace bus {

// The connection while it is up; nullptr before connecting, after
// disconnecting and once the bus went away.
std::shared_ptr<BusConnection> currentConnection();

// Sends a post of the default distributed centre to the other processes;
// nothing without a connection.
void publishNotification(const NSNotification& notification, bool deliverImmediately);

// The running-process registry follows the connection: it learns who is
// announced when a connection comes, and forgets everyone when it goes.
void attachProcesses(const std::shared_ptr<BusConnection>& connection);
void detachProcesses();

}  // namespace bus
