// Application names come from whatever the desktop reports: any UTF-16,
// lone surrogates included. Both list orders must stay strict weak orders
// over such names (a sort relies on it) and must not care whether a name
// arrives composed or not.

#include "Kestrova/ApplicationLists.h"

#include <unicode/unorm2.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The input's bytes as UTF-16 code units, cut into three names at each
// U+0000.
std::vector<String> namesFrom(const std::uint8_t* data, std::size_t size)
{
    std::vector<String> names;
    std::u16string current;
    for (std::size_t i = 0; i + 1 < size && names.size() < 2; i += 2) {
        auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) {
            names.emplace_back(current);
            current.clear();
        } else {
            current.push_back(unit);
        }
    }
    names.emplace_back(current);
    while (names.size() < 3)
        names.emplace_back(String());
    return names;
}

String decomposed(const String& text)
{
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    if (U_FAILURE(status))
        std::abort();
    const std::u16string& units = text.utf16();
    std::u16string out(units.size() * 4 + 8, u'\0');
    int32_t length =
        unorm2_normalize(nfd, reinterpret_cast<const UChar*>(units.data()), static_cast<int32_t>(units.size()),
                         reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &status);
    if (U_FAILURE(status))
        return text;
    out.resize(static_cast<std::size_t>(length));
    return String(out);
}

template <class Precedes> void checkOrder(Precedes precedes, const String& a, const String& b, const String& c)
{
    if (precedes(a, a))
        std::abort();
    if (precedes(a, b) && precedes(b, a))
        std::abort();
    if (precedes(a, b) && precedes(b, c) && !precedes(a, c))
        std::abort();
    // Equivalence (neither before the other) is transitive too.
    bool ab = !precedes(a, b) && !precedes(b, a);
    bool bc = !precedes(b, c) && !precedes(c, b);
    bool ac = !precedes(a, c) && !precedes(c, a);
    if (ab && bc && !ac)
        std::abort();
    // A decomposed spelling is the same name.
    String d = decomposed(a);
    if (precedes(a, d) || precedes(d, a))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto names = namesFrom(data, size);
    checkOrder(textPrecedes, names[0], names[1], names[2]);
    checkOrder(lowercasedTextPrecedes, names[0], names[1], names[2]);
    return 0;
}
