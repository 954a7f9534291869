#include "graph/analyses.h"

#include <algorithm>
#include <array>
#include <bit>
#include <tuple>
#include <utility>

namespace {

// Provider -> customer arcs: the adjacency points at v from a customer.
bool isCustomerLink(edge_dir fromProvider) noexcept { return fromProvider == INCOMING; }

// Each node's customers, the provider -> customer arcs that cones follow:
// held alone, a fraction of the full neighbour lists.
class customer_lists {
public:
    explicit customer_lists(const measured_graph& graph) : start_(graph.nodes() + std::size_t{1}, 0)
    {
        // An adjacency pointing away from a node leads to its provider.
        const auto arc = [](std::uint32_t a, std::uint32_t b, edge_dir dir) {
            return dir == OUTGOING ? std::pair{b, a} : std::pair{a, b};
        };
        const auto isArc = [](std::uint32_t a, std::uint32_t b, edge_dir dir) { return a != b && dir != UNDIRECTED; };
        graph.forEachStoredEdge([&](std::uint32_t a, std::uint32_t b, edge_dir dir) {
            if (isArc(a, b, dir)) ++start_[arc(a, b, dir).first + 1];
        });
        for (std::size_t v = 1; v < start_.size(); ++v)
            start_[v] += start_[v - 1];
        customers_.resize(start_.back());
        std::vector<std::uint32_t> fill(start_.begin(), start_.end() - 1);
        graph.forEachStoredEdge([&](std::uint32_t a, std::uint32_t b, edge_dir dir) {
            if (!isArc(a, b, dir)) return;
            const auto [provider, customer] = arc(a, b, dir);
            customers_[fill[provider]++] = customer;
        });
    }

    std::uint32_t size() const noexcept { return static_cast<std::uint32_t>(start_.size() - 1); }
    std::size_t arcs() const noexcept { return customers_.size(); }
    std::span<const std::uint32_t> of(std::uint32_t v) const noexcept
    {
        return {customers_.data() + start_[v], customers_.data() + start_[v + 1]};
    }

private:
    std::vector<std::uint32_t> start_; // v's customers: [start_[v], start_[v + 1])
    std::vector<std::uint32_t> customers_;
};

constexpr std::uint32_t unset = 0xFFFFFFFFU;

// Strongly connected components of the provider -> customer arcs, numbered
// so that an arc never leads to a higher number: customers before providers.
struct customer_components {
    std::vector<std::uint32_t> comp;      // node -> component
    std::vector<std::uint32_t> completed; // nodes by component, as the components were found
    std::uint32_t count = 0;
};

// Tarjan's method with an explicit stack; its bookkeeping goes with it.
class CustomerSearch {
public:
    explicit CustomerSearch(const customer_lists& lists)
        : lists_(lists), index_(lists.size(), unset), low_(lists.size(), 0)
    {
        found_.comp.assign(lists.size(), unset);
        found_.completed.reserve(lists.size());
        for (std::uint32_t v = 0; v < lists.size(); ++v)
            if (index_[v] == unset) search(v);
    }
    customer_components take() && { return std::move(found_); }

private:
    struct frame {
        std::uint32_t v;
        std::uint32_t next; // position in v's customer list
    };
    void enter(std::uint32_t v)
    {
        index_[v] = low_[v] = counter_++;
        stack_.push_back(v);
        calls_.push_back(frame{v, 0});
    }
    void search(std::uint32_t root)
    {
        enter(root);
        while (!calls_.empty()) {
            const std::optional<std::uint32_t> next = nextUnvisited(calls_.back());
            // Entering a node may move the frames: none is held across it.
            if (next)
                enter(*next);
            else
                finish();
        }
    }
    // Walks on from where the frame stopped: the next customer not yet
    // visited, after lowering the frame's link value by those on the stack.
    std::optional<std::uint32_t> nextUnvisited(frame& f)
    {
        const auto customers = lists_.of(f.v);
        while (f.next < customers.size()) {
            const std::uint32_t u = customers[f.next++];
            if (index_[u] == unset) return u;
            if (found_.comp[u] == unset) low_[f.v] = std::min(low_[f.v], index_[u]);
        }
        return std::nullopt;
    }
    void finish()
    {
        const std::uint32_t v = calls_.back().v;
        calls_.pop_back();
        if (!calls_.empty()) low_[calls_.back().v] = std::min(low_[calls_.back().v], low_[v]);
        if (low_[v] != index_[v]) return;
        std::uint32_t w;
        do {
            w = stack_.back();
            stack_.pop_back();
            found_.comp[w] = found_.count;
            found_.completed.push_back(w);
        } while (w != v);
        ++found_.count;
    }

