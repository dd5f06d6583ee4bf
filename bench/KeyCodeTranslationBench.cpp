// The key-code translator's hot paths: a repeated translation (every redraw of
// a recorder and every key-binding string goes through it), a translation the
// cache can't answer, and the ASCII translator's reverse-map rebuild after a
// layout switch.

#include "foundation/Log.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "shortcut-library/SRKeyCodeTranslator.h"
#include "textinput/KeyboardLayoutRegistry.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace textinput;

// Benchmarks run with debug logging off, as a user's program does.
struct Layouts {
    Layouts()
        : registry(std::make_shared<KeyboardLayoutRegistry>(InputSourceID::US))
        , installed(registry)
    {
        Log::setDebugEnabled(false);
    }
    std::shared_ptr<KeyboardLayoutRegistry> registry;
    ScopedCurrentKeyboardLayoutRegistry installed;
};

// Walks the known key codes so that the lookups don't all hit one bucket.
SRKeyCode nextKeyCode(std::size_t& index)
{
    auto known = SRKeyCodeTransformer::knownKeyCodes();
    index = (index + 1) % known.size();
    return known[index];
}

void BM_CachedTranslation(benchmark::State& state)
{
    Layouts layouts;
    detail::SRKeyCodeTranslator translator(&TISCopyCurrentKeyboardLayoutInputSource);
    for (SRKeyCode keyCode : SRKeyCodeTransformer::knownKeyCodes())
        translator.translateKeyCode(keyCode, 0, 0, true);
    std::size_t index = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(translator.translateKeyCode(nextKeyCode(index), 0, 0, true));
}
BENCHMARK(BM_CachedTranslation);

// The same with the input source fixed: what the translator's own lookup
// costs, without asking the system for the current layout.
void BM_CachedTranslationFixedSource(benchmark::State& state)
{
    Layouts layouts;
    detail::SRKeyCodeTranslator translator(TISCopyCurrentKeyboardLayoutInputSource());
    for (SRKeyCode keyCode : SRKeyCodeTransformer::knownKeyCodes())
        translator.translateKeyCode(keyCode, 0, 0, true);
    std::size_t index = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(translator.translateKeyCode(nextKeyCode(index), 0, 0, true));
}
BENCHMARK(BM_CachedTranslationFixedSource);

void BM_CopyCurrentInputSource(benchmark::State& state)
{
    Layouts layouts;
    for (auto _ : state)
        benchmark::DoNotOptimize(TISCopyCurrentKeyboardLayoutInputSource());
}
BENCHMARK(BM_CopyCurrentInputSource);

// The same through the shared transformer: activity, number boxing, special-key tables.
void BM_CachedTranslationThroughSymbolicTransformer(benchmark::State& state)
{
    Layouts layouts;
    auto& transformer = SRSymbolicKeyCodeTransformer::sharedTransformer();
    std::size_t index = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(transformer.transformedValue(Id::number(nextKeyCode(index)), Id(), Id(),
                                                              NSUserInterfaceLayoutDirectionLeftToRight));
}
BENCHMARK(BM_CachedTranslationThroughSymbolicTransformer);

void BM_UncachedTranslation(benchmark::State& state)
{
    Layouts layouts;
    detail::SRKeyCodeTranslator translator(&TISCopyCurrentKeyboardLayoutInputSource);
    std::size_t index = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(translator.translateKeyCode(nextKeyCode(index), 0, 0, false));
}
BENCHMARK(BM_UncachedTranslation);

// A miss: look up, translate and store (the cache is emptied every 103 keys).
void BM_CacheMissTranslation(benchmark::State& state)
{
    Layouts layouts;
    detail::SRKeyCodeTranslator translator(&TISCopyCurrentKeyboardLayoutInputSource);
    std::size_t index = 0;
    for (auto _ : state) {
        if (index == 0)
            translator.translationCache().removeAllObjects();
        benchmark::DoNotOptimize(translator.translateKeyCode(nextKeyCode(index), 0, 0, true));
    }
}
BENCHMARK(BM_CacheMissTranslation);

// Every lookup follows a switch between two ASCII-capable layouts, so every
// lookup rebuilds the map; the translations come from the cache after the
// first two rounds.
void BM_ReverseMapRebuild(benchmark::State& state)
{
    Layouts layouts;
    detail::SRKeyCodeASCIITranslator translator(&TISCopyCurrentASCIICapableKeyboardLayoutInputSource);
    bool german = false;
    for (auto _ : state) {
        german = !german;
        layouts.registry->selectInputSource(german ? InputSourceID::German : InputSourceID::US);
        benchmark::DoNotOptimize(translator.keyCodeForTranslation("z"));
    }
}
BENCHMARK(BM_ReverseMapRebuild);

// The same with an empty cache each time: 103 translations per rebuild.
void BM_ReverseMapRebuildUncached(benchmark::State& state)
{
    Layouts layouts;
    detail::SRKeyCodeASCIITranslator translator(&TISCopyCurrentASCIICapableKeyboardLayoutInputSource);
    bool german = false;
    for (auto _ : state) {
        german = !german;
        layouts.registry->selectInputSource(german ? InputSourceID::German : InputSourceID::US);
        translator.translationCache().removeAllObjects();
        benchmark::DoNotOptimize(translator.keyCodeForTranslation("z"));
    }
}
BENCHMARK(BM_ReverseMapRebuildUncached);

void BM_ReverseLookup(benchmark::State& state)
{
    Layouts layouts;
    detail::SRKeyCodeASCIITranslator translator(&TISCopyCurrentASCIICapableKeyboardLayoutInputSource);
    translator.keyCodeForTranslation("a");
    for (auto _ : state)
        benchmark::DoNotOptimize(translator.keyCodeForTranslation("z"));
}
BENCHMARK(BM_ReverseLookup);

}  // namespace
