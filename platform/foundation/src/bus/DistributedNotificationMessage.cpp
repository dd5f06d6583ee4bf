#include "foundation/DistributedNotificationMessage.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstring>

namespace DistributedNotificationMessage {

namespace {

std::string describe(int negativeErrno)
{
    return std::strerror(-negativeErrno);
}

// --- Writing ---

class Writer {
public:
    Writer(sd_bus_message* message, std::string& error)
        : message_(message)
        , error_(error)
    {
    }

    bool check(int r, const char* what)
    {
        if (r >= 0)
            return true;
        if (error_.empty())
            error_ = std::string(what) + ": " + describe(r);
        return false;
    }

    bool fail(std::string reason)
    {
        if (error_.empty())
            error_ = std::move(reason);
        return false;
    }

    bool string(const String& value, const char* what)
    {
        std::string text = value.utf8();
        // A bus string ends at its first NUL: the rest would be lost.
        if (text.find('\0') != std::string::npos)
            return fail(std::string(what) + " holds a NUL character");
        return check(sd_bus_message_append_basic(message_, 's', text.c_str()), what);
    }

    bool open(char type, const char* contents)
    {
        return check(sd_bus_message_open_container(message_, type, contents), "container");
    }
    bool close() { return check(sd_bus_message_close_container(message_), "container"); }

    template <class T> bool basicVariant(char type, const char* signature, T value)
    {
        return open('v', signature) && check(sd_bus_message_append_basic(message_, type, &value), "number") && close();
    }

    bool variant(const Id& value, int depth)
    {
        if (depth > maximumDepth)
            return fail("the user information is nested too deeply");
        switch (value.kind()) {
        case Id::Kind::Boolean:
            return basicVariant<int>('b', "b", value.boolValue() ? 1 : 0);
        case Id::Kind::Signed:
            return basicVariant<std::int64_t>('x', "x", value.integerValue());
        case Id::Kind::Unsigned:
            return basicVariant<std::uint64_t>('t', "t", value.unsignedValue());
        case Id::Kind::Floating:
            return basicVariant<double>('d', "d", value.doubleValue());
        case Id::Kind::String:
            return open('v', "s") && string(*value.string(), "a string") && close();
        case Id::Kind::Data: {
            const Data& data = *value.data();
            return open('v', "ay") &&
                   check(sd_bus_message_append_array(
                             message_, 'y', data.bytes() ? data.bytes() : reinterpret_cast<const std::uint8_t*>(""),
                             data.length()),
                         "data") &&
                   close();
        }
        case Id::Kind::Array:
            if (!open('v', "av") || !open('a', "v"))
                return false;
            for (const Id& item : *value.array()) {
                if (!variant(item, depth + 1))
                    return false;
            }
            return close() && close();
        case Id::Kind::Dictionary:
            return open('v', "a{sv}") && dictionary(*value.dictionary(), depth + 1) && close();
        case Id::Kind::Nil:
        case Id::Kind::Null:
        case Id::Kind::Date:
        case Id::Kind::Object:
            break;
        }
        return fail("the user information holds " + value.description().utf8() +
                    ", which is not a property-list value");
    }

    bool dictionary(const Dictionary& values, int depth)
    {
        if (depth > maximumDepth)
            return fail("the user information is nested too deeply");
        if (!open('a', "{sv}"))
            return false;
        for (const auto& [key, value] : values) {
            if (!key.isString())
                return fail("the user information has a key that is not a string: " + key.description().utf8());
            if (!open('e', "sv") || !string(*key.string(), "a key") || !variant(value, depth) || !close())
                return false;
        }
        return close();
    }

private:
    sd_bus_message* message_;
    std::string& error_;
};

// --- Reading ---

// An inner failure with its place in front: "userInfo.list[2]: a value of
// type 'h' can't be read".
ParseError at(const std::string& place, const std::string& inner)
{
    if (inner.find(": ") == std::string::npos)
        return ParseError{place + ": " + inner};
    return ParseError{place + (inner.starts_with('[') ? "" : ".") + inner};
}

class Reader {
public:
    explicit Reader(sd_bus_message* message)
        : message_(message)
    {
    }

