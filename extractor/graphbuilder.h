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
    // One direction a -> b of an adjacency.
    struct direction {
        asnum_t from;
        asnum_t to;
        std::uint64_t paths = 0;
        std::uint64_t lastRoute = 0; // serial of the last route counted, so a route counts once
        std::uint64_t addresses = 0; // filled by build()
        std::uint32_t lastRun;       // its latest entry in `runs`
        bool ordered = true;         // its prefixes arrived in ascending address order
    };
    // A closed address interval of one direction.
    struct address_run {
        std::uint32_t direction;
        std::uint32_t first;
        std::uint32_t last;
    };

    std::uint32_t directionOf(asnum_t from, asnum_t to);
    void addAddresses(direction& d, std::uint32_t index, std::uint32_t first, std::uint32_t last);
    void addLoneNode(asnum_t as);
    void countAddresses();

    std::vector<direction> directions;
    graph_detail::index_map directionIndex; // (from, to) -> index into directions
    std::vector<address_run> runs;
    std::vector<asnum_t> loneNodes;         // ASs met on no adjacency of their route
    graph_detail::index_map loneIndex;
    std::uint64_t routes = 0;
    double unionTime = 0;
};

// The header of a graph written by routesift: the listing it came from and,
// as comment, "routesift" and the settings as given, both cut to what a graph
// reader takes on one line.
std::string graphSourceName(const extraction_mode& settings);
std::string graphComment(const extraction_mode& settings);
