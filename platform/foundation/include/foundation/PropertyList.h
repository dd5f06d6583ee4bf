#pragma once

#include "foundation/Id.h"

#include <plist/plist.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The bridge between our values and libplist's nodes, and the reading and
// writing of XML and binary property lists through libplist.
//
// Mapping: Boolean <-> <true/>/<false/>; signed and unsigned integers <->
// <integer> (libplist keeps one 64-bit integer kind, so every integer reads
// back as signed; an unsigned value above INT64_MAX reads back as the signed
// number with the same bits); reals <-> <real>; strings (UTF-16 here, UTF-8
// there; a string is cut at its first U+0000, as libplist's strings are C
// strings); data <-> <data>; arrays and dictionaries (string keys, insertion
// order kept) <-> <array>/<dict>. A <date> reads as its seconds since
// 2001-01-01 00:00:00 UTC, as a real; a keyed-archive UID reads as an unsigned
// number. Nil, the null marker, objects and dictionaries with non-string keys
// have no property-list form.
namespace PropertyList {

// OpenStep is read only (see OpenStepPropertyList.h); writing it is not offered.
enum class Format { XML, Binary, OpenStep };

// Nesting deeper than this is refused both ways, so hostile input can't
// exhaust the stack.
inline constexpr int maximumDepth = 256;

struct NodeDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

// True when the value (and everything in it) has a property-list form.
bool isPropertyList(const Id& value);

// The libplist node for a value; empty (with a message in `error`) when the
// value has no property-list form.
Node toNode(const Id& value, std::string* error = nullptr);
// The value of a libplist node; nil (with a message) for a missing node or
// one nested too deep.
Id fromNode(plist_t node, std::string* error = nullptr);

// Serialises a value as XML or binary; nullopt (with a message) when it has
// no property-list form or the format is OpenStep.
std::optional<std::vector<std::uint8_t>> serialize(const Id& value, Format format, std::string* error = nullptr);

struct ReadResult {
    Id value;  // nil on failure
    Format format = Format::XML;
    std::string error;  // empty on success
    bool ok() const { return error.empty(); }
};
// Reads a binary ("bplist00" header), an XML ("<?xml", "<!DOCTYPE" or
// "<plist" first, after white space and a UTF-8 BOM) or else an OpenStep
// property list.
ReadResult parse(const void* bytes, std::size_t length);
ReadResult parse(const Data& data);

// Whole files. readFile fails with a message for a missing or unreadable file
// as well as for a malformed one; `missing` tells the first case apart.
ReadResult readFile(const std::string& path, bool* missing = nullptr);
// A file whose top level must be a dictionary (key-binding dictionaries, Info
// plists); nullopt with a message otherwise.
std::optional<Dictionary> dictionaryWithContentsOfFile(const std::string& path, std::string* error = nullptr);

}  // namespace PropertyList
