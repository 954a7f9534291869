#pragma once
// The generic graph of the console: nodes found by identifier, joined by
// adjacencies that carry a weight for each of their two directions and an
// orientation, with listings in identifier order and the split into connected
// and strongly connected components.
//
// Storage is flat: node and adjacency records live in chunked arrays (their
// addresses never move, so listing pointers stay valid while the graph grows),
// each adjacency is kept once, seen from its end with the smaller identifier,
// and identifier and adjacency lookups go through open-addressing hash tables.
// An AS graph of a million adjacencies and its two component splits thus cost
// three record arrays instead of six million tree nodes, and the component
// search is a linear-time iterative Tarjan walk.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

// Orientation of an adjacency as seen from one of its ends.
enum edge_dir : std::int32_t {
    UNDIRECTED = 0, // usable both ways
    INCOMING = 1,   // points from the other node to this one
    OUTGOING = 2,   // points from this node to the other one
};

// The orientation seen from the other end; anything unknown reads as undirected.
constexpr edge_dir reverse(edge_dir dir) noexcept {
    switch (dir) {
    case INCOMING: return OUTGOING;
    case OUTGOING: return INCOMING;
    default: return UNDIRECTED;
    }
}

enum cc_type : std::int32_t {
    SCC = 0, // strongly connected: adjacencies followed along their orientation only
    CC = 1,  // connected: every adjacency counts, whatever its orientation
};

// One node of a listing: points into the live graph, valid while it lives.
template <typename V, typename I>
struct graph_node {
    const V* value = nullptr;
    I id{};
};

// One adjacency of a listing, seen from `from` (the end with the smaller
// identifier): `weight` is the direction from -> to, `reverseWeight` to -> from.
// The pointers see later changes of the adjacency while the graph lives.
template <typename V, typename W, typename I>
struct graph_edge {
    const W* weight = nullptr;
    const W* reverseWeight = nullptr;
    const edge_dir* dir = nullptr;
    graph_node<V, I> from;
    graph_node<V, I> to;
};

namespace graph_detail {

inline constexpr std::uint32_t npos = std::numeric_limits<std::uint32_t>::max();

// Append-only array whose elements never move: chunk c holds 8 << c elements,
// so growth allocates O(log n) blocks and an empty array allocates nothing.
template <typename T>
class stable_array {
public:
    std::size_t size() const noexcept { return count_; }
    T& operator[](std::size_t i) noexcept { return chunks_[chunkOf(i)][offsetOf(i)]; }
    const T& operator[](std::size_t i) const noexcept { return chunks_[chunkOf(i)][offsetOf(i)]; }
    T& push_back(T value) {
        const std::size_t c = chunkOf(count_);
        if (c == chunks_.size()) chunks_.push_back(std::make_unique<T[]>(std::size_t{8} << c));
        T& slot = (*this)[count_];
        slot = std::move(value);
        ++count_;
        return slot;
    }

private:
    static std::size_t chunkOf(std::size_t i) noexcept {
        return static_cast<std::size_t>(std::bit_width((i >> 3) + 1)) - 1;
    }
    static std::size_t offsetOf(std::size_t i) noexcept { return i - ((std::size_t{8} << chunkOf(i)) - 8); }
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t count_ = 0;
};

// Open-addressing map from 64-bit keys to 32-bit record indexes; a slot is
// free when its value is npos, so every key value is usable.
class index_map {
public:
    std::uint32_t find(std::uint64_t key) const noexcept {
        if (slots_.empty()) return npos;
        for (std::size_t i = home(key);; i = (i + 1) & mask()) {
            const slot& s = slots_[i];
            if (s.value == npos) return npos;
            if (s.key == key) return s.value;
        }
    }
    // The caller has checked that the key is absent.
    void insert(std::uint64_t key, std::uint32_t value) {
        if ((used_ + 1) * 2 > slots_.size()) grow();
        place(key, value);
        ++used_;
    }
    void clear() noexcept {
        slots_.clear();
        used_ = 0;
    }
    void reserve(std::size_t n) {
        while (n * 2 > slots_.size()) grow();
    }

private:
    struct slot {
        std::uint64_t key = 0;
        std::uint32_t value = npos;
    };
    std::size_t mask() const noexcept { return slots_.size() - 1; }
    std::size_t home(std::uint64_t key) const noexcept {
        // Fibonacci hashing spreads consecutive identifiers and index pairs.
        const std::uint64_t h = key * 0x9E3779B97F4A7C15ULL;
        return static_cast<std::size_t>(h >> 20) & mask();
    }
    void place(std::uint64_t key, std::uint32_t value) noexcept {
        std::size_t i = home(key);
        while (slots_[i].value != npos) i = (i + 1) & mask();
        slots_[i] = slot{key, value};
    }
    void grow() {
        std::vector<slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 16 : old.size() * 2, slot{});
        for (const slot& s : old)
            if (s.value != npos) place(s.key, s.value);
    }
    std::vector<slot> slots_;
    std::size_t used_ = 0;
};

} // namespace graph_detail

