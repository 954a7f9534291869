#pragma once
// The generic graph of the console: nodes found by identifier, joined by
// adjacencies that carry a weight for each of their two directions and an
// orientation, with listings in identifier order and the split into connected
// and strongly connected components (graph/components.h).
//
// Storage is flat. Node values and adjacency weights live in chunked arrays
// whose elements never move, so listing pointers stay valid while a graph
// grows. The weights of an adjacency are kept once, seen from its end with the
// smaller identifier, and shared with the component graphs split from it until
// one side changes them; adjacencies added in one batch with the same weights
// share a single record. Identifier and adjacency lookups go through
// open-addressing hash tables; per-node neighbour arrays are an index rebuilt
// in linear time when needed, from which component graphs are built. An AS
// graph of a million adjacencies and the component graphs built from it thus
// hold one set of weights, and no per-adjacency tree nodes.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/hugepages.h"

// Orientation of an adjacency as seen from one of its ends. One byte: an AS
// graph holds millions of them (one per adjacency and two per weight).
enum edge_dir : std::uint8_t {
    UNDIRECTED = 0, // usable both ways
    INCOMING = 1,   // points from the other node to this one
    OUTGOING = 2,   // points from this node to the other one
};

// The orientation seen from the other end; anything unknown reads as undirected.
constexpr edge_dir reverse(edge_dir dir) noexcept
{
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

// An AS graph's arrays run to tens of megabytes: they live in huge-page
// blocks (common/hugepages.h), which also go back to the system when
// released, so a session that loads graph after graph does not grow.
inline void* allocateBlock(std::size_t bytes) { return hugepages::allocate(bytes); }
inline void releaseBlock(void* block, std::size_t bytes) noexcept { hugepages::release(block, bytes); }

// An array of trivial elements in such a block, left unfilled.
template <typename T>
struct block_array {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    block_array() = default;
    explicit block_array(std::size_t n) : data(static_cast<T*>(allocateBlock(n * sizeof(T)))), size(n) {}
    block_array(block_array&& other) noexcept
        : data(std::exchange(other.data, nullptr)), size(std::exchange(other.size, 0))
    {
    }
    block_array& operator=(block_array&& other) noexcept
    {
        if (this != &other) {
            if (data != nullptr) releaseBlock(data, size * sizeof(T));
            data = std::exchange(other.data, nullptr);
            size = std::exchange(other.size, 0);
        }
        return *this;
    }
    ~block_array()
    {
        if (data != nullptr) releaseBlock(data, size * sizeof(T));
    }
    T& operator[](std::size_t i) const noexcept { return data[i]; }
    T* data = nullptr;
    std::size_t size = 0;
};

// Sorts `items` stably by key(item), a number below `keys`: one pass counts
// the keys, one places the items (by way of `spare`, of the same size).
template <typename T, typename A, typename Key>
void countingSort(std::vector<T, A>& items, std::vector<T, A>& spare, std::size_t keys, Key key)
{
    std::vector<std::uint32_t> place(keys, 0);
    for (const T& item : items)
        ++place[key(item)];
    std::uint32_t next = 0;
    for (std::uint32_t& p : place)
        next += std::exchange(p, next);
    for (const T& item : items)
        spare[place[key(item)]++] = item;
    items.swap(spare);
}

// Append-only array whose elements never move: chunk c holds 8 << c elements,
// so growth allocates O(log n) blocks, an empty array allocates nothing, and
// an element is constructed only when it is appended.
template <typename T>
class stable_array {
public:
    stable_array() = default;
    stable_array(const stable_array&) = delete;
    stable_array& operator=(const stable_array&) = delete;
    ~stable_array()
    {
        if constexpr (!std::is_trivially_destructible_v<T>)
            for (std::size_t i = 0; i < count_; ++i)
                std::destroy_at(&(*this)[i]);
        for (std::size_t c = 0; c < chunks_.size(); ++c)
            releaseBlock(chunks_[c], capacityOf(c) * sizeof(T));
    }

    std::size_t size() const noexcept { return count_; }
    T& operator[](std::size_t i) noexcept { return chunks_[chunkOf(i)][offsetOf(i)]; }
    const T& operator[](std::size_t i) const noexcept { return chunks_[chunkOf(i)][offsetOf(i)]; }
    // f(run, first, count) for each stretch of elements stored together, in
    // order: elements first .. first + count - 1 lie at run[0 .. count - 1].
    // Arrays of the same length share their stretches, whatever the type.
    template <typename F>
    void forEachRun(F&& f) const
    {
        for (std::size_t c = 0, first = 0; first < count_; first += capacityOf(c++))
            f(static_cast<const T*>(chunks_[c]), first, std::min(capacityOf(c), count_ - first));
    }

    T& push_back(T value)
    {
        const std::size_t c = chunkOf(count_);
        if (c == chunks_.size()) {
            chunks_.reserve(c + 1); // so that the push below cannot throw and leak the block
            chunks_.push_back(static_cast<T*>(allocateBlock(capacityOf(c) * sizeof(T))));
        }
        T* slot = std::construct_at(&chunks_[c][offsetOf(count_)], std::move(value));
        ++count_;
        return *slot;
    }

private:
    static std::size_t capacityOf(std::size_t chunk) noexcept { return std::size_t{8} << chunk; }
    static std::size_t chunkOf(std::size_t i) noexcept
    {
        return static_cast<std::size_t>(std::bit_width((i >> 3) + 1)) - 1;
    }
    static std::size_t offsetOf(std::size_t i) noexcept { return i - (capacityOf(chunkOf(i)) - 8); }
    std::vector<T*> chunks_; // blocks of raw storage, constructed up to count_
    std::size_t count_ = 0;
};

// Open-addressing map from unsigned keys to 32-bit record indexes; a slot is
// free when its value is npos, so every key value is usable. Node identifiers
// of up to 32 bits take 8-byte slots, which keeps the table of a big graph's
// 32-bit ASs within the processor's caches.
template <typename Key>
class basic_index_map {
    static_assert(std::is_unsigned_v<Key>);

public:
    std::uint32_t find(Key key) const noexcept
    {
        if (slots_.empty()) return npos;
        for (std::size_t i = home(key);; i = (i + 1) & mask()) {
            const slot& s = slots_[i];
            if (s.value == npos) return npos;
            if (s.key == key) return s.value;
        }
    }
    // Asks for the key's first slot to be brought into cache ahead of a find.
    void prefetch(Key key) const noexcept
    {
        if (!slots_.empty()) __builtin_prefetch(&slots_[home(key)]);
    }
    // The caller has checked that the key is absent.
    void insert(Key key, std::uint32_t value)
    {
        if ((used_ + 1) * 5 > slots_.size() * 3) grow();
        place(key, value);
        ++used_;
    }
    void reserve(std::size_t n)
    {
        while (n * 5 > slots_.size() * 3)
            grow();
    }
    std::size_t size() const noexcept { return used_; }
    template <typename F>
    void forEach(F&& f) const
    {
        for (const slot& s : slots_)
            if (s.value != npos) f(s.key, s.value);
    }

private:
    struct slot {
        Key key = 0;
        std::uint32_t value = npos;
    };
    std::size_t mask() const noexcept { return slots_.size() - 1; }
    std::size_t home(Key key) const noexcept
    {
        // Fibonacci hashing: the top bits of the product spread consecutive
        // identifiers and index pairs evenly.
        return static_cast<std::size_t>((std::uint64_t{key} * 0x9E3779B97F4A7C15ULL) >> shift_);
    }
    void place(Key key, std::uint32_t value) noexcept
    {
        std::size_t i = home(key);
        while (slots_[i].value != npos)
            i = (i + 1) & mask();
        slots_[i] = slot{key, value};
    }
    void grow()
    {
        std::vector<slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 4 : old.size() * 2, slot{});
        shift_ = 64 - static_cast<unsigned>(std::countr_zero(slots_.size()));
        for (const slot& s : old)
            if (s.value != npos) place(s.key, s.value);
    }
    std::vector<slot> slots_;
    std::size_t used_ = 0;
    unsigned shift_ = 64;
};

