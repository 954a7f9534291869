// Address-set operations on large operands of n intervals each, one interval
// every 32 addresses: x.x.x.0-7 in the first operand, x.x.x.4-15 in the
// second. Every interval of one overlaps exactly one of the other, so the
// union and the intersection have n intervals again.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/joinall.h"
#include "common/iptools.h"

namespace {

struct Piece {
    std::uint32_t offset;
    int length;
};

IPSubSpace intervals(std::int64_t n, const std::vector<Piece>& perInterval)
{
    std::vector<IPSubSpace> pieces;
    pieces.reserve(static_cast<std::size_t>(n) * perInterval.size());
    for (std::int64_t i = 0; i < n; ++i) {
        const std::uint32_t base = 0x0A000000u + 32u * static_cast<std::uint32_t>(i);
        for (const Piece& p : perInterval) {
            pieces.emplace_back(IPPrefix(IPAddress::fromValue(base + p.offset), IPNetmask(p.length)));
        }
    }
    return joinAll(std::move(pieces));
}

IPSubSpace first(std::int64_t n) { return intervals(n, {{0, 29}}); }
IPSubSpace second(std::int64_t n) { return intervals(n, {{4, 30}, {8, 29}}); }

void BM_Union(benchmark::State& state)
{
    const IPSubSpace a = first(state.range(0));
    const IPSubSpace b = second(state.range(0));
    if ((a + b).addresses() != 16u * static_cast<std::uint64_t>(state.range(0))) {
        state.SkipWithError("union of the operands is not what the layout promises");
    }
    for (auto _ : state) {
        IPSubSpace u = a + b;
        benchmark::DoNotOptimize(u.addresses());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
    state.SetComplexityN(state.range(0));
}

void BM_Intersection(benchmark::State& state)
{
    const IPSubSpace a = first(state.range(0));
    const IPSubSpace b = second(state.range(0));
    if ((a * b).addresses() != 4u * static_cast<std::uint64_t>(state.range(0))) {
        state.SkipWithError("intersection of the operands is not what the layout promises");
    }
    for (auto _ : state) {
        IPSubSpace i = a * b;
        benchmark::DoNotOptimize(i.addresses());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
    state.SetComplexityN(state.range(0));
}

void BM_Equality(benchmark::State& state)
{
    const IPSubSpace a = second(state.range(0));
    const IPSubSpace b = second(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(a == b);
    state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
    state.SetComplexityN(state.range(0));
}

void BM_ListPrefixes(benchmark::State& state)
{
    IPSubSpace a = second(state.range(0)); // two prefixes per interval
    for (auto _ : state)
        benchmark::DoNotOptimize(a.listPrefixes().len());
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_Union)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_Intersection)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_Equality)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_ListPrefixes)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
