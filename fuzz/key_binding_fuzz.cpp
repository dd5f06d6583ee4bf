// Key-binding strings come from the user defaults, which anything may have
// written. Arbitrary text must read as a shortcut or as nothing; a shortcut
// that is read must be written back into a string that reads as that same
// shortcut, and every key the library knows has such a string.

#include "foundation/Log.h"
#include "shortcut-library/SRKeyBindingTransformer.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "shortcut-library/SRShortcut.h"
#include "textinput/KeyboardLayoutRegistry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>

namespace {

class DiscardingLogSink final : public LogSink {
public:
    void write(const LogEntry&) override { }
};

// ASCII-capable layouts whose unshifted characters differ: on the French
// one "$" is unshifted, on the German one "#"; keys share characters with the
// keypad's on all of them, and U.S.-International has two backslash keys and
// dead keys.
void useLayout(std::uint8_t choice)
{
    namespace ID = textinput::InputSourceID;
    static const std::shared_ptr<textinput::KeyboardLayoutRegistry> registries[] = {
        std::make_shared<textinput::KeyboardLayoutRegistry>(ID::US),
        std::make_shared<textinput::KeyboardLayoutRegistry>(ID::French),
        std::make_shared<textinput::KeyboardLayoutRegistry>(ID::German),
        std::make_shared<textinput::KeyboardLayoutRegistry>(ID::Dvorak),
        std::make_shared<textinput::KeyboardLayoutRegistry>(ID::USInternationalPC),
        std::make_shared<textinput::KeyboardLayoutRegistry>(ID::British),
    };
    static bool quiet = [] {
        Log::setSink(std::make_shared<DiscardingLogSink>());
        return true;
    }();
    (void)quiet;
    textinput::KeyboardLayoutRegistry::setCurrent(registries[choice % std::size(registries)]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    useLayout(data[0]);
    ++data;
    --size;
    // The rest of the input's bytes are UTF-16 code units, so that lone
    // surrogates, control characters and the private-use function-key
    // characters are all reached.
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));

    auto& transformer = SRKeyBindingTransformer::sharedTransformer();
    auto shortcut = transformer.transformedValue(Id(String(units))).object<SRShortcut>();
    if (!shortcut)
        return 0;

    Id written = transformer.reverseTransformedValue(Id(shortcut));
    if (!written) {
        // Only a shortcut of a key the library doesn't know may lack a string.
        const auto known = SRKeyCodeTransformer::knownKeyCodes();
        if (std::find(known.begin(), known.end(), shortcut->keyCode()) != known.end())
            std::abort();
        return 0;
    }
    auto back = transformer.transformedValue(written).object<SRShortcut>();
    if (!back || !back->isEqual(Id(shortcut)))
        std::abort();
    // Writing is deterministic: the string read back writes itself.
    if (transformer.reverseTransformedValue(Id(back)) != written)
        std::abort();
    return 0;
}
