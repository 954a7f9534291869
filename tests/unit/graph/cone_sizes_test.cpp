// Customer cone sizes against a plain search from every AS, on graphs that
// take each way of counting: a random hierarchy with provider cycles, peers
// and loops (cones small and large) and a long chain, whose cones are too
// many and too large for the mixed count's budget.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "graph/analyses.h"

namespace {

// An adjacency pointing from a customer to its provider, as a relationship file gives it.
void addLink(measured_graph& g, asnum_t customer, asnum_t provider)
{
    ASEdgeWeight known;
    known.oriented = true;
    g.addEdge(customer, provider, OUTGOING, known, known);
}

std::vector<std::uint32_t> searchedSizes(const as_topology& t)
{
    std::vector<std::uint32_t> out(t.size());
    for (std::uint32_t v = 0; v < t.size(); ++v)
        out[v] = coneSize(t, v);
    return out;
}

TEST(ConeSizes, RandomHierarchyWithCyclesMatchesASearchFromEveryAS)
{
    std::mt19937 rnd(7);
    measured_graph g;
    const asnum_t n = 3000;
    for (asnum_t as = 1; as <= n; ++as)
        g.addNode({}, as * 17 % 65521); // ASs not in order
    for (asnum_t as = 2; as <= n; ++as) {
        // Providers mostly among the earlier ASs, now and then a later one (a cycle).
        for (int k = 0; k < 3; ++k) {
            const asnum_t provider = (rnd() % 50 == 0) ? 1 + rnd() % n : 1 + rnd() % (as - 1);
            if (provider != as) addLink(g, as * 17 % 65521, provider * 17 % 65521);
        }
        // Peerings and loops lead to no customer.
        ASEdgeWeight known;
        known.oriented = true;
        g.addEdge(as * 17 % 65521, (1 + rnd() % n) * 17 % 65521, UNDIRECTED, known, known);
        if (as % 100 == 0) addLink(g, as * 17 % 65521, as * 17 % 65521);
    }
    const as_topology t(g);
    const std::vector<std::uint32_t> sizes = coneSizes(g);
    EXPECT_EQ(sizes, searchedSizes(t));
    EXPECT_GT(*std::max_element(sizes.begin(), sizes.end()), n / 2);
}

TEST(ConeSizes, LongChainMatchesItsLength)
{
    measured_graph g;
    const asnum_t n = 20000;
    for (asnum_t as = 1; as <= n; ++as)
        g.addNode({}, as);
    for (asnum_t as = 1; as < n; ++as)
        addLink(g, as, as + 1); // each AS the provider of the one below
    const std::vector<std::uint32_t> sizes = coneSizes(g);
    for (asnum_t as = 1; as <= n; ++as)
        ASSERT_EQ(sizes[as - 1], as) << "AS " << as;
}

} // namespace
