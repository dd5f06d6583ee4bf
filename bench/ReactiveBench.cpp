// Hot paths of the reactive layer: an emission through a subject to its
// subscribers, operator chains, combineLatest, and subscribe/dispose churn.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <utility>

#include "reactive/Reactive.h"

using reactive::combineLatest;
using reactive::DisposeBag;
using reactive::PublishSubject;
using reactive::Unit;

namespace {

void BM_SubjectEmit(benchmark::State& state)
{
    const auto subscribers = state.range(0);
    PublishSubject<int> subject;
    DisposeBag bag;
    std::int64_t sum = 0;
    for (std::int64_t index = 0; index < subscribers; ++index)
        subject.subscribe([&sum](int value) { sum += value; }).disposed(bag);
    int value = 0;
    for (auto _ : state) {
        subject.onNext(++value);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * subscribers);
}
BENCHMARK(BM_SubjectEmit)->Arg(1)->Arg(8)->Arg(64)->Arg(512);

void BM_SubjectEmitUnit(benchmark::State& state)
{
    PublishSubject<Unit> changed;
    std::int64_t count = 0;
    auto subscription = changed.subscribe([&count](Unit) { ++count; });
    for (auto _ : state) {
        changed.onNext();
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SubjectEmitUnit);

void BM_MapFilterChain(benchmark::State& state)
{
    PublishSubject<std::optional<int>> subject;
    std::int64_t sum = 0;
    auto subscription = subject.asObservable()
                            .filterNil()
                            .map([](int value) { return value * 2; })
                            .filter([](int value) { return value % 3 != 0; })
                            .subscribe([&sum](int value) { sum += value; });
    int value = 0;
    for (auto _ : state) {
        subject.onNext(++value);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MapFilterChain);

void BM_CombineLatest(benchmark::State& state)
{
    PublishSubject<int> left;
    PublishSubject<bool> right;
    std::int64_t sum = 0;
    auto subscription = combineLatest(left, right).subscribe([&sum](const std::pair<int, bool>& pair) {
        sum += pair.second ? pair.first : 0;
    });
    left.onNext(0);
    right.onNext(true);
    int value = 0;
    for (auto _ : state) {
        // Alternate the sides: each emission produces one combined value.
        if (++value % 2 == 0)
            left.onNext(value);
        else
            right.onNext((value & 2) != 0);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CombineLatest);

// Subscribing and disposing copy the subscriber list (copy-on-write): the
// price paid so that an emission only takes a reference to it.
void BM_SubscribeDispose(benchmark::State& state)
{
    const auto others = state.range(0);
    PublishSubject<int> subject;
    DisposeBag bag;
    for (std::int64_t index = 0; index < others; ++index)
        subject.subscribe([](int) {}).disposed(bag);
    for (auto _ : state) {
        auto subscription = subject.subscribe([](int) {});
        subscription.dispose();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SubscribeDispose)->Arg(0)->Arg(8)->Arg(64);

}  // namespace
