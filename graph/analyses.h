#pragma once
// What researchers measure on an AS graph beyond its components: degrees,
// k-cores, customer cones and the valley-free test of AS paths.
//
// Degrees are counted on the graph itself: a degree is a sum over
// adjacencies, taken in one pass over them in any order. The other measures
// work on an as_topology, a compact copy of the graph's neighbour lists
// taken once per command. Either way node numbers 0..n-1 follow the
// ascending AS numbers, and loops are left out (an AS is not its own
// neighbour, so a loop changes no degree, core or cone).
//
// Relationship orientation: in a graph read from an AS-relationship file an
// adjacency pointing from A to B (OUTGOING seen from A) says that B is A's
// provider, one usable both ways says that A and B are peers. Cones and the
// valley-free test read orientations that way; the caller decides whether
// the graph's orientations mean relationships.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/asnumber.h"
#include "common/hugepages.h"
#include "graph/asgraph.h"

using measured_graph = Graph<asnum_t, ASEdgeWeight, asnum_t>;

// Each adjacency appears at both ends with its orientation seen from that end.
class as_topology {
public:
    explicit as_topology(const measured_graph& graph);

    std::uint32_t size() const noexcept { return static_cast<std::uint32_t>(ases_.size()); }
    asnum_t as(std::uint32_t v) const noexcept { return ases_[v]; }
    std::span<const asnum_t> ases() const noexcept { return ases_; }
    // The node number of an AS, if the graph holds it.
    std::optional<std::uint32_t> find(asnum_t as) const noexcept;
    // Neighbours of v in ascending AS order, and the orientation of each
    // adjacency seen from v (same positions).
    std::span<const std::uint32_t> neighbours(std::uint32_t v) const noexcept
    {
        return {others_.data() + start_[v], others_.data() + start_[v + 1]};
    }
    std::span<const edge_dir> directions(std::uint32_t v) const noexcept
    {
        return {dirs_.data() + start_[v], dirs_.data() + start_[v + 1]};
    }
    // The orientation of the adjacency a-b seen from a; none when there is none.
    std::optional<edge_dir> link(std::uint32_t a, std::uint32_t b) const noexcept;

private:
    void sortLists();

    std::vector<asnum_t> ases_;
    std::vector<std::uint32_t> start_; // v's entries: [start_[v], start_[v + 1])
    std::vector<std::uint32_t> others_;
    std::vector<edge_dir> dirs_;
};

// An adjacency counts once per neighbour, whatever its directions: one
// usable both ways is incoming and outgoing at once. With relationship
// orientation, customers + providers + peers = total.
struct as_degrees {
    std::uint32_t total = 0;
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    std::uint32_t customers = 0; // adjacencies pointing at the AS
    std::uint32_t providers = 0; // adjacencies pointing away from it
    std::uint32_t peers = 0;     // adjacencies usable both ways
};
// The degrees of every node by its number.
std::vector<as_degrees> degreeTable(const measured_graph& graph);

// The core number of every node: the largest k such that the node belongs
// to a subgraph in which every node has at least k neighbours.
std::vector<std::uint32_t> coreNumbers(const as_topology& topology);

// The customer cone size of every node: the node itself plus every node
// reached by going from providers down to their customers, cycles included.
std::vector<std::uint32_t> coneSizes(const as_topology& topology);
// The same for one node, by a search of its cone alone.
std::uint32_t coneSize(const as_topology& topology, std::uint32_t v);

// The valley-free test of one AS path: customer-to-provider links, then at
// most one peer link, then provider-to-customer links. Repeated ASs
// (prepending) form no link.
enum path_verdict { VALLEY_FREE, VALLEY, UNKNOWN_LINK };
struct path_check {
    path_verdict verdict = VALLEY_FREE;
    std::size_t at = 0; // the offending link joins path[at - 1] and path[at]
};

// Every adjacency of a graph keyed by the AS numbers of its ends, loops left
// out: a link of a path is one probe of a hash table, where the neighbour
// lists would take a search for each AS and one in a list that runs to
// thousands for a transit provider. Built once per graph and kept: the
// valley-free test of a full table's paths looks up millions of links.
class link_index {
public:
    explicit link_index(const measured_graph& graph);

    // The orientation of the adjacency a-b seen from a; none when there is none.
    // Written without branches where the outcome is a coin toss (which end
    // is the smaller AS): a mispredicted branch costs more than the probe.
    std::optional<edge_dir> link(asnum_t a, asnum_t b) const noexcept
    {
        if (a == b) return std::nullopt; // loops are left out, and AS 0's key is that of a free slot
        const std::uint64_t key = keyOf(a, b);
        std::size_t i = home(key);
        while (keys_[i] != key) {
            if (keys_[i] == freeSlot) return std::nullopt;
            i = (i + 1) & mask_;
        }
        static_assert(UNDIRECTED == 0 && INCOMING == 1 && OUTGOING == 2);
        static constexpr edge_dir seenFrom[2][3] = {{UNDIRECTED, INCOMING, OUTGOING}, {UNDIRECTED, OUTGOING, INCOMING}};
        return seenFrom[a > b][dirs_[i]];
    }
    // Asks for the slot of a-b to be brought into cache ahead of its link.
    void prefetch(asnum_t a, asnum_t b) const noexcept { __builtin_prefetch(&keys_[home(keyOf(a, b))]); }

private:
    // The smaller AS in the high half: no key of two distinct ASs is 0.
    static constexpr std::uint64_t freeSlot = 0;
    static std::uint64_t keyOf(asnum_t a, asnum_t b) noexcept
    {
        return std::uint64_t{std::min(a, b)} << 32 | std::max(a, b);
    }
    std::size_t home(std::uint64_t key) const noexcept
    {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift_);
    }

    std::vector<std::uint64_t, huge_page_allocator<std::uint64_t>> keys_;
    std::vector<edge_dir> dirs_; // seen from the smaller AS; apart, so that a slot takes 8 bytes
    std::size_t mask_ = 0;
    unsigned shift_ = 64;
};

// A path naming an AS or a link the graph lacks is UNKNOWN_LINK, wherever a
// valley would be: nothing is claimed about a path that cannot be followed.
path_check checkPath(const link_index& links, std::span<const asnum_t> path);
// Asks for the links of a path to be brought into cache ahead of its check.
void prefetchLinks(const link_index& links, std::span<const asnum_t> path) noexcept;
