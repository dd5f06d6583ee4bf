// Hot paths of the text-input stand-in: one key translation (the key-code
// translator's cache misses and reverse-map builds pay it), the calls around
// it, and a layout switch.

#include "textinput/KeyboardLayoutCatalog.h"
#include "textinput/KeyboardLayoutRegistry.h"
#include "textinput/TISInputSource.h"
#include "textinput/UCKeyboardLayout.h"
#include "textinput/VirtualKeyCodes.h"

#include <benchmark/benchmark.h>

namespace {

using namespace textinput;

const UCKeyboardLayout* layoutOf(std::string_view identifier)
{
    return KeyboardLayoutCatalog::shared().inputSource(identifier)->keyLayout();
}

void translateKeys(benchmark::State& state, std::string_view identifier, std::uint32_t modifiers)
{
    const UCKeyboardLayout* layout = layoutOf(identifier);
    std::uint16_t keyCode = 0;
    for (auto _ : state) {
        std::uint32_t deadKeyState = 0;
        UniChar buffer[255] = {};
        UniCharCount length = 0;
        OSStatus status = UCKeyTranslate(layout, keyCode, kUCKeyActionDisplay, modifiers, LMGetKbdType() & 0xFF, 0,
                                         &deadKeyState, 255, &length, buffer);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(buffer);
        keyCode = (keyCode + 1) & 0x7F;
    }
}

// The translator clears a 255-unit buffer before each call, as above.
void BM_UCKeyTranslate_US(benchmark::State& state)
{
    translateKeys(state, InputSourceID::US, 0);
}
BENCHMARK(BM_UCKeyTranslate_US);

void BM_UCKeyTranslate_ABC_ShiftOption(benchmark::State& state)
{
    translateKeys(state, InputSourceID::ABC, ModifierKeyState::shift | ModifierKeyState::option);
}
BENCHMARK(BM_UCKeyTranslate_ABC_ShiftOption);

void BM_UCKeyTranslate_Russian_Control(benchmark::State& state)
{
    translateKeys(state, InputSourceID::Russian, ModifierKeyState::control);
}
BENCHMARK(BM_UCKeyTranslate_Russian_Control);

void BM_UCKeyTranslate_FourThreads(benchmark::State& state)
{
    translateKeys(state, InputSourceID::German, 0);
}
BENCHMARK(BM_UCKeyTranslate_FourThreads)->Threads(4);

// The call alone, into a buffer that is not cleared each time.
void BM_UCKeyTranslate_US_NoBufferClear(benchmark::State& state)
{
    const UCKeyboardLayout* layout = layoutOf(InputSourceID::US);
    std::uint16_t keyCode = 0;
    UniChar buffer[255];
    for (auto _ : state) {
        std::uint32_t deadKeyState = 0;
        UniCharCount length = 0;
        OSStatus status =
            UCKeyTranslate(layout, keyCode, kUCKeyActionDisplay, 0, 0, 0, &deadKeyState, 255, &length, buffer);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(buffer);
        keyCode = (keyCode + 1) & 0x7F;
    }
}
BENCHMARK(BM_UCKeyTranslate_US_NoBufferClear);

// A dead key then a letter, typed: the compose path.
void BM_UCKeyTranslate_DeadKeyComposition(benchmark::State& state)
{
    const UCKeyboardLayout* layout = layoutOf(InputSourceID::USInternationalPC);
    for (auto _ : state) {
        std::uint32_t deadKeyState = 0;
        UniChar buffer[8];
        UniCharCount length = 0;
        UCKeyTranslate(layout, kVK_ANSI_Quote, kUCKeyActionDown, 0, 0, 0, &deadKeyState, 8, &length, buffer);
        UCKeyTranslate(layout, kVK_ANSI_E, kUCKeyActionDown, 0, 0, 0, &deadKeyState, 8, &length, buffer);
        benchmark::DoNotOptimize(buffer);
    }
}
BENCHMARK(BM_UCKeyTranslate_DeadKeyComposition);

void BM_TISCopyCurrentKeyboardLayoutInputSource(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(TISCopyCurrentKeyboardLayoutInputSource());
}
BENCHMARK(BM_TISCopyCurrentKeyboardLayoutInputSource);

void BM_TISCopyCurrentASCIICapable_WhileRussian(benchmark::State& state)
{
    auto registry = std::make_shared<KeyboardLayoutRegistry>(InputSourceID::German);
    registry->selectInputSource(InputSourceID::Russian);
    ScopedCurrentKeyboardLayoutRegistry scope(registry);
    for (auto _ : state)
        benchmark::DoNotOptimize(TISCopyCurrentASCIICapableKeyboardLayoutInputSource());
}
BENCHMARK(BM_TISCopyCurrentASCIICapable_WhileRussian);

// Everything the translator asks of the platform on a cache miss: the input
// source, its identifier, its layout data, one translation.
void BM_TranslatorPlatformCalls(benchmark::State& state)
{
    std::uint16_t keyCode = 0;
    for (auto _ : state) {
        TISInputSourceRef source = TISCopyCurrentKeyboardLayoutInputSource();
        auto identifier = TISGetInputSourceProperty(source, kTISPropertyInputSourceID);
        const UCKeyboardLayout* layout = TISGetInputSourceProperty(source, kTISPropertyUnicodeKeyLayoutData);
        std::uint32_t deadKeyState = 0;
        UniChar buffer[255] = {};
        UniCharCount length = 0;
        UCKeyTranslate(layout, keyCode, kUCKeyActionDisplay, modifierKeyStateForModifierFlags(0x20000),
                       LMGetKbdType() & 0xFF, 0, &deadKeyState, 255, &length, buffer);
        benchmark::DoNotOptimize(identifier);
        benchmark::DoNotOptimize(buffer);
        keyCode = (keyCode + 1) & 0x7F;
    }
}
BENCHMARK(BM_TranslatorPlatformCalls);

// A layout switch with one change handler, as the desktop wires it.
void BM_SelectionChange(benchmark::State& state)
{
    KeyboardLayoutRegistry registry;
    int changes = 0;
    registry.addSelectionChangeHandler([&](const TISInputSourceRef&) { ++changes; });
    auto us = registry.catalog().inputSource(InputSourceID::US);
    auto russian = registry.catalog().inputSource(InputSourceID::Russian);
    bool flip = false;
    for (auto _ : state) {
        registry.selectInputSource(flip ? us : russian);
        flip = !flip;
    }
    benchmark::DoNotOptimize(changes);
}
BENCHMARK(BM_SelectionChange);

void BM_SelectionChangeByIdentifier(benchmark::State& state)
{
    KeyboardLayoutRegistry registry;
    registry.addSelectionChangeHandler([](const TISInputSourceRef&) {});
    bool flip = false;
    for (auto _ : state) {
        registry.selectInputSource(flip ? InputSourceID::US : InputSourceID::Russian);
        flip = !flip;
    }
}
BENCHMARK(BM_SelectionChangeByIdentifier);

// Building one layout's key table from xkb (once per layout per process).
void BM_BuildKeyLayout(benchmark::State& state)
{
    for (auto _ : state) {
        KeyboardLayoutCatalog catalog;
        benchmark::DoNotOptimize(catalog.inputSource(InputSourceID::German));
    }
}
BENCHMARK(BM_BuildKeyLayout)->Unit(benchmark::kMillisecond);

}  // namespace
