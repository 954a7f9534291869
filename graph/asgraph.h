#pragma once
// The AS-level graph: AS numbers as nodes, ASEdgeWeight on each direction of an
// adjacency, the metadata of a graph file, and the reader and writer of the
// normal ("HGR") and differential ("HDG") graph file formats, of their 32-bit
// forms ("HGR32", "HDG32"), whose node and edge lines carry AS numbers up to
// 4294967295, and the reader of AS-relationship files.
#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/asnumber.h"
#include "common/bytesource.h"
#include "common/hugepages.h"
#include "graph/graph.h"
#include "graph/graphformat.h"
#include "graph/relationships.h"

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
    std::uint16_t comparedGraphs = 1; // compared graphs the adjacency appeared in
    std::uint16_t incomingCount = 0;  // compared graphs where it pointed towards this direction's first node
    std::uint16_t outgoingCount = 0;
    std::uint16_t undirectedCount = 0;
    std::uint16_t unorientedCount = 0;
    std::uint16_t orientationChanges = 0;
    std::array<edge_dir, 2> cmpDir{UNDIRECTED, UNDIRECTED}; // orientation in each compared graph
    bool oriented = false;                                  // orientation known; false shows as "---"
    std::array<bool, 2> cmpOriented{false, false};          // orientation known in each compared graph
};
static_assert(sizeof(ASEdgeWeight) <= 48, "two weights per adjacency: keep the record small");

class ASGraph : public Graph<asnum_t, ASEdgeWeight, asnum_t> {
public:
    static constexpr std::string_view graphMarker = graphformat::graphMarker;
    static constexpr std::string_view diffGraphMarker = graphformat::diffGraphMarker;
    static constexpr std::string_view wideSuffix = graphformat::wideSuffix;
    static constexpr std::size_t maxCommentLength = graphformat::maxCommentLength;
    static constexpr std::size_t sourceFileSlots = graphformat::sourceFileSlots;

    ASGraph() = default;

    // Reads one graph file or AS-relationship file (told apart by content)
    // from an open stream, adding to what the graph holds. False on failure
    // with the reason in errReason(); whatever was read before the failure
    // stays in the graph. `name` becomes the source file name of a graph read
    // from a relationship file, which names no sources of its own.
    bool readFromFile(std::FILE* file, std::string_view name = {});
    // The same from any byte source (a compressed file, say). When the source
    // fails, the reading stops there as at the end of the input; the caller
    // asks the source why.
    bool readFromFile(ByteSource& input, std::string_view name = {});
    // Writes the graph as a graph file: "HGR"/"HDG", or "HGR32"/"HDG32" when
    // the graph has 32-bit AS numbers or holds an AS above 65535. False on the
    // first failed write, with the reason in errReason(). The stream is
    // neither flushed nor closed here.
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

    // The graph's AS numbers are 32-bit: read from a 32-bit file, or from a
    // relationship file naming an AS above 65535. Listings print such a
    // graph's AS fields in the wide columns, and save keeps the type.
    bool& hasWideASNumbers() noexcept { return wide; }
    bool hasWideASNumbers() const noexcept { return wide; }
    // Read from an AS-relationship file: every orientation states a business
    // relationship (customer -> provider, peers both ways). Graph files have
    // no way to say so, and coverings inferred from paths are no such claim.
    bool hasRelationships() const noexcept { return relationships; }
    asnumber::as_range asRange() const noexcept { return wide ? asnumber::wideRange : asnumber::classicRange; }

    // Orientation <-> its value in graph files: INCOMING -1, UNDIRECTED 0, OUTGOING 1.
    static int dirToVal(edge_dir dir) noexcept;
    static edge_dir valToDir(long value) noexcept;

private:
    bool fail(std::string reason);
    template <typename Lines>
    bool readGraphFile(Lines& reader);
    template <typename Lines>
    bool readRelationships(Lines& reader, std::string_view firstLine, std::uint64_t lineNumber, std::string_view name);
    bool readEdgeLine(std::string_view line);
    using relationship_list = std::vector<as_relationship, huge_page_allocator<as_relationship>>;
    void addRelationships(const relationship_list& read);

    bool differential = false;
    bool wide = false;
    bool relationships = false;
    std::string errorReason;
    std::vector<std::string> sourceFiles;
    std::string comment;
};
