#include "console/printing.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
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

run_result show(const console_state& state, target_code object, long index, target_code property,
                target_code diffProperty = T_NONE)
{
    command_target target;
    target.object = object;
    target.property = property;
    target.diffProperty = diffProperty;
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
    state.sccs = graph->findCC(SCC);
    state.ccs = graph->findCC(CC);
    state.graph = std::move(graph);
}

// A chain 1 - 2 - 3 ... with the given weights on its adjacencies.
std::unique_ptr<ASGraph> chain(const std::vector<std::pair<ASEdgeWeight, ASEdgeWeight>>& weights)
{
    auto graph = std::make_unique<ASGraph>();
    for (std::size_t i = 0; i <= weights.size(); ++i)
        graph->addNode(static_cast<asnum_t>(i + 1), static_cast<asnum_t>(i + 1));
    for (std::size_t i = 0; i < weights.size(); ++i) {
        ASEdgeWeight w = weights[i].first;
        w.oriented = true;
        graph->addEdge(static_cast<asnum_t>(i + 1), static_cast<asnum_t>(i + 2), OUTGOING, w, weights[i].second);
    }
    return graph;
}

ASEdgeWeight history(std::uint16_t graphs, std::uint16_t in, std::uint16_t out, std::uint16_t und,
                     std::uint16_t unoriented, std::uint16_t changes, float stability)
{
    ASEdgeWeight w;
    w.comparedGraphs = graphs;
    w.incomingCount = in;
    w.outgoingCount = out;
    w.undirectedCount = und;
    w.unorientedCount = unoriented;
    w.orientationChanges = changes;
    w.orientationStability = stability;
    return w;
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
        for (int n = 1; n <= nodes; ++n) graph->addNode(static_cast<asnum_t>(n * 97), static_cast<asnum_t>(n * 97));
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
                const std::uint64_t v = ip ? e.weight->ipCovering[0] + e.reverseWeight->ipCovering[0]
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
                    const char* symbol = !e.weight->oriented       ? "---"
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

TEST(ShowCovering, SumsOfBothDirectionsDoNotWrap)
{
    ASEdgeWeight defaultRoute, none, huge;
    defaultRoute.ipCovering[0] = 4294967296ULL;
    defaultRoute.pathCovering[0] = 4294967295U;
    none.pathCovering[0] = 1;
    huge.ipCovering[0] = std::numeric_limits<std::uint64_t>::max() - 1;
    console_state state;
    install(state, chain({{defaultRoute, none}, {huge, huge}}));
    EXPECT_EQ(show(state, T_GRAPH, -1, T_IPCOVERING).out,
              "         1 adjacencies with IP covering 4294967296  (~/  0)\n"
              "         1 adjacencies with IP covering 18446744073709551615  (~/-32)\n"
              "First most covered adjacency:     2 --> 3    \n"
              "First least covered adjacency:     1 --> 2    \n"
              "Average IP covering: 9223372039002259456.00  (~/-31)\n");
    EXPECT_EQ(show(state, T_CC, 1, T_PATHCOVERING).out,
              "         1 adjacencies with path covering          0 \n"
              "         1 adjacencies with path covering 4294967296 \n"
              "First most covered adjacency:     1 --> 2    \n"
              "First least covered adjacency:     2 --> 3    \n"
              "Average path covering:     2147483648.00\n");
}

TEST(ShowDifferences, FractionsPerEdgeWithEightDecimals)
{
    console_state state;
    install(state, chain({{history(3, 1, 0, 1, 1, 1, 1.0F), {}},
                          {history(1, 0, 0, 1, 0, 0, 1.0F), {}},
                          {history(3, 0, 1, 0, 2, 2, 2.0F), {}}}));
    EXPECT_EQ(show(state, T_GRAPH, -1, T_DIFFERENCES, T_DIRECTED).out,
              "         1 edges were directed in   0.00000000 % of the graphs they appeared in\n"
              "         2 edges were directed in  33.33333333 % of the graphs they appeared in\n"
              "First most frequently directed edge:     1 --> 2    \n"
              "First most rarely directed edge:     2 --> 3    \n");
    // A single compared graph leaves no room for a change: it measures 0.
    EXPECT_EQ(show(state, T_GRAPH, -1, T_DIFFERENCES, T_CHANGES).out,
              "         1 edges changed their orientation   0.00000000 % of the times they could\n"
              "         1 edges changed their orientation  50.00000000 % of the times they could\n"
              "         1 edges changed their orientation 100.00000000 % of the times they could\n"
              "First most unstable edge:     3 --> 4    \n"
              "First most stable edge:     2 --> 3    \n");
    EXPECT_EQ(show(state, T_SCC, 1, T_DIFFERENCES, T_ATTENDANCES).out, "");
}

TEST(ShowDifferences, EdgeSeenInNoComparedGraphMeasuresZero)
{
    console_state state;
    install(state, chain({{history(0, 5, 5, 5, 5, 5, 5.0F), {}}, {history(2, 1, 0, 0, 1, 1, 1.0F), {}}}));
    for (int p = T_ATTENDANCES; p <= T_DURATION; ++p) {
        const run_result r = show(state, T_GRAPH, -1, T_DIFFERENCES, static_cast<target_code>(p));
        EXPECT_EQ(r.out.find("nan"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("inf"), std::string::npos) << r.out;
        for (std::size_t i = 0; i + 1 < r.out.size(); ++i) // no negative share
            EXPECT_FALSE(r.out[i] == '-' && std::isdigit(static_cast<unsigned char>(r.out[i + 1]))) << r.out;
    }
    EXPECT_EQ(show(state, T_GRAPH, -1, T_DIFFERENCES, T_UNORIENTED).out,
              "         1 edges were unoriented in   0.00000000 % of the graphs they appeared in\n"
              "         1 edges were unoriented in  50.00000000 % of the graphs they appeared in\n"
              "First most frequently unoriented edge:     2 --> 3    \n"
              "First most rarely unoriented edge:     1 --> 2    \n");
}

TEST(ShowComponents, SizesExtremesAndIndexes)
{
    // Nodes 1..6: 1 --> 2 --> 3 --> 1 is one SCC; 4 <-> 5 another; 6 alone.
    auto graph = std::make_unique<ASGraph>();
    for (asnum_t n = 1; n <= 6; ++n) graph->addNode(n, n);
    const ASEdgeWeight w;
    graph->addEdge(1, 2, OUTGOING, w, w);
    graph->addEdge(2, 3, OUTGOING, w, w);
    graph->addEdge(3, 1, OUTGOING, w, w);
    graph->addEdge(4, 5, UNDIRECTED, w, w);
    console_state state;
    install(state, std::move(graph));
    EXPECT_EQ(show(state, T_ANYSCC, -1, T_EDGES).out,
              "Strongly connected components are 3\n"
              "         1 SCCs with          0 edges\n"
              "         1 SCCs with          1 edges\n"
              "         1 SCCs with          3 edges\n"
              "Index of the first largest SCC: 1\n"
              "Index of the first smallest SCC: 3\n");
    EXPECT_EQ(show(state, T_ANYCC, -1, T_INDEX).out,
              "CC          1 has          3 nodes and          3 edges\n"
              "CC          2 has          2 nodes and          1 edges\n"
              "CC          3 has          1 nodes and          0 edges\n");

    // A graph whose read failed has no components at all.
    state.sccs.clear();
    state.ccs.clear();
    EXPECT_EQ(show(state, T_ANYSCC, -1, T_NODES).out, "Strongly connected components are 0\n");
    EXPECT_EQ(show(state, T_ANYCC, -1, T_INDEX).out, "");
    const run_result r = show(state, T_SCC, 1, T_NODES);
    EXPECT_EQ(r.err, "Error: scc out of range [1-0]\n");
    EXPECT_EQ(r.out, "");
}

TEST(PrintDistribution, FractionsGroupOnlyExactlyEqualValues)
{
    FractionDistribution d;
    for (const double v : {1.0 / 3.0, 0.5, 1.0 / 3.0, 0.0, 0.1 + 0.2, 0.3}) countValue(d, v);
    CaptureStdout();
    printDistribution(d, "edges were", "tail");
    std::fflush(stdout);
    EXPECT_EQ(GetCapturedStdout(), "         1 edges were   0.00000000 % tail\n"
                                   "         1 edges were  30.00000000 % tail\n"
                                   "         1 edges were  30.00000000 % tail\n"
                                   "         2 edges were  33.33333333 % tail\n"
                                   "         1 edges were  50.00000000 % tail\n");
}
