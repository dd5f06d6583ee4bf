#pragma once

#include "foundation/Id.h"
#include "foundation/PropertyList.h"

#include <plist/plist.h>

#include <memory>
#include <optional>
#include <string>

// The bridge between our values and libplist's nodes. It stays in src/ so that
// no public header shows libplist.
//
// libplist keeps one 64-bit integer kind and dates as whole seconds in 32
// bits at its API. Inside, an integer also has a width (8 bytes signed, 16
// unsigned) and a date is a double; the binary form of a node shows both, so
// nodes its API can't read or make exactly are read and made through that.
namespace PropertyList::detail {

struct NodeDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

// Why a date can't be written in `format`, if it can't: in binary every
// finite date can; in XML one from earliestXMLDate to the end of
// latestXMLDate's second.
std::optional<std::string> whyNotWritableDate(double secondsSinceReferenceDate, Format format);

// The node for a value that has a property-list form (see
// whyNotPropertyList); empty for one that has none. For the XML form dates
// are rounded down to their second, as that form holds no more.
Node toNode(const Id& value, Format format);
// The value of a node read from a document in `format`; nil, with the reason
// in `error`, for a missing node, one nested too deep or a date that could
// not be written back in `format`.
Id fromNode(plist_t node, Format format, std::string* error);

}  // namespace PropertyList::detail