    ParseError failure(const std::string& what, int r) const { return ParseError{what + ": " + describe(r)}; }

    template <class T> ParseResult<Id> basic(char type)
    {
        T value{};
        int r = sd_bus_message_read_basic(message_, type, &value);
        if (r <= 0)
            return failure("a number", r < 0 ? r : -EBADMSG);
        if constexpr (std::is_same_v<T, int>) {
            if (type == 'b')
                return Id::boolean(value != 0);
        }
        if constexpr (std::is_floating_point_v<T>)
            return Id::number(static_cast<double>(value));
        else
            return Id::number(value);
    }

    ParseResult<Id> text()
    {
        const char* value = nullptr;
        char type = 0;
        sd_bus_message_peek_type(message_, &type, nullptr);
        int r = sd_bus_message_read_basic(message_, type, &value);
        if (r <= 0 || !value)
            return failure("a string", r < 0 ? r : -EBADMSG);
        return Id(String(std::string_view(value)));
    }

    ParseResult<Id> value(int depth)
    {
        if (depth > maximumDepth)
            return ParseError{"nested more than " + std::to_string(maximumDepth) + " deep"};
        char type = 0;
        const char* contents = nullptr;
        int r = sd_bus_message_peek_type(message_, &type, &contents);
        if (r <= 0)
            return ParseError{"a value is missing"};
        switch (type) {
        case 'y':
            return basic<std::uint8_t>(type);
        case 'b':
            return basic<int>(type);
        case 'n':
            return basic<std::int16_t>(type);
        case 'q':
            return basic<std::uint16_t>(type);
        case 'i':
            return basic<std::int32_t>(type);
        case 'u':
            return basic<std::uint32_t>(type);
        case 'x':
            return basic<std::int64_t>(type);
        case 't':
            return basic<std::uint64_t>(type);
        case 'd':
            return basic<double>(type);
        case 's':
        case 'o':
        case 'g':
            return text();
        case 'v': {
            if ((r = sd_bus_message_enter_container(message_, 'v', contents)) <= 0)
                return failure("a variant", r < 0 ? r : -EBADMSG);
            auto inner = value(depth);
            if (!inner)
                return inner;
            if ((r = sd_bus_message_exit_container(message_)) < 0)
                return failure("a variant", r);
            return inner;
        }
        case 'a':
            if (std::strcmp(contents, "y") == 0)
                return data();
            if (contents[0] == '{')
                return dictionary(contents, depth + 1);
            return array('a', contents, depth + 1);
        case 'r':
            return array('r', contents, depth + 1);
        default:
            return ParseError{std::string("a value of type '") + type + "' can't be read"};
        }
    }

    ParseResult<Id> data()
    {
        const void* bytes = nullptr;
        std::size_t size = 0;
        int r = sd_bus_message_read_array(message_, 'y', &bytes, &size);
        if (r < 0)
            return failure("data", r);
        return Id(Data(bytes, size));
    }

    ParseResult<Id> array(char type, const char* contents, int depth)
    {
        if (depth > maximumDepth)
            return ParseError{"nested more than " + std::to_string(maximumDepth) + " deep"};
        int r = sd_bus_message_enter_container(message_, type, contents);
        if (r <= 0)
            return failure("an array", r < 0 ? r : -EBADMSG);
        Array items;
        while ((r = sd_bus_message_at_end(message_, 0)) == 0) {
            auto item = value(depth);
            if (!item)
                return at("[" + std::to_string(items.count()) + "]", item.error());
            items.add(std::move(*item));
        }
        if (r < 0 || (r = sd_bus_message_exit_container(message_)) < 0)
            return failure("an array", r);
        return Id(std::move(items));
    }

