#pragma once

#include "foundation/Id.h"
#include "foundation/ParseResult.h"
#include "foundation/String.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// What our readers of JSON descriptions (simulated desktops, storyboards)
// share: the places their messages name, the refusal that ends a read, and
// the one way a JSON value becomes an Id.
//
// A reader's steps call `refuse`, which unwinds to `refusing` at the reader's
// entry point, so a fault found deep in a description needs no passing up
// through every level; what the reader's caller gets is a ParseResult.
//
//     ParseResult<Thing> readThing(std::string_view text)
//     {
//         auto root = JsonReading::parse(text);
//         if (!root)
//             return ParseError{"not valid JSON: " + root.error()};
//         return JsonReading::refusing([&] { return thingFrom(*root); });
//     }
namespace JsonReading {

using Json = nlohmann::json;

// Thrown by `refuse`, caught by `refusing`; nothing else sees it.
struct Refusal {
    std::string message;
};

// Ends the read with "path: what".
[[noreturn]] void refuse(const std::string& path, const std::string& what);

template <typename Read> auto refusing(Read&& read) -> ParseResult<decltype(read())>
{
    try {
        return std::forward<Read>(read)();
    } catch (const Refusal& refusal) {
        return ParseError{refusal.message};
    }
}

// The text as JSON, or the JSON library's message (without the library's
// bracketed error name, which says nothing to the author of the text).
ParseResult<Json> parse(std::string_view text);

// Places: member("windows[0]", "title") is "windows[0].title", a key of the
// top level (an empty path) is its own place; element("screens", 2) is
// "screens[2]".
std::string member(const std::string& path, std::string_view key);
std::string element(const std::string& path, std::size_t index);

// The member, or nullptr when the object doesn't have it.
const Json* find(const Json& object, std::string_view key);
// The first key of the object that isn't among `keys`, in the object's order.
std::optional<std::string> unknownKey(const Json& object, std::initializer_list<std::string_view> keys);

// The value when it is of the kind, else a refusal "expected an object",
// "expected an array", "expected a string", "expected true or false".
const Json& expectObject(const Json& value, const std::string& path);
const Json& expectArray(const Json& value, const std::string& path);
String expectString(const Json& value, const std::string& path);
bool expectBoolean(const Json& value, const std::string& path);

struct ValueReading {
    // What a JSON null becomes: nil, or the null marker where nil means
    // something else to the reader.
    Id null;
    // Values nested deeper are refused ("nested too deeply"), so that hostile
    // input can't recurse the stack away.
    int maximumDepth = 32;
};

// A JSON value as an Id: booleans stay Booleans (not the numbers 0 and 1),
// whole numbers keep their sign and width, objects become dictionaries with
// string keys. `depth` is how deep the value already is.
Id toId(const Json& value, const std::string& path, int depth, const ValueReading& reading);

}  // namespace JsonReading
