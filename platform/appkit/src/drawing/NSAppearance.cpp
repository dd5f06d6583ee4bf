#include "appkit/NSAppearance.h"

#include "simulation/SimulatedDesktop.h"

#include <mutex>
#include <unordered_map>

const NSAppearanceName NSAppearanceNameAqua = "NSAppearanceNameAqua";
const NSAppearanceName NSAppearanceNameDarkAqua = "NSAppearanceNameDarkAqua";
const NSAppearanceName NSAppearanceNameVibrantLight = "NSAppearanceNameVibrantLight";
const NSAppearanceName NSAppearanceNameVibrantDark = "NSAppearanceNameVibrantDark";
const NSAppearanceName NSAppearanceNameAccessibilityHighContrastAqua = "NSAppearanceNameAccessibilityHighContrastAqua";
const NSAppearanceName NSAppearanceNameAccessibilityHighContrastDarkAqua =
    "NSAppearanceNameAccessibilityHighContrastDarkAqua";
const NSAppearanceName NSAppearanceNameAccessibilityHighContrastVibrantLight =
    "NSAppearanceNameAccessibilityHighContrastVibrantLight";
const NSAppearanceName NSAppearanceNameAccessibilityHighContrastVibrantDark =
    "NSAppearanceNameAccessibilityHighContrastVibrantDark";

namespace {

// Every known look, made once and never released.
const std::unordered_map<String, std::shared_ptr<NSAppearance>>& knownAppearances()
{
    static const auto* appearances = [] {
        auto* table = new std::unordered_map<String, std::shared_ptr<NSAppearance>>;
        using Traits = NSAppearance::Traits;
        for (auto [name, traits] : {
                 std::pair{NSAppearanceNameAqua, Traits{}},
                 std::pair{NSAppearanceNameDarkAqua, Traits{.dark = true}},
                 std::pair{NSAppearanceNameVibrantLight, Traits{.vibrant = true}},
                 std::pair{NSAppearanceNameVibrantDark, Traits{.dark = true, .vibrant = true}},
                 std::pair{NSAppearanceNameAccessibilityHighContrastAqua, Traits{.highContrast = true}},
                 std::pair{NSAppearanceNameAccessibilityHighContrastDarkAqua,
                           Traits{.dark = true, .highContrast = true}},
                 std::pair{NSAppearanceNameAccessibilityHighContrastVibrantLight,
                           Traits{.vibrant = true, .highContrast = true}},
                 std::pair{NSAppearanceNameAccessibilityHighContrastVibrantDark,
                           Traits{.dark = true, .vibrant = true, .highContrast = true}},
             })
            table->emplace(name, std::make_shared<NSAppearance>(name, traits));
        return table;
    }();
    return *appearances;
}

thread_local std::vector<std::shared_ptr<NSAppearance>> drawingAppearances;

}  // namespace

NSAppearance::NSAppearance(NSAppearanceName name, Traits traits)
    : name_(std::move(name))
    , traits_(traits)
{
}

std::shared_ptr<NSAppearance> NSAppearance::appearanceNamed(const NSAppearanceName& name)
{
    const auto& known = knownAppearances();
    auto it = known.find(name);
    return it == known.end() ? nullptr : it->second;
}

std::shared_ptr<NSAppearance> NSAppearance::systemAppearance()
{
    bool dark = simulation::SimulatedDesktop::current()->appearance() == simulation::Appearance::Dark;
    return appearanceNamed(dark ? NSAppearanceNameDarkAqua : NSAppearanceNameAqua);
}

std::shared_ptr<NSAppearance> NSAppearance::currentDrawingAppearance()
{
    if (!drawingAppearances.empty())
        return drawingAppearances.back();
    return systemAppearance();
}

void NSAppearance::performAsCurrentDrawingAppearance(const std::function<void()>& block)
{
    if (!block)
        return;
    drawingAppearances.push_back(std::static_pointer_cast<NSAppearance>(shared_from_this()));
    struct Pop {
        ~Pop() { drawingAppearances.pop_back(); }
    } pop;
    block();
}

NSAppearanceName NSAppearance::bestMatchFromAppearancesWithNames(const std::vector<NSAppearanceName>& names) const
{
    for (const auto& name : names)
        if (name == name_)
            return name;
    for (const auto& name : names)
        if (auto other = appearanceNamed(name);
            other && other->isDark() == isDark() && other->traits().vibrant == traits_.vibrant)
            return name;
    for (const auto& name : names)
        if (auto other = appearanceNamed(name); other && other->isDark() == isDark())
            return name;
    return NSAppearanceName();
}

String NSAppearance::description() const
{
    return String::format("<NSAppearance: %s>", name_.utf8().c_str());
}