// Graph over node values V, edge weights W and integer node identifiers I.
// W needs a default state and assignment. There is no removal: a graph only grows.
template <typename V, typename W, typename I>
class Graph {
    static_assert(std::is_integral_v<I>, "node identifiers are integers");

public:
    using node_listing = graph_node<V, I>;
    using edge_listing = graph_edge<V, W, I>;

    Graph() = default;
    virtual ~Graph() = default;
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;

    // 1 when a node was added; 0 when the identifier exists (nothing changes).
    int addNode(const V& value, const I& id) {
        if (nodeLookup_.find(idKey(id)) != graph_detail::npos) return 0;
        appendNode(value, id);
        return 1;
    }

    // Adds the adjacency id1-id2 (dir seen from id1, weight for id1 -> id2,
    // reverseWeight for id2 -> id1) or merges it into an existing one.
    // 0: an end is missing; 1: it exists and stays unchanged; 2: it was
    // updated; 3: it is new.
    int addEdge(const I& id1, const I& id2, edge_dir dir, const W& weight, const W& reverseWeight) {
        const std::uint32_t n1 = nodeLookup_.find(idKey(id1));
        const std::uint32_t n2 = nodeLookup_.find(idKey(id2));
        if (n1 == graph_detail::npos || n2 == graph_detail::npos) return 0;
        if (dir != INCOMING && dir != OUTGOING) dir = UNDIRECTED;
        ensurePairIndex();
        const bool n1First = !(id2 < id1); // the record is kept as seen from the smaller identifier
        const std::uint32_t a = n1First ? n1 : n2;
        const std::uint32_t b = n1First ? n2 : n1;
        const std::uint32_t found = pairLookup_.find(pairKey(a, b));
        if (found == graph_detail::npos) {
            const std::uint32_t e = n1First ? appendEdge(a, b, dir, weight, reverseWeight)
                                             : appendEdge(a, b, reverse(dir), reverseWeight, weight);
            pairLookup_.insert(pairKey(a, b), e);
            return 3;
        }
        edge_record& rec = edgeStore_[found];
        const edge_dir stored = n1First ? rec.dir : reverse(rec.dir);
        edge_dir merged;
        if (dir == UNDIRECTED) {
            if (stored == UNDIRECTED) return 1;
            merged = UNDIRECTED;
        } else if (stored == UNDIRECTED) {
            merged = dir;
        } else if (stored == dir) {
            return 1;
        } else {
            merged = UNDIRECTED; // declared both ways
        }
        if (n1First) {
            rec.dir = merged;
            rec.weight = weight;
            rec.reverseWeight = reverseWeight;
        } else {
            rec.dir = reverse(merged);
            rec.weight = reverseWeight;
            rec.reverseWeight = weight;
        }
        return 2;
    }

    std::uint32_t nodes() const noexcept { return static_cast<std::uint32_t>(nodeStore_.size()); }
    std::uint32_t edges() const noexcept { return static_cast<std::uint32_t>(edgeStore_.size()); }

    // Every node in ascending identifier order; fresh records owned by the caller.
    std::vector<node_listing> listNodes() const {
        std::vector<node_listing> out;
        out.reserve(nodeStore_.size());
        forEachNode([&out](const node_listing& n) { out.push_back(n); });
        return out;
    }

    // Every adjacency once, as seen from its end with the smaller identifier,
    // sorted by that end's identifier and then by the other end's.
    std::vector<edge_listing> listEdges() const {
        std::vector<edge_listing> out;
        out.reserve(edgeStore_.size());
        forEachEdge([&out](const edge_listing& e) { out.push_back(e); });
        return out;
    }

    // listNodes without building the list: f(const node_listing&) per node.
    template <typename F>
    void forEachNode(F&& f) const {
        for (const std::uint32_t n : sortedNodes()) {
            const node_record& rec = nodeStore_[n];
            f(node_listing{&rec.value, rec.id});
        }
    }

