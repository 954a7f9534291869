// The graph against a plain model: mirrored records in ordered maps, the merge
// table applied literally, and the component search done the slow way (a
// breadth-first pass for connected components; for strongly connected ones a
// forward search from every unassigned node, the known-singleton shortcut and
// a backward search, copying adjacencies with addEdge as it goes). Thousands
// of random graphs must give the same result codes, listings and components.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "graph/components.h"

namespace {

struct tag_weight {
    int tag = 0;
};

using id_t = int;
using TestGraph = Graph<id_t, tag_weight, id_t>;

struct model_record {
    int weight = 0;
    int reverseWeight = 0;
    edge_dir dir = UNDIRECTED;
};

class ModelGraph {
public:
    int addNode(id_t id) { return adj_.emplace(id, std::map<id_t, model_record>{}).second ? 1 : 0; }

    int addEdge(id_t id1, id_t id2, edge_dir dir, int w, int r)
    {
        if (!adj_.count(id1) || !adj_.count(id2)) return 0;
        auto& from1 = adj_[id1];
        const auto it = from1.find(id2);
        if (it == from1.end()) {
            from1[id2] = model_record{w, r, dir};
            if (id1 != id2) adj_[id2][id1] = model_record{r, w, reverse(dir)};
            return 3;
        }
        const edge_dir stored = it->second.dir;
        edge_dir next;
        if (dir == UNDIRECTED) {
            if (stored == UNDIRECTED) return 1;
            next = UNDIRECTED;
        } else if (stored == UNDIRECTED) {
            next = dir;
        } else if (stored == dir) {
            return 1;
        } else {
            next = UNDIRECTED;
        }
        adj_[id2][id1] = model_record{r, w, reverse(next)}; // for a loop the next line wins
        adj_[id1][id2] = model_record{w, r, next};
        return 2;
    }

    std::vector<id_t> nodeIds() const
    {
        std::vector<id_t> out;
        for (const auto& [id, records] : adj_)
            out.push_back(id);
        return out;
    }

    std::vector<std::tuple<id_t, id_t, edge_dir, int, int>> edgeRows() const
    {
        std::vector<std::tuple<id_t, id_t, edge_dir, int, int>> out;
        for (const auto& [id, records] : adj_)
            for (const auto& [other, rec] : records)
                if (other >= id) out.emplace_back(id, other, rec.dir, rec.weight, rec.reverseWeight);
        return out;
    }

