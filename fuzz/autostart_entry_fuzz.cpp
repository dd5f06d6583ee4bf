// Autostart entries are files anyone may put in the home: any text must give
// a program, nothing, or a message, and a program always has a command.
#include "driver/AutostartProgram.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto result = AutostartProgram::parse(text);
    if (!result) {
        if (result.error().empty())
            std::abort();
        return 0;
    }
    if (*result && (*result)->command.empty())
        std::abort();
    return 0;
}
