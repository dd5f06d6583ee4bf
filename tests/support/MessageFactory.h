#pragma once

// Bus messages without a bus: an sd-bus object started on one end of a
// socket pair that never says a word, which is all sd-bus needs to build
// messages. Sealing one makes it readable from the start, as if it had
// arrived.

#include <systemd/sd-bus.h>

#include <sys/socket.h>
#include <unistd.h>

class MessageFactory {
public:
    MessageFactory()
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0)
            return;
        if (sd_bus_new(&bus_) < 0 || sd_bus_set_fd(bus_, fds_[0], fds_[0]) < 0 || sd_bus_start(bus_) < 0) {
            bus_ = sd_bus_unref(bus_);
            return;
        }
        fds_[0] = -1;  // the bus owns it now
    }
    ~MessageFactory()
    {
        sd_bus_close_unref(bus_);
        for (int fd : fds_) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    MessageFactory(const MessageFactory&) = delete;
    MessageFactory& operator=(const MessageFactory&) = delete;

    // A new signal to append to; nullptr when sd-bus refuses. The caller
    // releases it with sd_bus_message_unref.
    sd_bus_message* signal() const
    {
        sd_bus_message* message = nullptr;
        if (!bus_ || sd_bus_message_new_signal(bus_, &message, "/org/kestrova/Test", "org.kestrova.Test", "Posted") < 0)
            return nullptr;
        return message;
    }

    // Makes what was appended readable, from the first argument.
    static bool seal(sd_bus_message* message)
    {
        return sd_bus_message_seal(message, 1, 0) >= 0 && sd_bus_message_rewind(message, 1) >= 0;
    }

private:
    int fds_[2] = {-1, -1};
    sd_bus* bus_ = nullptr;
};

// Owns a message for the scope.
struct MessageReference {
    sd_bus_message* message;
    ~MessageReference() { sd_bus_message_unref(message); }
    operator sd_bus_message*() const { return message; }
};