using index_map = basic_index_map<std::uint64_t>;

// Node identifier -> node index. Identifiers below 65536 (every AS of a
// classic graph, and most of today's) move from hashing to a direct table
// once enough of them are known for the table to pay; the others stay hashed.
template <typename I>
class id_index {
public:
    std::uint32_t find(const I& id) const noexcept
    {
        const key_type k = key(id);
        if (k < directRange && !table_.empty()) return table_[k];
        return hash_.find(k);
    }
    void prefetch(const I& id) const noexcept
    {
        const key_type k = key(id);
        if (k < directRange && !table_.empty())
            __builtin_prefetch(&table_[k]);
        else
            hash_.prefetch(k);
    }
    // The caller has checked that the identifier is absent.
    void insert(const I& id, std::uint32_t value)
    {
        const key_type k = key(id);
        if (k < directRange) {
            if (table_.empty() && ++directKeys_ > directFrom) makeTable();
            if (!table_.empty()) {
                table_[k] = value;
                return;
            }
        }
        hash_.insert(k, value);
    }

private:
    using key_type = std::conditional_t<sizeof(I) <= 4, std::uint32_t, std::uint64_t>;
    static constexpr std::uint64_t directRange =
        std::min<std::uint64_t>(std::uint64_t{1} << 16, std::uint64_t{1} << (8 * sizeof(I) - 1) << 1);
    static constexpr std::size_t directFrom = 4096;
    static key_type key(const I& id) noexcept
    {
        return static_cast<key_type>(static_cast<std::make_unsigned_t<I>>(id));
    }
    void makeTable()
    {
        table_.assign(directRange, npos);
        basic_index_map<key_type> rest;
        hash_.forEach([this, &rest](key_type k, std::uint32_t v) {
            if (k < directRange)
                table_[k] = v;
            else
                rest.insert(k, v);
        });
        hash_ = std::move(rest);
    }
    basic_index_map<key_type> hash_;
    std::vector<std::uint32_t> table_;
    std::size_t directKeys_ = 0; // identifiers below directRange seen before the table
};

} // namespace graph_detail

