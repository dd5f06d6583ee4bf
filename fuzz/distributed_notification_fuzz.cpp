// Builds bus signals of arbitrary shape from the input (whatever another
// program on the session bus could send) and reads them as distributed
// notifications. Reading must answer the contents or an error, never crash or
// run away with the stack; what it reads must travel again unchanged.

#include "../tests/support/MessageFactory.h"
#include "../tests/support/TypedDescription.h"
#include "foundation/DistributedNotificationMessage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : data_(data)
        , size_(size)
    {
    }
    std::uint8_t take() { return position_ < size_ ? data_[position_++] : 0; }
    bool empty() const { return position_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// A complete type, nested at most `depth` more levels.
std::string type(Input& in, int depth)
{
    static const char basics[] = "ybnqiuxtdsog";
    int choice = in.take() % (depth > 0 ? 16 : 12);
    if (choice < 12)
        return std::string(1, basics[choice]);
    switch (choice) {
    case 12:
        return "v";
    case 13:
        return "a" + type(in, depth - 1);
    case 14:
        return "a{" + std::string(1, basics[in.take() % 12]) + type(in, depth - 1) + "}";
    default: {
        std::string members;
        for (int i = 0, n = 1 + in.take() % 3; i < n; ++i)
            members += type(in, depth - 1);
        return "(" + members + ")";
    }
    }
}

// The length of the complete type at the start of `signature`.
std::size_t typeLength(const std::string& signature, std::size_t at)
{
    char c = signature[at];
    if (c == 'a')
        return 1 + typeLength(signature, at + 1);
    if (c == '(' || c == '{') {
        char close = c == '(' ? ')' : '}';
        std::size_t i = at + 1;
        while (signature[i] != close)
            i += typeLength(signature, i);
        return i - at + 1;
    }
    return 1;
}

int append(sd_bus_message* m, const std::string& t, Input& in, int depth);

int appendMembers(sd_bus_message* m, const std::string& members, Input& in, int depth)
{
    for (std::size_t i = 0; i < members.size();) {
        std::size_t length = typeLength(members, i);
        if (int r = append(m, members.substr(i, length), in, depth); r < 0)
            return r;
        i += length;
    }
    return 0;
}

int append(sd_bus_message* m, const std::string& t, Input& in, int depth)
{
    char c = t[0];
    switch (c) {
    case 'y':
    case 'b':
    case 'n':
    case 'q':
    case 'i':
    case 'u':
    case 'x':
    case 't':
    case 'd': {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = bits << 8 | in.take();
        if (c == 'b')
            bits &= 1;
        return sd_bus_message_append_basic(m, c, &bits);
    }
    case 's': {
        std::string text;
        for (int i = 0, n = in.take() % 8; i < n; ++i)
            text += static_cast<char>(in.take() % 0x7f + 1);
        return sd_bus_message_append_basic(m, 's', text.c_str());
    }
    case 'o':
        return sd_bus_message_append_basic(m, 'o', "/org/kestrova");
    case 'g':
        return sd_bus_message_append_basic(m, 'g', "a{sv}");
    case 'v': {
        std::string inner = type(in, depth);
        int r = sd_bus_message_open_container(m, 'v', inner.c_str());
        r = r < 0 ? r : append(m, inner, in, depth - 1);
        return r < 0 ? r : sd_bus_message_close_container(m);
    }
    case 'a': {
        std::string element = t.substr(1);
        int r = sd_bus_message_open_container(m, 'a', element.c_str());
        for (int i = 0, n = in.take() % 4; r >= 0 && i < n; ++i) {
            if (element[0] == '{') {
                std::string members = element.substr(1, element.size() - 2);
                r = sd_bus_message_open_container(m, 'e', members.c_str());
                r = r < 0 ? r : appendMembers(m, members, in, depth - 1);
                r = r < 0 ? r : sd_bus_message_close_container(m);
            } else {
                r = append(m, element, in, depth - 1);
            }
        }
        return r < 0 ? r : sd_bus_message_close_container(m);
    }
    case '(': {
        std::string members = t.substr(1, t.size() - 2);
        int r = sd_bus_message_open_container(m, 'r', members.c_str());
        r = r < 0 ? r : appendMembers(m, members, in, depth - 1);
        return r < 0 ? r : sd_bus_message_close_container(m);
    }
    }
    return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static MessageFactory factory;
    Input in(data, size);
    // Mostly the shape we send, with anything inside; sometimes any shape.
    std::string signature;
    if (in.take() % 4 == 0) {
        for (int i = 0, n = in.take() % 5; i < n; ++i)
            signature += type(in, 6);
    } else {
        signature = "sasaa{sv}b";
    }
    MessageReference message{factory.signal()};
    if (!message.message || appendMembers(message, signature, in, 24) < 0 || !MessageFactory::seal(message))
        return 0;

    auto read = DistributedNotificationMessage::read(message);
    if (!read) {
        if (read.error().empty())
            std::abort();  // every refusal says why
        return 0;
    }
    MessageReference again{factory.signal()};
    std::string error;
    if (!DistributedNotificationMessage::append(again, *read, error) || !MessageFactory::seal(again))
        std::abort();
    auto reread = DistributedNotificationMessage::read(again);
    if (!reread || reread->name != read->name || typedDescription(reread->object) != typedDescription(read->object) ||
        typedDescription(reread->userInfo) != typedDescription(read->userInfo) ||
        reread->deliverImmediately != read->deliverImmediately)
        std::abort();
    return 0;
}
