// Ownership and lifetime of what a graph hands out: components outlive their
// source and do not see its later changes, listing pointers do; long chains
// and cycles do not exhaust the call stack.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "graph/components.h"

namespace {

using G16 = Graph<std::uint16_t, int, std::uint16_t>;

TEST(GraphLifetime, ComponentsOutliveTheirSource)
{
    std::vector<std::unique_ptr<G16>> sccs;
    std::vector<std::unique_ptr<G16>> ccs;
    {
        G16 g;
        for (std::uint16_t id = 1; id <= 4; ++id)
            g.addNode(id, id);
        g.addEdge(1, 2, OUTGOING, 12, 21);
        g.addEdge(2, 1, OUTGOING, 210, 120); // opposite way: undirected, these weights
        g.addEdge(3, 3, INCOMING, 33, 34);
        g.addEdge(2, 3, OUTGOING, 23, 32);
        sccs = findCC(g, SCC);
        ccs = findCC(g, CC);
        // The source changes after the split; the components keep what they had.
        g.addEdge(1, 2, OUTGOING, 1000, 1001);
        g.addEdge(3, 4, UNDIRECTED, 0, 0);
        EXPECT_EQ(*g.listEdges()[0].dir, OUTGOING);
        EXPECT_EQ(*g.listEdges()[0].weight, 1000);
    }
    ASSERT_EQ(sccs.size(), 3U); // {1, 2}, {3}, {4}
    const auto first = sccs[0]->listEdges();
    ASSERT_EQ(first.size(), 1U);
    EXPECT_EQ(*first[0].dir, UNDIRECTED);
    EXPECT_EQ(*first[0].weight, 120);
    EXPECT_EQ(*first[0].reverseWeight, 210);
    const auto loop = sccs[1]->listEdges();
    ASSERT_EQ(loop.size(), 1U);
    EXPECT_EQ(loop[0].from.id, 3);
    EXPECT_EQ(loop[0].to.id, 3);
    EXPECT_EQ(*loop[0].dir, INCOMING);
    EXPECT_EQ(sccs[2]->edges(), 0U);
    ASSERT_EQ(ccs.size(), 2U); // {1, 2, 3}, {4}
    EXPECT_EQ(ccs[0]->edges(), 3U);

    // A component changed on its own leaves its sibling split untouched.
    ccs[0]->addEdge(1, 2, INCOMING, 5, 6);
    EXPECT_EQ(*ccs[0]->listEdges()[0].dir, INCOMING);
    EXPECT_EQ(*sccs[0]->listEdges()[0].dir, UNDIRECTED);
}

TEST(GraphLifetime, ListingPointersSeeLaterChanges)
{
    G16 g;
    g.addNode(10, 10);
    g.addNode(20, 20);
    g.addEdge(20, 10, OUTGOING, 1, 2);
    const auto edges = g.listEdges();
    ASSERT_EQ(edges.size(), 1U);
    EXPECT_EQ(edges[0].from.id, 10);
    EXPECT_EQ(*edges[0].dir, INCOMING);
    EXPECT_EQ(*edges[0].weight, 2);
    EXPECT_EQ(g.addEdge(10, 20, UNDIRECTED, 7, 8), 2);
    EXPECT_EQ(*edges[0].dir, UNDIRECTED);
    EXPECT_EQ(*edges[0].weight, 7);
    EXPECT_EQ(*edges[0].reverseWeight, 8);
    const auto nodes = g.listNodes();
    g.addNode(5, 5); // growing does not move earlier nodes
    EXPECT_EQ(*nodes[1].value, 20);

    const G16 empty;
    EXPECT_TRUE(findCC(empty, SCC).empty());
    EXPECT_TRUE(findCC(empty, CC).empty());
    EXPECT_TRUE(empty.listEdges().empty());
}

TEST(GraphLifetime, LongChainsAndCyclesNeedNoDeepStack)
{
    G16 chain;
    G16 ring;
    for (std::uint32_t id = 1; id <= 65535; ++id) {
        chain.addNode(static_cast<std::uint16_t>(id), static_cast<std::uint16_t>(id));
        ring.addNode(static_cast<std::uint16_t>(id), static_cast<std::uint16_t>(id));
    }
    for (std::uint32_t id = 1; id < 65535; ++id) {
        chain.addEdge(static_cast<std::uint16_t>(id), static_cast<std::uint16_t>(id + 1), OUTGOING, 0, 0);
        ring.addEdge(static_cast<std::uint16_t>(id + 1), static_cast<std::uint16_t>(id), INCOMING, 0, 0);
    }
    ring.addEdge(65535, 1, OUTGOING, 0, 0);
    EXPECT_EQ(findCC(chain, SCC).size(), 65535U);
    EXPECT_EQ(findCC(chain, CC).size(), 1U);
    const auto rings = findCC(ring, SCC);
    ASSERT_EQ(rings.size(), 1U);
    EXPECT_EQ(rings[0]->nodes(), 65535U);
    EXPECT_EQ(rings[0]->edges(), 65535U);
}

} // namespace
