#include "simulation/SimulatedApplication.h"

namespace simulation {

const char* activationPolicyName(ActivationPolicy policy)
{
    switch (policy) {
    case ActivationPolicy::Regular:
        return "regular";
    case ActivationPolicy::Accessory:
        return "accessory";
    case ActivationPolicy::Prohibited:
        return "prohibited";
    }
    return "regular";
}

const SimulatedWindow* SimulatedApplication::window(CGWindowID number) const
{
    for (const auto& window : windows) {
        if (window.number == number)
            return &window;
    }
    return nullptr;
}

SimulatedWindow* SimulatedApplication::window(CGWindowID number)
{
    return const_cast<SimulatedWindow*>(static_cast<const SimulatedApplication&>(*this).window(number));
}

}  // namespace simulation
