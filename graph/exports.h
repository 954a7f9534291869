#pragma once
// A graph and its per-AS results in the formats other tools read: CSV with a
// header row (pandas, R), GraphML (networkx, igraph, Gephi) and the
// AS-relationship format. Each writer returns false on the first failed
// write; the stream is neither flushed nor closed here.
//
// An adjacency is written once, from its smaller AS ("source") to the other
// ("target"), with its orientation seen from the source: forward (source ->
// target; in a relationship graph the source is the target's customer),
// backward, both (a peering) or none (orientation unknown), and the path and
// IP coverings of each direction.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "graph/analyses.h"

// The per-AS results: one row per AS in ascending order.
struct node_row {
    asnum_t as = 0;
    std::uint32_t scc = 0; // component numbers as the console gives them (from 1)
    std::uint32_t cc = 0;
    as_degrees degrees;
    std::uint32_t core = 0;
    std::uint32_t cone = 0;
};
struct node_table {
    std::vector<node_row> rows;
    bool relationships = false; // relationship degrees and cones are known
};

using export_graph = Graph<asnum_t, ASEdgeWeight, asnum_t>;

bool writeEdgeCSV(std::FILE* out, const export_graph& graph);
bool writeNodeCSV(std::FILE* out, const node_table& nodes);
bool writeGraphML(std::FILE* out, const export_graph& graph, const node_table& nodes);
// "provider|customer|-1" and "peer|peer|0" lines after a comment header;
// only meaningful for a graph read from relationships.
bool writeRelationships(std::FILE* out, const export_graph& graph);
