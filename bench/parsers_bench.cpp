// Throughput of the parsers alone, over generated inputs.
//
// The dumps come from bench/gen_bgpdump.py (1,000,000 routes, seed 1), made
// once and kept in the temporary directory; HALCYN_BGPDUMP names another
// dump to use instead. Run: build/bench/parsers_bench --benchmark_min_time=2
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "parsers/fileparsers.h"

namespace {

// The path of a generated dump of `routes` routes (made on first use);
// empty when it cannot be made.
std::string generatedDump(long routes, const std::string& options, const std::string& tag)
{
    const std::filesystem::path target =
        std::filesystem::temp_directory_path() / ("halcyn-bench-" + tag + "-" + std::to_string(routes) + ".txt");
    if (std::filesystem::exists(target)) return target.string();
    // The build names the folder: __FILE__ is relative when the compiler
    // cache rewrites paths, and would then depend on the working folder.
    const std::filesystem::path script = std::filesystem::path(HALCYN_BENCH_DIR) / "gen_bgpdump.py";
    const std::string partial = target.string() + ".part";
    const std::string command = "python3 '" + script.string() + "' --routes " + std::to_string(routes) + " --seed 1 " +
                                options + " -o '" + partial + "'";
    if (std::system(command.c_str()) != 0) return {};
    std::filesystem::rename(partial, target);
    return target.string();
}

std::string dumpFor(const std::string& options, const std::string& tag)
{
    if (const char* given = std::getenv("HALCYN_BGPDUMP"); given != nullptr && *given != '\0') return given;
    return generatedDump(1000000, options, tag);
}

// Parses the whole dump per iteration; reports routes per second.
void parseDump(benchmark::State& state, const std::string& path)
{
    if (path.empty()) {
        state.SkipWithError("no dump: bench/gen_bgpdump.py failed");
        return;
    }
    std::uint64_t routes = 0;
    std::uint64_t failed = 0;
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        bgpParser parser;
        if (!parser.openFile(path.c_str())) {
            state.SkipWithError("cannot open the dump");
            return;
        }
        while (parser.nextLine() == Parser::lineReady) {
            ++routes;
            if (parser.parseLine() != Parser::parsedOk) ++failed;
        }
        bytes += parser.filePos();
        benchmark::DoNotOptimize(parser.parsed.path.len());
    }
    state.counters["routes/s"] = benchmark::Counter(static_cast<double>(routes), benchmark::Counter::kIsRate);
    state.counters["failed"] =
        benchmark::Counter(static_cast<double>(failed) / static_cast<double>(state.iterations()));
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

// The default generator settings: one AS in six is 32-bit, so routes with
// one fail early, as they do on today's tables.
void BM_BgpDump(benchmark::State& state)
{
    static const std::string path = dumpFor("", "default");
    parseDump(state, path);
}

// Only 16-bit ASs: (almost) every route is parsed to its end.
void BM_BgpDumpNarrowASs(benchmark::State& state)
{
    static const std::string path = dumpFor("--wide-share 0", "narrow");
    parseDump(state, path);
}

// The line reader alone, through a parser that takes every line.
void BM_LineReader(benchmark::State& state)
{
    static const std::string path = dumpFor("", "default");
    if (path.empty()) {
        state.SkipWithError("no dump");
        return;
    }
    std::uint64_t lines = 0;
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        unknownParser parser;
        parser.openFile(path.c_str());
        while (parser.nextLine() == Parser::lineReady)
            ++lines;
        bytes += parser.filePos();
    }
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

// Edge records with coverings: the heaviest record format.
void BM_EdgeRecords(benchmark::State& state)
{
    static const std::filesystem::path path = [] {
        const auto target = std::filesystem::temp_directory_path() / "halcyn-bench-edges.txt";
        std::ofstream out(target);
        for (int i = 0; i < 500000; ++i)
            out << (i % 65535) + 1 << " - " << (i * 7 % 65535) + 1 << " x y z " << i % 2 << ' ' << (i % 1000) / 7.0
                << " - " << (i % 333) / 3.0 << '\n';
        return target;
    }();
    std::uint64_t records = 0;
    for (auto _ : state) {
        satParser parser;
        parser.openFile(path.c_str());
        while (parser.nextLine() == Parser::lineReady) {
            benchmark::DoNotOptimize(parser.parseLine());
            ++records;
        }
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_BgpDump)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_BgpDumpNarrowASs)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_LineReader)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_EdgeRecords)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

BENCHMARK_MAIN();
