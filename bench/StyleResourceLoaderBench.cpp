// A recorder's style asks the resource loader for its info once, for its
// lookup prefixes on every appearance pass, and for sixteen images whenever
// the prefixes change; every recorder of a list does so.

#include "appkit/NSImage.h"
#include "foundation/NSCache.h"
#include "shortcut-library/SRRecorderControlStyleComponents.h"
#include "shortcut-library/SRRecorderControlStyleResourceLoader.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class BenchStyle final : public SRRecorderControlStyleResourceClient {
public:
    String identifier() const override { return "sr-mojave"; }
    std::shared_ptr<SRRecorderControlStyleComponents> effectiveComponents() const override { return components_; }

private:
    std::shared_ptr<SRRecorderControlStyleComponents> components_ =
        std::make_shared<SRRecorderControlStyleComponents>(3, 1, 1, 1);
};

// Reading, checking and converting the asset: a loader with nothing kept.
void BM_InfoForStyleCold(benchmark::State& state)
{
    BenchStyle style;
    for (auto _ : state) {
        SRRecorderControlStyleResourceLoader loader;
        benchmark::DoNotOptimize(loader.infoForStyle(style));
    }
}
BENCHMARK(BM_InfoForStyleCold)->Unit(benchmark::kMicrosecond);

void BM_InfoForStyleCached(benchmark::State& state)
{
    BenchStyle style;
    SRRecorderControlStyleResourceLoader loader;
    loader.infoForStyle(style);
    for (auto _ : state)
        benchmark::DoNotOptimize(loader.infoForStyle(style));
}
BENCHMARK(BM_InfoForStyleCached);

void BM_LookupPrefixesCached(benchmark::State& state)
{
    BenchStyle style;
    SRRecorderControlStyleResourceLoader loader;
    loader.lookupPrefixesForStyle(style);
    for (auto _ : state)
        benchmark::DoNotOptimize(loader.lookupPrefixesForStyle(style));
}
BENCHMARK(BM_LookupPrefixesCached);

// A kept entry names where the image is: one bundle lookup, no search.
void BM_ImageNamedCached(benchmark::State& state)
{
    BenchStyle style;
    SRRecorderControlStyleResourceLoader loader;
    loader.imageNamed("bezel-normal-left", style);
    for (auto _ : state)
        benchmark::DoNotOptimize(loader.imageNamed("bezel-normal-left", style));
}
BENCHMARK(BM_ImageNamedCached)->Unit(benchmark::kMicrosecond);

// The first request of a name searches the prefixes; dark aqua's recording
// pieces are found in the third.
void BM_ImageNamedUncached(benchmark::State& state)
{
    BenchStyle style;
    SRRecorderControlStyleResourceLoader loader;
    loader.lookupPrefixesForStyle(style);
    for (auto _ : state) {
        state.PauseTiming();
        loader.cache().removeAllObjects();
        loader.lookupPrefixesForStyle(style);
        state.ResumeTiming();
        benchmark::DoNotOptimize(loader.imageNamed("bezel-recording-left", style));
    }
}
BENCHMARK(BM_ImageNamedUncached)->Unit(benchmark::kMicrosecond);

}  // namespace
