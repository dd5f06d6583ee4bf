// Feeds arbitrary bytes to the property-list reader (binary, XML, else
// OpenStep). It must answer a value or an error, never crash; and whatever it
// reads must write again in the binary form, and in the XML one where its
// dates fit that, and read back as the same values of the same kinds, as user
// defaults rely on when they rewrite a file: exactly from the binary form,
// with dates to the second from the XML one.

#include "foundation/PropertyList.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

bool isSmallUnsigned(const Id& value)
{
    return value.kind() == Id::Kind::Unsigned &&
           value.unsignedValue() <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
}

// `again` is what `original` came back as. A keyed-archive UID reads as an
// unsigned number and comes back as a plain (signed) one.
bool same(const Id& original, const Id& again, bool wholeSecondDates)
{
    if (isSmallUnsigned(original) && again.kind() == Id::Kind::Signed)
        return original.unsignedValue() == again.unsignedValue();
    if (original.kind() != again.kind())
        return false;
    switch (original.kind()) {
    case Id::Kind::Floating: {
        double a = original.doubleValue();
        double b = again.doubleValue();
        return a == b || (std::isnan(a) && std::isnan(b));
    }
    case Id::Kind::Date: {
        double a = original.date()->timeIntervalSinceReferenceDate();
        double b = again.date()->timeIntervalSinceReferenceDate();
        return (wholeSecondDates ? std::floor(a) : a) == b;
    }
    case Id::Kind::Array: {
        const Array& a = *original.array();
        const Array& b = *again.array();
        if (a.count() != b.count())
            return false;
        for (std::size_t i = 0; i < a.count(); ++i)
            if (!same(a[i], b[i], wholeSecondDates))
                return false;
        return true;
    }
    case Id::Kind::Dictionary: {
        const Dictionary& a = *original.dictionary();
        const Dictionary& b = *again.dictionary();
        if (a.count() != b.count())
            return false;
        for (const auto& [key, value] : a)
            if (!b.contains(key) || !same(value, b.objectForKey(key), wholeSecondDates))
                return false;
        return true;
    }
    default:
        return original == again;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto read = PropertyList::parse(data, size);
    if (!read) {
        if (read.error().empty())
            std::abort();  // a failure always says why
        return 0;
    }
    const Id& value = read->value;
    if (value.isNil())
        std::abort();
    // The OpenStep form can hold what the others can't (U+0000 through an
    // escape, deeper nesting): only that may lack a property-list form.
    if (!PropertyList::isPropertyList(value)) {
        if (read->format != PropertyList::Format::OpenStep)
            std::abort();
        return 0;
    }
    for (auto format : {PropertyList::Format::Binary, PropertyList::Format::XML}) {
        // The binary form holds every date; the XML one years 0000 to 9999.
        if (format == PropertyList::Format::XML && PropertyList::whyNotPropertyList(value, format))
            continue;
        auto bytes = PropertyList::serialize(value, format);
        if (!bytes)
            std::abort();
        auto again = PropertyList::parse(bytes->data(), bytes->size());
        if (!again || again->format != format || !same(value, again->value, format == PropertyList::Format::XML))
            std::abort();
    }
    return 0;
}
