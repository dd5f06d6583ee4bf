#include "PropertyListNodes.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

namespace PropertyList::detail {

namespace {

constexpr std::uint8_t integer128Marker = 0x14;
constexpr std::uint8_t dateMarker = 0x33;
constexpr std::size_t trailerLength = 32;

void setError(std::string* error, std::string message)
{
    if (error && error->empty())
        *error = std::move(message);
}

void appendBigEndian(std::vector<char>& out, std::uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t readBigEndian(const unsigned char* bytes, std::size_t length)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < length; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// A node read by libplist from a binary property list of one object (the
// marker byte and its payload): the way to make the values its constructors
// can't.
Node nodeFromBinaryObject(std::vector<char> object)
{
    std::vector<char> bytes = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    bytes.insert(bytes.end(), object.begin(), object.end());
    std::size_t offsetTable = bytes.size();
    bytes.push_back(8);  // the one object's offset
    bytes.insert(bytes.end(), 6, 0);
    bytes.push_back(1);            // offsets take one byte
    bytes.push_back(1);            // so do object references
    appendBigEndian(bytes, 1, 8);  // one object
    appendBigEndian(bytes, 0, 8);  // the top one
    appendBigEndian(bytes, offsetTable, 8);
    plist_t node = nullptr;
    plist_from_bin(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &node);
    return Node(node);
}

// The node's one object as libplist's binary writer puts it: the marker byte
// and its payload; empty when it can't be had.
std::vector<unsigned char> binaryObject(plist_t node)
{
    Node copy(plist_copy(node));
    char* bytes = nullptr;
    std::uint32_t length = 0;
    if (copy)
        plist_to_bin(copy.get(), &bytes, &length);
    std::vector<unsigned char> object;
    if (bytes && length >= 8 + trailerLength) {
        auto* data = reinterpret_cast<const unsigned char*>(bytes);
        std::uint64_t offsetTable = readBigEndian(data + length - 8, 8);
        if (offsetTable > 8 && offsetTable <= length - trailerLength)
            object.assign(data + 8, data + offsetTable);
    }
    if (bytes)
        plist_to_bin_free(bytes);
    return object;
}

Node unsignedNode(std::uint64_t value)
{
    // Written as a 16-byte integer, which libplist (and the XML it writes)
    // takes as unsigned; through plist_new_uint it would come back negative.
    if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return Node(plist_new_uint(value));
    std::vector<char> object = {static_cast<char>(integer128Marker)};
    appendBigEndian(object, 0, 8);
    appendBigEndian(object, value, 8);
    return nodeFromBinaryObject(std::move(object));
}

Node dateNode(double seconds, Format format)
{
    // The XML form holds whole seconds (and libplist would cut a date before
    // the reference date towards it): round down here.
    if (format == Format::XML)
        seconds = std::floor(seconds);
    // A whole second that fits libplist's 32-bit seconds is made directly.
    if (std::floor(seconds) == seconds && seconds >= std::numeric_limits<std::int32_t>::min() + 1.0 &&
        seconds <= std::numeric_limits<std::int32_t>::max() - 1.0)
        return Node(plist_new_date(static_cast<std::int32_t>(seconds), 0));
    std::uint64_t bits = 0;
    std::memcpy(&bits, &seconds, sizeof bits);
    std::vector<char> object = {static_cast<char>(dateMarker)};
    appendBigEndian(object, bits, 8);
    return nodeFromBinaryObject(std::move(object));
}

Node toNode(const Id& value, Format format, int depth)
{
    if (depth > maximumDepth)
        return nullptr;
    switch (value.kind()) {
    case Id::Kind::Boolean:
        return Node(plist_new_bool(value.boolValue() ? 1 : 0));
    case Id::Kind::Signed:
        // The bits of a negative number as an 8-byte integer, which reads
        // back signed.
        return Node(plist_new_uint(static_cast<std::uint64_t>(value.integerValue())));
    case Id::Kind::Unsigned:
        return unsignedNode(value.unsignedValue());
    case Id::Kind::Floating:
        return Node(plist_new_real(value.doubleValue()));
    case Id::Kind::String:
        return Node(plist_new_string(value.string()->utf8().c_str()));
    case Id::Kind::Data: {
        const Data& data = *value.data();
        static const char empty = 0;
        return Node(
            plist_new_data(data.length() ? reinterpret_cast<const char*>(data.bytes()) : &empty, data.length()));
    }
    case Id::Kind::Date:
        return dateNode(value.date()->timeIntervalSinceReferenceDate(), format);
    case Id::Kind::Array: {
        Node array(plist_new_array());
        for (const Id& item : *value.array()) {
            Node child = toNode(item, format, depth + 1);
            if (!child)
                return nullptr;
            plist_array_append_item(array.get(), child.release());
        }
        return array;
    }
    case Id::Kind::Dictionary: {
        Node dict(plist_new_dict());
        for (const auto& [key, item] : *value.dictionary()) {
            if (!key.isString())
                return nullptr;
            Node child = toNode(item, format, depth + 1);
            if (!child)
                return nullptr;
            plist_dict_set_item(dict.get(), key.string()->utf8().c_str(), child.release());
        }
        return dict;
    }
    case Id::Kind::Nil:
    case Id::Kind::Null:
    case Id::Kind::Object:
        return nullptr;
    }
    return nullptr;
}

Id integerFromNode(plist_t node)
{
    std::uint64_t u = 0;
    plist_get_uint_val(node, &u);
    if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return Id::number(static_cast<std::int64_t>(u));
    // The top bit is set: a negative number, or an unsigned one above
    // INT64_MAX, which libplist keeps as a 16-byte integer. Its node compares
    // unequal to the 8-byte one plist_new_uint makes of the same bits.
    Node eightBytes(plist_new_uint(u));
    if (!plist_compare_node_value(node, eightBytes.get()))
        return Id::number(u);
    return Id::number(static_cast<std::int64_t>(u));
}

Id dateFromNode(plist_t node, Format format, std::string* error)
{
    // libplist hands out whole seconds in 32 bits (saturated beyond them):
    // enough for a date read from XML, which holds no more, within about
    // 1933 to 2069. Anything else is read from the node's binary form.
    if (format == Format::XML) {
        std::int32_t seconds = 0;
        std::int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        if (microseconds == 0 && seconds != std::numeric_limits<std::int32_t>::min() &&
            seconds != std::numeric_limits<std::int32_t>::max())
            return Date(seconds);
    }
    std::vector<unsigned char> object = binaryObject(node);
    if (object.size() != 9 || object[0] != dateMarker) {
        setError(error, "an unreadable date");
        return {};
    }
    std::uint64_t bits = readBigEndian(object.data() + 1, 8);
    double seconds = 0;
    std::memcpy(&seconds, &bits, sizeof seconds);
    if (auto why = whyNotWritableDate(seconds, format)) {
        setError(error, *why);
        return {};
    }
    return Date(seconds);
}

Id fromNode(plist_t node, Format format, int depth, std::string* error)
{
    if (!node) {
        setError(error, "missing node");
        return {};
    }
    if (depth > maximumDepth) {
        setError(error, "nested too deeply");
        return {};
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return Id::boolean(b != 0);
    }
    case PLIST_UINT:
        return integerFromNode(node);
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return Id::number(d);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        std::uint64_t length = 0;
        const char* s = plist_get_string_ptr(node, &length);
        return String(std::string_view(s ? s : "", s ? std::strlen(s) : 0));
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return Data(bytes, bytes ? length : 0);
    }
    case PLIST_DATE:
        return dateFromNode(node, format, error);
    case PLIST_UID: {
        std::uint64_t u = 0;
        plist_get_uid_val(node, &u);
        return Id::number(u);
    }
    case PLIST_ARRAY: {
        std::vector<Id> items;
        std::uint32_t count = plist_array_get_size(node);
        items.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            Id item = fromNode(plist_array_get_item(node, i), format, depth + 1, error);
            if (item.isNil())
                return {};
            items.push_back(std::move(item));
        }
        return Array(std::move(items));
    }
    case PLIST_DICT: {
        Dictionary dict;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        if (!iter)
            return dict;
        bool failed = false;
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iter, &key, &item);
            if (!item) {
                std::free(key);
                break;
            }
            Id value = fromNode(item, format, depth + 1, error);
            if (value.isNil())
                failed = true;
            else if (key)
                dict.setObject(value, String(std::string_view(key)));
            std::free(key);
            if (failed)
                break;
        }
        std::free(iter);
        if (failed)
            return {};
        return dict;
    }
    default:
        setError(error, "node of unknown type");
        return {};
    }
}

}  // namespace

std::optional<std::string> whyNotWritableDate(double secondsSinceReferenceDate, Format format)
{
    if (!std::isfinite(secondsSinceReferenceDate))
        return "a date that is no finite number";
    if (format == Format::XML &&
        !(secondsSinceReferenceDate >= earliestXMLDate && secondsSinceReferenceDate < latestXMLDate + 1))
        return "a date outside the years 0000 to 9999, which the XML form can't hold";
    return std::nullopt;
}

Node toNode(const Id& value, Format format)
{
    return toNode(value, format, 0);
}

Id fromNode(plist_t node, Format format, std::string* error)
{
    return fromNode(node, format, 0, error);
}

}  // namespace PropertyList::detail
