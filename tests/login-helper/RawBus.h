#pragma once

#include "foundation/DistributedNotificationMessage.h"
#include "foundation/Id.h"
#include "foundation/String.h"

#include <systemd/sd-bus.h>

#include <cstdlib>
#include <string>

// A connection of the test's own, to post as another program would and to
// know that a program has taken in what came before.
class RawBus {
public:
    explicit RawBus(const std::string& address)
    {
        if (sd_bus_new(&bus_) < 0 || sd_bus_set_address(bus_, address.c_str()) < 0 ||
            sd_bus_set_bus_client(bus_, 1) < 0 || sd_bus_start(bus_) < 0)
            bus_ = sd_bus_flush_close_unref(bus_);
    }
    ~RawBus() { sd_bus_flush_close_unref(bus_); }
    RawBus(const RawBus&) = delete;
    RawBus& operator=(const RawBus&) = delete;
    bool ok() const { return bus_ != nullptr; }

    bool postKillLauncher(const String& object)
    {
        sd_bus_message* message = nullptr;
        std::string error;
        bool sent =
            sd_bus_message_new_signal(bus_, &message, DistributedNotificationMessage::path,
                                      DistributedNotificationMessage::interface,
                                      DistributedNotificationMessage::member) >= 0 &&
            DistributedNotificationMessage::append(message, {.name = "killLauncher", .object = Id(object)}, error) &&
            sd_bus_send(bus_, message, nullptr) >= 0;
        sd_bus_message_unref(message);
        return sent;
    }

    // Answered by the peer's connection itself once it has read everything
    // this connection sent before.
    bool ping(const std::string& destination)
    {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        int r = sd_bus_call_method(bus_, destination.c_str(), "/", "org.freedesktop.DBus.Peer", "Ping", &error, nullptr,
                                   "");
        sd_bus_error_free(&error);
        return r >= 0;
    }

    // The bus name of the process that announced this identifier.
    std::string ownerOf(const std::string& fragment)
    {
        char** names = nullptr;
        std::string found;
        if (sd_bus_list_names(bus_, &names, nullptr) < 0)
            return found;
        for (char** n = names; *n; ++n) {
            if (found.empty() && std::string(*n).find(fragment) != std::string::npos)
                found = *n;
            std::free(*n);
        }
        std::free(names);
        return found;
    }

private:
    sd_bus* bus_ = nullptr;
};