    const customer_lists& lists_;
    customer_components found_;
    std::vector<std::uint32_t> index_;
    std::vector<std::uint32_t> low_;
    std::vector<std::uint32_t> stack_;
    std::vector<frame> calls_;
    std::uint32_t counter_ = 0;
};

// Components as a graph of their own: members and distinct successors.
struct component_graph {
    std::uint32_t count = 0;
    std::vector<std::uint32_t> memberStart, members;
    std::vector<std::uint32_t> succStart, succ;
};

component_graph condense(const customer_lists& lists, customer_components cc)
{
    component_graph g;
    g.count = cc.count;
    g.memberStart.assign(cc.count + 1, 0);
    for (const std::uint32_t c : cc.comp)
        ++g.memberStart[c + 1];
    for (std::uint32_t c = 0; c < cc.count; ++c)
        g.memberStart[c + 1] += g.memberStart[c];
    g.members = std::move(cc.completed);
    std::vector<std::uint32_t> seen(cc.count, unset);
    g.succStart.reserve(cc.count + 1);
    g.succStart.push_back(0);
    g.succ.reserve(lists.arcs()); // at most one successor per arc
    for (std::uint32_t c = 0; c < cc.count; ++c) {
        for (std::uint32_t m = g.memberStart[c]; m < g.memberStart[c + 1]; ++m)
            for (const std::uint32_t customer : lists.of(g.members[m])) {
                const std::uint32_t s = cc.comp[customer];
                if (s == c || seen[s] == c) continue;
                seen[s] = c;
                g.succ.push_back(s);
            }
        g.succStart.push_back(static_cast<std::uint32_t>(g.succ.size()));
    }
    return g;
}

// The customer lists and their components last only until the condensed
// graph is made: the cone counts need nothing else.
component_graph condensedCustomers(const measured_graph& graph)
{
    const customer_lists lists(graph);
    return condense(lists, CustomerSearch(lists).take());
}

// Two distinct vectors: the promise lets the compiler combine several words at once.
void orInto(std::uint64_t* __restrict to, const std::uint64_t* __restrict from, std::size_t words) noexcept
{
    for (std::size_t w = 0; w < words; ++w)
        to[w] |= from[w];
}

std::uint32_t ones(std::uint64_t x) noexcept
{
    // Bit counting without relying on the processor's instruction.
    x = x - ((x >> 1) & 0x5555555555555555ULL);
    x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<std::uint32_t>((x * 0x0101010101010101ULL) >> 56);
}

// Cone sizes by sets of nodes as bit vectors, built customers first: a
// component's cone is its members and the cones of its successors. Only
// components with successors get a vector. A node's column is its place in
// the order the search completed the components, so that every component
// holds a range of columns and every cone lies at or before its own range
// (a depth-first search completes customers first): a block of columns
// concerns only the components from the one holding its first column on,
// and most vectors are still empty in a block, which is then skipped. The
// columns are taken a block at a time to keep the vectors within a budget.
class ConeCounter {
public:
    ConeCounter(std::uint32_t nodes, const component_graph& g) : g_(g), components_(g.count), slot_(g.count, none)
    {
        lowest_.resize(components_);
        for (std::uint32_t c = 0; c < components_; ++c) {
            if (g.succStart[c + 1] > g.succStart[c]) slot_[c] = inner_++;
            lowest_[c] = g.memberStart[c];
            for (std::uint32_t k = g.succStart[c]; k < g.succStart[c + 1]; ++k)
                lowest_[c] = std::min(lowest_[c], lowest_[g.succ[k]]);
        }
        const std::size_t columnsWords = (nodes + std::size_t{63}) / 64;
        words_ = std::max<std::size_t>(1, std::min(columnsWords, budgetWords / std::max<std::uint32_t>(inner_, 1)));
        bits_.resize(words_ * inner_);
        filled_.assign(inner_, false);
        counts_.assign(inner_, 0);
    }

