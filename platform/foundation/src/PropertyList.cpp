#include "foundation/PropertyList.h"

#include "foundation/NSObject.h"
#include "foundation/OpenStepPropertyList.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <sys/stat.h>

namespace PropertyList {

namespace {

bool isPropertyList(const Id& value, int depth)
{
    if (depth > maximumDepth)
        return false;
    switch (value.kind()) {
    case Id::Kind::Boolean:
    case Id::Kind::Signed:
    case Id::Kind::Unsigned:
    case Id::Kind::Floating:
    case Id::Kind::String:
    case Id::Kind::Data:
        return true;
    case Id::Kind::Array:
        for (const Id& item : *value.array()) {
            if (!isPropertyList(item, depth + 1))
                return false;
        }
        return true;
    case Id::Kind::Dictionary:
        for (const auto& [key, item] : *value.dictionary()) {
            if (!key.isString() || !isPropertyList(item, depth + 1))
                return false;
        }
        return true;
    default:
        return false;
    }
}

void setError(std::string* error, std::string message)
{
    if (error && error->empty())
        *error = std::move(message);
}

Node toNode(const Id& value, int depth, std::string* error)
{
    if (depth > maximumDepth) {
        setError(error, "nested too deeply");
        return nullptr;
    }
    switch (value.kind()) {
    case Id::Kind::Boolean:
        return Node(plist_new_bool(value.boolValue() ? 1 : 0));
    case Id::Kind::Signed:
        return Node(plist_new_uint(static_cast<std::uint64_t>(value.integerValue())));
    case Id::Kind::Unsigned:
        return Node(plist_new_uint(value.unsignedValue()));
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
    case Id::Kind::Array: {
        Node array(plist_new_array());
        for (const Id& item : *value.array()) {
            Node child = toNode(item, depth + 1, error);
            if (!child)
                return nullptr;
            plist_array_append_item(array.get(), child.release());
        }
        return array;
    }
    case Id::Kind::Dictionary: {
        Node dict(plist_new_dict());
        for (const auto& [key, item] : *value.dictionary()) {
            if (!key.isString()) {
                setError(error, "dictionary key " + key.description().utf8() + " is not a string");
                return nullptr;
            }
            Node child = toNode(item, depth + 1, error);
            if (!child)
                return nullptr;
            plist_dict_set_item(dict.get(), key.string()->utf8().c_str(), child.release());
        }
        return dict;
    }
    case Id::Kind::Nil:
        setError(error, "nil has no property-list form");
        return nullptr;
    case Id::Kind::Null:
        setError(error, "the null marker has no property-list form");
        return nullptr;
    case Id::Kind::Object:
        setError(error,
                 "an object of class " + value.objectPointer()->className().utf8() + " has no property-list form");
        return nullptr;
    }
    return nullptr;
}

Id fromNode(plist_t node, int depth, std::string* error)
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
    case PLIST_UINT: {
        std::uint64_t u = 0;
        plist_get_uint_val(node, &u);
        return Id::number(static_cast<std::int64_t>(u));
    }
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
    case PLIST_DATE: {
        std::int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return Id::number(static_cast<double>(sec) + static_cast<double>(usec) / 1e6);
    }
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
            Id item = fromNode(plist_array_get_item(node, i), depth + 1, error);
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
            Id value = fromNode(item, depth + 1, error);
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

bool looksLikeXML(const char* chars, std::size_t size)
{
    std::string_view text(chars, size);
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty() &&
           (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
    return text.starts_with("<?xml") || text.starts_with("<!DOCTYPE") || text.starts_with("<plist");
}

}  // namespace

bool isPropertyList(const Id& value)
{
    return isPropertyList(value, 0);
}

Node toNode(const Id& value, std::string* error)
{
    return toNode(value, 0, error);
}

Id fromNode(plist_t node, std::string* error)
{
    return fromNode(node, 0, error);
}

std::optional<std::vector<std::uint8_t>> serialize(const Id& value, Format format, std::string* error)
{
    if (format == Format::OpenStep) {
        setError(error, "writing the OpenStep format is not supported");
        return std::nullopt;
    }
    Node node = toNode(value, error);
    if (!node)
        return std::nullopt;
    char* bytes = nullptr;
    std::uint32_t length = 0;
    if (format == Format::Binary)
        plist_to_bin(node.get(), &bytes, &length);
    else
        plist_to_xml(node.get(), &bytes, &length);
    if (!bytes) {
        setError(error, "libplist could not serialise the value");
        return std::nullopt;
    }
    std::vector<std::uint8_t> out(bytes, bytes + length);
    if (format == Format::Binary)
        plist_to_bin_free(bytes);
    else
        plist_to_xml_free(bytes);
    return out;
}

ReadResult parse(const void* bytes, std::size_t length)
{
    ReadResult result;
    if (!bytes || length == 0) {
        result.error = "empty property list";
        return result;
    }
    if (length > std::numeric_limits<std::uint32_t>::max()) {
        result.error = "property list too large";
        return result;
    }
    auto* chars = static_cast<const char*>(bytes);
    auto size = static_cast<std::uint32_t>(length);
    plist_t root = nullptr;
    if (size >= 8 && std::memcmp(chars, "bplist00", 8) == 0) {
        result.format = Format::Binary;
        plist_from_bin(chars, size, &root);
    } else if (looksLikeXML(chars, size)) {
        result.format = Format::XML;
        plist_from_xml(chars, size, &root);
    } else {
        result.format = Format::OpenStep;
        auto text = OpenStepPropertyList::parse(chars, size);
        if (text.ok())
            result.value = *text;
        else
            result.error = "malformed OpenStep property list: " + text.error();
        return result;
    }
    Node owner(root);
    if (!root) {
        result.error =
            result.format == Format::Binary ? "malformed binary property list" : "malformed XML property list";
        return result;
    }
    std::string error;
    result.value = fromNode(root, &error);
    if (result.value.isNil())
        result.error = error.empty() ? "unreadable property list" : error;
    return result;
}

ReadResult parse(const Data& data)
{
    return parse(data.bytes(), data.length());
}

ReadResult readFile(const std::string& path, bool* missing)
{
    if (missing)
        *missing = false;
    ReadResult result;
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0) {
        if (missing)
            *missing = errno == ENOENT;
        result.error = std::string("cannot open: ") + std::strerror(errno);
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = std::string("cannot open: ") + std::strerror(errno);
        return result;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        result.error = "read error";
        return result;
    }
    return parse(bytes.data(), bytes.size());
}

std::optional<Dictionary> dictionaryWithContentsOfFile(const std::string& path, std::string* error)
{
    ReadResult read = readFile(path);
    if (!read.ok()) {
        setError(error, path + ": " + read.error);
        return std::nullopt;
    }
    if (!read.value.isDictionary()) {
        setError(error, path + ": the top level is not a dictionary");
        return std::nullopt;
    }
    return *read.value.dictionary();
}

}  // namespace PropertyList
