// Feeds arbitrary bytes to the OpenStep property-list reader, both as a
// property list and as a strings table. Whatever comes in, the reader must
// answer a value or an error with a position inside the text, never crash or
// run away with the stack.

#include "foundation/OpenStepPropertyList.h"
#include "foundation/PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(const ParseResult<Id>& result, std::size_t decodedLength)
{
    if (result.ok()) {
        if (result->isNil() || result.position())
            std::abort();  // success always carries a value, and no fault
        return;
    }
    const auto& position = result.position();
    if (!position || position->offset > decodedLength || position->line == 0 || position->column == 0)
        std::abort();
    // The message names the same place.
    std::string place =
        "line " + std::to_string(position->line) + ", column " + std::to_string(position->column) + ": ";
    if (!result.error().starts_with(place))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::u16string text = OpenStepPropertyList::decode(data, size);
    check(OpenStepPropertyList::parse(data, size), text.size());
    check(OpenStepPropertyList::parseStringsTable(data, size), text.size());

    // What it reads must be writable as a property list again (strings,
    // arrays, dictionaries and data are all it makes), unless it is nested
    // beyond what the writer takes.
    auto result = OpenStepPropertyList::parse(std::u16string_view(text));
    if (result.ok() && PropertyList::isPropertyList(*result)) {
        auto bytes = PropertyList::serialize(*result, PropertyList::Format::Binary);
        if (!bytes)
            std::abort();
    }
    return 0;
}