    ParseResult<Id> dictionary(const char* contents, int depth)
    {
        if (depth > maximumDepth)
            return ParseError{"nested more than " + std::to_string(maximumDepth) + " deep"};
        int r = sd_bus_message_enter_container(message_, 'a', contents);
        if (r <= 0)
            return failure("a dictionary", r < 0 ? r : -EBADMSG);
        // "{sv}" -> "sv"
        std::string entry(contents + 1, std::strlen(contents) - 2);
        Dictionary values;
        while ((r = sd_bus_message_enter_container(message_, 'e', entry.c_str())) > 0) {
            auto key = value(depth);
            if (!key)
                return at("key", key.error());
            if (!key->isString())
                return ParseError{"a key is not a string"};
            auto item = value(depth);
            if (!item)
                return at(key->string()->utf8(), item.error());
            if ((r = sd_bus_message_exit_container(message_)) < 0)
                return failure("a dictionary entry", r);
            values.setObject(std::move(*item), *key);
        }
        if (r < 0 || (r = sd_bus_message_exit_container(message_)) < 0)
            return failure("a dictionary", r);
        return Id(std::move(values));
    }

    // An array of at most one element, the bus's way of saying "optional".
    template <class Element> ParseResult<Id> optional(const char* contents, const char* what, Element element)
    {
        int r = sd_bus_message_enter_container(message_, 'a', contents);
        if (r <= 0)
            return failure(what, r < 0 ? r : -EBADMSG);
        Id result;
        int count = 0;
        while ((r = sd_bus_message_at_end(message_, 0)) == 0) {
            auto item = element();
            if (!item)
                return at(what, item.error());
            if (++count > 1)
                return ParseError{std::string(what) + ": more than one"};
            result = std::move(*item);
        }
        if (r < 0 || (r = sd_bus_message_exit_container(message_)) < 0)
            return failure(what, r);
        return result;
    }

private:
    sd_bus_message* message_;
};

}  // namespace

bool append(sd_bus_message* message, const Contents& contents, std::string& error)
{
    Writer writer(message, error);
    if (!writer.string(contents.name, "the name"))
        return false;
    if (!writer.open('a', "s"))
        return false;
    if (!contents.object.isNil()) {
        if (!contents.object.isString())
            return writer.fail("the object " + contents.object.description().utf8() + " is not a string");
        if (!writer.string(*contents.object.string(), "the object"))
            return false;
    }
    if (!writer.close() || !writer.open('a', "a{sv}"))
        return false;
    if (!contents.userInfo.isNil()) {
        if (!contents.userInfo.isDictionary())
            return writer.fail("the user information is not a dictionary");
        if (!writer.dictionary(*contents.userInfo.dictionary(), 1))
            return false;
    }
    int immediately = contents.deliverImmediately ? 1 : 0;
    return writer.close() && writer.check(sd_bus_message_append_basic(message, 'b', &immediately), "the delivery");
}

ParseResult<Contents> read(sd_bus_message* message)
{
    const char* signature = sd_bus_message_get_signature(message, 1);
    if (!signature || std::strcmp(signature, "sasaa{sv}b") != 0)
        return ParseError{std::string("unexpected arguments (") + (signature ? signature : "") + ")"};
    Reader reader(message);
    Contents contents;
    const char* name = nullptr;
    int r = sd_bus_message_read_basic(message, 's', &name);
    if (r <= 0 || !name)
        return reader.failure("the name", r < 0 ? r : -EBADMSG);
    contents.name = String(std::string_view(name));
    auto object = reader.optional("s", "object", [&] { return reader.text(); });
    if (!object)
        return ParseError{object.error()};
    contents.object = std::move(*object);
    auto userInfo = reader.optional("a{sv}", "userInfo", [&] { return reader.dictionary("{sv}", 1); });
    if (!userInfo)
        return ParseError{userInfo.error()};
    contents.userInfo = std::move(*userInfo);
    int immediately = 0;
    r = sd_bus_message_read_basic(message, 'b', &immediately);
    if (r <= 0)
        return reader.failure("the delivery", r < 0 ? r : -EBADMSG);
    contents.deliverImmediately = immediately != 0;
    return contents;
}

}  // namespace DistributedNotificationMessage
