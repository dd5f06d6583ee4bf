#include "foundation/Foundation.h"

#include <benchmark/benchmark.h>

namespace {

class Counter : public NSObject {
    KS_OBJECT(Counter, NSObject)
public:
    void setValue(int v)
    {
        automaticChange("value", [&] { value_ = v; });
    }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.property<Counter>("value", [](Counter& c) { return Id::number(c.value_); });
    }

private:
    int value_ = 0;
};

// A change announced to one observer that wants the new value.
void BM_ObservedChange(benchmark::State& state)
{
    auto counter = std::make_shared<Counter>();
    int seen = 0;
    auto token = observe(*counter, "value", NSKeyValueObservingOptionNew, [&](const KeyValueChange&) { ++seen; });
    int i = 0;
    for (auto _ : state)
        counter->setValue(++i);
    benchmark::DoNotOptimize(seen);
}
BENCHMARK(BM_ObservedChange);

// The same change with nobody listening: what every notifying setter costs.
void BM_UnobservedChange(benchmark::State& state)
{
    auto counter = std::make_shared<Counter>();
    int i = 0;
    for (auto _ : state)
        counter->setValue(++i);
}
BENCHMARK(BM_UnobservedChange);

void BM_DictionaryLookup(benchmark::State& state)
{
    Dictionary d;
    for (int i = 0; i < state.range(0); ++i)
        d.setObject(Id::number(i), String::format("key-%d", i));
    String last = String::format("key-%d", static_cast<int>(state.range(0) - 1));
    for (auto _ : state)
        benchmark::DoNotOptimize(d.objectForKey(last));
}
BENCHMARK(BM_DictionaryLookup)->Arg(4)->Arg(16)->Arg(64);

void BM_SelectorIntern(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Selector("performShortcutAction:"));
}
BENCHMARK(BM_SelectorIntern);

}  // namespace