    std::vector<std::uint32_t> sizes(std::uint32_t n)
    {
        std::uint32_t first = 0; // the component holding the block's first column
        for (std::size_t lo = 0; lo < n; lo += words_ * 64) {
            while (g_.memberStart[first + 1] <= lo)
                ++first;
            runBlock(lo, first);
        }
        std::vector<std::uint32_t> out(n);
        for (std::uint32_t c = 0; c < components_; ++c) {
            const std::uint32_t own = g_.memberStart[c + 1] - g_.memberStart[c];
            const std::uint32_t size = slot_[c] == none ? own : counts_[slot_[c]];
            for (std::uint32_t m = g_.memberStart[c]; m < g_.memberStart[c + 1]; ++m)
                out[g_.members[m]] = size;
        }
        return out;
    }

private:
    static constexpr std::uint32_t none = 0xFFFFFFFFU;
    static constexpr std::size_t budgetWords = std::size_t{1} << 21; // 16 MiB of vectors

    // Sets the columns of component c that fall in the block.
    bool setMembers(std::uint64_t* vec, std::uint32_t c, std::size_t lo) const
    {
        const std::size_t from = std::max<std::size_t>(g_.memberStart[c], lo);
        const std::size_t to = std::min<std::size_t>(g_.memberStart[c + 1], lo + words_ * 64);
        for (std::size_t col = from; col < to; ++col)
            vec[(col - lo) / 64] |= std::uint64_t{1} << ((col - lo) % 64);
        return from < to;
    }

    void runBlock(std::size_t lo, std::uint32_t first)
    {
        std::fill(filled_.begin(), filled_.end(), false);
        const std::size_t end = lo + words_ * 64;
        for (std::uint32_t c = first; c < components_; ++c) {
            // A cone that starts past the block is empty in it.
            if (slot_[c] == none || lowest_[c] >= end) continue;
            std::uint64_t* vec = &bits_[slot_[c] * words_];
            std::fill_n(vec, words_, 0);
            bool filled = setMembers(vec, c, lo);
            for (std::uint32_t k = g_.succStart[c]; k < g_.succStart[c + 1]; ++k) {
                const std::uint32_t s = g_.succ[k];
                if (slot_[s] == none) {
                    filled = setMembers(vec, s, lo) || filled;
                } else if (filled_[slot_[s]]) {
                    const std::uint64_t* from = &bits_[slot_[s] * words_];
                    for (std::size_t w = 0; w < words_; ++w)
                        vec[w] |= from[w];
                    filled = true;
                }
            }
            filled_[slot_[c]] = filled;
            if (!filled) continue;
            std::uint32_t count = 0;
            for (std::size_t w = 0; w < words_; ++w)
                count += ones(vec[w]);
            counts_[slot_[c]] += count;
        }
    }