template <typename V, typename W, typename I>
class Components;

// Graph over node values V, edge weights W and integer node identifiers I.
// W needs a default state and assignment. There is no removal: a graph only
// grows. The per-node adjacency arrays are an index rebuilt in linear time by
// the first listing or component search after additions.
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
    int addNode(const V& value, const I& id)
    {
        if (nodeLookup_.find(id) != graph_detail::npos) return 0;
        appendNode(value, id);
        return 1;
    }

    // Room for n more nodes, reserved but not filled, so that adding them
    // copies no node arrays; memory is touched only as nodes arrive.
    void reserveNodes(std::size_t n)
    {
        meta_.reserve(meta_.size() + n);
        order_.reserve(order_.size() + n);
    }

    // Hints for a reader that knows the adjacencies it adds next: the lookup
    // of a node, and then its bookkeeping, are brought into cache early, so
    // that adding the adjacency later does not wait on memory. A big graph's
    // node tables are larger than the processor's caches, and the second
    // ends of consecutive adjacencies lie anywhere in them.
    void prefetchLookup(const I& id) const noexcept { nodeLookup_.prefetch(id); }
    void prefetchNode(const I& id) const noexcept
    {
        const std::uint32_t n = nodeLookup_.find(id);
        if (n != graph_detail::npos) __builtin_prefetch(&meta_[n]);
    }

    // Adds the adjacency id1-id2 (dir seen from id1, weight for id1 -> id2,
    // reverseWeight for id2 -> id1) or merges it into an existing one.
    // 0: an end is missing; 1: it exists and stays unchanged; 2: it was
    // updated; 3: it is new.
    int addEdge(const I& id1, const I& id2, edge_dir dir, const W& weight, const W& reverseWeight)
    {
        const std::uint32_t n1 = findFirstEnd(id1);
        const std::uint32_t n2 = nodeLookup_.find(id2);
        if (n1 == graph_detail::npos || n2 == graph_detail::npos) return 0;
        if (dir != INCOMING && dir != OUTGOING) dir = UNDIRECTED;
        const bool n1First = !(id2 < id1); // the record is kept as seen from the smaller identifier
        const std::uint32_t a = n1First ? n1 : n2;
        const std::uint32_t b = n1First ? n2 : n1;
        std::uint32_t found = graph_detail::npos;
        if (pairIndexValid_ || !provablyNew(a, n1First ? id2 : id1)) {
            ensurePairIndex();
            found = pairLookup_.find(pairKey(a, b));
        }
        if (found == graph_detail::npos) {
            const auto poolIndex = static_cast<std::uint32_t>(pool_->records.size());
            if (n1First)
                pool_->records.push_back(edge_record{weight, reverseWeight});
            else
                pool_->records.push_back(edge_record{reverseWeight, weight});
            linkEdge(a, b, poolIndex, n1First ? dir : reverse(dir));
            return 3;
        }
        const edge_dir stored = n1First ? dirs_[found] : reverse(dirs_[found]);
        const edge_dir merged = mergedDir(stored, dir);
        if (merged == stored) return 1;
        edge_record& rec = writableRecord(found);
        if (n1First) {
            dirs_[found] = merged;
            rec.weight = weight;
            rec.reverseWeight = reverseWeight;
        } else {
            dirs_[found] = reverse(merged);
            rec.weight = reverseWeight;
            rec.reverseWeight = weight;
        }
        return 2;
    }

    // One adjacency for addEdgesSharing: its ends and its orientation seen from `from`.
    struct edge_item {
        I from{};
        I to{};
        edge_dir dir = UNDIRECTED;
    };

    // addEdge(e.from, e.to, e.dir, weight, reverseWeight) for e = edgeOf(item)
    // of every item in order, for adjacencies that all carry the same
    // weights: they share one record of them, as component graphs share
    // their source's, and a later change to one goes to a copy. Into a graph
    // without adjacencies they are put in listing order first, so that none
    // needs looking up: an AS-relationship file's half a million lines come
    // in any order, and each of their records would take a hundred bytes.
    template <typename Items, typename EdgeOf>
    void addEdgesSharing(const Items& items, EdgeOf edgeOf, const W& weight, const W& reverseWeight)
    {
        if (edges() != 0) {
            for (const auto& item : items) {
                const edge_item e = edgeOf(item);
                addEdge(e.from, e.to, e.dir, weight, reverseWeight);
            }
            return;
        }
        link_array links = newLinks(items, edgeOf);
        if (links.empty()) return;
        sortLinks(links);
        const auto shared = static_cast<std::uint32_t>(pool_->records.size());
        pool_->records.push_back(edge_record{weight, reverseWeight});
        pool_->records.push_back(edge_record{reverseWeight, weight});
        pool_->sharedBelow = pool_->records.size();
        for (std::size_t k = 0; k < links.size();) {
            const new_link& first = links[k];
            edge_dir dir = first.dir;
            bool swapped = first.swapped;
            // An adjacency given again merges as addEdge merges it, keeping
            // the weights of the last declaration that changed it.
            while (++k < links.size() && links[k].a == first.a && links[k].b == first.b) {
                const edge_dir merged = mergedDir(dir, links[k].dir);
                if (merged != dir) swapped = links[k].swapped;
                dir = merged;
            }
            linkEdge(first.a, first.b, shared + (swapped ? 1 : 0), dir);
        }
    }

    std::uint32_t nodes() const noexcept { return static_cast<std::uint32_t>(meta_.size()); }
    std::uint32_t edges() const noexcept { return static_cast<std::uint32_t>(ends_.size()); }

    // Every node in ascending identifier order; fresh records owned by the caller.
    std::vector<node_listing> listNodes() const
    {
        std::vector<node_listing> out;
        out.reserve(meta_.size());
        forEachNode([&out](const node_listing& n) { out.push_back(n); });
        return out;
    }

    // Every adjacency once, as seen from its end with the smaller identifier,
    // sorted by that end's identifier and then by the other end's.
    std::vector<edge_listing> listEdges() const
    {
        std::vector<edge_listing> out;
        out.reserve(ends_.size());
        forEachEdge([&out](const edge_listing& e) { out.push_back(e); });
        return out;
    }

    // listNodes without building the list: f(const node_listing&) per node.
    template <typename F>
    void forEachNode(F&& f) const
    {
        for (const std::uint32_t n : sortedNodes())
            f(node_listing{&values_[n], meta_[n].id});
    }

    // listEdges without building the list: f(const edge_listing&) per adjacency.
    template <typename F>
    void forEachEdge(F&& f) const
    {
        ensureAdjacency();
        for (const std::uint32_t n : sortedNodes()) {
            const I id = meta_[n].id;
            for (std::uint32_t k = adjStart_[n]; k < adjStart_[n + 1]; ++k) {
                const adj_entry& adj = adjacency_[k];
                if (adj.fromOther()) continue; // listed from the other end
                const edge_record& e = record(adj.edge());
                f(edge_listing{&e.weight, &e.reverseWeight, &dirs_[adj.edge()], node_listing{&values_[n], id},
                               node_listing{&values_[otherEnd(adj)], meta_[otherEnd(adj)].id}});
            }
        }
    }

    // forEachEdge for measures that number the nodes 0..nodes()-1 in
    // ascending identifier order: f(from, to, dir) with the ends' numbers
    // and the orientation seen from `from`, in the same order.
    template <typename F>
    void forEachNumberedEdge(F&& f) const
    {
        ensureAdjacency();
        const std::vector<std::uint32_t> number = nodeNumbers();
        const std::vector<std::uint32_t>& order = sortedNodes();
        for (std::uint32_t k = 0; k < order.size(); ++k) {
            const std::uint32_t n = order[k];
            for (std::uint32_t j = adjStart_[n]; j < adjStart_[n + 1]; ++j) {
                const adj_entry& adj = adjacency_[j];
                if (!adj.fromOther()) f(k, number[otherEnd(adj)], dirs_[adj.edge()]);
            }
        }
    }

    // Every adjacency once in the order it is stored, the cheapest listing:
    // f(from, to, dir) with the ends' numbers as in forEachNumberedEdge (the
    // end with the smaller identifier first) and the orientation seen from
    // `from`. For measures that add up over adjacencies in any order.
    template <typename F>
    void forEachStoredEdge(F&& f) const
    {
        // Nodes that arrived in order are numbered by their indexes.
        const std::vector<std::uint32_t> number = idsAscend_ ? std::vector<std::uint32_t>() : nodeNumbers();
        ends_.forEachRun([&](const edge_ends* ends, std::size_t first, std::size_t count) {
            const edge_dir* dirs = &dirs_[first];
            if (number.empty())
                for (std::size_t k = 0; k < count; ++k)
                    f(std::uint32_t{ends[k].a}, std::uint32_t{ends[k].b}, dirs[k]);
            else
                for (std::size_t k = 0; k < count; ++k)
                    f(number[ends[k].a], number[ends[k].b], dirs[k]);
        });
    }

