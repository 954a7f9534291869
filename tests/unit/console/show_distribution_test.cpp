#include "console/printing.h"
#include "graph/components.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

struct run_result {
    std::string out, err;
};

run_result show(const console_state& state, target_code object, long index, target_code property)
{
    command_target target;
    target.object = object;
    target.property = property;
    CaptureStdout();
    CaptureStderr();
    showCount(target, index, state);
    std::fflush(stdout);
    run_result r;
    r.err = GetCapturedStderr();
    r.out = GetCapturedStdout();
    return r;
}

std::string format(const char* fmt, auto... values)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, fmt, values...);
    return buffer;
}

std::string coverageText(double v)
{
    if (!(v > 0)) return " --- ";
    double length = 32 - std::log(v) / std::log(2.0);
    if (std::fabs(length) <= 0.5) length = 0;
    return format("~/%3.0f", length);
}

void install(console_state& state, std::unique_ptr<ASGraph> graph)
{
    state.sccs = std::make_unique<ASComponents>(*graph, SCC);
    state.ccs = std::make_unique<ASComponents>(*graph, CC);
    state.graph = std::move(graph);
}

} // namespace

// The covering distribution against a plain model: std::map for the counts,
// the first strict extremes, the running mean, on many random graphs whose
// values repeat often (ties) and reach past 32 bits.
TEST(ShowCovering, MatchesAPlainModelOnRandomGraphs)
{
    std::mt19937_64 rng(20261207);
    const std::uint64_t pool[] = {0, 1, 3, 256, 4294967295ULL, 4294967296ULL, 999999999999999ULL};
    for (int round = 0; round < 300; ++round) {
        const int nodes = 1 + static_cast<int>(rng() % 12);
        auto graph = std::make_unique<ASGraph>();
        for (int n = 1; n <= nodes; ++n)
            graph->addNode(static_cast<asnum_t>(n * 97), static_cast<asnum_t>(n * 97));
        const int attempts = static_cast<int>(rng() % 30);
        for (int i = 0; i < attempts; ++i) {
            ASEdgeWeight w, r;
            w.oriented = rng() % 4 != 0;
            for (ASEdgeWeight* x : {&w, &r}) {
                x->ipCovering[0] = rng() % 2 ? pool[rng() % std::size(pool)] : rng() % 5000;
                x->pathCovering[0] = static_cast<std::uint32_t>(rng() % 2 ? pool[rng() % 5] : rng() % 50);
            }
            const auto a = static_cast<asnum_t>((1 + rng() % nodes) * 97);
            const auto b = static_cast<asnum_t>((1 + rng() % nodes) * 97);
            graph->addEdge(a, b, static_cast<edge_dir>(rng() % 3), w, r);
        }
        const ASGraph& g = *graph;
        console_state state;
        install(state, std::move(graph));

        for (const bool ip : {true, false}) {
            std::map<std::uint64_t, std::uint64_t> counts;
            std::vector<std::pair<ASEdgeListing, std::uint64_t>> seen;
            double mean = 0;
            g.forEachEdge([&](const ASEdgeListing& e) {
                const std::uint64_t v =
                    ip ? e.weight->ipCovering[0] + e.reverseWeight->ipCovering[0]
                       : std::uint64_t{e.weight->pathCovering[0]} + e.reverseWeight->pathCovering[0];
                mean = (static_cast<double>(seen.size()) * mean + static_cast<double>(v)) /
                       (static_cast<double>(seen.size()) + 1);
                seen.emplace_back(e, v);
                ++counts[v];
            });
            std::string expected;
            for (const auto& [value, count] : counts) {
                expected += format("%10llu %s %10llu ", static_cast<unsigned long long>(count),
                                   ip ? "adjacencies with IP covering" : "adjacencies with path covering",
                                   static_cast<unsigned long long>(value));
                if (ip) expected += " (" + coverageText(static_cast<double>(value)) + ")";
                expected += "\n";
            }
            if (!seen.empty()) {
                std::size_t most = 0, least = 0;
                for (std::size_t i = 1; i < seen.size(); ++i) {
                    if (seen[i].second > seen[most].second) most = i;
                    if (seen[i].second < seen[least].second) least = i;
                }
                const auto edgeText = [](const ASEdgeListing& e) {
                    const char* symbol = !e.weight->oriented  ? "---"
                                         : *e.dir == INCOMING ? "<--"
                                         : *e.dir == OUTGOING ? "-->"
                                                              : "<->";
                    return format("%5i %s %-5i", e.from.id, symbol, e.to.id);
                };
                expected += "First most covered adjacency: " + edgeText(seen[most].first) + "\n";
                expected += "First least covered adjacency: " + edgeText(seen[least].first) + "\n";
                expected += ip ? format("Average IP covering: %17.2f  (", mean) + coverageText(mean) + ")\n"
                               : format("Average path covering: %17.2f\n", mean);
            }
            const run_result r = show(state, T_GRAPH, -1, ip ? T_IPCOVERING : T_PATHCOVERING);
            ASSERT_EQ(r.out, expected) << "round " << round << (ip ? " ip" : " path");
            ASSERT_EQ(r.err, "");
        }
    }
}

TEST(PrintDistribution, FractionsGroupOnlyExactlyEqualValues)
{
    FractionDistribution d;
    for (const double v : {1.0 / 3.0, 0.5, 1.0 / 3.0, 0.0, 0.1 + 0.2, 0.3})
        countValue(d, v);
    CaptureStdout();
    printDistribution(d, "edges were", "tail");
    std::fflush(stdout);
    EXPECT_EQ(GetCapturedStdout(), "         1 edges were   0.00000000 % tail\n"
                                   "         1 edges were  30.00000000 % tail\n"
                                   "         1 edges were  30.00000000 % tail\n"
                                   "         2 edges were  33.33333333 % tail\n"
                                   "         1 edges were  50.00000000 % tail\n");
}