    const component_graph& g_;
    std::uint32_t components_;
    std::vector<std::uint32_t> slot_;   // component -> vector number, none without successors
    std::vector<std::uint32_t> lowest_; // component -> the first column of its cone
    std::uint32_t inner_ = 0;
    std::size_t words_ = 1;
    std::vector<std::uint64_t> bits_;
    std::vector<bool> filled_;
    std::vector<std::uint32_t> counts_;
};

// Cone sizes component by component, customers first, each cone kept in
// the cheaper of two forms: the list of its nodes while it is small (most
// cones hold a few ASs, and a list costs only its length to build and to
// merge into a provider's), or a bit vector once it is large (a few hundred
// transit providers, whose cones hold most of the graph). A list is built by
// marking nodes with the component that collects them, which needs no
// sorting. Nodes are counted by their place in the order the search
// completed the components, in which every cone lies within a range that
// ends with its own members (customers are completed first): a vector holds
// that range alone. Gives up when the vectors would exceed the budget, as on
// a graph where most cones are large.
class MixedConeCounter {
public:
    MixedConeCounter(std::uint32_t nodes, const component_graph& g)
        : g_(g), largeFrom_(std::max<std::size_t>(64, nodes / 64)), vector_(g.count, none), listStart_(g.count, 0),
          size_(g.count, 0), lowest_(g.count, 0), mark_(nodes, none)
    {
        // Only what is used becomes resident, and the vectors never move;
        // nor do the lists as long as they fit in as much.
        bits_.reserve(budgetWords);
        lists_.reserve(2 * budgetWords);
    }

    std::optional<std::vector<std::uint32_t>> sizes(std::uint32_t n)
    {
        for (std::uint32_t c = 0; c < vector_.size(); ++c)
            if (!collectList(c) && !collectVector(c)) return std::nullopt;
        std::vector<std::uint32_t> out(n);
        for (std::uint32_t c = 0; c < vector_.size(); ++c)
            for (std::uint32_t m = g_.memberStart[c]; m < g_.memberStart[c + 1]; ++m)
                out[g_.members[m]] = size_[c];
        return out;
    }

private:
    static constexpr std::uint32_t none = 0xFFFFFFFFU;
    static constexpr std::size_t budgetWords = std::size_t{1} << 21; // 16 MiB of vectors

    // A cone's bit vector: words first .. first + words - 1 of the columns,
    // at bits_[offset ...].
    struct bit_range {
        std::size_t offset;
        std::uint32_t first;
        std::uint32_t words;
    };

    std::span<const std::uint32_t> list(std::uint32_t c) const { return {lists_.data() + listStart_[c], size_[c]}; }
    std::span<const std::uint32_t> successors(std::uint32_t c) const
    {
        return {g_.succ.data() + g_.succStart[c], g_.succ.data() + g_.succStart[c + 1]};
    }

    // The cone of c as a list of columns; false (nothing kept) when it is
    // too large for one.
    bool collectList(std::uint32_t c)
    {
        const auto start = static_cast<std::uint32_t>(lists_.size());
        for (std::uint32_t col = g_.memberStart[c]; col < g_.memberStart[c + 1]; ++col) {
            mark_[col] = c;
            lists_.push_back(col);
        }
        bool small = lists_.size() - start <= largeFrom_;
        for (const std::uint32_t s : successors(c)) {
            if (!small || vector_[s] != none) {
                small = false;
                break;
            }
            // By position: the list being built may move the others.
            for (std::uint32_t k = listStart_[s]; k < listStart_[s] + size_[s]; ++k)
                if (const std::uint32_t col = lists_[k]; mark_[col] != c) {
                    mark_[col] = c;
                    lists_.push_back(col);
                }
            small = lists_.size() - start <= largeFrom_;
        }
        if (!small) {
            lists_.resize(start);
            return false;
        }
        listStart_[c] = start;
        size_[c] = static_cast<std::uint32_t>(lists_.size()) - start;
        lowest_[c] = *std::min_element(lists_.begin() + start, lists_.end());
        return true;
    }

