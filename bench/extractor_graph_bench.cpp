// The AS graph of routesift --graph, built from the routes of a listing and
// written: the whole construction, the construction without address-set
// unions (their cost is the difference), and the same unions done with
// IPSubSpace (pairwise joins per direction, the cheapest order for that
// type) as the anchor.
//
//   extractor_graph_bench DUMP [benchmark flags]
//
// The routes are read and cleaned once with the default settings, outside
// the timings; every benchmark then works on them in memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "bench/joinall.h"
#include "common/iptools.h"
#include "extractor/graphbuilder.h"
#include "extractor/pipeline.h"
#include "extractor/settings.h"
#include "parsers/fileparsers.h"

namespace {

struct reported_route {
    std::vector<ASItem> path;
    IPAddress network;
    std::optional<IPNetmask> netmask;
};

std::vector<reported_route> routes;

bool readRoutes(const char* dump)
{
    extraction_mode settings;
    bgpParser parser;
    if (!parser.openFile(dump)) return false;
    PathCleaner cleaner(settings);
    path_counters counters;
    while (parser.nextLine() == Parser::lineReady) {
        if (parser.parseLine() != Parser::parsedOk) continue;
        const route_result& r = cleaner.clean(parser.parsed.path, parser.parsed.origin, counters);
        if (r.keep && !r.cleanedPath.empty())
            routes.push_back({r.cleanedPath, parser.parsed.network, parser.parsed.routeMask});
    }
    parser.closeFile();
    return true;
}

// The graph file goes to /dev/null: its formatting is part of the cost.
struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

std::optional<std::uint8_t> lengthOf(const std::optional<IPNetmask>& netmask)
{
    if (!netmask) return std::nullopt;
    return static_cast<std::uint8_t>(netmask->brief());
}

void buildAndWrite(const IPAddress* host, std::optional<std::uint8_t> single)
{
    GraphBuilder builder;
    for (const reported_route& r : routes)
        builder.addRoute(r.path, host ? route_prefix::ipv4(host->value(), single)
                                      : route_prefix::ipv4(r.network.value(), lengthOf(r.netmask)));
    const file_ptr sink(std::fopen("/dev/null", "w"));
    builder.write(sink.get(), "dump", "routesift");
}

void BM_GraphBuild(benchmark::State& state)
{
    for (auto _ : state)
        buildAndWrite(nullptr, std::nullopt);
    state.counters["routes"] = static_cast<double>(routes.size());
}
BENCHMARK(BM_GraphBuild)->Unit(benchmark::kMillisecond);

// The same with one address for every route: the address sets stay one
// interval each, so the difference to BM_GraphBuild is what the unions cost.
void BM_GraphBuildWithoutUnions(benchmark::State& state)
{
    const IPAddress host = IPAddress::fromValue(0x0A000001U);
    for (auto _ : state)
        buildAndWrite(&host, 32);
}
BENCHMARK(BM_GraphBuildWithoutUnions)->Unit(benchmark::kMillisecond);

// The prefixes of every direction, as the anchor needs them.
std::map<std::pair<asnum_t, asnum_t>, std::vector<IPPrefix>> prefixesByDirection()
{
    std::map<std::pair<asnum_t, asnum_t>, std::vector<IPPrefix>> byDirection;
    for (const reported_route& r : routes) {
        const IPPrefix prefix =
            r.netmask ? IPPrefix(r.network, *r.netmask) : IPPrefix(r.network, IPPrefix(r.network).netmask());
        for (std::size_t i = 0; i + 1 < r.path.size(); ++i)
            if (r.path[i].asn != r.path[i + 1].asn) byDirection[{r.path[i].asn, r.path[i + 1].asn}].push_back(prefix);
    }
    return byDirection;
}

void BM_UnionsWithIPSubSpace(benchmark::State& state)
{
    const auto byDirection = prefixesByDirection();
    for (auto _ : state) {
        std::uint64_t total = 0;
        for (const auto& [direction, prefixes] : byDirection) {
            std::vector<IPSubSpace> pieces(prefixes.begin(), prefixes.end());
            total += joinAll(std::move(pieces)).addresses();
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_UnionsWithIPSubSpace)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !readRoutes(argv[1])) {
        std::fprintf(stderr, "usage: %s DUMP [benchmark flags]\n", argc > 0 ? argv[0] : "extractor_graph_bench");
        return 1;
    }
    argv[1] = argv[0];
    int rest = argc - 1;
    benchmark::Initialize(&rest, argv + 1);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
