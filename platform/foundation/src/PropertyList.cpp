#include "foundation/PropertyList.h"

#include "PropertyListCheck.h"
#include "PropertyListNodes.h"
#include "foundation/NSObject.h"
#include "foundation/OpenStepPropertyList.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string_view>
#include <sys/stat.h>

namespace PropertyList {

namespace {

std::optional<std::string> whyNotPropertyList(const Id& value, Format format, int depth)
{
    if (depth > maximumDepth)
        return "nested too deeply";
    switch (value.kind()) {
    case Id::Kind::Boolean:
    case Id::Kind::Signed:
    case Id::Kind::Unsigned:
    case Id::Kind::Floating:
    case Id::Kind::Data:
        return std::nullopt;
    case Id::Kind::String:
        if (value.string()->utf16().find(u'\0') != std::u16string::npos)
            return "a string holds U+0000, which a property list cannot carry";
        return std::nullopt;
    case Id::Kind::Date:
        return detail::whyNotWritableDate(value.date()->timeIntervalSinceReferenceDate(), format);
    case Id::Kind::Array:
        for (const Id& item : *value.array()) {
            if (auto why = whyNotPropertyList(item, format, depth + 1))
                return why;
        }
        return std::nullopt;
    case Id::Kind::Dictionary:
        for (const auto& [key, item] : *value.dictionary()) {
            if (!key.isString())
                return "dictionary key " + key.description().utf8() + " is not a string";
            if (auto why = whyNotPropertyList(key, format, depth + 1))
                return why;
            if (auto why = whyNotPropertyList(item, format, depth + 1))
                return why;
        }
        return std::nullopt;
    case Id::Kind::Nil:
        return "nil has no property-list form";
    case Id::Kind::Null:
        return "the null marker has no property-list form";
    case Id::Kind::Object:
        return "an object of class " + value.objectPointer()->className().utf8() + " has no property-list form";
    }
    return "a value of unknown kind";
}

void setError(std::string* error, std::string message)
{
    if (error && error->empty())
        *error = std::move(message);
}

bool looksLikeXML(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty() &&
           (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
    return text.starts_with("<?xml") || text.starts_with("<!DOCTYPE") || text.starts_with("<plist");
}

// libplist writes a year before 1000 with fewer than four digits ("1-01-01"),
// which the XML form's readers (ours included) don't take: pad each one. Only
// markup is looked at; text never holds a bare "<".
void padDateYears(std::vector<std::uint8_t>& xml)
{
    static constexpr std::string_view open = "<date>";
    auto isDigit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
    auto at = xml.begin();
    for (;;) {
        at = std::search(at, xml.end(), open.begin(), open.end());
        if (at == xml.end())
            return;
        at += open.size();
        auto digits = std::find_if_not(at, xml.end(), isDigit);
        auto length = digits - at;
        if (length > 0 && length < 4 && digits != xml.end() && *digits == '-')
            at = xml.insert(at, 4 - length, '0');
    }
}

ParseResult<Document> parseOpenStep(const char* chars, std::size_t size)
{
    auto text = OpenStepPropertyList::parse(chars, size);
    if (!text.ok())
        return ParseError{"malformed OpenStep property list: " + text.error()};
    return Document{*text, Format::OpenStep};
}

}  // namespace

std::optional<std::string> whyNotPropertyList(const Id& value)
{
    return whyNotPropertyList(value, Format::Binary, 0);
}

std::optional<std::string> whyNotPropertyList(const Id& value, Format format)
{
    if (format == Format::OpenStep)
        return "writing the OpenStep format is not supported";
    return whyNotPropertyList(value, format, 0);
}

bool isPropertyList(const Id& value)
{
    return !whyNotPropertyList(value);
}

std::optional<std::vector<std::uint8_t>> serialize(const Id& value, Format format, std::string* error)
{
    if (auto why = whyNotPropertyList(value, format)) {
        setError(error, *why);
        return std::nullopt;
    }
    detail::Node node = detail::toNode(value, format);
    char* bytes = nullptr;
    std::uint32_t length = 0;
    if (node && format == Format::Binary)
        plist_to_bin(node.get(), &bytes, &length);
    else if (node)
        plist_to_xml(node.get(), &bytes, &length);
    if (!bytes) {
        setError(error, "libplist could not serialise the value");
        return std::nullopt;
    }
    std::vector<std::uint8_t> out(bytes, bytes + length);
    if (format == Format::Binary) {
        plist_to_bin_free(bytes);
    } else {
        plist_to_xml_free(bytes);
        padDateYears(out);
    }
    return out;
}

ParseResult<Document> parse(const void* bytes, std::size_t length)
{
    if (!bytes || length == 0)
        return ParseError{"empty property list"};
    if (length > std::numeric_limits<std::uint32_t>::max())
        return ParseError{"property list too large"};
    std::string_view text(static_cast<const char*>(bytes), length);
    auto size = static_cast<std::uint32_t>(length);
    Format format = Format::XML;
    plist_t root = nullptr;
    if (text.starts_with("bplist00")) {
        format = Format::Binary;
        plist_from_bin(text.data(), size, &root);
    } else if (looksLikeXML(text)) {
        plist_from_xml(text.data(), size, &root);
    } else {
        return parseOpenStep(text.data(), text.size());
    }
    detail::Node owner(root);
    if (!root)
        return ParseError{format == Format::Binary ? "malformed binary property list" : "malformed XML property list"};
    if (auto misread = format == Format::Binary ? detail::misreadInBinary(text) : detail::misreadInXML(text))
        return ParseError{*misread};
    std::string error;
    Id value = detail::fromNode(root, format, &error);
    if (value.isNil())
        return ParseError{error.empty() ? "unreadable property list" : error};
    return Document{std::move(value), format};
}

ParseResult<Document> parse(const Data& data)
{
    return parse(data.bytes(), data.length());
}

ParseResult<Document> readFile(const std::string& path, bool* missing)
{
    if (missing)
        *missing = false;
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0) {
        if (missing)
            *missing = errno == ENOENT;
        return ParseError{std::string("cannot open: ") + std::strerror(errno)};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ParseError{std::string("cannot open: ") + std::strerror(errno)};
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return ParseError{"read error"};
    return parse(bytes.data(), bytes.size());
}

ParseResult<Dictionary> dictionaryWithContentsOfFile(const std::string& path)
{
    ParseResult<Document> read = readFile(path);
    if (!read)
        return ParseError{path + ": " + read.error()};
    if (!read->value.isDictionary())
        return ParseError{path + ": the top level is not a dictionary"};
    return *read->value.dictionary();
}

}  // namespace PropertyList