    // The first column of c's cone.
    std::uint32_t lowestColumn(std::uint32_t c) const
    {
        std::uint32_t lowest = g_.memberStart[c];
        for (const std::uint32_t s : successors(c))
            lowest = std::min(lowest, lowest_[s]);
        return lowest;
    }

    bool collectVector(std::uint32_t c)
    {
        lowest_[c] = lowestColumn(c);
        const std::uint32_t first = lowest_[c] / 64;
        const std::uint32_t words = (g_.memberStart[c + 1] + 63) / 64 - first;
        if (bits_.size() + words > budgetWords) return false;
        vector_[c] = static_cast<std::uint32_t>(ranges_.size());
        ranges_.push_back(bit_range{bits_.size(), first, words});
        bits_.resize(bits_.size() + words, 0);
        std::uint64_t* vec = &bits_[ranges_.back().offset]; // word w of the columns at vec[w - first]
        const auto set = [vec, first](std::uint32_t col) { vec[col / 64 - first] |= std::uint64_t{1} << (col % 64); };
        for (std::uint32_t col = g_.memberStart[c]; col < g_.memberStart[c + 1]; ++col)
            set(col);
        for (const std::uint32_t s : successors(c)) {
            if (vector_[s] == none) {
                for (const std::uint32_t col : list(s))
                    set(col);
                continue;
            }
            const bit_range& from = ranges_[vector_[s]];
            orInto(vec + (from.first - first), &bits_[from.offset], from.words);
        }
        std::uint32_t count = 0;
        for (std::uint32_t w = 0; w < words; ++w)
            count += ones(vec[w]);
        size_[c] = count;
        return true;
    }

    const component_graph& g_;
    std::size_t largeFrom_;                // a cone with more nodes takes a bit vector
    std::vector<std::uint32_t> vector_;    // component -> its bit vector, none for a list
    std::vector<std::uint32_t> listStart_; // a list's length is its cone's size
    std::vector<std::uint32_t> size_;
    std::vector<std::uint32_t> lowest_; // component -> the first column of its cone
    std::vector<std::uint32_t> mark_;   // column -> the last component that collected it
    std::vector<std::uint32_t> lists_;
    std::vector<bit_range> ranges_;
    std::vector<std::uint64_t> bits_;
};

} // namespace

as_topology::as_topology(const measured_graph& graph)
{
    ases_.reserve(graph.nodes());
    graph.forEachNode([this](const auto& n) { ases_.push_back(n.id); });
    start_.assign(ases_.size() + 1, 0);
    graph.forEachStoredEdge([this](std::uint32_t a, std::uint32_t b, edge_dir) {
        if (a == b) return;
        ++start_[a + 1];
        ++start_[b + 1];
    });
    for (std::size_t v = 0; v < ases_.size(); ++v)
        start_[v + 1] += start_[v];
    others_.resize(start_.back());
    dirs_.resize(start_.back());
    std::vector<std::uint32_t> fill(start_.begin(), start_.end() - 1);
    graph.forEachStoredEdge([&](std::uint32_t a, std::uint32_t b, edge_dir dir) {
        if (a == b) return;
        others_[fill[a]] = b;
        dirs_[fill[a]++] = dir;
        others_[fill[b]] = a;
        dirs_[fill[b]++] = reverse(dir);
    });
    sortLists();
}

// Adjacencies are usually stored in listing order (by the smaller end, then
// by the other), in which each node receives its smaller neighbours first,
// then its larger ones, each ascending: only the other lists need sorting.
void as_topology::sortLists()
{
    std::vector<std::pair<std::uint32_t, edge_dir>> list;
    for (std::uint32_t v = 0; v < size(); ++v) {
        const auto others = neighbours(v);
        if (std::is_sorted(others.begin(), others.end())) continue;
        list.clear();
        for (std::uint32_t k = start_[v]; k < start_[v + 1]; ++k)
            list.emplace_back(others_[k], dirs_[k]);
        std::sort(list.begin(), list.end());
        for (std::uint32_t k = start_[v]; k < start_[v + 1]; ++k)
            std::tie(others_[k], dirs_[k]) = list[k - start_[v]];
    }
}