    // listEdges without building the list: f(const edge_listing&) per adjacency.
    template <typename F>
    void forEachEdge(F&& f) const {
        for (const std::uint32_t n : sortedNodes()) {
            const node_record& rec = nodeStore_[n];
            for (const adj_entry& adj : sortedAdjacency(n)) {
                const edge_record& e = edgeStore_[adj.edge];
                if (e.a != n) continue; // listed from the other end
                const node_record& other = nodeStore_[adj.other];
                f(edge_listing{&e.weight, &e.reverseWeight, &e.dir, node_listing{&rec.value, rec.id},
                               node_listing{&other.value, other.id}});
            }
        }
    }

    // The components of one kind, in ascending order of their smallest node
    // identifier; each holds copies of its nodes and of every adjacency whose
    // two ends it holds. The caller owns the graphs; they outlive this one.
    std::vector<std::unique_ptr<Graph>> findCC(cc_type type) const {
        const std::size_t n = nodeStore_.size();
        std::vector<std::uint32_t> comp(n, graph_detail::npos);
        if (type == SCC)
            labelStrong(comp);
        else
            labelWeak(comp);

        // Number the components by their smallest member.
        std::vector<std::uint32_t> position(n, graph_detail::npos);
        std::vector<std::uint32_t> local(n, 0);
        std::vector<std::unique_ptr<Graph>> out;
        for (const std::uint32_t v : sortedNodes()) {
            std::uint32_t& pos = position[comp[v]];
            if (pos == graph_detail::npos) {
                pos = static_cast<std::uint32_t>(out.size());
                out.push_back(std::make_unique<Graph>());
                out.back()->pairIndexValid_ = false; // built only if someone adds to it
            }
            Graph& g = *out[pos];
            local[v] = g.appendNode(nodeStore_[v].value, nodeStore_[v].id);
        }
        for (const std::uint32_t v : sortedNodes()) {
            Graph& g = *out[position[comp[v]]];
            for (const adj_entry& adj : sortedAdjacency(v)) {
                const edge_record& e = edgeStore_[adj.edge];
                if (e.a != v || comp[adj.other] != comp[v]) continue;
                g.appendEdge(local[v], local[adj.other], e.dir, e.weight, e.reverseWeight);
            }
        }
        return out;
    }

private:
    struct adj_entry {
        std::uint32_t other = 0; // node index of the other end (the node itself for a loop)
        std::uint32_t edge = 0;  // record index
    };
    struct node_record {
        V value{};
        I id{};
        // Sorted on demand by identifier of the other end (a listing of a
        // const graph may sort it); a loop appears once.
        mutable std::vector<adj_entry> adjacency;
        mutable bool adjacencySorted = true;
    };
    // One record per adjacency, seen from `a`, the end with the smaller identifier.
    struct edge_record {
        W weight{};        // direction a -> b
        W reverseWeight{}; // direction b -> a
        edge_dir dir = UNDIRECTED;
        std::uint32_t a = 0;
        std::uint32_t b = 0;
    };

