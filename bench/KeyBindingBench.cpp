// The stored form of shortcuts is read for every application tile and every
// local monitor that is built, and written on every recording; the formatter
// runs for every tile drawn.

#include "foundation/Log.h"
#include "shortcut-library/SRKeyBindingTransformer.h"
#include "shortcut-library/SRShortcut.h"
#include "shortcut-library/SRShortcutFormatter.h"
#include "textinput/KeyboardLayoutRegistry.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace {

// Installs the layout, selected and ASCII-capable, for the benchmark that
// asks; each layout's registry is made once.
void useLayout(std::string_view identifier)
{
    static std::map<std::string_view, std::shared_ptr<textinput::KeyboardLayoutRegistry>> registries;
    auto& registry = registries[identifier];
    if (!registry)
        registry = std::make_shared<textinput::KeyboardLayoutRegistry>(identifier);
    textinput::KeyboardLayoutRegistry::setCurrent(registry);
}

void useUSLayout()
{
    useLayout(textinput::InputSourceID::US);
}

const std::vector<Id>& storedStrings()
{
    static const std::vector<Id> strings = {Id(String(u"^\t")),     Id(String("$@k")),   Id(String("~#1")),
                                            Id(String(u"@\uF704")), Id(String("^~$@a")), Id(String(" "))};
    return strings;
}

// Reads the strings in turn.
void readEach(benchmark::State& state, const std::vector<Id>& strings)
{
    auto& transformer = SRKeyBindingTransformer::sharedTransformer();
    std::size_t i = 0;
    for (auto _ : state) {
        Id shortcut = transformer.transformedValue(strings[i]);
        benchmark::DoNotOptimize(shortcut);
        i = (i + 1) % strings.size();
    }
}

// Writes the shortcuts of the strings in turn.
void writeEach(benchmark::State& state, const std::vector<Id>& strings)
{
    auto& transformer = SRKeyBindingTransformer::sharedTransformer();
    std::vector<Id> shortcuts;
    for (const Id& string : strings)
        shortcuts.push_back(transformer.transformedValue(string));
    std::size_t i = 0;
    for (auto _ : state) {
        Id string = transformer.reverseTransformedValue(shortcuts[i]);
        benchmark::DoNotOptimize(string);
        i = (i + 1) % shortcuts.size();
    }
    for (const Id& shortcut : shortcuts)
        if (!transformer.reverseTransformedValue(shortcut))
            state.SkipWithError("a shortcut was not written");
}

void BM_KeyBindingRead(benchmark::State& state)
{
    useUSLayout();
    readEach(state, storedStrings());
}
BENCHMARK(BM_KeyBindingRead);

void BM_KeyBindingWrite(benchmark::State& state)
{
    useUSLayout();
    writeEach(state, storedStrings());
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

// The German layout, where keys share characters with the keypad's and "-"
// is not the U.S. "-" key: the reading looks for the key that types the
// character.
void useGermanLayout()
{
    useLayout(textinput::InputSourceID::German);
}

const std::vector<Id>& sharedCharacterStrings()
{
    static const std::vector<Id> strings = {Id(String("@,")), Id(String("-")), Id(String("#+")), Id(String("@#")),
                                            Id(String(u"\uE018"))};
    return strings;
}

void BM_KeyBindingReadSharedCharacter(benchmark::State& state)
{
    useGermanLayout();
    readEach(state, sharedCharacterStrings());
}
BENCHMARK(BM_KeyBindingReadSharedCharacter);

void BM_KeyBindingWriteSharedCharacter(benchmark::State& state)
{
    useGermanLayout();
    writeEach(state, sharedCharacterStrings());
}
BENCHMARK(BM_KeyBindingWriteSharedCharacter);

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