std::optional<edge_dir> as_topology::link(std::uint32_t a, std::uint32_t b) const noexcept
{
    const auto others = neighbours(a);
    const auto it = std::lower_bound(others.begin(), others.end(), b);
    if (it == others.end() || *it != b) return std::nullopt;
    return directions(a)[static_cast<std::size_t>(it - others.begin())];
}

std::optional<std::uint32_t> as_topology::find(asnum_t as) const noexcept
{
    const auto it = std::lower_bound(ases_.begin(), ases_.end(), as);
    if (it == ases_.end() || *it != as) return std::nullopt;
    return static_cast<std::uint32_t>(it - ases_.begin());
}

std::vector<as_degrees> degreeTable(const measured_graph& graph)
{
    // Counted by orientation as an index, not by tests: orientations come in
    // no predictable order, and a mispredicted branch per adjacency end would
    // cost more than the counting. The counters are kept apart from the
    // table, in as little memory as will do: the ends of the adjacencies hit
    // them anywhere, and they then stay within the processor's second-level
    // cache on a 16-bit graph.
    std::vector<std::array<std::uint32_t, 3>> byDir(graph.nodes(), {0, 0, 0});
    static constexpr edge_dir seenFromOther[3] = {UNDIRECTED, OUTGOING, INCOMING};
    static_assert(UNDIRECTED == 0 && INCOMING == 1 && OUTGOING == 2);
    graph.forEachStoredEdge([&byDir](std::uint32_t a, std::uint32_t b, edge_dir dir) {
        if (a == b) return;
        ++byDir[a][dir];
        ++byDir[b][seenFromOther[dir]];
    });
    std::vector<as_degrees> out(graph.nodes());
    for (std::size_t v = 0; v < out.size(); ++v) {
        as_degrees& d = out[v];
        d.customers = byDir[v][INCOMING];
        d.providers = byDir[v][OUTGOING];
        d.peers = byDir[v][UNDIRECTED];
        d.total = d.customers + d.providers + d.peers;
        d.in = d.customers + d.peers;
        d.out = d.providers + d.peers;
    }
    return out;
}

std::vector<std::uint32_t> coreNumbers(const as_topology& topology)
{
    // Batagelj and Zaversnik: nodes kept sorted by their remaining degree
    // in buckets, peeled lowest first.
    const std::uint32_t n = topology.size();
    std::vector<std::uint32_t> deg(n), pos(n), vert(n);
    std::uint32_t maxDeg = 0;
    for (std::uint32_t v = 0; v < n; ++v) {
        deg[v] = static_cast<std::uint32_t>(topology.neighbours(v).size());
        maxDeg = std::max(maxDeg, deg[v]);
    }
    std::vector<std::uint32_t> bin(maxDeg + 1, 0);
    for (std::uint32_t v = 0; v < n; ++v)
        ++bin[deg[v]];
    std::uint32_t startAt = 0;
    for (std::uint32_t& b : bin)
        startAt += std::exchange(b, startAt);
    for (std::uint32_t v = 0; v < n; ++v) {
        pos[v] = bin[deg[v]]++;
        vert[pos[v]] = v;
    }
    for (std::uint32_t d = maxDeg; d > 0; --d)
        bin[d] = bin[d - 1];
    if (!bin.empty()) bin[0] = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t v = vert[i];
        for (const std::uint32_t u : topology.neighbours(v)) {
            if (deg[u] <= deg[v]) continue;
            const std::uint32_t du = deg[u];
            const std::uint32_t pw = bin[du];
            const std::uint32_t w = vert[pw];
            if (u != w) {
                std::swap(vert[pos[u]], vert[pw]);
                std::swap(pos[u], pos[w]);
            }
            ++bin[du];
            --deg[u];
        }
    }
    return deg;
}

