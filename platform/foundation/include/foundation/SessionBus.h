#pragma once

#include <string>

// The process's connection to the session's message bus (D-Bus), over which
// the default distributed notification centre and the announcements of
// running programs (SessionProcesses) reach other processes.
//
// A program connects once at start. Without a reachable bus it says so once
// in the log and goes on as a single process: distributed notifications are
// then delivered within the process only, as they always are, and nothing is
// announced. A bus that goes away later is logged once the same way, and
// everything falls back to the process.
namespace SessionBus {

// The bus named by DBUS_SESSION_BUS_ADDRESS.
bool connect();
// A bus at this address (tests start a private one). Connecting again first
// hangs up the old connection, and what was announced there with it.
bool connect(const std::string& address);
void disconnect();

bool isConnected();
// Our name on the bus, such as ":1.42"; empty when not connected.
std::string uniqueName();

}  // namespace SessionBus
