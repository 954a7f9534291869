#include "console/printing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <string>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

std::string printed(const std::function<void()>& print)
{
    CaptureStdout();
    print();
    std::fflush(stdout);
    return GetCapturedStdout();
}

std::string coverage(double addresses)
{
    return printed([addresses] { printNetmaskCoverage(addresses); });
}

// One adjacency held outside any graph, for the printers that take a listing.
struct loose_edge {
    ASEdgeWeight weight, reverseWeight;
    edge_dir dir = UNDIRECTED;
    ASEdgeListing listing(asnum_t from, asnum_t to) const
    {
        ASEdgeListing e;
        e.weight = &weight;
        e.reverseWeight = &reverseWeight;
        e.dir = &dir;
        e.from.id = from;
        e.to.id = to;
        return e;
    }
};

ASEdgeWeight orientedWeight(bool oriented)
{
    ASEdgeWeight w;
    w.oriented = oriented;
    return w;
}

struct run_result {
    std::string out, err;
};

run_result dump(const console_state& state, target_code object, long index, target_code property)
{
    command_target target;
    target.object = object;
    target.property = property;
    CaptureStdout();
    CaptureStderr();
    dumpGraph(target, index, state);
    std::fflush(stdout);
    run_result r;
    r.err = GetCapturedStderr();
    r.out = GetCapturedStdout();
    return r;
}

// 1 --> 2 <-> 3 and 65535 alone: SCCs {1}, {2, 3}, {65535}.
void loadSmallGraph(console_state& state, bool differential)
{
    auto graph = std::make_unique<ASGraph>();
    for (const asnum_t as : {asnum_t{65535}, asnum_t{1}, asnum_t{2}, asnum_t{3}})
        graph->addNode(as, as);
    ASEdgeWeight w = orientedWeight(true), r = orientedWeight(true);
    w.cmpOriented = {true, false};
    w.cmpDir = {OUTGOING, INCOMING};
    w.pathCovering = {7, 70};
    r.pathCovering = {8, 80};
    w.comparedGraphs = 40000;
    w.orientationChanges = 65535;
    w.orientationStability = 0.25F;
    w.incomingCount = 12345;
    graph->addEdge(1, 2, OUTGOING, w, r);
    graph->addEdge(3, 2, UNDIRECTED, r, w); // seen from 2, its weight is w
    graph->isDifferential() = differential;
    state.sccs = graph->findCC(SCC);
    state.ccs = graph->findCC(CC);
    state.graph = std::move(graph);
}

} // namespace

TEST(NetmaskCoverage, PrefixLengthOfOneBlockRoundedInThreeColumns)
{
    EXPECT_EQ(coverage(0), " --- ");
    EXPECT_EQ(coverage(1), "~/ 32");
    EXPECT_EQ(coverage(3), "~/ 30");
    EXPECT_EQ(coverage(256), "~/ 24");
    EXPECT_EQ(coverage(768), "~/ 22");
    EXPECT_EQ(coverage(4294967296.0), "~/  0");
    // Just above a default route the length is slightly negative: still 0.
    EXPECT_EQ(coverage(4294967296.0 * 1.3), "~/  0");
    EXPECT_EQ(coverage(4294967296.0 * 2), "~/ -1");
    EXPECT_EQ(coverage(static_cast<double>(std::numeric_limits<std::uint64_t>::max())), "~/-32");
}

TEST(PrintEdge, FixedColumnsAndOrientationSymbols)
{
    loose_edge e;
    e.weight = orientedWeight(true);
    e.dir = INCOMING;
    EXPECT_EQ(printed([&] { printEdge(e.listing(3, 7), false); }), "    3 <-- 7    ");
    e.dir = OUTGOING;
    EXPECT_EQ(printed([&] { printEdge(e.listing(12345, 65535), false); }), "12345 --> 65535");
    e.dir = UNDIRECTED;
    EXPECT_EQ(printed([&] { printEdge(e.listing(1, 1), false); }), "    1 <-> 1    ");
    // An adjacency of unknown orientation shows as such whatever is stored.
    e.weight.oriented = false;
    e.dir = OUTGOING;
    EXPECT_EQ(printed([&] { printEdge(e.listing(10, 20), false); }), "   10 --- 20   ");
}

