#include "simulation/DesktopDescription.h"

namespace simulation {

// The desktop the programs start on when no description is given: enough to
// show every road of the switcher (an application with several windows, one
// with one, one with none, accessory and background processes that the lists
// leave out) on a single screen with trust granted.
std::string_view DesktopDescription::embeddedDefault()
{
    // resources/DefaultDesktop.json, held in the library.
    static constexpr char kDescription[] =
#include "DefaultDesktop.json.inc"
        ;
    return std::string_view(kDescription, sizeof kDescription - 1);
}

}  // namespace simulation
