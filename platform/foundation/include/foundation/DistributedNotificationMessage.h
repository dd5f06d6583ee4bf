#pragma once

#include "foundation/Id.h"
#include "foundation/ParseResult.h"
#include "foundation/String.h"

#include <string>

struct sd_bus_message;

// How a distributed notification travels between processes: a signal on the
// session bus whose arguments are the name (s), the object (as: empty for
// none, else the one string), the user information (aa{sv}: empty for none,
// else the one dictionary) and whether the poster asked for immediate
// delivery (b).
//
// The values that travel are those of a property list: strings, Booleans,
// numbers, data, arrays, and dictionaries with string keys, nested at most
// `maximumDepth` deep. Reading is lenient about what other programs may send
// (any integer width, object paths and signatures as strings, structures as
// arrays) and refuses the rest with a reason.
namespace DistributedNotificationMessage {

inline constexpr const char* path = "/org/kestrova/DistributedNotifications";
inline constexpr const char* interface = "org.kestrova.DistributedNotifications";
inline constexpr const char* member = "Posted";
inline constexpr int maximumDepth = 16;

struct Contents {
    String name = {};
    Id object = {};
    Id userInfo = {};
    bool deliverImmediately = false;
};

// Appends the arguments to a new signal. False, with the reason, when
// something can't travel (an object that isn't a string, a value that isn't a
// property list, text with a NUL character); the message is then unusable.
bool append(sd_bus_message* message, const Contents& contents, std::string& error);

// Reads the arguments of a received signal.
ParseResult<Contents> read(sd_bus_message* message);

}  // namespace DistributedNotificationMessage