TEST(PrintEdge, DifferentialFormShowsBothComparedGraphs)
{
    loose_edge e;
    e.weight = orientedWeight(false); // the single-graph flag plays no part here
    e.dir = UNDIRECTED;
    e.weight.cmpOriented = {true, true};
    e.weight.cmpDir = {INCOMING, OUTGOING};
    EXPECT_EQ(printed([&] { printEdge(e.listing(1, 65535), true); }), "    1 <-- --> 65535");
    e.weight.cmpOriented = {false, true};
    e.weight.cmpDir = {OUTGOING, UNDIRECTED};
    const std::string line = printed([&] { printEdge(e.listing(1, 2), true); });
    EXPECT_EQ(line, "    1 --- <-> 2    ");
    EXPECT_EQ(line.size(), 19U);
}

TEST(PrintCovering, ValuesAtTheEdgesOfTheirWidths)
{
    loose_edge e;
    e.weight.ipCovering = {999999999999999ULL, 1};
    e.reverseWeight.ipCovering = {0, 4294967296ULL};
    e.weight.pathCovering = {4294967295U, 0};
    e.reverseWeight.pathCovering = {0, 1};
    const ASEdgeListing edge = e.listing(1, 2);
    EXPECT_EQ(printed([&] { printIPCovering(edge, CMP_FIRST); }),
              "   999999999999999 (~/-18)               0 ( --- )");
    EXPECT_EQ(printed([&] { printIPCovering(edge, CMP_SECOND); }),
              "                 1 (~/ 32)      4294967296 (~/  0)");
    EXPECT_EQ(printed([&] { printPathCovering(edge, CMP_FIRST); }), "   4294967295          0");
    EXPECT_EQ(printed([&] { printPathCovering(edge, CMP_SECOND); }), "            0          1");
    // Wider than the column: printed whole, pushing the rest right.
    e.weight.ipCovering[0] = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(printed([&] { printIPCovering(edge, CMP_FIRST); }),
              "   18446744073709551615 (~/-32)               0 ( --- )");
}

TEST(DumpGraph, ComponentsTakeTheLayoutOfTheWorkingGraph)
{
    console_state state;
    loadSmallGraph(state, true);
    // SCC 2 is {2, 3}: its one adjacency, seen from 2, in the differential form.
    EXPECT_EQ(dump(state, T_SCC, 2, T_EDGES).out, "    2 --> --- 3    \n");
    EXPECT_EQ(dump(state, T_CC, 1, T_PATHCOVERING).out,
              "    1 --> --- 2                7          8           70         80\n"
              "    2 --> --- 3                7          8           70         80\n");
    // The differences line keeps the single form and shows counters above
    // 32767 as the unsigned values they are.
    EXPECT_EQ(dump(state, T_CC, 1, T_DIFFERENCES).out,
              "    1 --> 2      40000 65535     0.2    <--: 12345    -->: 0        <->: 0        ---: 0    \n"
              "    2 <-> 3      40000 65535     0.2    <--: 12345    -->: 0        <->: 0        ---: 0    \n");
    EXPECT_EQ(dump(state, T_GRAPH, -1, T_NODES).out, "1\n2\n3\n65535\n");
}

TEST(DumpGraph, RefusalsPrintOnlyTheirMessage)
{
    console_state state;
    run_result r = dump(state, T_GRAPH, -1, T_NODES);
    EXPECT_EQ(r.err, "There is no graph to currently work on\n");
    EXPECT_EQ(r.out, "");

    loadSmallGraph(state, false);
    struct refusal {
        target_code object;
        long index;
        target_code property;
        const char* message;
    };
    const refusal cases[] = {
        {T_NONE, -1, T_NONE, "So, what should I dump?\n"},
        {T_GRAPH, -1, T_NONE, "So, what should I dump?\n"},
        {T_SCC, 0, T_NODES, "Error: scc out of range [1-3]\n"},
        {T_SCC, 4, T_EDGES, "Error: scc out of range [1-3]\n"},
        {T_SCC, std::numeric_limits<long>::min(), T_EDGES, "Error: scc out of range [1-3]\n"},
        {T_CC, 3, T_NODES, "Error: cc out of range [1-2]\n"},
        {T_CC, std::numeric_limits<long>::max(), T_NODES, "Error: cc out of range [1-2]\n"},
        // The range is checked before the missing property.
        {T_CC, -1, T_NONE, "Error: cc out of range [1-2]\n"},
    };
    for (const refusal& c : cases) {
        r = dump(state, c.object, c.index, c.property);
        EXPECT_EQ(r.err, c.message) << c.object << " " << c.index;
        EXPECT_EQ(r.out, "");
    }
    // A component without adjacencies dumps nothing.
    r = dump(state, T_SCC, 1, T_IPCOVERING);
    EXPECT_EQ(r.out + r.err, "");
}
