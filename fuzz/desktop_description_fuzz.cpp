// Desktop descriptions come from files that people write by hand: any text
// must give either a desktop or a message, and a description that is
// accepted must make a desktop without complaint.
#include "simulation/DesktopDescription.h"
#include "simulation/SimulatedDesktop.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto result = simulation::DesktopDescription::parse(text);
    if (!result.state) {
        if (result.error.empty())
            std::abort();
        return 0;
    }
    simulation::SimulatedDesktop desktop(std::move(*result.state));
    // Walk what the world derived from it: the stack and a click reach every
    // window and frame.
    for (const auto& [pid, window] : desktop.windowStack()) {
        if (!desktop.window(window) || desktop.window(window)->pid != pid)
            std::abort();
    }
    desktop.postEvent({.type = 1, .location = desktop.pointerLocation(), .mouse = true, .pressesButton = true});
    return 0;
}