private:
    // The component searches read the adjacencies and the neighbour arrays,
    // and build component graphs that share this graph's adjacency records.
    friend class Components<V, W, I>;

    struct node_meta {
        I id{};
        I lastOtherId{}; // identifier of the last neighbour linked
        std::uint32_t degree = 0;
        bool inOrder = true; // neighbours were linked in ascending identifier order
    };
    // Identifiers of at most 16 bits allow at most 65536 nodes, whose
    // indexes then fit in 16 bits as well.
    using node_index = std::conditional_t<sizeof(I) <= 2, std::uint16_t, std::uint32_t>;
    struct edge_ends {
        node_index a; // node index of the end with the smaller identifier
        node_index b; // the other end (a again for a loop)
    };
    // The weights of one adjacency, seen from its end with the smaller
    // identifier. Its orientation is kept by each graph apart (dirs_).
    struct edge_record {
        W weight{};        // direction smaller -> larger identifier
        W reverseWeight{}; // direction larger -> smaller
    };
    // Records of a graph and of the components split from it. Records below
    // sharedBelow may be referenced by several graphs: a change goes to a copy.
    struct edge_pool {
        graph_detail::stable_array<edge_record> records;
        std::size_t sharedBelow = 0;
    };
    // One neighbour of a node: the adjacency number, plus fromOtherBit when
    // the other end is the smaller one. The other end is read from the
    // adjacency's ends: an AS graph has two entries per adjacency, and four
    // bytes each keep the array half the size.
    struct adj_entry {
        static constexpr std::uint32_t fromOtherBit = 0x80000000U;
        std::uint32_t link;
        std::uint32_t edge() const noexcept { return link & ~fromOtherBit; }
        bool fromOther() const noexcept { return (link & fromOtherBit) != 0; }
    };

    // An adjacency of addEdgesSharing by its ends' node indexes.
    struct new_link {
        std::uint32_t a; // the end with the smaller identifier (or both ends of a loop)
        std::uint32_t b;
        edge_dir dir; // seen from a
        bool swapped; // the weights were given as seen from b
    };
    using link_array = std::vector<new_link, huge_page_allocator<new_link>>;

    // The orientation of an adjacency declared again with `dir` (both seen
    // from the same end): a direction replaces undirected, the opposite
    // direction makes it undirected, and undirected makes it undirected.
    static edge_dir mergedDir(edge_dir stored, edge_dir dir) noexcept
    {
        if (dir == UNDIRECTED || stored == UNDIRECTED) return dir;
        return stored == dir ? stored : UNDIRECTED;
    }

    template <typename Items, typename EdgeOf>
    link_array newLinks(const Items& items, EdgeOf edgeOf) const
    {
        link_array links;
        links.reserve(items.size());
        for (const auto& item : items) {
            const edge_item e = edgeOf(item);
            const std::uint32_t n1 = nodeLookup_.find(e.from);
            const std::uint32_t n2 = nodeLookup_.find(e.to);
            if (n1 == graph_detail::npos || n2 == graph_detail::npos) continue; // dropped, as by addEdge
            const edge_dir dir = e.dir == INCOMING || e.dir == OUTGOING ? e.dir : UNDIRECTED;
            if (e.to < e.from)
                links.push_back(new_link{n2, n1, reverse(dir), true});
            else
                links.push_back(new_link{n1, n2, dir, false});
        }
        return links;
    }

    // Listing order: by the first end's identifier, then by the other's,
    // keeping the given order of an adjacency given twice. Two counting
    // passes over the ends' places in identifier order.
    void sortLinks(link_array& links) const
    {
        const std::vector<std::uint32_t> number = idsAscend_ ? std::vector<std::uint32_t>() : nodeNumbers();
        const auto place = [&number](std::uint32_t n) { return number.empty() ? n : number[n]; };
        link_array spare(links.size());
        graph_detail::countingSort(links, spare, meta_.size(), [&place](const new_link& l) { return place(l.b); });
        graph_detail::countingSort(links, spare, meta_.size(), [&place](const new_link& l) { return place(l.a); });
    }

    // Node index -> place in ascending identifier order.
    std::vector<std::uint32_t> nodeNumbers() const
    {
        const std::vector<std::uint32_t>& order = sortedNodes();
        std::vector<std::uint32_t> number(order.size());
        for (std::uint32_t k = 0; k < order.size(); ++k)
            number[order[k]] = k;
        return number;
    }

    // Node index of the other end of a neighbour entry (the node itself for a loop).
    std::uint32_t otherEnd(const adj_entry& adj) const noexcept
    {
        const edge_ends& ends = ends_[adj.edge()];
        return adj.fromOther() ? ends.a : ends.b;
    }

    static std::uint64_t pairKey(std::uint32_t a, std::uint32_t b) noexcept
    {
        return (static_cast<std::uint64_t>(a) << 32) | b;
    }

    std::uint32_t poolIndexOf(std::uint32_t edge) const noexcept { return sameIds_ ? edge : edgeIds_[edge]; }
    const edge_record& record(std::uint32_t edge) const noexcept { return pool_->records[poolIndexOf(edge)]; }

    // Adjacency numbers stop being pool indexes: keep the pool indexes apart.
    void separateIds()
    {
        if (!sameIds_) return;
        for (std::uint32_t e = 0; e < ends_.size(); ++e)
            edgeIds_.push_back(e);
        sameIds_ = false;
    }

    // A record shared with other graphs is copied before it changes, so the
    // change stays in this graph.
    edge_record& writableRecord(std::uint32_t edge)
    {
        if (poolIndexOf(edge) >= pool_->sharedBelow) return pool_->records[poolIndexOf(edge)];
        edge_record copy = pool_->records[poolIndexOf(edge)];
        separateIds();
        edgeIds_[edge] = static_cast<std::uint32_t>(pool_->records.size());
        return pool_->records.push_back(std::move(copy));
    }

    // Without the adjacency index, a new adjacency is recognised cheaply when
    // all neighbours of its smaller end were linked in ascending order and are
    // smaller than the other end, as while a file in listing order is read.
    bool provablyNew(std::uint32_t a, const I& otherId) const noexcept
    {
        const node_meta& m = meta_[a];
        return m.inOrder && (m.degree == 0 || m.lastOtherId < otherId);
    }

    // Graph files list the adjacencies of one node together, so the first
    // end of an adjacency is usually the last one looked up. Nodes are never
    // removed: a found index stays right.
    std::uint32_t findFirstEnd(const I& id)
    {
        if (lastFirstEnd_.node != graph_detail::npos && lastFirstEnd_.id == id) return lastFirstEnd_.node;
        const std::uint32_t n = nodeLookup_.find(id);
        if (n != graph_detail::npos) lastFirstEnd_ = found_node{id, n};
        return n;
    }

    std::uint32_t appendNode(const V& value, const I& id)
    {
        const auto n = static_cast<std::uint32_t>(meta_.size());
        if (!order_.empty() && id < meta_[order_.back()].id) orderSorted_ = false;
        if (!meta_.empty() && id < meta_.back().id) idsAscend_ = false;
        values_.push_back(value);
        meta_.push_back(node_meta{id, id, 0, true});
        nodeLookup_.insert(id, n);
        order_.push_back(n);
        return n;
    }

    void noteNeighbour(std::uint32_t n, const I& otherId) noexcept
    {
        node_meta& m = meta_[n];
        if (m.degree != 0 && otherId < m.lastOtherId) m.inOrder = false;
        m.lastOtherId = otherId;
        ++m.degree;
    }

    // Makes pool record poolIndex the adjacency a-b of this graph; a is the
    // end with the smaller identifier (or equals b for a loop).
    void linkEdge(std::uint32_t a, std::uint32_t b, std::uint32_t poolIndex, edge_dir dir)
    {
        const std::uint32_t edge = appendLink(a, b, poolIndex, dir);
        noteNeighbour(a, meta_[b].id);
        if (b != a) noteNeighbour(b, meta_[a].id);
        if (pairIndexValid_) pairLookup_.insert(pairKey(a, b), edge);
    }

    // linkEdge without the per-node bookkeeping and the adjacency index.
    std::uint32_t appendLink(std::uint32_t a, std::uint32_t b, std::uint32_t poolIndex, edge_dir dir)
    {
        const auto edge = static_cast<std::uint32_t>(ends_.size());
        if (sameIds_ && poolIndex != edge) separateIds();
        if (!sameIds_) edgeIds_.push_back(poolIndex);
        ends_.push_back(edge_ends{static_cast<node_index>(a), static_cast<node_index>(b)});
        dirs_.push_back(dir);
        return edge;
    }

    // The adjacency index is built the first time an adjacency cannot be
    // told new without it, and kept from then on; graphs read from sorted
    // files and component graphs never need it.
    void ensurePairIndex()
    {
        if (pairIndexValid_) return;
        pairLookup_.reserve(ends_.size());
        for (std::uint32_t e = 0; e < ends_.size(); ++e)
            pairLookup_.insert(pairKey(ends_[e].a, ends_[e].b), e);
        pairIndexValid_ = true;
    }

    // Rebuilds the per-node neighbour arrays (sorted by identifier of the
    // other end) when nodes or adjacencies were added since the last build.
    void ensureAdjacency() const
    {
        const std::size_t n = meta_.size();
        if (adjNodes_ == n && adjEdges_ == ends_.size()) return;
        adjStart_.assign(n + 1, 0);
        for (std::size_t v = 0; v < n; ++v)
            adjStart_[v + 1] = adjStart_[v] + meta_[v].degree;
        // Every slot is written below, so the array is not cleared first.
        adjacency_ = graph_detail::block_array<adj_entry>(adjStart_[n]);
        std::vector<std::uint32_t> fill(adjStart_.begin(), adjStart_.end() - 1);
        for (std::uint32_t e = 0; e < ends_.size(); ++e) {
            const edge_ends& ends = ends_[e];
            adjacency_[fill[ends.a]++] = adj_entry{e};
            if (ends.b != ends.a) adjacency_[fill[ends.b]++] = adj_entry{e | adj_entry::fromOtherBit};
        }
        for (std::size_t v = 0; v < n; ++v)
            if (!meta_[v].inOrder)
                std::sort(adjacency_.data + adjStart_[v], adjacency_.data + adjStart_[v + 1],
                          [this](const adj_entry& x, const adj_entry& y) {
                              return meta_[otherEnd(x)].id < meta_[otherEnd(y)].id;
                          });
        adjNodes_ = n;
        adjEdges_ = ends_.size();
    }

    const std::vector<std::uint32_t>& sortedNodes() const
    {
        if (!orderSorted_) {
            std::sort(order_.begin(), order_.end(),
                      [this](std::uint32_t x, std::uint32_t y) { return meta_[x].id < meta_[y].id; });
            orderSorted_ = true;
        }
        return order_;
    }

    graph_detail::stable_array<V> values_; // node values; listings point at them
    std::vector<node_meta> meta_;
    graph_detail::id_index<I> nodeLookup_;
    struct found_node {
        I id{};
        std::uint32_t node = graph_detail::npos;
    };
    found_node lastFirstEnd_;
    // Listing order of the nodes, sorted on demand: nodes usually arrive in
    // ascending order.
    mutable std::vector<std::uint32_t> order_;
    mutable bool orderSorted_ = true;
    bool idsAscend_ = true; // node indexes follow ascending identifiers (nodes arrived in order)

    // Adjacency records, possibly shared with the graph this one was split
    // from and with its other components.
    std::shared_ptr<edge_pool> pool_ = std::make_shared<edge_pool>();
    // Per adjacency number, in arrays that grow without copying (an AS graph
    // is too big for a doubling vector's copies to come free): its two ends,
    // its pool record, and its orientation seen from the smaller end (listing
    // pointers refer to it).
    graph_detail::stable_array<edge_ends> ends_;
    graph_detail::stable_array<std::uint32_t> edgeIds_; // empty while sameIds_
    bool sameIds_ = true; // adjacency number n is pool record n, as in a graph that owns its pool
    graph_detail::stable_array<edge_dir> dirs_;
    graph_detail::index_map pairLookup_; // (smaller end, other end) -> adjacency number
    bool pairIndexValid_ = false;

    // Neighbour arrays: node v's neighbours are adjacency_[adjStart_[v] .. adjStart_[v + 1]).
    mutable std::vector<std::uint32_t> adjStart_; // empty until first built
    mutable graph_detail::block_array<adj_entry> adjacency_;
    mutable std::size_t adjNodes_ = 0;
    mutable std::size_t adjEdges_ = 0;
};
