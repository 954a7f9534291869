// Throughput of the two containers against their standard counterparts, at
// the sizes the programs meet: graph files of up to 65,535 nodes, path
// groupings and distributions of up to millions of keys.
//   build: cmake -S . -B build-bench -DHALCYN_BENCH=ON && cmake --build build-bench --target common_structs_bench
//   run:   build-bench/bench/common_structs_bench
#include "common/smartstructs.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <list>
#include <map>
#include <numeric>
#include <random>
#include <vector>

namespace {

using bench_key = std::uint64_t;

std::vector<bench_key> shuffledKeys(std::size_t n)
{
    std::vector<bench_key> keys(n);
    std::iota(keys.begin(), keys.end(), bench_key{1});
    std::shuffle(keys.begin(), keys.end(), std::mt19937_64(42));
    return keys;
}

std::vector<bench_key> ascendingKeys(std::size_t n)
{
    std::vector<bench_key> keys(n);
    std::iota(keys.begin(), keys.end(), bench_key{1});
    return keys;
}

// Insertion into a fresh container, destruction included in the timing
// (both containers pay for their frees).
template <typename Keys>
void bstInsert(benchmark::State& state, Keys makeKeys)
{
    const auto keys = makeKeys(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        BST<std::uint64_t, bench_key> tree;
        for (const bench_key k : keys)
            tree.addItem(k, k);
        benchmark::DoNotOptimize(tree.rootNode());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <typename Keys>
void mapInsert(benchmark::State& state, Keys makeKeys)
{
    const auto keys = makeKeys(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::map<bench_key, std::uint64_t> tree;
        for (const bench_key k : keys)
            tree.emplace(k, k);
        benchmark::DoNotOptimize(tree.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BSTInsertRandom(benchmark::State& state) { bstInsert(state, shuffledKeys); }
void BM_MapInsertRandom(benchmark::State& state) { mapInsert(state, shuffledKeys); }
void BM_BSTInsertAscending(benchmark::State& state) { bstInsert(state, ascendingKeys); }
void BM_MapInsertAscending(benchmark::State& state) { mapInsert(state, ascendingKeys); }

// Lookups in random order, half of them for absent keys.
void BM_BSTFind(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    BST<std::uint64_t, bench_key> tree;
    for (const bench_key k : shuffledKeys(n))
        tree.addItem(k, 2 * k);
    const auto probes = shuffledKeys(2 * n);
    for (auto _ : state) {
        std::uint64_t found = 0;
        for (const bench_key k : probes) {
            if (const std::uint64_t* item = tree.findItem(k)) found += *item;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(probes.size()));
}

void BM_MapFind(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    std::map<bench_key, std::uint64_t> tree;
    for (const bench_key k : shuffledKeys(n))
        tree.emplace(k, 2 * k);
    const auto probes = shuffledKeys(2 * n);
    for (auto _ : state) {
        std::uint64_t found = 0;
        for (const bench_key k : probes) {
            const auto it = tree.find(k);
            if (it != tree.end()) found += it->second;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(probes.size()));
}

// In-order listing against walking the map.
void BM_BSTListKeys(benchmark::State& state)
{
    BST<std::uint64_t, bench_key> tree;
    for (const bench_key k : shuffledKeys(static_cast<std::size_t>(state.range(0))))
        tree.addItem(k, k);
    for (auto _ : state)
        benchmark::DoNotOptimize(tree.listKeys().len());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BSTCopy(benchmark::State& state)
{
    BST<std::uint64_t, bench_key> tree;
    for (const bench_key k : shuffledKeys(static_cast<std::size_t>(state.range(0))))
        tree.addItem(k, k);
    for (auto _ : state) {
        BST<std::uint64_t, bench_key> copy(tree);
        benchmark::DoNotOptimize(copy.rootNode());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_MapCopy(benchmark::State& state)
{
    std::map<bench_key, std::uint64_t> tree;
    for (const bench_key k : shuffledKeys(static_cast<std::size_t>(state.range(0))))
        tree.emplace(k, k);
    for (auto _ : state) {
        std::map<bench_key, std::uint64_t> copy(tree);
        benchmark::DoNotOptimize(copy.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Stack use (push n, pop n) and queue use (enqueue n, dequeue n).
void BM_ListPushPop(benchmark::State& state)
{
    const auto n = static_cast<std::uint64_t>(state.range(0));
    for (auto _ : state) {
        List<std::uint64_t> list;
        for (std::uint64_t i = 0; i < n; ++i)
            list.push(i);
        std::uint64_t sum = 0;
        while (!list.isEmpty())
            sum += list.pop();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdListPushPop(benchmark::State& state)
{
    const auto n = static_cast<std::uint64_t>(state.range(0));
    for (auto _ : state) {
        std::list<std::uint64_t> list;
        for (std::uint64_t i = 0; i < n; ++i)
            list.push_front(i);
        std::uint64_t sum = 0;
        while (!list.empty()) {
            sum += list.front();
            list.pop_front();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ListEnqueueDequeue(benchmark::State& state)
{
    const auto n = static_cast<std::uint64_t>(state.range(0));
    for (auto _ : state) {
        List<std::uint64_t> list;
        for (std::uint64_t i = 0; i < n; ++i)
            list.enqueue(i);
        std::uint64_t sum = 0;
        while (!list.isEmpty())
            sum += list.dequeue();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdListEnqueueDequeue(benchmark::State& state)
{
    const auto n = static_cast<std::uint64_t>(state.range(0));
    for (auto _ : state) {
        std::list<std::uint64_t> list;
        for (std::uint64_t i = 0; i < n; ++i)
            list.push_back(i);
        std::uint64_t sum = 0;
        while (!list.empty()) {
            sum += list.front();
            list.pop_front();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Assigning a listing of similar length over and over reuses the elements.
void BM_ListAssign(benchmark::State& state)
{
    List<std::uint64_t> source;
    for (std::int64_t i = 0; i < state.range(0); ++i)
        source.enqueue(static_cast<std::uint64_t>(i));
    List<std::uint64_t> target;
    for (auto _ : state) {
        target = source;
        benchmark::DoNotOptimize(target.len());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdListAssign(benchmark::State& state)
{
    std::list<std::uint64_t> source;
    for (std::int64_t i = 0; i < state.range(0); ++i)
        source.push_back(static_cast<std::uint64_t>(i));
    std::list<std::uint64_t> target;
    for (auto _ : state) {
        target = source;
        benchmark::DoNotOptimize(target.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_BSTInsertRandom)->Arg(65'536)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapInsertRandom)->Arg(65'536)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BSTInsertAscending)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapInsertAscending)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BSTFind)->Arg(65'536)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFind)->Arg(65'536)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BSTListKeys)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BSTCopy)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapCopy)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListPushPop)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdListPushPop)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListEnqueueDequeue)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdListEnqueueDequeue)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListAssign)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdListAssign)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