    static std::uint64_t idKey(const I& id) noexcept {
        return static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<I>>(id));
    }
    static std::uint64_t pairKey(std::uint32_t a, std::uint32_t b) noexcept {
        return (static_cast<std::uint64_t>(a) << 32) | b;
    }

    std::uint32_t appendNode(const V& value, const I& id) {
        const auto n = static_cast<std::uint32_t>(nodeStore_.size());
        if (!order_.empty() && id < nodeStore_[order_.back()].id) orderSorted_ = false;
        nodeStore_.push_back(node_record{value, id, {}, true});
        nodeLookup_.insert(idKey(id), n);
        order_.push_back(n);
        return n;
    }

    void appendAdjacency(std::uint32_t n, std::uint32_t other, std::uint32_t e) {
        node_record& rec = nodeStore_[n];
        if (!rec.adjacency.empty() && nodeStore_[other].id < nodeStore_[rec.adjacency.back().other].id)
            rec.adjacencySorted = false;
        rec.adjacency.push_back(adj_entry{other, e});
    }

    // a must be the end with the smaller identifier (or equal b for a loop).
    std::uint32_t appendEdge(std::uint32_t a, std::uint32_t b, edge_dir dir, const W& weight,
                             const W& reverseWeight) {
        const auto e = static_cast<std::uint32_t>(edgeStore_.size());
        edgeStore_.push_back(edge_record{weight, reverseWeight, dir, a, b});
        appendAdjacency(a, b, e);
        if (b != a) appendAdjacency(b, a, e);
        if (pairIndexValid_) pairLookup_.insert(pairKey(a, b), e);
        return e;
    }

    // Component graphs are filled without the adjacency index; it is built the
    // first time an adjacency is added to them.
    void ensurePairIndex() {
        if (pairIndexValid_) return;
        pairLookup_.clear();
        pairLookup_.reserve(edgeStore_.size());
        for (std::size_t e = 0; e < edgeStore_.size(); ++e)
            pairLookup_.insert(pairKey(edgeStore_[e].a, edgeStore_[e].b), static_cast<std::uint32_t>(e));
        pairIndexValid_ = true;
    }

    const std::vector<std::uint32_t>& sortedNodes() const {
        if (!orderSorted_) {
            std::sort(order_.begin(), order_.end(),
                      [this](std::uint32_t x, std::uint32_t y) { return nodeStore_[x].id < nodeStore_[y].id; });
            orderSorted_ = true;
        }
        return order_;
    }

    const std::vector<adj_entry>& sortedAdjacency(std::uint32_t n) const {
        const node_record& rec = nodeStore_[n];
        if (!rec.adjacencySorted) {
            std::sort(rec.adjacency.begin(), rec.adjacency.end(), [this](const adj_entry& x, const adj_entry& y) {
                return nodeStore_[x.other].id < nodeStore_[y.other].id;
            });
            rec.adjacencySorted = true;
        }
        return rec.adjacency;
    }

    // Whether the adjacency can be walked from node n towards its other end.
    bool followsFrom(std::uint32_t n, const adj_entry& adj) const noexcept {
        const edge_record& e = edgeStore_[adj.edge];
        const edge_dir seen = e.a == n ? e.dir : reverse(e.dir);
        return seen != INCOMING;
    }

    // Connected components: one breadth-first pass over all adjacencies.
    void labelWeak(std::vector<std::uint32_t>& comp) const {
        std::vector<std::uint32_t> queue;
        queue.reserve(nodeStore_.size());
        std::uint32_t label = 0;
        for (std::uint32_t s = 0; s < nodeStore_.size(); ++s) {
            if (comp[s] != graph_detail::npos) continue;
            comp[s] = label;
            queue.clear();
            queue.push_back(s);
            for (std::size_t head = 0; head < queue.size(); ++head) {
                for (const adj_entry& adj : nodeStore_[queue[head]].adjacency) {
                    if (comp[adj.other] != graph_detail::npos) continue;
                    comp[adj.other] = label;
                    queue.push_back(adj.other);
                }
            }
            ++label;
        }
    }

    // Strongly connected components: Tarjan's method with an explicit call
    // stack, so the depth of the walk never reaches the machine stack.
    void labelStrong(std::vector<std::uint32_t>& comp) const {
        const std::size_t n = nodeStore_.size();
        std::vector<std::uint32_t> index(n, graph_detail::npos);
        std::vector<std::uint32_t> low(n, 0);
        std::vector<std::uint32_t> stack; // Tarjan's stack of open nodes
        struct frame {
            std::uint32_t node;
            std::uint32_t next; // position in the node's adjacency
        };
        std::vector<frame> calls;
        std::uint32_t counter = 0;
        std::uint32_t label = 0;
        for (std::uint32_t s = 0; s < n; ++s) {
            if (index[s] != graph_detail::npos) continue;
            index[s] = low[s] = counter++;
            stack.push_back(s);
            calls.push_back(frame{s, 0});
            while (!calls.empty()) {
                frame& f = calls.back();
                const std::vector<adj_entry>& adjacency = nodeStore_[f.node].adjacency;
                if (f.next < adjacency.size()) {
                    const adj_entry& adj = adjacency[f.next++];
                    if (!followsFrom(f.node, adj)) continue;
                    const std::uint32_t w = adj.other;
                    if (index[w] == graph_detail::npos) {
                        index[w] = low[w] = counter++;
                        stack.push_back(w);
                        calls.push_back(frame{w, 0}); // invalidates f
                    } else if (comp[w] == graph_detail::npos) {
                        low[f.node] = std::min(low[f.node], index[w]); // w is still open
                    }
                    continue;
                }
                const std::uint32_t v = f.node;
                calls.pop_back();
                if (!calls.empty()) low[calls.back().node] = std::min(low[calls.back().node], low[v]);
                if (low[v] == index[v]) {
                    std::uint32_t w;
                    do {
                        w = stack.back();
                        stack.pop_back();
                        comp[w] = label;
                    } while (w != v);
                    ++label;
                }
            }
        }
    }

    graph_detail::stable_array<node_record> nodeStore_;
    graph_detail::stable_array<edge_record> edgeStore_;
    graph_detail::index_map nodeLookup_; // identifier -> node index
    graph_detail::index_map pairLookup_; // (a, b) node indexes -> record index
    bool pairIndexValid_ = true;
    // Listing order, sorted on demand: nodes usually arrive in ascending order.
    mutable std::vector<std::uint32_t> order_;
    mutable bool orderSorted_ = true;
};