    std::vector<ModelGraph> findCC(cc_type type) const
    {
        enum : std::uint8_t { FORWARD = 1, IN_COMPONENT = 2, BACKWARD = 4, SINGLETON = 8 };
        std::map<id_t, std::uint8_t> mark;
        std::vector<ModelGraph> out;
        for (const auto& [n, unused] : adj_) {
            if (mark[n] & IN_COMPONENT) continue;
            mark[n] |= IN_COMPONENT;
            ModelGraph g;
            g.addNode(n);
            if (type == CC) {
                std::deque<id_t> queue{n};
                while (!queue.empty()) {
                    const id_t m = queue.front();
                    queue.pop_front();
                    if (mark[m] & FORWARD) continue;
                    mark[m] |= FORWARD;
                    for (const auto& [t, e] : adj_.at(m)) {
                        if (!(mark[t] & IN_COMPONENT)) {
                            g.addNode(t);
                            mark[t] |= IN_COMPONENT;
                        }
                        if (t == m) {
                            g.addEdge(m, t, e.dir, e.weight, e.reverseWeight);
                        } else if (!(mark[t] & FORWARD)) {
                            queue.push_back(t);
                            g.addEdge(m, t, e.dir, e.weight, e.reverseWeight);
                        }
                    }
                }
                out.push_back(std::move(g));
                continue;
            }
            if (mark[n] & SINGLETON) {
                out.push_back(std::move(g));
                continue;
            }
            bool notTree = false;
            std::vector<id_t> visited;
            std::deque<id_t> queue{n};
            while (!queue.empty()) {
                const id_t m = queue.front();
                queue.pop_front();
                if (mark[m] & SINGLETON) continue;
                if (mark[m] & FORWARD) {
                    notTree = true;
                    continue;
                }
                visited.push_back(m);
                mark[m] |= FORWARD;
                for (const auto& [t, e] : adj_.at(m)) {
                    if (e.dir == INCOMING && t != m) continue;
                    if ((mark[t] & FORWARD) || (mark[t] & IN_COMPONENT))
                        notTree = true;
                    else
                        queue.push_back(t);
                }
            }
            if (!notTree) {
                for (const id_t v : visited)
                    mark[v] = static_cast<std::uint8_t>((mark[v] | SINGLETON) & ~(FORWARD | BACKWARD));
                out.push_back(std::move(g));
                continue;
            }
            queue.assign(1, n);
            while (!queue.empty()) {
                const id_t m = queue.front();
                queue.pop_front();
                if (mark[m] & BACKWARD) continue;
                visited.push_back(m);
                mark[m] |= BACKWARD;
                for (const auto& [t, e] : adj_.at(m)) {
                    if (e.dir == OUTGOING && t != m) continue;
                    if (!(mark[t] & FORWARD)) continue;
                    if (!(mark[t] & IN_COMPONENT)) {
                        g.addNode(t);
                        mark[t] |= IN_COMPONENT;
                    }
                    g.addEdge(m, t, e.dir, e.weight, e.reverseWeight);
                    if (t != m && !(mark[t] & BACKWARD)) queue.push_back(t);
                }
            }
            for (const id_t v : visited)
                mark[v] = static_cast<std::uint8_t>(mark[v] & ~(FORWARD | BACKWARD));
            out.push_back(std::move(g));
        }
        return out;
    }

private:
    std::map<id_t, std::map<id_t, model_record>> adj_;
};

template <typename G>
std::vector<id_t> nodeIds(const G& g)
{
    std::vector<id_t> out;
    for (const auto& n : g.listNodes()) {
        EXPECT_EQ(*n.value, n.id);
        out.push_back(n.id);
    }
    return out;
}

template <typename G>
std::vector<std::tuple<id_t, id_t, edge_dir, int, int>> edgeRows(const G& g)
{
    std::vector<std::tuple<id_t, id_t, edge_dir, int, int>> out;
    for (const auto& e : g.listEdges())
        out.emplace_back(e.from.id, e.to.id, *e.dir, e.weight->tag, e.reverseWeight->tag);
    return out;
}

template <typename G>
void expectSame(const G& g, const ModelGraph& m, const char* what)
{
    ASSERT_EQ(nodeIds(g), m.nodeIds()) << what;
    ASSERT_EQ(edgeRows(g), m.edgeRows()) << what;
    ASSERT_EQ(g.nodes(), m.nodeIds().size()) << what;
    ASSERT_EQ(g.edges(), m.edgeRows().size()) << what;
}

template <typename G>
void expectSameComponents(const G& g, const ModelGraph& m, std::uint64_t seed)
{
    for (const cc_type type : {SCC, CC}) {
        const auto got = findCC(g, type);
        const auto want = m.findCC(type);
        ASSERT_EQ(got.size(), want.size()) << "seed " << seed << " type " << type;
        for (std::size_t i = 0; i < got.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " type " << type << " component " << i);
            expectSame(*got[i], want[i], "component");
        }
        // The labelling alone gives the counts, and a component built on its
        // own, in any order, is the same graph.
        const Components split(g, type);
        ASSERT_EQ(split.count(), want.size());
        for (std::size_t i = want.size(); i-- > 0;) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " type " << type << " lazy component " << i);
            ASSERT_EQ(split.nodes(i), want[i].nodeIds().size());
            ASSERT_EQ(split.edges(i), want[i].edgeRows().size());
            if (i % 3 == seed % 3) expectSame(*split.graph(i), want[i], "lazy component");
        }
    }
}

// Adds a-b with fresh weight tags to the graph and to the model alike.
template <typename G, typename Id>
void addToBoth(G& g, ModelGraph& m, Id a, Id b, edge_dir dir, int& tag)
{
    const tag_weight w{++tag};
    const tag_weight r{++tag};
    ASSERT_EQ(g.addEdge(a, b, dir, w, r), m.addEdge(a, b, dir, w.tag, r.tag)) << a << "-" << b;
}

edge_dir randomDir(std::mt19937_64& rng, int directedShare)
{
    if (static_cast<int>(rng() % 100) >= directedShare) return UNDIRECTED;
    return rng() % 2 ? INCOMING : OUTGOING;
}

// One random graph: a small identifier range makes repeated adjacencies and
// missing ends common; the share of directed adjacencies varies from graph to
// graph so that acyclic stretches, cycles and undirected clumps all occur.
void buildRandom(std::mt19937_64& rng, TestGraph& g, ModelGraph& m, int& tag)
{
    const int idRange = 1 + static_cast<int>(rng() % 40);
    const int nodeOps = static_cast<int>(rng() % 35);
    const int edgeOps = static_cast<int>(rng() % 90);
    const int directedShare = static_cast<int>(rng() % 101);
    const int loopShare = static_cast<int>(rng() % 10);
    const id_t base = rng() % 4 == 0 ? -20 : 1; // negative identifiers order before positive ones
    for (int i = 0; i < nodeOps; ++i) {
        const id_t id = base + static_cast<id_t>(rng() % idRange);
        ASSERT_EQ(g.addNode(id, id), m.addNode(id));
    }
    for (int i = 0; i < edgeOps; ++i) {
        const id_t a = base + static_cast<id_t>(rng() % (idRange + 2)); // sometimes outside the nodes
        const id_t b = static_cast<int>(rng() % 100) < loopShare ? a : base + static_cast<id_t>(rng() % (idRange + 2));
        addToBoth(g, m, a, b, randomDir(rng, directedShare), tag);
    }
}

