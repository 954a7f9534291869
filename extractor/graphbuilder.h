#pragma once
// The AS graph that the reported paths describe: every AS of a path is a
// node, every two consecutive different ASs an adjacency, and each direction
// of an adjacency counts the routes that cross it (path covering) and the
// distinct IPv4 addresses of their prefixes (IP covering): IPv6 routes count
// in the path covering only.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/asnumber.h"
#include "common/hugepages.h"
#include "common/iptools.h"
#include "extractor/asnumberset.h"
#include "graph/graphwriter.h"
#include "parsers/route.h"

struct extraction_mode;

class GraphBuilder {
public:
    // Crossings gathered before the first fold (see `crossings`): enough for
    // a table of a million routes to be folded only once, at the end.
    static constexpr std::size_t defaultFoldSize = std::size_t{1} << 21;

    explicit GraphBuilder(std::size_t foldSize = defaultFoldSize);

    // One reported route: its cleaned path, nearest AS first, and its prefix
    // (an IPv4 network without length counts with its classful one).
    void addRoute(std::span<const ASItem> path, const route_prefix& prefix);

    // Writes the graph as a graph file naming one source file, with nodes
    // and unoriented adjacencies in the graph file order. Called once, after
    // the last route; a failed write is left in the stream's error state.
    void write(std::FILE* file, std::string_view source, std::string_view comment);

private:
    // One direction of an adjacency crossed by one route or, once folded,
    // by many: `paths` routes (all counted on the direction's first record)
    // and the addresses first..last, none when first > last (IPv6 routes).
    struct crossing {
        std::uint64_t adjacency; // the smaller AS << 32 | the larger
        std::uint32_t first;
        std::uint32_t last;
        std::uint32_t paths;
        std::uint32_t down; // 1: from the larger AS to the smaller
    };
    struct address_run {
        std::uint32_t first;
        std::uint32_t last;
        bool operator<(const address_run& other) const { return first < other.first; }
    };

    // Sorts the crossings by adjacency and leaves one record per disjoint
    // address run of each direction, so memory follows the graph rather than
    // the number of routes.
    void fold();
    // Folds the crossings of one direction, begin..end of `crossings` with
    // `down`, into `runs`; their number of routes.
    std::uint64_t collectRuns(std::size_t begin, std::size_t end, std::uint32_t down);
    void sortByAdjacency();
    void writeEdges(GraphFileWriter& out);

    using crossing_array = std::vector<crossing, huge_page_allocator<crossing>>;

    // Every crossing since the last fold, after those the fold left.
    crossing_array crossings;
    crossing_array sortSpace;
    std::vector<address_run> runs;
    std::size_t foldAt;
    std::size_t minFold;
    ASNumberSet nodes;                     // ASs met on no adjacency of their route; at the end, every AS
    std::vector<std::uint64_t> routePairs; // the directions the current route crossed
};

// The header of a graph written by routesift: the listing it came from and,
// as comment, "routesift" and the settings as given, both cut to what a graph
// reader takes on one line.
std::string graphSourceName(const extraction_mode& settings);
std::string graphComment(const extraction_mode& settings);
