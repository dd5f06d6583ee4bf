#include "foundation/JsonReading.h"

#include <algorithm>
#include <cstdint>

namespace JsonReading {

void refuse(const std::string& path, const std::string& what)
{
    throw Refusal{path + ": " + what};
}

ParseResult<Json> parse(std::string_view text)
{
    try {
        return Json::parse(text.begin(), text.end());
    } catch (const Json::exception& error) {
        std::string message = error.what();
        if (auto bracket = message.find("] "); message.starts_with("[") && bracket != std::string::npos)
            message.erase(0, bracket + 2);
        return ParseError{std::move(message)};
    }
}

std::string member(const std::string& path, std::string_view key)
{
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string element(const std::string& path, std::size_t index)
{
    return path + "[" + std::to_string(index) + "]";
}

const Json* find(const Json& object, std::string_view key)
{
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

std::optional<std::string> unknownKey(const Json& object, std::initializer_list<std::string_view> keys)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (std::find(keys.begin(), keys.end(), it.key()) == keys.end())
            return it.key();
    }
    return std::nullopt;
}

const Json& expectObject(const Json& value, const std::string& path)
{
    if (!value.is_object())
        refuse(path, "expected an object");
    return value;
}

const Json& expectArray(const Json& value, const std::string& path)
{
    if (!value.is_array())
        refuse(path, "expected an array");
    return value;
}

String expectString(const Json& value, const std::string& path)
{
    if (!value.is_string())
        refuse(path, "expected a string");
    return String(value.get_ref<const std::string&>());
}

bool expectBoolean(const Json& value, const std::string& path)
{
    if (!value.is_boolean())
        refuse(path, "expected true or false");
    return value.get<bool>();
}

Id toId(const Json& value, const std::string& path, int depth, const ValueReading& reading)
{
    if (depth > reading.maximumDepth)
        refuse(path, "nested too deeply");
    switch (value.type()) {
    case Json::value_t::null:
        return reading.null;
    case Json::value_t::boolean:
        return Id::boolean(value.get<bool>());
    case Json::value_t::number_integer:
        return Id::number(value.get<std::int64_t>());
    case Json::value_t::number_unsigned:
        return Id::number(value.get<std::uint64_t>());
    case Json::value_t::number_float:
        return Id::number(value.get<double>());
    case Json::value_t::string:
        return Id(String(value.get_ref<const std::string&>()));
    case Json::value_t::array: {
        Array array;
        std::size_t index = 0;
        for (const auto& item : value)
            array.add(toId(item, element(path, index++), depth + 1, reading));
        return Id(array);
    }
    case Json::value_t::object: {
        Dictionary dictionary;
        for (const auto& [key, item] : value.items())
            dictionary.setObject(toId(item, member(path, key), depth + 1, reading), Id(String(key)));
        return Id(dictionary);
    }
    default:
        // Binary values and the discarded marker; parsing text makes neither.
        refuse(path, "expected a JSON value");
    }
}

}  // namespace JsonReading
