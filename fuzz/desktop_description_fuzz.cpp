// Desktop descriptions come from files that people write by hand: any text
// must give either a desktop or a message, and a description that is
// accepted must make a desktop without complaint. A description a program
// may run on is one that is also accepted with our own process required.
#include "simulation/DesktopDescription.h"
#include "simulation/SimulatedDesktop.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using simulation::DesktopDescription;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto result = DesktopDescription::parse(text);
    auto forProgram = DesktopDescription::parse(text, DesktopDescription::OwnProcess::Required);
    if (!result) {
        if (result.error().empty() || forProgram)
            std::abort();
        return 0;
    }
    if (forProgram ? forProgram->applications.size() != result->applications.size() : forProgram.error().empty())
        std::abort();
    simulation::SimulatedDesktop desktop(std::move(*result));
    if (forProgram && desktop.ownProcess() == 0)
        std::abort();
    // Walk what the world derived from it: the stack and a click reach every
    // window and frame.
    for (const auto& [pid, window] : desktop.windowStack()) {
        if (!desktop.window(window) || desktop.window(window)->pid != pid)
            std::abort();
    }
    desktop.postEvent({.type = 1, .location = desktop.pointerLocation(), .mouse = true, .pressesButton = true});
    return 0;
}
