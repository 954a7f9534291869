#pragma once
// The AS graph that the reported paths describe: every AS of a path is a
// node, every two consecutive different ASs an adjacency, and each direction
// of an adjacency counts the routes that cross it (path covering) and the
// distinct IPv4 addresses of their prefixes (IP covering).
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/asnumber.h"
#include "common/iptools.h"
#include "graph/asgraph.h"
#include "graph/graph.h"
#include "parsers/fileparsers.h"

struct extraction_mode;

class GraphBuilder {
public:
    // One reported route: its cleaned path, nearest AS first, and its prefix
    // (a network without netmask counts with its classful one).
    void addRoute(std::span<const ASItem> path, const IPAddress& network, const std::optional<IPNetmask>& netmask);

    // Completes the coverings and fills `graph` with the nodes and the
    // unoriented adjacencies. Called once, after the last route.
    void build(ASGraph& graph);

    // Time spent merging address sets, for benchmarks.
    double unionSeconds() const { return unionTime; }

private:
    static constexpr std::uint32_t noDirection = 0x7FFFFFFFU;
    // One direction from -> to of an adjacency, found by its key
    // (from << 32 | to). Its record lives in the slot of an open-addressing
    // table, so the pair of a route costs one cache line.
    struct direction {
        std::uint64_t key = 0;
        std::uint32_t id : 31 = noDirection; // dense number, in order of first sight; none: a free slot
        std::uint32_t unordered : 1 = 0;     // a prefix arrived below the growing interval
        std::uint32_t paths = 0;             // saturates at the largest value a graph file holds
        std::uint32_t openFirst = 0;         // the interval still growing (once paths > 0)
        std::uint32_t openLast = 0;
    };
    // A closed address interval of one direction.
    struct address_run {
        std::uint32_t direction;
        std::uint32_t first;
        std::uint32_t last;
    };

    direction& directionOf(std::uint64_t key);
    void growTable();
    // One more route over `d`, with the addresses first..last.
    void countRoute(direction& d, std::uint32_t first, std::uint32_t last);
    void addLoneNode(asnum_t as);
    // The IP covering of every direction, by id.
    std::vector<std::uint64_t> countAddresses();

    std::vector<direction> table; // size a power of two, at most 3/4 used
    std::size_t directionCount = 0;
    unsigned shift = 64;
    std::vector<address_run> runs;
    std::vector<asnum_t> loneNodes; // ASs met on no adjacency of their route; at the end, every AS
    graph_detail::index_map loneIndex;
    std::vector<std::uint64_t> routePairs; // the directions the current route crossed
    double unionTime = 0;
};

// The header of a graph written by routesift: the listing it came from and,
// as comment, "routesift" and the settings as given, both cut to what a graph
// reader takes on one line.
std::string graphSourceName(const extraction_mode& settings);
std::string graphComment(const extraction_mode& settings);
