// The stored form of shortcuts is read for every application tile and every
// local monitor that is built, and written on every recording; the formatter
// runs for every tile drawn.

#include "foundation/Log.h"
#include "shortcut-library/SRKeyBindingTransformer.h"
#include "shortcut-library/SRShortcut.h"
#include "shortcut-library/SRShortcutFormatter.h"
#include "textinput/KeyboardLayoutRegistry.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// The U.S. layout, selected and ASCII-capable, for the whole run.
void useUSLayout()
{
    static bool installed = [] {
        textinput::KeyboardLayoutRegistry::setCurrent(
            std::make_shared<textinput::KeyboardLayoutRegistry>(textinput::InputSourceID::US));
        return true;
    }();
    benchmark::DoNotOptimize(installed);
}

const std::vector<Id>& storedStrings()
{
    static const std::vector<Id> strings = {Id(String(u"^\t")),     Id(String("$@k")),   Id(String("~#1")),
                                            Id(String(u"@\uF704")), Id(String("^~$@a")), Id(String(" "))};
    return strings;
}

void BM_KeyBindingRead(benchmark::State& state)
{
    useUSLayout();
    auto& transformer = SRKeyBindingTransformer::sharedTransformer();
    const auto& strings = storedStrings();
    std::size_t i = 0;
    for (auto _ : state) {
        Id shortcut = transformer.transformedValue(strings[i]);
        benchmark::DoNotOptimize(shortcut);
        i = (i + 1) % strings.size();
    }
}
BENCHMARK(BM_KeyBindingRead);

void BM_KeyBindingWrite(benchmark::State& state)
{
    useUSLayout();
    auto& transformer = SRKeyBindingTransformer::sharedTransformer();
    std::vector<Id> shortcuts;
    for (const Id& string : storedStrings())
        shortcuts.push_back(transformer.transformedValue(string));
    std::size_t i = 0;
    for (auto _ : state) {
        Id string = transformer.reverseTransformedValue(shortcuts[i]);
        benchmark::DoNotOptimize(string);
        i = (i + 1) % shortcuts.size();
    }
}
BENCHMARK(BM_KeyBindingWrite);

void BM_KeyBindingWriteDictionary(benchmark::State& state)
{
    useUSLayout();
    auto& transformer = SRKeyBindingTransformer::sharedTransformer();
    const Id dictionary(SRShortcut::shortcutWithCode(40, NSEventModifierFlagCommand)->dictionaryRepresentation());
    for (auto _ : state) {
        Id string = transformer.reverseTransformedValue(dictionary);
        benchmark::DoNotOptimize(string);
    }
}
BENCHMARK(BM_KeyBindingWriteDictionary);

// A malformed string costs its log line.
void BM_KeyBindingReadUnreadable(benchmark::State& state)
{
    useUSLayout();
    ScopedLogCapture quiet(false);
    auto& transformer = SRKeyBindingTransformer::sharedTransformer();
    const Id string(String("^ab"));
    for (auto _ : state) {
        Id shortcut = transformer.transformedValue(string);
        benchmark::DoNotOptimize(shortcut);
        if (state.iterations() % 4096 == 0)
            quiet.sink().clear();
    }
}
BENCHMARK(BM_KeyBindingReadUnreadable);

void formatWith(benchmark::State& state, bool keyCodeLiteral, bool modifiersLiteral)
{
    useUSLayout();
    SRShortcutFormatter formatter;
    formatter.setIsKeyCodeLiteral(keyCodeLiteral);
    formatter.setAreModifierFlagsLiteral(modifiersLiteral);
    const Id shortcut(SRShortcut::shortcutWithCode(40, NSEventModifierFlagCommand | NSEventModifierFlagShift));
    for (auto _ : state) {
        auto text = formatter.stringForObjectValue(shortcut);
        benchmark::DoNotOptimize(text);
    }
}

void BM_FormatGlyphsAndLiteralKey(benchmark::State& state)
{
    formatWith(state, true, false);
}
BENCHMARK(BM_FormatGlyphsAndLiteralKey);

void BM_FormatWordsAndSymbolicKey(benchmark::State& state)
{
    formatWith(state, false, true);
}
BENCHMARK(BM_FormatWordsAndSymbolicKey);

void BM_ShortcutDescription(benchmark::State& state)
{
    useUSLayout();
    auto shortcut = SRShortcut::shortcutWithCode(48, NSEventModifierFlagControl);
    for (auto _ : state) {
        String text = shortcut->description();
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_ShortcutDescription);

}  // namespace
