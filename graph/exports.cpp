#include "graph/exports.h"

#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/textblocks.h"

namespace {

std::string_view orientationWord(const export_graph::edge_listing& e)
{
    if (!e.weight->oriented) return "none";
    switch (*e.dir) {
    case OUTGOING: return "forward";
    case INCOMING: return "backward";
    default: return "both";
    }
}

// A column of the node table: its name, whether only relationship graphs
// know it, and its value in a row.
struct node_column {
    std::string_view name;
    std::string_view key; // GraphML's short name, repeated on every line
    bool relationshipOnly;
    std::uint64_t (*value)(const node_row&);
};
constexpr node_column nodeColumns[] = {
    {"scc", "s", false, [](const node_row& r) { return std::uint64_t{r.scc}; }},
    {"cc", "c", false, [](const node_row& r) { return std::uint64_t{r.cc}; }},
    {"degree", "d", false, [](const node_row& r) { return std::uint64_t{r.degrees.total}; }},
    {"in_degree", "i", false, [](const node_row& r) { return std::uint64_t{r.degrees.in}; }},
    {"out_degree", "o", false, [](const node_row& r) { return std::uint64_t{r.degrees.out}; }},
    {"customers", "cu", true, [](const node_row& r) { return std::uint64_t{r.degrees.customers}; }},
    {"providers", "pr", true, [](const node_row& r) { return std::uint64_t{r.degrees.providers}; }},
    {"peers", "pe", true, [](const node_row& r) { return std::uint64_t{r.degrees.peers}; }},
    {"core", "k", false, [](const node_row& r) { return std::uint64_t{r.core}; }},
    {"cone", "cn", true, [](const node_row& r) { return std::uint64_t{r.cone}; }},
};

// The per-direction values of an adjacency, as named in both formats.
struct edge_column {
    std::string_view name;
    std::string_view key;
    std::uint64_t (*value)(const export_graph::edge_listing&);
};
constexpr edge_column edgeColumns[] = {
    {"paths_forward", "pf",
     [](const export_graph::edge_listing& e) { return std::uint64_t{e.weight->pathCovering[0]}; }},
    {"addresses_forward", "af", [](const export_graph::edge_listing& e) { return e.weight->ipCovering[0]; }},
    {"paths_backward", "pb",
     [](const export_graph::edge_listing& e) { return std::uint64_t{e.reverseWeight->pathCovering[0]}; }},
    {"addresses_backward", "ab", [](const export_graph::edge_listing& e) { return e.reverseWeight->ipCovering[0]; }},
};

void graphMLKeys(text_blocks& out, bool relationships)
{
    for (const node_column& c : nodeColumns)
        if (relationships || !c.relationshipOnly)
            out << "  <key id=\"" << c.key << "\" for=\"node\" attr.name=\"" << c.name << "\" attr.type=\"long\"/>\n";
    out << "  <key id=\"or\" for=\"edge\" attr.name=\"orientation\" attr.type=\"string\"/>\n";
    if (relationships) return;
    for (const edge_column& c : edgeColumns)
        out << "  <key id=\"" << c.key << "\" for=\"edge\" attr.name=\"" << c.name << "\" attr.type=\"long\"/>\n";
}

std::string dataTag(std::string_view key) { return "<data key=\"" + std::string(key) + "\">"; }

// A CSV header row: the first column's name, then each column's.
template <typename Columns>
void csvHeader(text_blocks& out, std::string_view first, const Columns& columns)
{
    out << first;
    for (const auto& c : columns)
        out << "," << c.name;
    out << "\n";
}

} // namespace

bool writeEdgeCSV(std::FILE* file, const export_graph& graph)
{
    text_blocks out(file);
    csvHeader(out, "source,target,orientation", edgeColumns);
    graph.forEachEdge([&out](const export_graph::edge_listing& e) {
        out << std::uint64_t{e.from.id} << "," << std::uint64_t{e.to.id} << "," << orientationWord(e);
        for (const edge_column& c : edgeColumns)
            out << "," << c.value(e);
        out << "\n";
    });
    return out.finish();
}

bool writeNodeCSV(std::FILE* file, const node_table& nodes)
{
    text_blocks out(file);
    csvHeader(out, "as", nodeColumns);
    for (const node_row& row : nodes.rows) {
        out << std::uint64_t{row.as};
        // An unknown value is an empty field: pandas reads it as missing.
        for (const node_column& c : nodeColumns) {
            out << ",";
            if (nodes.relationships || !c.relationshipOnly) out << c.value(row);
        }
        out << "\n";
    }
    return out.finish();
}

bool writeGraphML(std::FILE* file, const export_graph& graph, const node_table& nodes)
{
    text_blocks out(file);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\">\n";
    graphMLKeys(out, nodes.relationships);
    out << "  <graph id=\"G\" edgedefault=\"undirected\">\n";
    // Each field's opening tag composed once: a big graph has a million fields.
    std::vector<std::pair<const node_column*, std::string>> fields;
    for (const node_column& c : nodeColumns)
        if (nodes.relationships || !c.relationshipOnly) fields.emplace_back(&c, dataTag(c.key));
    for (const node_row& row : nodes.rows) {
        out << "    <node id=\"" << std::uint64_t{row.as} << "\">";
        for (const auto& [column, tag] : fields)
            out << tag << column->value(row) << "</data>";
        out << "</node>\n";
    }
    // A relationship file carries no coverings: its edges would all hold
    // zeros, which make up most of a big GraphML file.
    const bool coverings = !nodes.relationships;
    std::vector<std::string> edgeTags;
    for (const edge_column& c : edgeColumns)
        edgeTags.push_back(dataTag(c.key));
    graph.forEachEdge([&out, coverings, &edgeTags](const export_graph::edge_listing& e) {
        out << "    <edge source=\"" << std::uint64_t{e.from.id} << "\" target=\"" << std::uint64_t{e.to.id}
            << "\"><data key=\"or\">" << orientationWord(e) << "</data>";
        if (coverings)
            for (std::size_t k = 0; k < std::size(edgeColumns); ++k)
                out << edgeTags[k] << edgeColumns[k].value(e) << "</data>";
        out << "</edge>\n";
    });
    out << "  </graph>\n</graphml>\n";
    return out.finish();
}

bool writeRelationships(std::FILE* file, const export_graph& graph)
{
    text_blocks out(file);
    out << "# AS relationships written by meshprobe\n"
           "# <provider-as>|<customer-as>|-1\n"
           "# <peer-as>|<peer-as>|0\n";
    graph.forEachEdge([&out](const export_graph::edge_listing& e) {
        const std::uint64_t a = e.from.id;
        const std::uint64_t b = e.to.id;
        switch (*e.dir) {
        case OUTGOING: out << b << "|" << a << "|-1\n"; break; // a is b's customer
        case INCOMING: out << a << "|" << b << "|-1\n"; break;
        default: out << a << "|" << b << "|0\n"; break;
        }
    });
    return out.finish();
}