TEST(GraphComponentsOracle, RandomGraphsMatchTheDescribedSearch)
{
    for (std::uint64_t seed = 1; seed <= 4000; ++seed) {
        std::mt19937_64 rng(seed);
        TestGraph g;
        ModelGraph m;
        int tag = 0;
        buildRandom(rng, g, m, tag);
        if (HasFatalFailure()) return;
        expectSame(g, m, "graph");
        expectSameComponents(g, m, seed);
        if (HasFatalFailure()) return;
    }
}

// Additions after a listing or a split: the neighbour arrays are rebuilt, and
// records shared with the components are copied before they change, so the
// components keep what they had.
TEST(GraphComponentsOracle, GraphsKeepGrowingAfterSplitsAndListings)
{
    for (std::uint64_t seed = 1; seed <= 600; ++seed) {
        std::mt19937_64 rng(seed * 7919);
        TestGraph g;
        ModelGraph m;
        int tag = 0;
        buildRandom(rng, g, m, tag);
        auto sccs = findCC(g, SCC);
        const auto sccModels = m.findCC(SCC);
        buildRandom(rng, g, m, tag);
        if (HasFatalFailure()) return;
        expectSame(g, m, "grown graph");
        expectSameComponents(g, m, seed);
        ASSERT_EQ(sccs.size(), sccModels.size());
        for (std::size_t i = 0; i < sccs.size(); ++i)
            expectSame(*sccs[i], sccModels[i], "earlier component");
        if (HasFatalFailure()) return;

        // A component is an ordinary graph: it merges and splits like one.
        if (sccs.empty()) continue;
        TestGraph& c = *sccs[0];
        ModelGraph cm = sccModels[0];
        const auto ids = cm.nodeIds();
        for (int i = 0; i < 20; ++i) {
            const id_t a = ids[rng() % ids.size()];
            const id_t b = ids[rng() % ids.size()];
            addToBoth(c, cm, a, b, randomDir(rng, 70), tag);
        }
        expectSame(c, cm, "changed component");
        expectSameComponents(c, cm, seed);
        expectSame(g, m, "source after its component changed");
        if (HasFatalFailure()) return;
    }
}

// Adjacencies added in a batch share one record of their weights: the graph
// is the one that adding them one by one gives, whatever the order of nodes
// and adjacencies, repeated and missing ones included. A second batch merges
// into the first, and a later change of one adjacency goes to a copy.
TEST(GraphComponentsOracle, BatchesSharingWeightsMatchOneByOne)
{
    for (std::uint64_t seed = 1; seed <= 1500; ++seed) {
        std::mt19937_64 rng(seed * 104729);
        TestGraph g;
        ModelGraph m;
        const int idRange = 1 + static_cast<int>(rng() % 40);
        const int directedShare = static_cast<int>(rng() % 101);
        const id_t base = rng() % 4 == 0 ? -20 : 1;
        const auto anyId = [&] { return base + static_cast<id_t>(rng() % (idRange + 2)); };
        for (int i = static_cast<int>(rng() % 35); i > 0; --i) {
            const id_t id = anyId();
            ASSERT_EQ(g.addNode(id, id), m.addNode(id));
        }
        int tag = 0;
        for (int batch = 0; batch < 2; ++batch) {
            std::vector<TestGraph::edge_item> items(rng() % 90);
            const tag_weight w{++tag};
            const tag_weight r{++tag};
            for (TestGraph::edge_item& e : items) {
                const id_t from = anyId();
                e = TestGraph::edge_item{from, rng() % 10 == 0 ? from : anyId(), randomDir(rng, directedShare)};
                m.addEdge(e.from, e.to, e.dir, w.tag, r.tag);
            }
            g.addEdgesSharing(
                items, [](const TestGraph::edge_item& e) { return e; }, w, r);
        }
        const id_t a = anyId();
        addToBoth(g, m, a, anyId(), randomDir(rng, 50), tag);
        expectSame(g, m, "batches");
        expectSameComponents(g, m, seed);
        if (HasFatalFailure()) return;
    }
}

// Big enough for the direct identifier table of 16-bit identifiers, with
// nodes and adjacencies added out of order and mostly among a few hundred
// nodes, so that large cycles form.
TEST(GraphComponentsOracle, LargeSixteenBitGraphMatches)
{
    std::mt19937_64 rng(42);
    Graph<std::uint16_t, tag_weight, std::uint16_t> g;
    ModelGraph m;
    for (int i = 0; i < 6000; ++i) {
        const auto id = static_cast<std::uint16_t>(1 + rng() % 65535);
        ASSERT_EQ(g.addNode(id, id), m.addNode(id));
    }
    const auto ids = m.nodeIds();
    int tag = 0;
    for (int i = 0; i < 9000; ++i) {
        const auto a = static_cast<std::uint16_t>(ids[rng() % (rng() % 4 ? 300 : ids.size())]);
        const auto b = static_cast<std::uint16_t>(ids[rng() % (rng() % 4 ? 300 : ids.size())]);
        addToBoth(g, m, a, b, randomDir(rng, 85), tag);
    }
    expectSame(g, m, "graph");
    expectSameComponents(g, m, 42);
    EXPECT_GT(findCC(g, SCC).size(), findCC(g, CC).size());
}

} // namespace