std::vector<std::uint32_t> coneSizes(const measured_graph& graph)
{
    const component_graph g = condensedCustomers(graph);
    const auto n = static_cast<std::uint32_t>(graph.nodes());
    if (std::optional<std::vector<std::uint32_t>> sizes = MixedConeCounter(n, g).sizes(n)) return std::move(*sizes);
    return ConeCounter(n, g).sizes(n);
}

std::uint32_t coneSize(const as_topology& topology, std::uint32_t v)
{
    std::vector<bool> seen(topology.size(), false);
    std::vector<std::uint32_t> todo{v};
    seen[v] = true;
    std::uint32_t size = 1;
    while (!todo.empty()) {
        const std::uint32_t x = todo.back();
        todo.pop_back();
        const auto others = topology.neighbours(x);
        const auto dirs = topology.directions(x);
        for (std::size_t k = 0; k < others.size(); ++k) {
            if (!isCustomerLink(dirs[k]) || seen[others[k]]) continue;
            seen[others[k]] = true;
            ++size;
            todo.push_back(others[k]);
        }
    }
    return size;
}

link_index::link_index(const measured_graph& graph)
{
    std::vector<asnum_t> ases;
    ases.reserve(graph.nodes());
    graph.forEachNode([&ases](const auto& n) { ases.push_back(n.id); });
    // At most half full: a probe then mostly ends in its first slot.
    std::size_t slots = 2;
    while (slots < std::size_t{2} * graph.edges())
        slots *= 2;
    keys_.assign(slots, freeSlot);
    dirs_.assign(slots, UNDIRECTED);
    mask_ = slots - 1;
    shift_ = 64 - static_cast<unsigned>(std::countr_zero(slots));
    // The slots of consecutive adjacencies lie anywhere: each is asked for
    // from memory a few adjacencies before it is filled.
    constexpr std::size_t ahead = 16;
    std::array<std::pair<std::uint64_t, edge_dir>, ahead> pending{};
    std::size_t count = 0;
    const auto place = [this](std::uint64_t key, edge_dir dir) {
        std::size_t i = home(key);
        while (keys_[i] != freeSlot)
            i = (i + 1) & mask_;
        keys_[i] = key;
        dirs_[i] = dir;
    };
    graph.forEachStoredEdge([&](std::uint32_t a, std::uint32_t b, edge_dir dir) {
        if (a == b) return;
        const std::uint64_t key = keyOf(ases[a], ases[b]);
        __builtin_prefetch(&keys_[home(key)], 1);
        auto& slot = pending[count++ % ahead];
        if (count > ahead) place(slot.first, slot.second);
        slot = {key, ases[a] < ases[b] ? dir : reverse(dir)};
    });
    for (std::size_t k = count > ahead ? count - ahead : 0; k < count; ++k)
        place(pending[k % ahead].first, pending[k % ahead].second);
}

void prefetchLinks(const link_index& links, std::span<const asnum_t> path) noexcept
{
    for (std::size_t i = 1; i < path.size(); ++i)
        if (path[i] != path[i - 1]) links.prefetch(path[i - 1], path[i]);
}

path_check checkPath(const link_index& links, std::span<const asnum_t> path)
{
    std::size_t valleyAt = 0; // none yet: no link is number 0
    bool topped = false;      // a peer or provider-to-customer link was crossed
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (path[i] == path[i - 1]) continue;
        const std::optional<edge_dir> dir = links.link(path[i - 1], path[i]);
        if (!dir) return path_check{UNKNOWN_LINK, i};
        // The first link past the top that does not lead down; conditional
        // moves rather than branches on where in a path it falls.
        valleyAt = valleyAt == 0 && topped && *dir != INCOMING ? i : valleyAt;
        topped = topped || *dir != OUTGOING;
    }
    return valleyAt == 0 ? path_check{} : path_check{VALLEY, valleyAt};
}
