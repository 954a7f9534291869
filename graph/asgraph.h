#pragma once
// The AS-level graph: AS numbers as nodes, ASEdgeWeight on each direction of an
// adjacency, the metadata of a graph file, and the reader and writer of the
// normal ("HGR") and differential ("HDG") graph file formats.
#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graph/graph.h"

// AS numbers of graphs and graph files: 16 bits (1 to 65535) for now, which
// keeps nodes small and the files readable by the tools that share them.
using graph_as_t = std::uint16_t;
inline constexpr graph_as_t maxGraphAS = 65535;

// The weight of one direction of one adjacency. Index 0 / 1 of the arrays is
// the first / second compared graph of a differential graph; a normal graph
// uses index 0 only. The two directions of an adjacency are mirrored: same
// flags, counters and stability, reversed cmpDir, swapped incoming/outgoing
// counts; coverings are per direction. Fields are ordered for packing: a graph
// holds two of these per adjacency.
class ASEdgeWeight {
public:
    std::array<std::uint64_t, 2> ipCovering{0, 0};   // IPv4 addresses routed over this direction
    std::array<std::uint32_t, 2> pathCovering{0, 0}; // AS paths using this direction
    float orientationStability = 0.0F;
    std::uint16_t comparedGraphs = 1;    // compared graphs the adjacency appeared in
    std::uint16_t incomingCount = 0;     // compared graphs where it pointed towards this direction's first node
    std::uint16_t outgoingCount = 0;
    std::uint16_t undirectedCount = 0;
    std::uint16_t unorientedCount = 0;
    std::uint16_t orientationChanges = 0;
    std::array<edge_dir, 2> cmpDir{UNDIRECTED, UNDIRECTED}; // orientation in each compared graph
    bool oriented = false;                                  // orientation known; false shows as "---"
    std::array<bool, 2> cmpOriented{false, false};          // orientation known in each compared graph
};
static_assert(sizeof(ASEdgeWeight) <= 48, "two weights per adjacency: keep the record small");

class ASGraph : public Graph<graph_as_t, ASEdgeWeight, graph_as_t> {
public:
    static constexpr std::string_view graphMarker = "HGR";
    static constexpr std::string_view diffGraphMarker = "HDG";
    static constexpr std::size_t maxCommentLength = 512;
    static constexpr std::size_t sourceFileSlots = 100;

    ASGraph() = default;

    // Reads one graph file from an open stream, adding to what the graph
    // holds. False on failure with the reason in errReason(); whatever was
    // read before the failure stays in the graph.
    bool readFromFile(std::FILE* file);
    // Writes the graph; false on the first failed write, with the reason in
    // errReason(). The stream is neither flushed nor closed here.
    bool writeToFile(std::FILE* file);
    const std::string& errReason() const noexcept { return errorReason; }

    const std::vector<std::string>& getSourceFiles() const noexcept { return sourceFiles; }
    // replace: discard the current names first; then append copies in order.
    void setSourceFiles(const std::vector<std::string>& names, bool replace);
    // The same from name slots, of which null ones are skipped (at most
    // sourceFileSlots are looked at).
    void setSourceFiles(std::span<const char* const> slots, bool replace);

    const std::string& getComment() const noexcept { return comment; }
    void setComment(std::string_view text); // keeps the first maxCommentLength characters

    bool& isDifferential() noexcept { return differential; }
    bool isDifferential() const noexcept { return differential; }

    // Orientation <-> its value in graph files: INCOMING -1, UNDIRECTED 0, OUTGOING 1.
    static int dirToVal(edge_dir dir) noexcept;
    static edge_dir valToDir(long value) noexcept;

private:
    bool fail(std::string reason);
    bool readEdgeLine(std::string_view line);

    bool differential = false;
    std::string errorReason;
    std::vector<std::string> sourceFiles;
    std::string comment;
};
