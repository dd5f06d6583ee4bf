#include "drawing/Materials.h"

#include "appkit/NSAppearance.h"

namespace detail {

namespace {

struct Material {
    NSVisualEffectMaterial material;
    NSColor::Components light;
    NSColor::Components dark;
};

constexpr Material kMaterials[] = {
    {NSVisualEffectMaterialTitlebar, {0.91, 0.91, 0.91, 0.96}, {0.19, 0.19, 0.19, 0.96}},
    {NSVisualEffectMaterialMenu, {0.94, 0.94, 0.94, 0.96}, {0.16, 0.16, 0.16, 0.96}},
    {NSVisualEffectMaterialPopover, {0.96, 0.96, 0.96, 0.97}, {0.17, 0.17, 0.18, 0.97}},
    {NSVisualEffectMaterialSidebar, {0.90, 0.90, 0.91, 0.94}, {0.17, 0.17, 0.18, 0.94}},
    {NSVisualEffectMaterialHeaderView, {0.97, 0.97, 0.97, 0.96}, {0.15, 0.15, 0.15, 0.96}},
    {NSVisualEffectMaterialSheet, {0.93, 0.93, 0.93, 0.97}, {0.20, 0.20, 0.20, 0.97}},
    {NSVisualEffectMaterialHUDWindow, {0.10, 0.10, 0.10, 0.85}, {0.10, 0.10, 0.10, 0.85}},
    {NSVisualEffectMaterialFullScreenUI, {0.95, 0.95, 0.95, 0.90}, {0.12, 0.12, 0.12, 0.90}},
    {NSVisualEffectMaterialToolTip, {0.98, 0.98, 0.98, 0.97}, {0.22, 0.22, 0.22, 0.97}},
    {NSVisualEffectMaterialUnderWindowBackground, {0.85, 0.85, 0.85, 0.94}, {0.12, 0.12, 0.12, 0.94}},
};

}  // namespace

NSColor::Components materialComponents(NSVisualEffectMaterial material, const NSAppearance& appearance)
{
    for (const auto& entry : kMaterials)
        if (entry.material == material)
            return appearance.isDark() ? entry.dark : entry.light;
    switch (material) {
    case NSVisualEffectMaterialSelection:
        return NSColor::selectedContentBackgroundColor()->componentsForAppearance(appearance);
    case NSVisualEffectMaterialContentBackground:
        return NSColor::controlBackgroundColor()->componentsForAppearance(appearance);
    case NSVisualEffectMaterialUnderPageBackground:
        return NSColor::underPageBackgroundColor()->componentsForAppearance(appearance);
    default:
        return NSColor::windowBackgroundColor()->componentsForAppearance(appearance);
    }
}

}  // namespace detail
