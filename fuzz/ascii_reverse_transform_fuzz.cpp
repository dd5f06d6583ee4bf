// Arbitrary text into both ASCII reverse transformations: key names typed by
// users and read from key-binding strings. Whatever comes in, the answer is a
// known key code or nil, and reading the text never raises.

#include "foundation/Log.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "textinput/KeyboardLayoutRegistry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// Discards the log: every rejected input writes two error lines.
class NullLogSink final : public LogSink {
public:
    void write(const LogEntry&) override { }
};

bool isKeyCodeTheTransformersKnow(const Id& value)
{
    if (value.isNil())
        return true;
    if (value.kind() != Id::Kind::Unsigned)
        return false;
    auto known = SRKeyCodeTransformer::knownKeyCodes();
    const auto keyCode = value.unsignedValue();
    // Keypad Clear has a glyph but no place in the known list.
    return keyCode == 71 || std::find(known.begin(), known.end(), keyCode) != known.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static bool ready = [] {
        Log::setSink(std::make_shared<NullLogSink>());
        Log::setDebugEnabled(false);
        return true;
    }();
    (void)ready;

    // The first byte picks the ASCII-capable layout, so maps of several
    // layouts get built and rebuilt; the rest is UTF-16, two bytes a unit.
    if (size == 0)
        return 0;
    static const std::string_view layouts[] = {textinput::InputSourceID::US, textinput::InputSourceID::German,
                                               textinput::InputSourceID::French, textinput::InputSourceID::ABC};
    textinput::KeyboardLayoutRegistry::shared().selectInputSource(layouts[data[0] % 4]);
    std::u16string units;
    for (std::size_t i = 1; i + 1 < size; i += 2)
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    const Id text{String(units)};

    Id literal = SRASCIILiteralKeyCodeTransformer::sharedTransformer().reverseTransformedValue(text);
    Id symbol = SRASCIISymbolicKeyCodeTransformer::sharedTransformer().reverseTransformedValue(text);
    if (!isKeyCodeTheTransformersKnow(literal) || !isKeyCodeTheTransformersKnow(symbol))
        std::abort();
    // A symbol is one unit; anything longer must be refused.
    if (units.size() != 1 && !symbol.isNil())
        std::abort();
    return 0;
}
