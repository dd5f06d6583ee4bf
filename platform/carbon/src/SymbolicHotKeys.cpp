#include "carbon/SymbolicHotKeys.h"

#include "carbon/CarbonEvents.h"
#include "simulation/SimulatedDesktop.h"

const String kHISymbolicHotKeyCode = "kHISymbolicHotKeyCode";
const String kHISymbolicHotKeyModifiers = "kHISymbolicHotKeyModifiers";
const String kHISymbolicHotKeyEnabled = "kHISymbolicHotKeyEnabled";

OSStatus CopySymbolicHotKeys(Array* outHotKeyArray)
{
    if (!outHotKeyArray)
        return paramErr;
    *outHotKeyArray = Array();
    const auto& hotKeys = simulation::SimulatedDesktop::current()->hotKeys();
    if (auto failure = hotKeys->failures().copySymbolicHotKeys)
        return failure;
    for (const auto& hotKey : hotKeys->symbolicHotKeys()) {
        outHotKeyArray->add(Dictionary{
            {kHISymbolicHotKeyCode, Id::number(hotKey.keyCode)},
            {kHISymbolicHotKeyModifiers, Id::number(hotKey.modifiers)},
            {kHISymbolicHotKeyEnabled, Id::boolean(hotKey.enabled)},
        });
    }
    return noErr;
}
