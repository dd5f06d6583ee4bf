#pragma once

#include "foundation/Id.h"
#include "foundation/ParseResult.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Reading and writing XML and binary property lists, and reading the OpenStep
// text form.
//
// Every value goes back as it came: Boolean <-> <true/>/<false/>; an integer
// <-> <integer>, one that fits a signed 64-bit integer reading as signed and a
// larger one (up to 2^64-1) as unsigned; reals <-> <real>; dates <-> <date>;
// strings (UTF-16 here, UTF-8 there); data <-> <data>; arrays and
// dictionaries (string keys, insertion order kept) <-> <array>/<dict>. A
// keyed-archive UID reads as an unsigned number.
//
// The binary form holds a date exactly, as the number of seconds it is. The
// XML form holds one to the second, with a four-digit year: a date is written
// there rounded down to its second, and only years 0000 to 9999 are written or
// read.
//
// Input that would otherwise read as another value than the one written is
// refused as unreadable: an integer beyond 64 bits, an integer or date whose
// text is not one, an integer with a leading zero, a U+0000 in a string, a
// date that is no finite number.
namespace PropertyList {

// OpenStep is read only (see OpenStepPropertyList.h); writing it is not offered.
enum class Format { XML, Binary, OpenStep };

// Nesting deeper than this is refused both ways, so hostile input can't
// exhaust the stack.
inline constexpr int maximumDepth = 256;

// The dates the XML form writes and reads back, years 0000 to 9999, in
// seconds since the reference date.
inline constexpr double earliestXMLDate = -63145526400.0;  // 0000-01-01 00:00:00 UTC
inline constexpr double latestXMLDate = 252423993599.0;    // 9999-12-31 23:59:59 UTC

// Why a value (or something in it) has no property-list form: nil, the null
// marker, an object, a dictionary key that is not a string, a string holding
// U+0000 (property-list text can't carry it), a date that is no finite
// number, nesting beyond maximumDepth. Nullopt when it has one. The binary
// form holds every such value; with a format, a date outside the years above
// has none in XML either.
std::optional<std::string> whyNotPropertyList(const Id& value);
std::optional<std::string> whyNotPropertyList(const Id& value, Format format);
bool isPropertyList(const Id& value);

// Serialises a value as XML or binary; nullopt (with a message) when it has
// no form in that format or the format is OpenStep.
std::optional<std::vector<std::uint8_t>> serialize(const Id& value, Format format, std::string* error = nullptr);

// What a property list holds, and the form it was in.
struct Document {
    Id value;
    Format format = Format::XML;
};
// Reads a binary ("bplist00" header), an XML ("<?xml", "<!DOCTYPE" or
// "<plist" first, after white space and a UTF-8 BOM) or else an OpenStep
// property list.
ParseResult<Document> parse(const void* bytes, std::size_t length);
ParseResult<Document> parse(const Data& data);

// Whole files. readFile fails with a message for a missing or unreadable file
// as well as for a malformed one; `missing` tells the first case apart.
ParseResult<Document> readFile(const std::string& path, bool* missing = nullptr);
// A file whose top level must be a dictionary (key-binding dictionaries, Info
// plists); the message names the file otherwise.
ParseResult<Dictionary> dictionaryWithContentsOfFile(const std::string& path);

}  // namespace PropertyList
